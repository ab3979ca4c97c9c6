#include "report_engine/canvas/TQREmfRecorder.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QtEndian>
#include <cstring>
#include <optional>
#include <vector>

#include "report_engine/canvas/QREmfFormat.h"
#include "report_engine/canvas/QRTextRun.h"

namespace quorin {

using namespace emf;

namespace {

// Live objects kept per kind; a page that alternates between a few fonts or
// pens selects the existing object again instead of creating one.
constexpr int kObjectsPerKind = 4;
constexpr int kHeaderRecordSize = 108;
constexpr int kDeviceWidth = kRecorderDeviceWidth;
constexpr int kDeviceHeight = kRecorderDeviceHeight;

enum Kind { kFont = 0, kPen = 1, kBrush = 2, kKinds = 3 };

uint32_t ColorRef(const QColor& color) {
    const QRgb rgb = color.rgb();
    return static_cast<uint32_t>(qRed(rgb)) | (static_cast<uint32_t>(qGreen(rgb)) << 8) |
           (static_cast<uint32_t>(qBlue(rgb)) << 16);
}

uint32_t PenStyleCode(TQRPenStyle style) {
    switch (style) {
        case TQRPenStyle::psSolid:
            return PS_SOLID;
        case TQRPenStyle::psDash:
            return PS_DASH;
        case TQRPenStyle::psDot:
            return PS_DOT;
        case TQRPenStyle::psDashDot:
            return PS_DASHDOT;
        case TQRPenStyle::psDashDotDot:
            return PS_DASHDOTDOT;
        case TQRPenStyle::psClear:
            return PS_NULL;
    }
    return PS_SOLID;
}

uint32_t U(int value) {
    return static_cast<uint32_t>(value);
}

struct ObjectKey {
    Kind kind = kFont;
    textrun::FontDesc font;
    uint32_t a = 0, b = 0;  // pen: style, width; brush: style
    uint32_t color = 0;

    bool operator==(const ObjectKey& o) const {
        return kind == o.kind && a == o.a && b == o.b && color == o.color && (kind != kFont || font == o.font);
    }
};

struct Slot {
    bool live = false;
    ObjectKey key;
    uint64_t lastUse = 0;
};

// What the recording's device context holds at the current record. Zero
// selections and ~0 values mean "not written yet".
struct DcState {
    uint32_t selected[kKinds] = {0, 0, 0};
    uint32_t textAlign = ~0u;
    uint32_t bkMode = ~0u;
    uint32_t textColor = ~0u;
    uint32_t bkColor = ~0u;
};

}  // namespace

struct TQREmfRecorder::Impl {
    QSize page;
    int dpi;
    QByteArray records;
    uint32_t recordCount = 0;
    textrun::Measurer measurer;
    textrun::Advances dx;
    std::vector<Slot> slots;  // handle = index + 1
    DcState dc;
    std::optional<DcState> saved;
    uint64_t tick = 0;
    // MoveTo is written just before the LineTo that uses it, after the pen:
    // readers that gather a path from MOVETOEX and LINETO records lose it when
    // object records come in between.
    std::optional<QPoint> pendingMove;

    Impl(QSize pagePixels, int dotsPerInch)
        : page(pagePixels.expandedTo(QSize(1, 1))), dpi(dotsPerInch > 0 ? dotsPerInch : 96), measurer(dpi) {
        records.reserve(16384);
    }

    void Put(const uint32_t* words, int count) {
        records.append(reinterpret_cast<const char*>(words), count * 4);
        ++recordCount;
    }

    template <size_t N>
    void Record(const uint32_t (&words)[N]) {
        uint32_t out[N];
        for (size_t i = 0; i < N; ++i) {
            out[i] = qToLittleEndian(words[i]);
        }
        Put(out, static_cast<int>(N));
    }

    void Simple(uint32_t type, uint32_t value) { Record({type, 12u, value}); }

    // ---- objects
    uint32_t FindSlotFor(const ObjectKey& key) const {
        for (size_t i = 0; i < slots.size(); ++i) {
            if (slots[i].live && slots[i].key == key) {
                return static_cast<uint32_t>(i + 1);
            }
        }
        return 0;
    }

