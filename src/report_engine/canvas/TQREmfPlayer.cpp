#include "report_engine/canvas/TQREmfPlayer.h"

#include <algorithm>

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "report_engine/canvas/QREmfFormat.h"
#include "report_engine/canvas/QREmfRead.h"
#include "report_engine/canvas/QRGdiPaint.h"
#include "report_engine/canvas/QRTextRun.h"

namespace quorin {

using namespace emf;

namespace {

// Bounds on what a recording may make us hold, whatever it declares.
constexpr uint32_t kMaxObjects = 16384;
constexpr int kMaxSaveDepth = 256;
constexpr qint64 kMaxDibPixels = 40'000'000;
constexpr int kMaxDibSide = 32768;
constexpr qreal kMaxCoordinate = 1 << 24;

QColor FromColorRef(uint32_t ref) {
    return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF),
                  static_cast<int>((ref >> 16) & 0xFF));
}

qreal Coord(int32_t v) {
    return std::clamp<qreal>(v, -kMaxCoordinate, kMaxCoordinate);
}

enum class ObjType { None, Pen, Brush, Font };

struct Object {
    ObjType type = ObjType::None;
    QPen pen;
    QBrush brush;
    textrun::FontDesc font;
};

struct Dc {
    QPen pen = gdipaint::MakePen(PS_SOLID, 0, Qt::black);
    QBrush brush = QBrush(Qt::white);
    textrun::FontDesc font;
    uint32_t textAlign = 0;
    uint32_t bkMode = OPAQUE;
    QColor textColor = Qt::black;
    QColor bkColor = Qt::white;
    Qt::FillRule fillRule = Qt::OddEvenFill;
    uint32_t mapMode = MM_TEXT;
    QPointF windowOrg, viewportOrg;
    QSizeF windowExt{1, 1}, viewportExt{1, 1};
    QPointF position;
};


QImage DecodeDib(const Record& r, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits, uint32_t cbBits,
                 uint32_t usage) {
    if (!r.Fits(offBmi, 1, kBitmapInfoHeaderSize) || cbBmi < kBitmapInfoHeaderSize || !r.Fits(offBits, cbBits, 1)) {
        return {};
    }
    const uint32_t headerSize = r.U32(offBmi);
    const int32_t width = r.I32(offBmi + 4);
    const int32_t rawHeight = r.I32(offBmi + 8);
    const uint16_t bitCount = r.U16(offBmi + 14);
    const uint32_t compression = r.U32(offBmi + 16);
    const uint32_t colorsUsed = r.U32(offBmi + 32);
    if (headerSize < kBitmapInfoHeaderSize || width <= 0 || rawHeight == 0 ||
        rawHeight == std::numeric_limits<int32_t>::min() || compression != 0) {
        return {};
    }
    const bool topDown = rawHeight < 0;
    const int height = std::abs(rawHeight);
    if (width > kMaxDibSide || height > kMaxDibSide || qint64(width) * height > kMaxDibPixels) {
        return {};
    }
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) {
        return {};
    }
    const qint64 stride = (qint64(width) * bitCount + 31) / 32 * 4;
    if (stride * height > cbBits) {
        return {};
    }
    QList<QRgb> palette;
    if (bitCount <= 8) {
        uint32_t colors = colorsUsed == 0 ? (1u << bitCount) : std::min<uint32_t>(colorsUsed, 1u << bitCount);
        const uint64_t paletteAt = uint64_t(offBmi) + headerSize;
        if (!r.Fits(paletteAt, colors, 4)) {
            return {};
        }
        for (uint32_t i = 0; i < colors; ++i) {
            const uint32_t entry = r.U32(static_cast<uint32_t>(paletteAt + 4 * i));
            palette.append(usage == DIB_RGB_COLORS ? qRgb((entry >> 16) & 0xFF, (entry >> 8) & 0xFF, entry & 0xFF)
                                                   : qRgb(i & 0xFF, i & 0xFF, i & 0xFF));
        }
        while (palette.size() < (1 << bitCount)) {
            palette.append(qRgb(0, 0, 0));
        }
    }
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    const auto* bits = reinterpret_cast<const uchar*>(r.p + offBits);
    for (int y = 0; y < height; ++y) {
        const uchar* line = bits + stride * (topDown ? y : height - 1 - y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            switch (bitCount) {
                case 32:
                case 24: {
                    const uchar* px = line + x * (bitCount / 8);
                    out[x] = qRgb(px[2], px[1], px[0]);
                    break;
                }
                case 16: {
                    const uint16_t v = static_cast<uint16_t>(line[2 * x] | (line[2 * x + 1] << 8));
                    out[x] = qRgb(((v >> 10) & 31) * 255 / 31, ((v >> 5) & 31) * 255 / 31, (v & 31) * 255 / 31);
                    break;
                }
                case 8:
                    out[x] = palette[line[x]];
                    break;
                case 4:
                    out[x] = palette[(line[x / 2] >> (x % 2 ? 0 : 4)) & 0xF];
                    break;
                case 1:
                    out[x] = palette[(line[x / 8] >> (7 - x % 8)) & 1];
                    break;
                default:
                    break;
            }
        }
    }
    return image;
}

