#pragma once

#include <memory>

#include "report_engine/export/Pdfobjs.h"
#include "report_engine/export/TQRPAbstractExportFilter.h"

namespace quorin {

class TQRExportGeometry;

/// Writes the report run as a PDF 1.3 document with the standard Type 1
/// fonts. Between StartConcat and EndConcat several runs go into one document.
class TQRPDFDocumentFilter : public TQRPAbstractExportFilter {
  public:
    explicit TQRPDFDocumentFilter(const QString& fileName);
    ~TQRPDFDocumentFilter() override;

    QString GetFilterName() const override { return QStringLiteral("PDF document"); }
    QString GetDescription() const override { return QStringLiteral("PDF document"); }
    QString GetExtension() const override { return QStringLiteral("PDF"); }
    bool GetStreaming() const override { return false; }

    void Start(int paperWidth, int paperHeight, const TQRFont& font) override;
    void NewPage() override;
    void EndPage() override {}
    void StorePage() override {}
    void TextOut(double x, double y, const TQRFont& font, const QColor& color, TAlignment alignment,
                 const QString& text) override;
    void AcceptGraphic(int x, int y, const TQRExportGraphic& graphic) override;
    void Finish() override;

    void StartConcat() { concatenating_ = true; }
    void EndConcat();
    /// "prefix:StandardFont", e.g. "Verdana:Helvetica".
    void AddFontMap(const QString& entry) { writer_->AddFontSub(entry); }
    /// Text drawn over the graphics (the default) or under them.
    void SetTextOnTop(bool on) { writer_->SetTextFirst(!on); }
    /// Extra offsets in points added to every item.
    void SetMargins(double vertical, double horizontal) {
        vertMargin_ = vertical;
        horzMargin_ = horizontal;
    }

    TPdfObjs& Writer() { return *writer_; }

  private:
    std::unique_ptr<TPdfObjs> writer_;
    std::unique_ptr<TQRExportGeometry> geometry_;
    bool firstPage_ = true;
    int pageCounter_ = 1;
    int imageCounter_ = 0;
    bool concatenating_ = false;
    bool started_ = false;
    double horzMargin_ = 0;
    double vertMargin_ = 0;
    TPDFItemRec item_;
    double kx_ = 0;
    double ky_ = 0;
};

}  // namespace quorin
