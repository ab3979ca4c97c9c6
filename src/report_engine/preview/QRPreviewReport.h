#pragma once

#include <QSize>
#include <QString>

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
/// Generates the report again straight to the printer, pages first to last only; the
/// report's own page range (the printer dialog's) is back as it was afterwards.
void PrintRange(TCustomQuickRep* report, int first, int last);

}  // namespace QRPreviewReport
}  // namespace quorin
