#include "report_engine/export/TQRAbstractExportFilter.h"

#include <algorithm>

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
    TQRPositions positions;
    for (const TTextEntry& entry : entries_) positions.Add(entry.Y);
    lineCount_ = positions.Number();
    for (TTextEntry& entry : entries_) entry.Y = positions.NumberOf(entry.Y);
}

void TQRAbstractExportFilter::ProcessPage() {
    ConvertToColumns();
    ConvertToLines();
    TQRPAbstractExportFilter::ProcessPage();
}

QString TQRAbstractExportFilter::GetText(int line, int column) const {
    for (const TTextEntry& entry : entries_) {
        if (entry.Y == line && entry.X == column) {
            return entry.Text;
        }
    }
    return {};
}

}  // namespace quorin