    bool Protected(uint32_t handle, Kind kind) const {
        return dc.selected[kind] == handle || (saved && saved->selected[kind] == handle);
    }

    void SelectHandle(Kind kind, uint32_t handle) {
        if (dc.selected[kind] == handle) {
            return;
        }
        Simple(EMR_SELECTOBJECT, handle);
        dc.selected[kind] = handle;
    }

    void Select(const ObjectKey& key) {
        const Kind kind = key.kind;
        const uint32_t current = dc.selected[kind];
        if (current != 0 && (current & STOCK_OBJECT) == 0 && slots[current - 1].key == key) {
            slots[current - 1].lastUse = ++tick;
            return;
        }
        if (const uint32_t existing = FindSlotFor(key)) {
            slots[existing - 1].lastUse = ++tick;
            SelectHandle(kind, existing);
            return;
        }
        int live = 0;
        uint32_t oldest = 0;
        for (size_t i = 0; i < slots.size(); ++i) {
            const uint32_t handle = static_cast<uint32_t>(i + 1);
            if (!slots[i].live || slots[i].key.kind != kind) {
                continue;
            }
            ++live;
            if (!Protected(handle, kind) && (oldest == 0 || slots[i].lastUse < slots[oldest - 1].lastUse)) {
                oldest = handle;
            }
        }
        if (live >= kObjectsPerKind && oldest != 0) {
            Simple(EMR_DELETEOBJECT, oldest);
            slots[oldest - 1].live = false;
        }
        uint32_t handle = 0;
        for (size_t i = 0; i < slots.size(); ++i) {
            if (!slots[i].live) {
                handle = static_cast<uint32_t>(i + 1);
                break;
            }
        }
        if (handle == 0) {
            slots.emplace_back();
            handle = static_cast<uint32_t>(slots.size());
        }
        slots[handle - 1] = Slot{true, key, ++tick};
        Create(handle, key);
        SelectHandle(kind, handle);
    }

    void Create(uint32_t handle, const ObjectKey& key) {
        switch (key.kind) {
            case kPen:
                Record({EMR_CREATEPEN, 28u, handle, key.a, key.b, 0u, key.color});
                break;
            case kBrush:
                Record({EMR_CREATEBRUSHINDIRECT, 24u, handle, key.a, key.color, 0u});
                break;
            case kFont:
                CreateFont(handle, key.font);
                break;
            default:
                break;
        }
    }

    void CreateFont(uint32_t handle, const textrun::FontDesc& desc) {
        constexpr int kSize = 12 + kLogFontPanoseSize;
        char bytes[kSize];
        std::memset(bytes, 0, sizeof bytes);
        auto put = [&bytes](int offset, uint32_t value) { qToLittleEndian<uint32_t>(value, bytes + offset); };
        put(0, EMR_EXTCREATEFONTINDIRECTW);
        put(4, kSize);
        put(8, handle);
        put(12, U(-desc.PixelSize));  // negative: the character height
        put(28, U(desc.Weight));
        bytes[32] = desc.Italic ? 1 : 0;
        bytes[33] = desc.Underline ? 1 : 0;
        bytes[34] = desc.StrikeOut ? 1 : 0;
        bytes[35] = static_cast<char>(desc.Charset & 0xFF);
        const int faceLength = std::min<int>(static_cast<int>(desc.Face.size()), 31);
        for (int i = 0; i < faceLength; ++i) {
            qToLittleEndian<uint16_t>(desc.Face.at(i).unicode(), bytes + 40 + 2 * i);
        }
        records.append(bytes, kSize);
        ++recordCount;
    }

    void UseFont(const textrun::FontDesc& desc) {
        ObjectKey key;
        key.kind = kFont;
        key.font = desc;
        Select(key);
    }

    void UsePen(const TQRPen& pen) {
        const uint32_t style = PenStyleCode(pen.Style);
        if (style == PS_NULL) {
            SelectHandle(kPen, STOCK_OBJECT | NULL_PEN);
            return;
        }
        ObjectKey key;
        key.kind = kPen;
        key.a = style;
        key.b = U(std::max(0, pen.Width));
        key.color = ColorRef(pen.Color);
        Select(key);
    }