// The part of the device a recording covers (device units): its bounds or, without them, its
// frame; empty when it has neither.
QRectF SourceOf(const Record& header) {
    QRectF source(QPointF(header.I32(8), header.I32(12)), QPointF(header.I32(16) + 1.0, header.I32(20) + 1.0));
    const QSizeF deviceSize(header.I32(72), header.I32(76));
    const QSizeF deviceMm(header.I32(80), header.I32(84));
    if (!(source.width() > 0 && source.height() > 0) && deviceMm.width() > 0 && deviceMm.height() > 0) {
        // No bounds: the frame (0.01 mm) in device pixels.
        const qreal sx = deviceSize.width() / (deviceMm.width() * 100.0);
        const qreal sy = deviceSize.height() / (deviceMm.height() * 100.0);
        source = QRectF(QPointF(header.I32(24) * sx, header.I32(28) * sy),
                        QPointF((header.I32(32) + 1.0) * sx, (header.I32(36) + 1.0) * sy));
    }
    return source.width() > 0 && source.height() > 0 ? source : QRectF();
}

// From the recording's device units into target.
QTransform DeviceTransform(const QRectF& source, const QRectF& target) {
    return QTransform::fromTranslate(-source.left(), -source.top()) *
           QTransform::fromScale(target.width() / source.width(), target.height() / source.height()) *
           QTransform::fromTranslate(target.left(), target.top());
}

