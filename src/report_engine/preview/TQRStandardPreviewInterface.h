#pragma once

#include "report_engine/printer/TQRPrinter.h"

namespace quorin {

/// Shows the standard preview window for a printer and makes the progress
/// window of direct printing.
class TQRStandardPreviewInterface : public TQRPreviewInterface {
  public:
    /// A preview window that frees itself when closed; returned shown.
    QObject* Show(TQRPrinter* printer) override;
    /// A preview window shown modally; returns once it has closed.
    void ShowModal(TQRPrinter* printer) override;
    std::unique_ptr<QObject> CreateProgressForm(TQRPrinter* printer, const QString& caption) override;
};

/// Makes the standard preview the process-wide preview interface and the
/// print dialog the report's printer dialog. The program calls it at start-up.
void RegisterStandardPreview();

}  // namespace quorin
