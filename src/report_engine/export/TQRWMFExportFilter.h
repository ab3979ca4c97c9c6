#pragma once

#include "report_engine/printer/TQRExportFilter.h"

namespace quorin {

/// Saves the pages a preview already holds as one metafile per page:
/// base name + page number in three digits + ".wmf" (a placeable Windows
/// metafile converted from the page recording) or ".emf" (the recording
/// itself) when enhanced metafiles are chosen. The report run into the filter
/// draws nothing of its own.
class TQRWMFExportFilter : public TQRExportFilter {
  public:
    /// source: the page sink whose stored pages are saved (the preview's).
    explicit TQRWMFExportFilter(const QString& fileName, TQRPrinter* source = nullptr)
        : TQRExportFilter(fileName) {
        SourcePrinter = source;
    }

    QString GetFilterName() const override { return QStringLiteral("WMF File"); }
    QString GetDescription() const override { return QStringLiteral("WMF Export filter"); }
    QString GetExtension() const override { return QStringLiteral("WMF"); }

    void Start(int paperWidth, int paperHeight, const TQRFont& font) override;
    void Finish() override;

    /// Writes every stored page of the source; returns the files written.
    QStringList SavePages();

    /// Enhanced metafiles (".emf") for every filter of the process.
    static void SetEnhanced(bool on);
    static bool Enhanced();

    QString BaseName() const { return baseName_; }

  private:
    QString baseName_;
};

}  // namespace quorin
