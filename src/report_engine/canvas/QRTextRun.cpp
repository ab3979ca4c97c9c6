#include "report_engine/canvas/QRTextRun.h"

#include <QGlyphRun>
#include <QPainter>
#include <cmath>
#include <list>

namespace quorin::textrun {

namespace {

constexpr int kMaxPixelSize = 4000;

struct Vertical {
    int Ascent;
    int Height;
};

Vertical VerticalOf(const QFontMetricsF& metrics) {
    const int ascent = qRound(metrics.ascent());
    const int height = std::max(1, qRound(metrics.ascent() + metrics.descent()));
    return {ascent, height};
}

QImage MeasureDevice(int dotsPerInch) {
    QImage image(1, 1, QImage::Format_RGB32);
    const int dotsPerMeter = qRound(std::max(1, dotsPerInch) / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return image;
}

}  // namespace

size_t qHash(const FontSpec& spec, size_t seed) {
    return qHashMulti(seed, spec.Face, spec.PixelSize, spec.Weight, spec.Italic, spec.Underline, spec.StrikeOut);
}

FontSpec SpecOf(const TQRFont& font, int dotsPerInch) {
    FontSpec spec;
    spec.Face = font.Name;
    spec.PixelSize = font.Height != 0 ? std::abs(font.Height)
                                      : static_cast<int>(std::lround(font.Size * dotsPerInch / 72.0));
    spec.PixelSize = std::clamp(spec.PixelSize, 1, kMaxPixelSize);
    spec.Weight = font.Bold ? 700 : 400;
    spec.Italic = font.Italic;
    spec.Underline = font.Underline;
    spec.StrikeOut = font.StrikeOut;
    spec.Charset = font.Charset;
    return spec;
}

QFont MakeFont(const FontSpec& spec) {
    QFont font(spec.Face.isEmpty() ? QStringLiteral("Arial") : spec.Face);
    font.setPixelSize(std::clamp(spec.PixelSize, 1, kMaxPixelSize));
    font.setWeight(static_cast<QFont::Weight>(std::clamp(spec.Weight == 0 ? 400 : spec.Weight, 1, 1000)));
    font.setItalic(spec.Italic);
    font.setUnderline(spec.Underline);
    font.setStrikeOut(spec.StrikeOut);
    // Advances are summed character by character, so no kerning or shaping may
    // change them between measuring and drawing.
    font.setKerning(false);
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

Measurer::Measurer(int dotsPerInch) : device_(MeasureDevice(dotsPerInch)) {}

void Measurer::SetFont(const FontSpec& spec) {
    if (hasFont_ && spec == spec_) {
        return;
    }
    const bool sameShape = hasFont_ && spec.Face == spec_.Face && spec.PixelSize == spec_.PixelSize &&
                           spec.Weight == spec_.Weight && spec.Italic == spec_.Italic;
    spec_ = spec;
    hasFont_ = true;
    font_ = MakeFont(spec);
    if (sameShape) {
        return;  // underline and strike-out change no advance
    }
    metrics_.emplace(font_, &device_);
    latinKnown_.fill(false);
    others_.clear();
    const Vertical v = VerticalOf(*metrics_);
    ascent_ = v.Ascent;
    height_ = v.Height;
}

qreal Measurer::CharAdvance(char32_t ucs4, const QString& text, qsizetype at, int units) {
    if (ucs4 < 256) {
        if (!latinKnown_[ucs4]) {
            latin_[ucs4] = metrics_->horizontalAdvance(QChar(static_cast<char16_t>(ucs4)));
            latinKnown_[ucs4] = true;
        }
        return latin_[ucs4];
    }
    auto found = others_.constFind(ucs4);
    if (found != others_.constEnd()) {
        return *found;
    }
    const qreal advance = units == 1 ? metrics_->horizontalAdvance(text.at(at))
                                     : metrics_->horizontalAdvance(text.mid(at, units));
    if (others_.size() < 4096) {
        others_.insert(ucs4, advance);
    }
    return advance;
}

void Measurer::AdvancesOf(const QString& text, Advances& out) {
    if (!hasFont_) {
        SetFont(FontSpec{QStringLiteral("Arial")});
    }
    const qsizetype n = text.size();
    out.resize(n);
    const QChar* units = text.constData();
    qreal position = 0;
    int placed = 0;
    for (qsizetype i = 0; i < n; ++i) {
        char32_t ucs4 = units[i].unicode();
        int count = 1;
        if (units[i].isHighSurrogate() && i + 1 < n && units[i + 1].isLowSurrogate()) {
            ucs4 = QChar::surrogateToUcs4(units[i], units[i + 1]);
            count = 2;
        }
        position += CharAdvance(ucs4, text, i, count);
        const int rounded = static_cast<int>(std::lround(position));
        out[i] = rounded - placed;
        placed = rounded;
        if (count == 2) {
            out[++i] = 0;
        }
    }
}

int Measurer::Width(const QString& text) {
    Advances dx;
    AdvancesOf(text, dx);
    int width = 0;
    for (const int d : dx) {
        width += d;
    }
    return width;
}

const DrawFont& DrawFontFor(const FontSpec& spec) {
    // A small per-thread cache: resolving a raw font costs a font-database walk.
    struct Entry {
        FontSpec Spec;
        DrawFont Font;
    };
    thread_local std::list<Entry> cache;
    for (auto it = cache.begin(); it != cache.end(); ++it) {
        if (it->Spec == spec) {
            if (it != cache.begin()) {
                cache.splice(cache.begin(), cache, it);
            }
            return cache.front().Font;
        }
    }
    if (cache.size() >= 32) {
        cache.pop_back();
    }
    Entry entry;
    entry.Spec = spec;
    entry.Font.Font = MakeFont(spec);
    entry.Font.Raw = QRawFont::fromFont(entry.Font.Font);
    const QImage device = MeasureDevice(96);
    const Vertical v = VerticalOf(QFontMetricsF(entry.Font.Font, &device));
    entry.Font.Ascent = v.Ascent;
    entry.Font.Height = v.Height;
    cache.push_front(std::move(entry));
    return cache.front().Font;
}

void Draw(QPainter& painter, const DrawFont& font, QPointF origin, const QString& text, const int* dx,
          bool underline, bool strikeOut) {
    const qsizetype n = text.size();
    if (n == 0 || !font.Raw.isValid()) {
        return;
    }
    QVarLengthArray<quint32, 128> glyphs;
    QVarLengthArray<QPointF, 128> positions;
    glyphs.reserve(n);
    positions.reserve(n);
    const QChar* units = text.constData();
    qreal x = origin.x();
    bool simple = true;
    for (qsizetype i = 0; i < n; ++i) {
        if (units[i].isSurrogate()) {
            simple = false;
            break;
        }
    }
    if (simple) {
        glyphs.resize(n);
        int found = static_cast<int>(n);
        if (!font.Raw.glyphIndexesForChars(units, static_cast<int>(n), glyphs.data(), &found) || found != n) {
            return;
        }
        positions.resize(n);
        for (qsizetype i = 0; i < n; ++i) {
            positions[i] = QPointF(x, origin.y());
            x += dx[i];
        }
    } else {
        for (qsizetype i = 0; i < n; ++i) {
            int count = 1;
            if (units[i].isHighSurrogate() && i + 1 < n && units[i + 1].isLowSurrogate()) {
                count = 2;
            }
            quint32 glyph = 0;
            int found = 1;
            if (font.Raw.glyphIndexesForChars(units + i, count, &glyph, &found) && found >= 1) {
                glyphs.append(glyph);
                positions.append(QPointF(x, origin.y()));
            }
            for (int k = 0; k < count; ++k) {
                x += dx[i + k];
            }
            i += count - 1;
        }
    }
    QGlyphRun run;
    run.setRawFont(font.Raw);
    run.setRawData(glyphs.constData(), positions.constData(), static_cast<int>(glyphs.size()));
    run.setUnderline(underline);
    run.setStrikeOut(strikeOut);
    painter.drawGlyphRun(QPointF(0, 0), run);
}

}  // namespace quorin::textrun
