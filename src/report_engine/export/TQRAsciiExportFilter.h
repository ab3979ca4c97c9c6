#pragma once

#include <QString>
#include <array>

#include "report_engine/export/TQRPAbstractExportFilter.h"

namespace quorin {

/// Lays the texts of every page out on a character grid (a character taken
/// as 1/1.7 of the report font's size wide, a line as high as the font) and
/// writes the lines that hold text, in UTF-8. A page holds at most
/// MaxLines lines; texts below them are left out.
class TQRAsciiExportFilter : public TQRPAbstractExportFilter {
  public:
    explicit TQRAsciiExportFilter(const QString& fileName) : TQRPAbstractExportFilter(fileName) {}

    QString GetFilterName() const override { return QStringLiteral("Text file"); }
    QString GetDescription() const override { return QStringLiteral("Text export (ASCII) filter"); }
    QString GetExtension() const override { return QStringLiteral("TXT"); }

    void Start(int paperWidth, int paperHeight, const TQRFont& font) override;
    void NewPage() override;
    void TextOut(double x, double y, const TQRFont& font, const QColor& color, TAlignment alignment,
                 const QString& text) override;
    void EndPage() override;
    void Finish() override;

    static constexpr int MaxLines = 201;
    int LineCount() const { return lineCount_; }

  private:
    std::array<QString, MaxLines> lines_;
    double lineHeight_ = 0;
    double charWidth_ = 0;
    int lineCount_ = 0;
    QByteArray buffer_;
};

}  // namespace quorin
