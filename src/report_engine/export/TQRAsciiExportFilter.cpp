#include "report_engine/export/TQRAsciiExportFilter.h"

#include <cmath>

#include "runtime/Rounding.h"

namespace quorin {

namespace {
constexpr double kNativePerPoint = 3.5277777777777777778;
}

void TQRAsciiExportFilter::Start(int paperWidth, int paperHeight, const TQRFont& font) {
    TQRPAbstractExportFilter::Start(paperWidth, paperHeight, font);
    CreateStream(FileName);
    buffer_.clear();
    lineHeight_ = (font.Size > 0 ? font.Size : 10) * kNativePerPoint;
    charWidth_ = lineHeight_;
    lineCount_ = static_cast<int>(RoundHalfEven(paperHeight / lineHeight_));
}

void TQRAsciiExportFilter::NewPage() {
    for (QString& line : lines_) line.clear();
}

void TQRAsciiExportFilter::TextOut(double x, double y, const TQRFont& font, const QColor& color,
                                   TAlignment alignment, const QString& text) {
    (void)font, (void)color;
    if (lineHeight_ <= 0) return;
    double column = x / charWidth_ * 1.7;
    if (alignment == TAlignment::taRightJustify) {
        column -= text.size();
    }
    // The line is read and written under one rounding, so a text exactly
    // between two lines cannot copy one line over the next.
    const double lineNumber = RoundHalfEven(y / lineHeight_);
    if (!(lineNumber >= 0 && lineNumber < MaxLines) || !std::isfinite(column)) {
        return;  // outside the page's grid
    }
    QString& line = lines_[static_cast<size_t>(lineNumber)];
    const double rounded = RoundHalfEven(column);
    const int position = rounded < 1 ? 1 : rounded > 100000 ? 100000 : static_cast<int>(rounded);  // 1-based
    if (line.size() < position - 1) {
        line += QString(position - 1 - line.size(), u' ');
    }
    line.replace(position - 1, text.size(), text);
}

void TQRAsciiExportFilter::EndPage() {
    const int count = std::min(lineCount_, MaxLines);
    for (int i = 0; i < count; ++i) {
        if (!lines_[static_cast<size_t>(i)].isEmpty()) {
            buffer_ += lines_[static_cast<size_t>(i)].toUtf8();
            buffer_ += "\r\n";
        }
    }
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
