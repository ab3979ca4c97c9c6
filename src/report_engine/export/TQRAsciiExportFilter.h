#pragma once

#include <QHash>
#include <QPair>
#include <QString>
#include <vector>

#include "report_engine/export/TQRPAbstractExportFilter.h"

namespace quorin {

/// Lays the texts of every page out on a character grid (a character taken
/// as 1/1.7 of the report font's size wide) and writes the lines that hold
/// text, in UTF-8. The texts of a page are sorted into rows by the rule the
/// grid exports share (QRGroupRows); each row becomes one line. No character
/// of a text on the page is lost: where the grid would run a text into the
/// one before it, the later text moves right, keeping a blank between them,
/// and the texts of its column (same alignment, same position on the page)
/// move with it, on this page and the pages after it, so columns stay
/// aligned where they can.
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

    /// The page's height in report-font lines.
    int LineCount() const { return lineCount_; }

  private:
    struct TPageText {
        double X = 0;
        double Y = 0;
        double Height = 0;
        TAlignment Alignment = TAlignment::taLeftJustify;
        QString Text;
    };
    /// The lines of the page, one per row, top to bottom.
    QStringList LayOutPage();

    /// A column of the grid: an alignment and a position on the page (whole native units).
    using TColumnKey = QPair<int, qint64>;

    std::vector<TPageText> texts_;
    QHash<TColumnKey, int> columnShifts_;  // how far each column has moved right, for the whole run
    double lineHeight_ = 0;
    double charWidth_ = 0;
    double pageLength_ = 0;
    int lineCount_ = 0;
    QByteArray buffer_;
};

}  // namespace quorin