class Player {
  public:
    Player(QPainter& painter, const Record& header, const QRectF& target)
        : painter_(painter), outer_(painter.worldTransform()) {
        const QRectF source = SourceOf(header);
        deviceSize_ = QSizeF(header.I32(72), header.I32(76));
        deviceMm_ = QSizeF(header.I32(80), header.I32(84));
        // A finer copy made for export (QREmfScale) has a device k times the recorder's.
        const int32_t deviceWidth = header.I32(72);
        if (deviceWidth > kRecorderDeviceWidth && deviceWidth % kRecorderDeviceWidth == 0) {
            penUnit_ = std::min(deviceWidth / kRecorderDeviceWidth, 64);
        }
        if (source.isEmpty() || !target.isValid()) {
            valid_ = false;
            return;
        }
        device_ = DeviceTransform(source, target);
        painter_.save();
        painter_.setClipRect(target, painter_.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        painter_.setRenderHint(QPainter::Antialiasing, false);
        painter_.setRenderHint(QPainter::TextAntialiasing, true);
        painter_.setRenderHint(QPainter::SmoothPixmapTransform, true);
        ApplyTransform();
    }

    ~Player() {
        if (valid_) {
            for (int i = 0; i < depth_; ++i) {
                painter_.restore();
            }
            painter_.restore();
        }
    }

    bool Valid() const { return valid_; }

    void Play(const Record& r);

  private:
    void ApplyTransform() {
        QTransform logical;
        const qreal pxPerMm = deviceMm_.width() > 0 && deviceSize_.width() > 0
                                  ? deviceSize_.width() / deviceMm_.width()
                                  : 96 / 25.4;
        const qreal pyPerMm = deviceMm_.height() > 0 && deviceSize_.height() > 0
                                  ? deviceSize_.height() / deviceMm_.height()
                                  : 96 / 25.4;
        qreal sx = 1, sy = 1;
        switch (dc_.mapMode) {
            case MM_ISOTROPIC:
            case MM_ANISOTROPIC:
                if (dc_.windowExt.width() != 0 && dc_.windowExt.height() != 0) {
                    sx = dc_.viewportExt.width() / dc_.windowExt.width();
                    sy = dc_.viewportExt.height() / dc_.windowExt.height();
                }
                break;
            case 2:  // 0.1 mm, y up
                sx = pxPerMm / 10, sy = -pyPerMm / 10;
                break;
            case 3:  // 0.01 mm
                sx = pxPerMm / 100, sy = -pyPerMm / 100;
                break;
            case 4:  // 0.01 inch
                sx = pxPerMm * 0.254, sy = -pyPerMm * 0.254;
                break;
            case 5:  // 0.001 inch
                sx = pxPerMm * 0.0254, sy = -pyPerMm * 0.0254;
                break;
            case 6:  // twips
                sx = pxPerMm * 25.4 / 1440, sy = -pyPerMm * 25.4 / 1440;
                break;
            default:
                break;
        }
        logical = QTransform::fromTranslate(-dc_.windowOrg.x(), -dc_.windowOrg.y()) * QTransform::fromScale(sx, sy) *
                  QTransform::fromTranslate(dc_.viewportOrg.x(), dc_.viewportOrg.y());
        painter_.setWorldTransform(logical * device_ * outer_);
    }

    Object* ObjectAt(uint32_t handle) {
        if (handle == 0 || handle >= objects_.size()) {
            return nullptr;
        }
        return &objects_[handle];
    }

    void Select(uint32_t handle) {
        if (handle & STOCK_OBJECT) {
            switch (handle & 0x7FFFFFFF) {
                case WHITE_BRUSH:
                    dc_.brush = QBrush(Qt::white);
                    break;
                case LTGRAY_BRUSH:
                    dc_.brush = QBrush(QColor(192, 192, 192));
                    break;
                case GRAY_BRUSH:
                    dc_.brush = QBrush(QColor(128, 128, 128));
                    break;
                case DKGRAY_BRUSH:
                    dc_.brush = QBrush(QColor(64, 64, 64));
                    break;
                case BLACK_BRUSH:
                    dc_.brush = QBrush(Qt::black);
                    break;
                case NULL_BRUSH:
                    dc_.brush = QBrush(Qt::NoBrush);
                    break;
                case WHITE_PEN:
                    dc_.pen = gdipaint::MakePen(PS_SOLID, 0, Qt::white);
                    break;
                case BLACK_PEN:
                    dc_.pen = gdipaint::MakePen(PS_SOLID, 0, Qt::black);
                    break;
                case NULL_PEN:
                    dc_.pen = QPen(Qt::NoPen);
                    break;
                default:
                    if ((handle & 0x7FFFFFFF) >= 10 && (handle & 0x7FFFFFFF) <= 17) {
                        dc_.font = textrun::FontDesc{QStringLiteral("Arial")};
                    }
                    break;
            }
            return;
        }
        const Object* object = ObjectAt(handle);
        if (!object) {
            return;
        }
        switch (object->type) {
            case ObjType::Pen:
                dc_.pen = object->pen;
                break;
            case ObjType::Brush:
                dc_.brush = object->brush;
                break;
            case ObjType::Font:
                dc_.font = object->font;
                break;
            case ObjType::None:
                break;
        }
    }

    Object* NewObject(uint32_t handle) {
        if (handle == 0 || handle >= kMaxObjects) {
            return nullptr;
        }
        if (handle >= objects_.size()) {
            objects_.resize(handle + 1);
        }
        objects_[handle] = Object();
        return &objects_[handle];
    }

    void UseShapeTools() {
        painter_.setPen(dc_.pen);
        painter_.setBrush(dc_.brush);
    }

    QPolygonF Points(const Record& r, uint32_t offset, uint32_t count, bool small) {
        QPolygonF points;
        points.reserve(static_cast<qsizetype>(count));
        for (uint32_t i = 0; i < count; ++i) {
            if (small) {
                points.append(QPointF(r.I16(offset + 4 * i) + 0.5, r.I16(offset + 4 * i + 2) + 0.5));
            } else {
                points.append(
                    QPointF(Coord(r.I32(offset + 8 * i)) + 0.5, Coord(r.I32(offset + 8 * i + 4)) + 0.5));
            }
        }
        return points;
    }

    void Poly(const Record& r, bool small);
    void PolyPoly(const Record& r, bool small);
    void Text(const Record& r, bool wide);
    void StretchDib(const Record& r);

    QPainter& painter_;
    QTransform outer_;
    QTransform device_;
    QSizeF deviceSize_, deviceMm_;
    int penUnit_ = 1;  // logical units in a pixel of the recorder's device
    bool valid_ = true;
    Dc dc_;
    std::vector<Dc> saved_;
    int depth_ = 0;
    std::vector<Object> objects_;
};

void Player::Poly(const Record& r, bool small) {
    if (!r.Has(28)) {
        return;
    }
    const uint32_t count = r.U32(24);
    if (!r.Fits(28, count, small ? 4 : 8) || count == 0) {
        return;
    }
    QPolygonF points = Points(r, 28, count, small);
    const QPointF start = dc_.position + QPointF(0.5, 0.5);
    UseShapeTools();
    switch (r.type) {
        case EMR_POLYGON:
        case EMR_POLYGON16:
            painter_.drawPolygon(points, dc_.fillRule);
            break;
        case EMR_POLYLINE:
        case EMR_POLYLINE16:
            painter_.drawPolyline(points);
            break;
        case EMR_POLYLINETO:
        case EMR_POLYLINETO16:
            points.prepend(start);
            painter_.drawPolyline(points);
            dc_.position = points.last() - QPointF(0.5, 0.5);
            break;
        case EMR_POLYBEZIER:
        case EMR_POLYBEZIER16:
        case EMR_POLYBEZIERTO:
        case EMR_POLYBEZIERTO16: {
            const bool to = r.type == EMR_POLYBEZIERTO || r.type == EMR_POLYBEZIERTO16;
            if (to) {
                points.prepend(start);
            }
            QPainterPath path(points.first());
            for (qsizetype i = 1; i + 2 < points.size(); i += 3) {
                path.cubicTo(points[i], points[i + 1], points[i + 2]);
            }
            painter_.setBrush(Qt::NoBrush);
            painter_.drawPath(path);
            if (to) {
                dc_.position = path.currentPosition() - QPointF(0.5, 0.5);
            }
            break;
        }
        default:
            break;
    }
}

void Player::PolyPoly(const Record& r, bool small) {
    if (!r.Has(32)) {
        return;
    }
    const uint32_t polys = r.U32(24);
    const uint32_t total = r.U32(28);
    if (!r.Fits(32, polys, 4)) {
        return;
    }
    const uint32_t pointsAt = 32 + polys * 4;
    if (!r.Fits(pointsAt, total, small ? 4 : 8)) {
        return;
    }
    const bool polygon = r.type == EMR_POLYPOLYGON || r.type == EMR_POLYPOLYGON16;
    QPainterPath path;
    path.setFillRule(dc_.fillRule);
    uint32_t used = 0;
    for (uint32_t k = 0; k < polys; ++k) {
        const uint32_t n = r.U32(32 + 4 * k);
        if (n > total - used) {
            break;
        }
        const QPolygonF points = Points(r, pointsAt + used * (small ? 4 : 8), n, small);
        used += n;
        if (points.isEmpty()) {
            continue;
        }
        if (polygon) {
            path.addPolygon(points);
            path.closeSubpath();
        } else {
            path.addPolygon(points);
        }
    }
    UseShapeTools();
    if (!polygon) {
        painter_.setBrush(Qt::NoBrush);
    }
    painter_.drawPath(path);
}

void Player::Text(const Record& r, bool wide) {
    uint32_t n = 0;
    const QString text = TextOf(r, wide, n);
    if (n == 0) {
        return;
    }
    const uint32_t options = r.U32(52);
    const uint32_t offDx = r.U32(72);
    const bool pairs = (options & 0x2000) != 0;  // ETO_PDY: x and y advance per character
    textrun::Advances dx;
    const textrun::DrawFont& font = textrun::DrawFontFor(dc_.font);
    if (offDx != 0 && r.Fits(offDx, uint64_t(n) * (pairs ? 2 : 1), 4)) {
        dx.resize(n);
        for (uint32_t i = 0; i < n; ++i) {
            const int32_t d = r.I32(offDx + 4 * i * (pairs ? 2 : 1));
            dx[i] = static_cast<int>(std::clamp<int32_t>(d, -(1 << 20), 1 << 20));
        }
    } else {
        thread_local textrun::Measurer measurer;
        measurer.SetFont(dc_.font);
        measurer.AdvancesOf(text, dx);
    }
    qreal width = 0;
    for (const int d : dx) {
        width += d;
    }
    QPointF reference(Coord(r.I32(36)), Coord(r.I32(40)));
    if (dc_.textAlign & TA_UPDATECP) {
        reference = dc_.position;
    }
    qreal left = reference.x();
    switch (dc_.textAlign & TA_CENTER) {
        case TA_CENTER:
            left -= width / 2;
            break;
        case TA_RIGHT:
            left -= width;
            break;
        default:
            break;
    }
    qreal top = reference.y();
    switch (dc_.textAlign & TA_BASELINE) {
        case TA_BASELINE:
            top -= font.Ascent;
            break;
        case TA_BOTTOM:
            top -= font.Height;
            break;
        default:
            break;
    }
    if (dc_.textAlign & TA_UPDATECP) {
        dc_.position = QPointF((dc_.textAlign & TA_CENTER) == TA_RIGHT ? left : left + width, dc_.position.y());
    }
    const QRectF clip(QPointF(Coord(r.I32(56)), Coord(r.I32(60))), QPointF(Coord(r.I32(64)), Coord(r.I32(68))));
    if (options & ETO_OPAQUE) {
        painter_.fillRect(clip, dc_.bkColor);
    }
    const bool clipped = (options & ETO_CLIPPED) != 0;
    if (clipped) {
        painter_.save();
        painter_.setClipRect(clip, Qt::IntersectClip);
    }
    if (dc_.bkMode == OPAQUE) {
        painter_.fillRect(QRectF(left, top, width, font.Height), dc_.bkColor);
    }
    painter_.setPen(dc_.textColor);
    textrun::Draw(painter_, font, QPointF(left, top + font.Ascent), text, dx.constData(), dc_.font.Underline,
                  dc_.font.StrikeOut);
    if (clipped) {
        painter_.restore();
    }
}

void Player::StretchDib(const Record& r) {
    if (!r.Has(kStretchDibitsFixed)) {
        return;
    }
    const QImage image = DecodeDib(r, r.U32(48), r.U32(52), r.U32(56), r.U32(60), r.U32(64));
    if (image.isNull()) {
        return;
    }
    const int64_t xSrc = r.I32(32), ySrc = r.I32(36), cxSrc = r.I32(40), cySrc = r.I32(44);
    const bool topDown = r.I32(r.U32(48) + 8) < 0;
    // Hostile values must not overflow on the way to a rectangle; real ones are far inside this range.
    const auto bounded = [](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, -(1 << 24), 1 << 24)); };
    QRect source(bounded(xSrc), bounded(topDown ? ySrc : image.height() - ySrc - cySrc), bounded(cxSrc),
                 bounded(cySrc));
    source = source.intersected(image.rect());
    if (source.isEmpty()) {
        return;
    }
    const QRectF dest(Coord(r.I32(24)), Coord(r.I32(28)), Coord(r.I32(72)), Coord(r.I32(76)));
    if (dest.width() == 0 || dest.height() == 0) {
        return;
    }
    painter_.drawImage(dest.normalized(), image, source);
}

