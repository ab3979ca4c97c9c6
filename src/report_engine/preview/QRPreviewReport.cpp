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

}  // namespace quorin::QRPreviewReport