    void UseBrush(const TQRBrush& brush) {
        if (brush.Style == TQRBrushStyle::bsClear) {
            SelectHandle(kBrush, STOCK_OBJECT | NULL_BRUSH);
            return;
        }
        ObjectKey key;
        key.kind = kBrush;
        key.a = BS_SOLID;
        key.color = ColorRef(brush.Color);
        Select(key);
    }

    void SetState(uint32_t& field, uint32_t type, uint32_t value) {
        if (field != value) {
            Simple(type, value);
            field = value;
        }
    }

    void Box(uint32_t type, int x1, int y1, int x2, int y2) { Record({type, 24u, U(x1), U(y1), U(x2), U(y2)}); }

    void Text(int x, int y, const QString& text, TAlignment align, bool transparent, const QColor& bkColor,
              const TQRFont& font) {
        const textrun::FontDesc desc = textrun::DescOf(font, dpi);
        measurer.SetFont(desc);
        measurer.AdvancesOf(text, dx);
        int width = 0;
        for (const int d : dx) {
            width += d;
        }
        UseFont(desc);
        SetState(dc.textColor, EMR_SETTEXTCOLOR, ColorRef(font.Color));
        const uint32_t alignBits = align == TAlignment::taRightJustify ? TA_RIGHT
                                   : align == TAlignment::taCenter     ? TA_CENTER
                                                                       : 0u;
        SetState(dc.textAlign, EMR_SETTEXTALIGN, alignBits);
        SetState(dc.bkMode, EMR_SETBKMODE, transparent ? TRANSPARENT : OPAQUE);
        if (!transparent) {
            SetState(dc.bkColor, EMR_SETBKCOLOR, ColorRef(bkColor));
        }
        const int left = align == TAlignment::taRightJustify ? x - width
                         : align == TAlignment::taCenter     ? x - width / 2
                                                             : x;
        const int n = static_cast<int>(text.size());
        const int stringBytes = (n * 2 + 3) / 4 * 4;
        const int size = kExtTextOutFixed + stringBytes + n * 4;
        const qsizetype start = records.size();
        records.resize(start + size);
        char* p = records.data() + start;
        std::memset(p, 0, kExtTextOutFixed + stringBytes);
        auto put = [p](int offset, uint32_t value) { qToLittleEndian<uint32_t>(value, p + offset); };
        const int bottom = y + measurer.Height();
        put(0, EMR_EXTTEXTOUTW);
        put(4, U(size));
        put(8, U(left));
        put(12, U(y));
        put(16, U(left + width - 1));
        put(20, U(bottom - 1));
        put(24, GM_COMPATIBLE);
        // exScale and eyScale stay 0.0
        put(36, U(x));
        put(40, U(y));
        put(44, U(n));
        put(48, kExtTextOutFixed);
        put(52, 0);  // options: the background mode decides about the cell
        put(56, U(left));
        put(60, U(y));
        put(64, U(left + width));
        put(68, U(bottom));
        put(72, U(kExtTextOutFixed + stringBytes));
        const QChar* units = text.constData();
        for (int i = 0; i < n; ++i) {
            qToLittleEndian<uint16_t>(units[i].unicode(), p + kExtTextOutFixed + 2 * i);
        }
        char* advances = p + kExtTextOutFixed + stringBytes;
        for (int i = 0; i < n; ++i) {
            qToLittleEndian<uint32_t>(U(dx[i]), advances + 4 * i);
        }
        ++recordCount;
    }