void Player::Play(const Record& r) {
    switch (r.type) {
        case EMR_EXTCREATEFONTINDIRECTW:
            if (r.Has(12 + kLogFontSize)) {
                if (Object* o = NewObject(r.U32(8))) {
                    o->type = ObjType::Font;
                    o->font = FontFromLogFont(r, 12);
                }
            }
            break;
        case EMR_CREATEPEN:
            if (r.Has(28)) {
                if (Object* o = NewObject(r.U32(8))) {
                    o->type = ObjType::Pen;
                    const int width = std::clamp<int32_t>(r.I32(16), 0, 32767);
                    const uint32_t style = r.U32(12);
                    // A styled pen's pattern counts pixels of the recorder's device.
                    o->pen = gdipaint::DashPattern(style).isEmpty() || penUnit_ == 1
                                 ? gdipaint::MakePen(style, width, FromColorRef(r.U32(24)))
                                 : gdipaint::MakePen(style, width / penUnit_, FromColorRef(r.U32(24)), penUnit_);
                }
            }
            break;
        case EMR_CREATEBRUSHINDIRECT:
            if (r.Has(24)) {
                if (Object* o = NewObject(r.U32(8))) {
                    o->type = ObjType::Brush;
                    // Hatched brushes fill solid in their colour.
                    o->brush = r.U32(12) == BS_NULL ? QBrush(Qt::NoBrush) : QBrush(FromColorRef(r.U32(16)));
                }
            }
            break;
        case EMR_SELECTOBJECT:
            if (r.Has(12)) {
                Select(r.U32(8));
            }
            break;
        case EMR_DELETEOBJECT:
            if (r.Has(12)) {
                if (Object* o = ObjectAt(r.U32(8))) {
                    *o = Object();
                }
            }
            break;
        case EMR_SETTEXTALIGN:
            if (r.Has(12)) {
                dc_.textAlign = r.U32(8);
            }
            break;
        case EMR_SETBKMODE:
            if (r.Has(12)) {
                dc_.bkMode = r.U32(8);
            }
            break;
        case EMR_SETTEXTCOLOR:
            if (r.Has(12)) {
                dc_.textColor = FromColorRef(r.U32(8));
            }
            break;
        case EMR_SETBKCOLOR:
            if (r.Has(12)) {
                dc_.bkColor = FromColorRef(r.U32(8));
            }
            break;
        case EMR_SETPOLYFILLMODE:
            if (r.Has(12)) {
                dc_.fillRule = r.U32(8) == WINDING ? Qt::WindingFill : Qt::OddEvenFill;
            }
            break;
        case EMR_SETMAPMODE:
            if (r.Has(12)) {
                dc_.mapMode = r.U32(8);
                ApplyTransform();
            }
            break;
        case EMR_SETWINDOWEXTEX:
        case EMR_SETVIEWPORTEXTEX:
            if (r.Has(16) && r.I32(8) != 0 && r.I32(12) != 0) {
                const QSizeF extent(Coord(r.I32(8)), Coord(r.I32(12)));
                (r.type == EMR_SETWINDOWEXTEX ? dc_.windowExt : dc_.viewportExt) = extent;
                ApplyTransform();
            }
            break;
        case EMR_SETWINDOWORGEX:
        case EMR_SETVIEWPORTORGEX:
            if (r.Has(16)) {
                const QPointF origin(Coord(r.I32(8)), Coord(r.I32(12)));
                (r.type == EMR_SETWINDOWORGEX ? dc_.windowOrg : dc_.viewportOrg) = origin;
                ApplyTransform();
            }
            break;
        case EMR_EXTTEXTOUTW:
        case EMR_EXTTEXTOUTA:
            Text(r, r.type == EMR_EXTTEXTOUTW);
            break;
        case EMR_RECTANGLE:
        case EMR_ELLIPSE:
            if (r.Has(24)) {
                UseShapeTools();
                const qreal x1 = Coord(r.I32(8)), y1 = Coord(r.I32(12)), x2 = Coord(r.I32(16)), y2 = Coord(r.I32(20));
                if (r.type == EMR_RECTANGLE) {
                    gdipaint::Rectangle(painter_, x1, y1, x2, y2);
                } else {
                    gdipaint::Ellipse(painter_, x1, y1, x2, y2);
                }
            }
            break;
        case EMR_ROUNDRECT:
            if (r.Has(32)) {
                UseShapeTools();
                gdipaint::RoundRect(painter_, Coord(r.I32(8)), Coord(r.I32(12)), Coord(r.I32(16)), Coord(r.I32(20)),
                                    Coord(r.I32(24)), Coord(r.I32(28)));
            }
            break;
        case EMR_MOVETOEX:
            if (r.Has(16)) {
                dc_.position = QPointF(Coord(r.I32(8)), Coord(r.I32(12)));
            }
            break;
        case EMR_LINETO:
            if (r.Has(16)) {
                const QPointF to(Coord(r.I32(8)), Coord(r.I32(12)));
                painter_.setPen(dc_.pen);
                gdipaint::Line(painter_, dc_.position.x(), dc_.position.y(), to.x(), to.y());
                dc_.position = to;
            }
            break;
        case EMR_INTERSECTCLIPRECT:
            if (r.Has(24)) {
                const QRectF clip(QPointF(Coord(r.I32(8)), Coord(r.I32(12))),
                                  QPointF(Coord(r.I32(16)), Coord(r.I32(20))));
                painter_.setClipRect(clip.normalized(), Qt::IntersectClip);
            }
            break;
        case EMR_SAVEDC:
            if (depth_ < kMaxSaveDepth) {
                painter_.save();
                saved_.push_back(dc_);
                ++depth_;
            }
            break;
        case EMR_RESTOREDC:
            if (r.Has(12)) {
                const int levels = static_cast<int>(RestoreLevels(r.I32(8), depth_));
                for (int i = 0; i < levels; ++i) {
                    painter_.restore();
                    dc_ = saved_.back();
                    saved_.pop_back();
                    --depth_;
                }
            }
            break;
        case EMR_POLYGON:
        case EMR_POLYLINE:
        case EMR_POLYBEZIER:
        case EMR_POLYBEZIERTO:
        case EMR_POLYLINETO:
            Poly(r, false);
            break;
        case EMR_POLYGON16:
        case EMR_POLYLINE16:
        case EMR_POLYBEZIER16:
        case EMR_POLYBEZIERTO16:
        case EMR_POLYLINETO16:
            Poly(r, true);
            break;
        case EMR_POLYPOLYGON:
        case EMR_POLYPOLYLINE:
            PolyPoly(r, false);
            break;
        case EMR_POLYPOLYGON16:
        case EMR_POLYPOLYLINE16:
            PolyPoly(r, true);
            break;
        case EMR_STRETCHDIBITS:
            StretchDib(r);
            break;
        default:
            break;  // records we do not draw
    }
}

}  // namespace

