#pragma once

#include <QString>
#include <vector>

#include "report_engine/export/TQRPAbstractExportFilter.h"

namespace quorin {

/// One text of the page: its position (native units until the page ends,
/// then its column and line numbers), the text and the font it printed with.
struct TTextEntry {
    double X = 0;
    double Y = 0;
    QString Text;
    TQRFont Font;
};

/// The distinct positions of a page, numbered in ascending order. Two
/// positions are the same when they are equal after rounding to whole native
/// units; the first value met stands for them.
class TQRPositions {
  public:
    struct TQRPositionEntry {
        double Position = 0;
        int Count = 0;
        int Number = 0;
        bool Numbered = false;
    };
    void Add(double position);
    /// Numbers the positive positions 1, 2, 3, ... and returns the highest number.
    int Number();
    /// The number of the position (0 for a position of 0 or less, or unknown).
    int NumberOf(double position) const;
    const std::vector<TQRPositionEntry>& Entries() const { return entries_; }

  private:
    std::vector<TQRPositionEntry> entries_;  // sorted by rounded position
};

/// A filter that collects the texts of a page and sorts them into a grid of
/// lines and columns when the page ends: a column per distinct horizontal
/// position, a line per row of the rule the grid exports share
/// (QRGroupRows). The spreadsheet filter builds on it.
class TQRAbstractExportFilter : public TQRPAbstractExportFilter {
  public:
    explicit TQRAbstractExportFilter(const QString& fileName) : TQRPAbstractExportFilter(fileName) {}

    QString GetFilterName() const override { return QStringLiteral("QRAbstract"); }

    void Start(int paperWidth, int paperHeight, const TQRFont& font) override;
    void NewPage() override;
    void EndPage() override;
    void Finish() override;
    void TextOut(double x, double y, const TQRFont& font, const QColor& color, TAlignment alignment,
                 const QString& text) override;
    /// The texts at that line and column (both from 1), in the order printed and
    /// joined by a blank (two texts of one row at one position lose nothing), else empty.
    QString GetText(int line, int column) const override;
    void ProcessPage() override;

    int LineCount() const { return lineCount_; }
    int ColumnCount() const { return columnCount_; }
    const std::vector<TTextEntry>& Entries() const { return entries_; }

  protected:
    virtual void OpenStream() { CreateStream(FileName); }
    virtual void CloseTarget() { CloseStream(); }
    void ConvertToColumns();
    void ConvertToLines();

    std::vector<TTextEntry> entries_;
    TQRFont reportFont_;
    TQRFont activeFont_;
    double lineHeight_ = 0;
    double charWidth_ = 0;
    double pageWidth_ = 0;
    double pageLength_ = 0;
    int lineCount_ = 0;
    int columnCount_ = 0;
};

}  // namespace quorin