    void Picture(const QRect& rect, const QImage& picture) {
        // The bitmap record carries no transparency: what is see-through in
        // the picture shows white, as on paper.
        QImage bitmap(picture.size(), QImage::Format_RGB32);
        bitmap.fill(Qt::white);
        {
            QPainter painter(&bitmap);
            painter.drawImage(0, 0, picture);
        }
        const int w = bitmap.width();
        const int h = bitmap.height();
        const qint64 bitsSize = qint64(w) * h * 4;
        const qint64 size = kStretchDibitsFixed + kBitmapInfoHeaderSize + bitsSize;
        if (size > std::numeric_limits<int32_t>::max() / 2) {
            return;
        }
        const qsizetype start = records.size();
        records.resize(start + size);
        char* p = records.data() + start;
        std::memset(p, 0, kStretchDibitsFixed + kBitmapInfoHeaderSize);
        auto put = [p](int offset, uint32_t value) { qToLittleEndian<uint32_t>(value, p + offset); };
        put(0, EMR_STRETCHDIBITS);
        put(4, U(size));
        put(8, U(rect.left()));
        put(12, U(rect.top()));
        put(16, U(rect.left() + rect.width() - 1));
        put(20, U(rect.top() + rect.height() - 1));
        put(24, U(rect.left()));
        put(28, U(rect.top()));
        put(32, 0);
        put(36, 0);
        put(40, U(w));
        put(44, U(h));
        put(48, kStretchDibitsFixed);
        put(52, kBitmapInfoHeaderSize);
        put(56, kStretchDibitsFixed + kBitmapInfoHeaderSize);
        put(60, U(bitsSize));
        put(64, DIB_RGB_COLORS);
        put(68, SRCCOPY);
        put(72, U(rect.width()));
        put(76, U(rect.height()));
        char* info = p + kStretchDibitsFixed;
        qToLittleEndian<uint32_t>(kBitmapInfoHeaderSize, info);
        qToLittleEndian<uint32_t>(U(w), info + 4);
        qToLittleEndian<uint32_t>(U(h), info + 8);  // positive: bottom-up rows
        qToLittleEndian<uint16_t>(1, info + 12);
        qToLittleEndian<uint16_t>(32, info + 14);
        qToLittleEndian<uint32_t>(U(bitsSize), info + 20);
        char* bits = info + kBitmapInfoHeaderSize;
        for (int row = 0; row < h; ++row) {
            const uchar* line = bitmap.constScanLine(h - 1 - row);
            char* out = bits + qint64(row) * w * 4;
            const auto* pixels = reinterpret_cast<const QRgb*>(line);
            for (int x = 0; x < w; ++x) {
                const QRgb c = pixels[x];
                out[4 * x] = static_cast<char>(qBlue(c));
                out[4 * x + 1] = static_cast<char>(qGreen(c));
                out[4 * x + 2] = static_cast<char>(qRed(c));
                out[4 * x + 3] = 0;
            }
        }
        ++recordCount;
    }

    void RestoreClip() {
        if (saved) {
            Record({EMR_RESTOREDC, 12u, U(-1)});
            dc = *saved;
            saved.reset();
        }
    }