void TQREmfPlayer::Play(const QByteArray& emf, QPainter& painter, const QRectF& target) {
    Walker walker(emf);
    if (!walker.Valid() || !painter.isActive()) {
        return;
    }
    Player player(painter, walker.Header(), target);
    if (!player.Valid()) {
        return;
    }
    walker.Next();  // the header
    while (const std::optional<Record> r = walker.Next()) {
        player.Play(*r);
    }
}

QList<TQREmfPlayer::TextRecord> TQREmfPlayer::Texts(const QByteArray& emf) {
    QList<TextRecord> texts;
    Walker walker(emf);
    while (const std::optional<Record> r = walker.Next()) {
        if (r->type != EMR_EXTTEXTOUTW && r->type != EMR_EXTTEXTOUTA) {
            continue;
        }
        uint32_t n = 0;
        QString text = TextOf(*r, r->type == EMR_EXTTEXTOUTW, n);
        if (n == 0) {
            continue;
        }
        TextRecord record{std::move(text), QPointF(r->I32(36), r->I32(40)), {}, {}};
        // The bounds (inclusive, device units); (0, 0, -1, -1) or all zero when not given.
        const int32_t left = r->I32(8), top = r->I32(12), right = r->I32(16), bottom = r->I32(20);
        if (right >= left && bottom >= top && (left | top | right | bottom) != 0) {
            record.Bounds =
                QRectF(QPointF(Coord(left), Coord(top)), QPointF(Coord(right) + 1.0, Coord(bottom) + 1.0));
        }
        const uint32_t offDx = r->U32(72);
        const bool pairs = (r->U32(52) & 0x2000) != 0;  // ETO_PDY: x and y advance per character
        if (offDx != 0 && r->Fits(offDx, uint64_t(n) * (pairs ? 2 : 1), 4)) {
            record.Advances.resize(n);
            for (uint32_t i = 0; i < n; ++i) {
                const int32_t d = r->I32(offDx + 4 * i * (pairs ? 2 : 1));
                record.Advances[i] = std::clamp<int32_t>(d, -(1 << 20), 1 << 20);
            }
        }
        texts.append(std::move(record));
    }
    return texts;
}

QTransform TQREmfPlayer::DeviceToTarget(const QByteArray& emf, const QRectF& target) {
    Walker walker(emf);
    if (!walker.Valid() || !target.isValid()) {
        return {};
    }
    const QRectF source = SourceOf(walker.Header());
    return source.isEmpty() ? QTransform() : DeviceTransform(source, target);
}

}  // namespace quorin
