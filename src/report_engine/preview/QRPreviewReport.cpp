#include "report_engine/preview/QRPreviewReport.h"

#include "report_engine/model/TQuickRep.h"

namespace quorin::QRPreviewReport {

QObject* AsObject(TCustomQuickRep* report) { return report; }

bool Idle(const TCustomQuickRep* report) { return report == nullptr || report->Idle(); }

QSize PreviewSize(const TCustomQuickRep* report) {
    return {report->PreviewWidth(), report->PreviewHeight()};
}

bool StaysOnTop(const TCustomQuickRep* report) { return report->PrevFormStyle == TFormStyle::fsStayOnTop; }

QString Name(const TCustomQuickRep* report) { return report ? report->objectName() : QString(); }

void RegisterSetupDialog(std::function<bool(TSetupRequest&)> dialog) {
    if (!dialog) {
        RegisterPrinterSetupDialog(nullptr);
        return;
    }
    RegisterPrinterSetupDialog([dialog = std::move(dialog)](TQRPrinterSetupRequest& request) {
        TSetupRequest mine;
        mine.PrinterIndex = request.PrinterIndex;
        mine.Orientation = request.Orientation;
        mine.Copies = request.Copies;
        mine.MinPage = request.MinPage;
        mine.MaxPage = request.MaxPage;
        mine.FromPage = request.FromPage;
        mine.ToPage = request.ToPage;
        mine.AllPages = request.AllPages;
        if (!dialog(mine)) return false;
        request.PrinterIndex = mine.PrinterIndex;
        request.Orientation = mine.Orientation;
        request.Copies = mine.Copies;
        request.FromPage = mine.FromPage;
        request.ToPage = mine.ToPage;
        request.AllPages = mine.AllPages;
        return true;
    });
}

}  // namespace quorin::QRPreviewReport
