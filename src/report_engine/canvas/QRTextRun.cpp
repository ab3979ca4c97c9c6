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

// The measurements of one font shape (face, size, weight, slant).
struct FontTable {
    FontSpec Shape;
    QFont Font;
    std::optional<QFontMetricsF> Metrics;
    std::array<qreal, 256> Latin{};
    std::array<bool, 256> LatinKnown{};
    QHash<char32_t, qreal> Others;
    int Ascent = 0;
    int Height = 0;
    qreal UnderlinePos = 1;
    qreal StrikeOutPos = 3;
    qreal LineWidth = 1;

    qreal Advance(char32_t ucs4, const QChar* units, int count) {
        if (ucs4 < 256) {
            if (!LatinKnown[ucs4]) {
                Latin[ucs4] = Metrics->horizontalAdvance(QChar(static_cast<char16_t>(ucs4)));
                LatinKnown[ucs4] = true;
            }
            return Latin[ucs4];
        }
        const auto found = Others.constFind(ucs4);
        if (found != Others.constEnd()) {
            return *found;
        }
        const qreal advance = count == 1 ? Metrics->horizontalAdvance(units[0])
                                         : Metrics->horizontalAdvance(QString(units, count));
        if (Others.size() < 4096) {
            Others.insert(ucs4, advance);
        }
        return advance;
    }
};

namespace {

FontSpec ShapeOf(const FontSpec& spec) {
    FontSpec shape = spec;
    shape.Underline = false;  // decorations change no advance
    shape.StrikeOut = false;
    shape.Charset = 0;
    return shape;
}

std::shared_ptr<FontTable> TableFor(const FontSpec& spec) {
    thread_local std::list<std::shared_ptr<FontTable>> tables;
    const FontSpec shape = ShapeOf(spec);
    for (auto it = tables.begin(); it != tables.end(); ++it) {
        if ((*it)->Shape == shape) {
            if (it != tables.begin()) {
                tables.splice(tables.begin(), tables, it);
            }
            return tables.front();
        }
    }
    if (tables.size() >= 32) {
        tables.pop_back();
    }
    auto table = std::make_shared<FontTable>();
    table->Shape = shape;
    table->Font = MakeFont(shape);
    const QImage device = MeasureDevice(96);  // pixel-sized fonts measure alike at any resolution
    table->Metrics.emplace(table->Font, &device);
    const Vertical v = VerticalOf(*table->Metrics);
    table->Ascent = v.Ascent;
    table->Height = v.Height;
    table->UnderlinePos = table->Metrics->underlinePos();
    table->StrikeOutPos = table->Metrics->strikeOutPos();
    table->LineWidth = std::max<qreal>(1, table->Metrics->lineWidth());
    tables.push_front(table);
    return table;
}

}  // namespace

Measurer::Measurer(int) {}

Measurer::~Measurer() = default;

void Measurer::SetFont(const FontSpec& spec) {
    if (hasFont_ && spec == spec_) {
        return;
    }
    const bool sameShape = hasFont_ && spec.Face == spec_.Face && spec.PixelSize == spec_.PixelSize &&
                           spec.Weight == spec_.Weight && spec.Italic == spec_.Italic;
    spec_ = spec;
    hasFont_ = true;
    if (!sameShape) {
        table_ = TableFor(spec);
    }
}

int Measurer::Height() const {
    return table_ ? table_->Height : 0;
}

int Measurer::Ascent() const {
    return table_ ? table_->Ascent : 0;
}

void Measurer::AdvancesOf(const QString& text, Advances& out) {
    if (!hasFont_) {
        SetFont(FontSpec{QStringLiteral("Arial")});
    }
    FontTable& table = *table_;
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
        position += table.Advance(ucs4, units + i, count);
        const int rounded = static_cast<int>(std::floor(position + 0.5));
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
    const std::shared_ptr<FontTable> table = TableFor(spec);
    entry.Font.Ascent = table->Ascent;
    entry.Font.Height = table->Height;
    entry.Font.UnderlinePos = table->UnderlinePos;
    entry.Font.StrikeOutPos = table->StrikeOutPos;
    entry.Font.LineWidth = table->LineWidth;
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
    painter.drawGlyphRun(QPointF(0, 0), run);
    // Decorations span exactly the advances.
    if (underline || strikeOut) {
        const qreal width = x - origin.x();
        const QColor color = painter.pen().color();
        if (underline) {
            painter.fillRect(QRectF(origin.x(), origin.y() + font.UnderlinePos, width, font.LineWidth), color);
        }
        if (strikeOut) {
            painter.fillRect(QRectF(origin.x(), origin.y() - font.StrikeOutPos, width, font.LineWidth), color);
        }
    }
}

}  // namespace quorin::textrun