    QByteArray Complete() {
        RestoreClip();
        // Stock objects in, then every object we created out: nothing stays
        // behind in the handle table.
        SelectHandle(kFont, STOCK_OBJECT | DEFAULT_GUI_FONT);
        SelectHandle(kPen, STOCK_OBJECT | BLACK_PEN);
        SelectHandle(kBrush, STOCK_OBJECT | WHITE_BRUSH);
        for (size_t i = 0; i < slots.size(); ++i) {
            if (slots[i].live) {
                Simple(EMR_DELETEOBJECT, static_cast<uint32_t>(i + 1));
                slots[i].live = false;
            }
        }
        Record({EMR_EOF, 20u, 0u, 16u, 20u});

        const auto hundredthsMm = [this](int pixels) {
            return static_cast<int>(std::lround(pixels * 2540.0 / dpi));
        };
        const auto micrometers = [this](int pixels) {
            return static_cast<int>(std::lround(pixels * 25400.0 / dpi));
        };
        QByteArray bytes(kHeaderRecordSize, '\0');
        char* h = bytes.data();
        auto put = [h](int offset, uint32_t value) { qToLittleEndian<uint32_t>(value, h + offset); };
        put(0, EMR_HEADER);
        put(4, kHeaderRecordSize);
        put(8, 0);
        put(12, 0);
        put(16, U(page.width() - 1));
        put(20, U(page.height() - 1));
        put(24, 0);
        put(28, 0);
        put(32, U(hundredthsMm(page.width()) - 1));
        put(36, U(hundredthsMm(page.height()) - 1));
        put(40, TQRPageRecording::Signature);
        put(44, 0x10000);
        put(48, U(kHeaderRecordSize + records.size()));
        put(52, recordCount + 1);
        qToLittleEndian<uint16_t>(static_cast<uint16_t>(slots.size() + 1), h + 56);
        put(72, kDeviceWidth);
        put(76, kDeviceHeight);
        put(80, U((micrometers(kDeviceWidth) + 500) / 1000));
        put(84, U((micrometers(kDeviceHeight) + 500) / 1000));
        put(100, U(micrometers(kDeviceWidth)));
        put(104, U(micrometers(kDeviceHeight)));
        bytes.append(records);

        records.clear();
        records.reserve(16384);
        recordCount = 0;
        slots.clear();
        dc = DcState();
        saved.reset();
        pendingMove.reset();
        return bytes;
    }
};

TQREmfRecorder::TQREmfRecorder(QSize pagePixels, int dotsPerInch)
    : d(std::make_unique<Impl>(pagePixels, dotsPerInch)) {}

TQREmfRecorder::~TQREmfRecorder() = default;

int TQREmfRecorder::DotsPerInch() const {
    return d->dpi;
}

void TQREmfRecorder::TextOut(int x, int y, const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    d->Text(x, y, text, TextAlign, TransparentBackground, Brush.Color, Font);
}

int TQREmfRecorder::TextWidth(const QString& text) {
    d->measurer.SetFont(textrun::DescOf(Font, d->dpi));
    return d->measurer.Width(text);
}

int TQREmfRecorder::TextHeight(const QString&) {
    d->measurer.SetFont(textrun::DescOf(Font, d->dpi));
    return d->measurer.Height();
}

void TQREmfRecorder::FillRect(const QRect& rect) {
    if (Brush.Style == TQRBrushStyle::bsClear || rect.width() <= 0 || rect.height() <= 0) {
        return;
    }
    // A rectangle whose one-pixel outline has the brush's colour covers
    // exactly the rectangle, at any playback scale.
    TQRPen pen;
    pen.Color = Brush.Color;
    pen.Width = 1;
    d->UsePen(pen);
    d->UseBrush(Brush);
    d->Box(EMR_RECTANGLE, rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height());
}

void TQREmfRecorder::Rectangle(int x1, int y1, int x2, int y2) {
    d->UsePen(Pen);
    d->UseBrush(Brush);
    d->Box(EMR_RECTANGLE, x1, y1, x2, y2);
}

void TQREmfRecorder::Ellipse(int x1, int y1, int x2, int y2) {
    d->UsePen(Pen);
    d->UseBrush(Brush);
    d->Box(EMR_ELLIPSE, x1, y1, x2, y2);
}

void TQREmfRecorder::RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) {
    d->UsePen(Pen);
    d->UseBrush(Brush);
    d->Record({EMR_ROUNDRECT, 32u, U(x1), U(y1), U(x2), U(y2), U(cornerWidth), U(cornerHeight)});
}

void TQREmfRecorder::MoveTo(int x, int y) {
    d->pendingMove = QPoint(x, y);
}

void TQREmfRecorder::LineTo(int x, int y) {
    d->UsePen(Pen);
    if (d->pendingMove) {
        d->Record({EMR_MOVETOEX, 16u, U(d->pendingMove->x()), U(d->pendingMove->y())});
        d->pendingMove.reset();
    }
    d->Record({EMR_LINETO, 16u, U(x), U(y)});
}

void TQREmfRecorder::SetClipRect(const QRect& rect) {
    if (!d->saved) {
        d->Record({EMR_SAVEDC, 8u});
        d->saved = d->dc;
    }
    d->Box(EMR_INTERSECTCLIPRECT, rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height());
}

void TQREmfRecorder::ResetClip() {
    d->RestoreClip();
}

void TQREmfRecorder::StretchDraw(const QRect& rect, const QImage& picture) {
    if (picture.isNull() || rect.isEmpty()) {
        return;
    }
    d->Picture(rect, picture);
}

TQRPageRecording TQREmfRecorder::Finish() {
    return TQRPageRecording(d->Complete());
}

int TQREmfRecorder::ScreenDotsPerInch() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const int dpi = qRound(screen->logicalDotsPerInchY());
            if (dpi > 0) {
                return dpi;
            }
        }
    }
    return 96;
}

}  // namespace quorin
