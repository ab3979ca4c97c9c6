#include "report_engine/canvas/QRTextRun.h"

#include <QGlyphRun>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
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

size_t qHash(const FontDesc& desc, size_t seed) {
    return qHashMulti(seed, desc.Face, desc.PixelSize, desc.Weight, desc.Italic, desc.Underline, desc.StrikeOut);
}

FontDesc DescOf(const TQRFont& font, int dotsPerInch) {
    FontDesc desc;
    desc.Face = font.Name;
    desc.PixelSize = font.Height != 0 ? std::abs(font.Height)
                                      : static_cast<int>(std::lround(font.Size * dotsPerInch / 72.0));
    desc.PixelSize = std::clamp(desc.PixelSize, 1, kMaxPixelSize);
    desc.Weight = font.Bold ? 700 : 400;
    desc.Italic = font.Italic;
    desc.Underline = font.Underline;
    desc.StrikeOut = font.StrikeOut;
    desc.Charset = font.Charset;
    return desc;
}

QFont MakeFont(const FontDesc& desc) {
    QFont font(desc.Face.isEmpty() ? QStringLiteral("Arial") : desc.Face);
    font.setPixelSize(std::clamp(desc.PixelSize, 1, kMaxPixelSize));
    font.setWeight(static_cast<QFont::Weight>(std::clamp(desc.Weight == 0 ? 400 : desc.Weight, 1, 1000)));
    font.setItalic(desc.Italic);
    font.setUnderline(desc.Underline);
    font.setStrikeOut(desc.StrikeOut);
    // Advances are summed character by character, so no kerning or shaping may
    // change them between measuring and drawing.
    font.setKerning(false);
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

namespace {

bool IsBidiOrMark(QChar c) {
    switch (c.direction()) {
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirRLI:
        case QChar::DirFSI:
            return true;
        default:
            break;
    }
    switch (c.category()) {
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
            return true;
        default:
            return false;
    }
}

// Text whose glyphs Qt's layout joins, reorders or stacks (right-to-left scripts,
// combining marks beyond the Latin ones): measured as laid out, not letter by letter.
bool LaidOutAsAWhole(const QChar* units, qsizetype n) {
    for (qsizetype i = 0; i < n; ++i) {
        if (units[i].unicode() >= 0x0590 && !units[i].isSurrogate() && IsBidiOrMark(units[i])) {
            return true;
        }
    }
    return false;
}

}  // namespace

// The measurements of one font shape (face, size, weight, slant).
struct FontTable {
    FontDesc Shape;
    QFont Font;
    std::optional<QFontMetricsF> Metrics;
    std::optional<QFontMetricsF> ShapedMetrics;
    std::array<qreal, 256> Latin{};
    std::array<bool, 256> LatinKnown{};
    QHash<char32_t, qreal> Others;
    int Ascent = 0;
    int Height = 0;
    qreal UnderlinePos = 1;
    qreal StrikeOutPos = 3;
    qreal LineWidth = 1;

    // The width Qt's layout gives the text, with shaping and font fallback.
    qreal LaidOutWidth(const QString& text) {
        if (!ShapedMetrics) {
            QFont shaped = Font;
            shaped.setStyleStrategy(QFont::PreferDefault);
            const QImage device(1, 1, QImage::Format_RGB32);
            ShapedMetrics.emplace(shaped, &device);
        }
        return ShapedMetrics->horizontalAdvance(text);
    }

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

FontDesc ShapeOf(const FontDesc& desc) {
    FontDesc shape = desc;
    shape.Underline = false;  // decorations change no advance
    shape.StrikeOut = false;
    shape.Charset = 0;
    return shape;
}

std::shared_ptr<FontTable> TableFor(const FontDesc& desc) {
    thread_local std::list<std::shared_ptr<FontTable>> tables;
    const FontDesc shape = ShapeOf(desc);
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

void Measurer::SetFont(const FontDesc& desc) {
    if (hasFont_ && desc == desc_) {
        return;
    }
    const bool sameShape = hasFont_ && desc.Face == desc_.Face && desc.PixelSize == desc_.PixelSize &&
                           desc.Weight == desc_.Weight && desc.Italic == desc_.Italic;
    desc_ = desc;
    hasFont_ = true;
    if (!sameShape) {
        table_ = TableFor(desc);
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
        SetFont(FontDesc{QStringLiteral("Arial")});
    }
    FontTable& table = *table_;
    const qsizetype n = text.size();
    out.resize(n);
    const QChar* units = text.constData();
    // Joined or reordered text keeps the width of its layout, shared out in
    // proportion to the letters' own advances.
    qreal scale = 1;
    if (LaidOutAsAWhole(units, n)) {
        qreal natural = 0;
        for (qsizetype i = 0; i < n; ++i) {
            const bool pair = units[i].isHighSurrogate() && i + 1 < n && units[i + 1].isLowSurrogate();
            natural += pair ? table.Advance(QChar::surrogateToUcs4(units[i], units[i + 1]), units + i, 2)
                            : table.Advance(units[i].unicode(), units + i, 1);
            i += pair ? 1 : 0;
        }
        const qreal laidOut = table.LaidOutWidth(text);
        if (natural > 0 && laidOut > 0) {
            scale = laidOut / natural;
        }
    }
    qreal position = 0;
    int placed = 0;
    for (qsizetype i = 0; i < n; ++i) {
        char32_t ucs4 = units[i].unicode();
        int count = 1;
        if (units[i].isHighSurrogate() && i + 1 < n && units[i + 1].isLowSurrogate()) {
            ucs4 = QChar::surrogateToUcs4(units[i], units[i + 1]);
            count = 2;
        }
        position += table.Advance(ucs4, units + i, count) * scale;
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

namespace {

// The font's own positions of text's glyphs stretched onto dx's total; see FinePositions.
bool Fit(FontTable& table, QStringView text, const int* dx, Positions& out) {
    const qsizetype n = text.size();
    out.resize(n + 1);
    const QChar* units = text.constData();
    qreal natural = 0;
    for (qsizetype i = 0; i < n; ++i) {
        out[i] = natural;
        char32_t ucs4 = units[i].unicode();
        int count = 1;
        if (units[i].isHighSurrogate() && i + 1 < n && units[i + 1].isLowSurrogate()) {
            ucs4 = QChar::surrogateToUcs4(units[i], units[i + 1]);
            count = 2;
        }
        natural += table.Advance(ucs4, units + i, count);
        if (count == 2) {
            out[++i] = natural;
        }
    }
    out[n] = natural;
    qint64 total = 0;
    for (qsizetype i = 0; i < n; ++i) {
        total += dx[i];
    }
    if (n == 0 || !(natural > 0) || total <= 0) {
        out.clear();
        return false;
    }
    // Rounding each running sum leaves every glyph within half a unit of the font's
    // position, and the stretch moves it by at most half a unit more.
    constexpr qreal kTolerance = 1.0 + 1e-6;
    const qreal stretch = qreal(total) / natural;
    qint64 recorded = 0;
    for (qsizetype i = 0; i <= n; ++i) {
        out[i] *= stretch;
        if (std::abs(out[i] - qreal(recorded)) > kTolerance) {
            out.clear();
            return false;
        }
        if (i < n) {
            recorded += dx[i];
        }
    }
    out[n] = qreal(total);
    return true;
}

// Text that glyphs of the raw font, one after the other, cannot show: a character
// beyond it, beyond the basic plane, written right to left or combined with its
// neighbour.
bool NeedsShaping(const QChar* units, qsizetype n, const quint32* glyphs) {
    for (qsizetype i = 0; i < n; ++i) {
        if (glyphs[i] == 0 && units[i].unicode() >= 0x20) {
            return true;
        }
        const char16_t u = units[i].unicode();
        if (u >= 0x0300 && (units[i].isSurrogate() || IsBidiOrMark(units[i]))) {
            return true;
        }
    }
    return false;
}

// How glyphs of `pixels` pixels go onto the painter's device. The glyph cache
// renders each glyph as a bitmap at its device size and fails on sizes or
// stretches far outside what text is drawn at (a recording may map its units
// however it likes): such text is filled as outlines, or not drawn at all when
// it would be absurdly large.
enum class TGlyphDrawing { Cached, Outlines, None };

TGlyphDrawing GlyphDrawingFor(const QTransform& t, qreal pixels) {
    const qreal sx = std::hypot(t.m11(), t.m12()) * pixels;
    const qreal sy = std::hypot(t.m21(), t.m22()) * pixels;
    const qreal large = std::max(sx, sy);
    const qreal small = std::min(sx, sy);
    if (!(large <= 20000)) {
        return TGlyphDrawing::None;
    }
    return large <= 256 && large <= 2 * small + 2 ? TGlyphDrawing::Cached : TGlyphDrawing::Outlines;
}

// Lets Qt lay the text out with font fallback and bidirectional order, and fits the
// line into width (the recorded advances' sum) with its baseline at origin.
void DrawShaped(QPainter& painter, const DrawFont& font, QPointF origin, const QString& text, qreal width) {
    QTextLayout layout(text, font.Shaped);
    QTextOption option(Qt::AlignLeft | Qt::AlignAbsolute);
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (!line.isValid()) {
        layout.endLayout();
        return;
    }
    line.setLineWidth(std::numeric_limits<int>::max() / 4);
    layout.endLayout();
    const qreal natural = line.naturalTextWidth();
    qreal stretch = 1;
    if (natural > 0 && width > 0) {
        stretch = std::clamp(width / natural, 0.25, 4.0);
    }
    painter.save();
    painter.translate(origin);
    painter.scale(stretch, 1);
    const QPointF at(-line.x(), -line.ascent());
    // The stretch counts too: the fallback fonts' glyphs are cached at the stretched size.
    switch (GlyphDrawingFor(painter.combinedTransform(), font.Font.pixelSize())) {
        case TGlyphDrawing::Cached:
            layout.draw(&painter, at);
            break;
        case TGlyphDrawing::Outlines: {
            QPainterPath outlines;
            for (const QGlyphRun& run : layout.glyphRuns()) {
                const QRawFont raw = run.rawFont();
                const QList<quint32> glyphs = run.glyphIndexes();
                const QList<QPointF> positions = run.positions();
                for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i) {
                    outlines.addPath(raw.pathForGlyph(glyphs[i]).translated(positions[i] + at));
                }
            }
            painter.fillPath(outlines, painter.pen().color());
            break;
        }
        case TGlyphDrawing::None:
            break;
    }
    painter.restore();
}

}  // namespace

bool FinePositions(const FontDesc& desc, QStringView text, const int* dx, Positions& out) {
    const std::shared_ptr<FontTable> table = TableFor(desc);
    return Fit(*table, text, dx, out);
}

std::shared_ptr<FontTable> TableOf(const FontDesc& desc) { return TableFor(desc); }

bool FinePositions(FontTable& table, QStringView text, const int* dx, Positions& out) {
    return Fit(table, text, dx, out);
}

const DrawFont& DrawFontFor(const FontDesc& desc) {
    // A small per-thread cache: resolving a raw font costs a font-database walk.
    struct Entry {
        FontDesc Desc;
        DrawFont Font;
    };
    thread_local std::list<Entry> cache;
    for (auto it = cache.begin(); it != cache.end(); ++it) {
        if (it->Desc == desc) {
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
    entry.Desc = desc;
    entry.Font.Font = MakeFont(desc);
    entry.Font.Raw = QRawFont::fromFont(entry.Font.Font);
    entry.Font.Shaped = MakeFont(ShapeOf(desc));
    entry.Font.Shaped.setStyleStrategy(QFont::PreferDefault);
    const std::shared_ptr<FontTable> table = TableFor(desc);
    entry.Font.Table = table;
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
    const TGlyphDrawing drawing = GlyphDrawingFor(painter.combinedTransform(), font.Font.pixelSize());
    if (drawing == TGlyphDrawing::None) {
        return;
    }
    qint64 total = 0;
    for (qsizetype i = 0; i < n; ++i) {
        total += dx[i];
    }
    const qreal width = qreal(total);
    QVarLengthArray<quint32, 128> glyphs(n);
    const QChar* units = text.constData();
    int found = static_cast<int>(n);
    if (!font.Raw.glyphIndexesForChars(units, static_cast<int>(n), glyphs.data(), &found) || found != n ||
        NeedsShaping(units, n, glyphs.constData())) {
        DrawShaped(painter, font, origin, text, width);
    } else {
        Positions fine;
        const bool even = font.Table && Fit(*font.Table, text, dx, fine);
        QVarLengthArray<QPointF, 128> positions(n);
        qreal x = 0;
        for (qsizetype i = 0; i < n; ++i) {
            positions[i] = QPointF(origin.x() + (even ? fine[i] : x), origin.y());
            x += dx[i];
        }
        if (drawing == TGlyphDrawing::Cached) {
            QGlyphRun run;
            run.setRawFont(font.Raw);
            run.setRawData(glyphs.constData(), positions.constData(), static_cast<int>(n));
            painter.drawGlyphRun(QPointF(0, 0), run);
        } else {
            QPainterPath outlines;
            for (qsizetype i = 0; i < n; ++i) {
                outlines.addPath(font.Raw.pathForGlyph(glyphs[i]).translated(positions[i]));
            }
            painter.fillPath(outlines, painter.pen().color());
        }
    }
    // Decorations span exactly the advances.
    if (underline || strikeOut) {
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
