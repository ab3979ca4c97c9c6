#include "report_engine/export/TQRAbstractExportFilter.h"

#include <algorithm>

#include "report_engine/export/QRExportRows.h"
#include "runtime/Rounding.h"

namespace quorin {

namespace {

constexpr double kNativePerPoint = 3.5277777777777777778;

double Key(double position) { return RoundHalfEven(position); }

}  // namespace

void TQRPositions::Add(double position) {
    const double key = Key(position);
    auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                               [](const TQRPositionEntry& e, double k) { return Key(e.Position) < k; });
    if (it != entries_.end() && Key(it->Position) == key) {
        ++it->Count;
        return;
    }
    entries_.insert(it, TQRPositionEntry{position, 1, 0, false});
}

int TQRPositions::Number() {
    int number = 0;
    for (TQRPositionEntry& entry : entries_) {
        if (Key(entry.Position) > 0) {  // equal to a positive whole native unit
            entry.Number = ++number;
            entry.Numbered = true;
        }
    }
    return number;
}

int TQRPositions::NumberOf(double position) const {
    const double key = Key(position);
    auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                               [](const TQRPositionEntry& e, double k) { return Key(e.Position) < k; });
    return it != entries_.end() && Key(it->Position) == key ? it->Number : 0;
}

void TQRAbstractExportFilter::Start(int paperWidth, int paperHeight, const TQRFont& font) {
    TQRPAbstractExportFilter::Start(paperWidth, paperHeight, font);
    OpenStream();
    entries_.clear();
    reportFont_ = font;
    activeFont_ = font;
    lineHeight_ = font.Size * kNativePerPoint;
    charWidth_ = lineHeight_;
    pageWidth_ = paperWidth;
    pageLength_ = paperHeight;
    lineCount_ = lineHeight_ > 0 ? static_cast<int>(RoundHalfEven(pageLength_ / lineHeight_)) : 0;
    PageProcessed = false;
}

void TQRAbstractExportFilter::NewPage() {
    entries_.clear();
    PageProcessed = false;
    activeFont_ = reportFont_;
}

void TQRAbstractExportFilter::EndPage() {
    ProcessPage();
    entries_.clear();
}

void TQRAbstractExportFilter::Finish() {
    entries_.clear();
    CloseTarget();
    TQRPAbstractExportFilter::Finish();
}

void TQRAbstractExportFilter::TextOut(double x, double y, const TQRFont& font, const QColor& color,
                                      TAlignment alignment, const QString& text) {
    (void)color, (void)alignment;
    entries_.push_back(TTextEntry{x, y, text, font});
}

void TQRAbstractExportFilter::ConvertToColumns() {
    TQRPositions positions;
    for (const TTextEntry& entry : entries_) positions.Add(entry.X);
    columnCount_ = positions.Number();
    for (TTextEntry& entry : entries_) entry.X = positions.NumberOf(entry.X);
}

void TQRAbstractExportFilter::ConvertToLines() {
    // Lines are the rows the eye reads (QRGroupRows), numbered from 1 from the
    // top; a text at a vertical position of 0 or less gets no line.
    std::vector<TQRRowExtent> extents;
    extents.reserve(entries_.size());
    for (const TTextEntry& entry : entries_) extents.push_back({entry.Y, QRTextHeight(entry.Font)});
    int rowCount = 0;
    const std::vector<int> rowOf = QRGroupRows(extents, &rowCount);
    std::vector<int> number(static_cast<size_t>(rowCount), 0);
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (Key(entries_[i].Y) > 0) number[static_cast<size_t>(rowOf[i])] = 1;
    }
    int lines = 0;
    for (int& n : number) n = n ? ++lines : 0;
    for (size_t i = 0; i < entries_.size(); ++i) {
        entries_[i].Y = Key(entries_[i].Y) > 0 ? number[static_cast<size_t>(rowOf[i])] : 0;
    }
    lineCount_ = lines;
}

void TQRAbstractExportFilter::ProcessPage() {
    ConvertToColumns();
    ConvertToLines();
    TQRPAbstractExportFilter::ProcessPage();
}

QString TQRAbstractExportFilter::GetText(int line, int column) const {
    QString text;
    bool first = true;
    for (const TTextEntry& entry : entries_) {
        if (entry.Y == line && entry.X == column) {
            if (!first) text += u' ';
            text += entry.Text;
            first = false;
        }
    }
    return text;
}

}  // namespace quorin
