#pragma once

#include <QSize>
#include <QString>
#include <functional>

#include "report_engine/printer/QRPaperSize.h"

class QObject;

namespace quorin {

class TCustomQuickRep;

/// What the preview reads of the report that owns a printer, kept in one
/// place so the preview's windows need only the printer's header.
namespace QRPreviewReport {

QObject* AsObject(TCustomQuickRep* report);
/// Whether the report's current run has ended (or never started).
bool Idle(const TCustomQuickRep* report);
QSize PreviewSize(const TCustomQuickRep* report);
bool StaysOnTop(const TCustomQuickRep* report);
QString Name(const TCustomQuickRep* report);

/// The printer dialog the report's PrinterSetup shows.
struct TSetupRequest {
    int PrinterIndex = -1;
    TPrinterOrientation Orientation = poPortrait;
    int Copies = 1;
    int MinPage = 0;
    int MaxPage = 9999;
    int FromPage = 0;
    int ToPage = 0;
    bool AllPages = true;
};
void RegisterSetupDialog(std::function<bool(TSetupRequest&)> dialog);

}  // namespace QRPreviewReport
}  // namespace quorin
