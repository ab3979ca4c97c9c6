#include "report_engine/export/TQRAsciiExportFilter.h"

#include <QHash>
#include <algorithm>
#include <cmath>

#include "report_engine/export/QRExportRows.h"
#include "runtime/Rounding.h"

namespace quorin {

namespace {

constexpr double kNativePerPoint = 3.5277777777777777778;
// Rounds of column moves before the last texts that still run into another are
// moved one by one; columns of a page settle in a few.
constexpr int kColumnRounds = 64;
constexpr int kMaxColumn = 100000;

// One text placed on the grid: where the page puts it, and its column.
struct TCell {
    int Start = 0;  // 0-based character position the page asks for
    int Group = 0;  // the column it belongs to
    const QString* Text = nullptr;
};

}  // namespace

void TQRAsciiExportFilter::Start(int paperWidth, int paperHeight, const TQRFont& font) {
    TQRPAbstractExportFilter::Start(paperWidth, paperHeight, font);
    CreateStream(FileName);
    buffer_.clear();
    texts_.clear();
    columnShifts_.clear();
    lineHeight_ = (font.Size > 0 ? font.Size : 10) * kNativePerPoint;
    charWidth_ = lineHeight_;
    pageLength_ = paperHeight;
    lineCount_ = static_cast<int>(RoundHalfEven(paperHeight / lineHeight_));
}

void TQRAsciiExportFilter::NewPage() { texts_.clear(); }

void TQRAsciiExportFilter::TextOut(double x, double y, const TQRFont& font, const QColor& color,
                                   TAlignment alignment, const QString& text) {
    (void)color;
    const double height = QRTextHeight(font);
    if (text.isEmpty() || !std::isfinite(x) || !std::isfinite(y)) return;
    if (y + height <= 0 || y >= pageLength_) return;  // not on the page
    texts_.push_back(TPageText{x, y, height, alignment, text});
}

QStringList TQRAsciiExportFilter::LayOutPage() {
    std::vector<TQRRowExtent> extents;
    extents.reserve(texts_.size());
    for (const TPageText& t : texts_) extents.push_back({t.Y, t.Height});
    int rowCount = 0;
    const std::vector<int> rowOf = QRGroupRows(extents, &rowCount);

    // Texts of one alignment at one position of the page form a column.
    QHash<TColumnKey, int> groups;
    std::vector<TColumnKey> keys;
    std::vector<std::vector<TCell>> rows(static_cast<size_t>(rowCount));
    for (size_t i = 0; i < texts_.size(); ++i) {
        const TPageText& t = texts_[i];
        double column = t.X / charWidth_ * 1.7;
        if (t.Alignment == TAlignment::taRightJustify) {
            column -= t.Text.size();
        } else if (t.Alignment == TAlignment::taCenter) {
            column -= t.Text.size() / 2.0;
        }
        const double position = RoundHalfEven(column);  // 1-based
        const int start = position < 1 ? 0 : position > kMaxColumn ? kMaxColumn - 1 : static_cast<int>(position) - 1;
        const TColumnKey key(static_cast<int>(t.Alignment), static_cast<qint64>(RoundHalfEven(t.X)));
        auto found = groups.constFind(key);
        if (found == groups.constEnd()) {
            found = groups.insert(key, static_cast<int>(groups.size()));
            keys.push_back(key);
        }
        const int group = found.value();
        rows[static_cast<size_t>(rowOf[i])].push_back(TCell{start, group, &t.Text});
    }
    for (std::vector<TCell>& row : rows) {
        std::stable_sort(row.begin(), row.end(), [](const TCell& a, const TCell& b) { return a.Start < b.Start; });
    }

    // A text that would run into the one before it moves its whole column
    // right; columns only ever move right, in the order of the page, so the
    // moves settle. Whatever still collides after that moves on its own. A
    // column starts where earlier pages left it, so it stays put page to page.
    std::vector<int> shift(keys.size(), 0);
    for (size_t g = 0; g < keys.size(); ++g) shift[g] = columnShifts_.value(keys[g], 0);
    for (int round = 0; round < kColumnRounds; ++round) {
        bool moved = false;
        for (const std::vector<TCell>& row : rows) {
            int end = -1;  // first free position after the previous text, blank included
            int previousGroup = -1;
            for (const TCell& cell : row) {
                int start = cell.Start + shift[static_cast<size_t>(cell.Group)];
                if (end >= 0 && start < end && cell.Group != previousGroup) {
                    shift[static_cast<size_t>(cell.Group)] += end - start;
                    start = end;
                    moved = true;
                } else if (end >= 0 && start < end) {
                    start = end;
                }
                end = start + static_cast<int>(cell.Text->size()) + 1;
                previousGroup = cell.Group;
            }
        }
        if (!moved) break;
    }
    for (size_t g = 0; g < keys.size(); ++g) columnShifts_.insert(keys[g], shift[g]);

    QStringList lines;
    lines.reserve(rowCount);
    for (const std::vector<TCell>& row : rows) {
        QString line;
        for (const TCell& cell : row) {
            int start = cell.Start + shift[static_cast<size_t>(cell.Group)];
            if (!line.isEmpty() && start < line.size() + 1) start = static_cast<int>(line.size()) + 1;
            if (line.size() < start) line += QString(start - line.size(), u' ');
            line += *cell.Text;
        }
        lines << line;
    }
    return lines;
}

void TQRAsciiExportFilter::EndPage() {
    for (const QString& line : LayOutPage()) {
        buffer_ += line.toUtf8();
        buffer_ += "\r\n";
    }
    texts_.clear();
    if (buffer_.size() > (1 << 20)) {
        WriteToStream(buffer_);
        buffer_.clear();
    }
}

void TQRAsciiExportFilter::Finish() {
    WriteToStream(buffer_);
    buffer_.clear();
    CloseStream();
    TQRPAbstractExportFilter::Finish();
}

}  // namespace quorin
