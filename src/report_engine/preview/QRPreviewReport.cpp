#include "report_engine/preview/QRPreviewReport.h"

#include <QScopeGuard>
#include <utility>

#include "report_engine/model/TQuickRep.h"

namespace quorin::QRPreviewReport {

QObject* AsObject(TCustomQuickRep* report) { return report; }

bool Idle(const TCustomQuickRep* report) { return report == nullptr || report->Idle(); }

QSize PreviewSize(const TCustomQuickRep* report) {
    return {report->PreviewWidth(), report->PreviewHeight()};
}

bool StaysOnTop(const TCustomQuickRep* report) { return report->PrevFormStyle == TFormStyle::fsStayOnTop; }

QString Name(const TCustomQuickRep* report) { return report ? report->objectName() : QString(); }

void PrintRange(TCustomQuickRep* report, int first, int last) {
    TQRReportPrinterSettings& settings = report->PrinterSettings;
    const auto restore = qScopeGuard([&settings, was = std::pair(settings.FirstPage, settings.LastPage)] {
        settings.FirstPage = was.first;
        settings.LastPage = was.second;
    });
    settings.FirstPage = first;
    settings.LastPage = last;
    report->Print();
}

}  // namespace quorin::QRPreviewReport
