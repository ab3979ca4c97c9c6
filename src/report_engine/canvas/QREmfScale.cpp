#include "report_engine/canvas/QREmfScale.h"

#include <QHash>
#include <QVarLengthArray>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "report_engine/canvas/QRByteSink.h"
#include "report_engine/canvas/QREmfRead.h"

namespace quorin::emfscale {

using namespace emf;

namespace {

constexpr uint32_t ETO_PDY = 0x2000;

// std::llround without the library call: halves away from zero.
int64_t Round(double v) {
    if (!(std::abs(v) < 0x1p52)) return std::llround(v);
    auto whole = static_cast<int64_t>(v);  // toward zero
    const double part = v - static_cast<double>(whole);  // exact below 2^52
    if (part >= 0.5) ++whole;
    else if (part <= -0.5) --whole;
    return whole;
}

int32_t Clamp32(int64_t v) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

void Put(char* bytes, uint32_t offset, int64_t value) {
    qToLittleEndian<int32_t>(Clamp32(value), bytes + offset);
}

// A font as the page creates it, its measurements looked up at its first text.
struct Font {
    textrun::FontDesc desc;
    std::shared_ptr<textrun::FontTable> table;

    textrun::FontTable& Table() {
        if (!table) table = textrun::TableOf(desc);
        return *table;
    }
};

// What the device context holds that decides how a record scales.
struct State {
    Font* font = nullptr;  // none: the stock font
    bool nullPen = false;
};

// One coarse pixel becomes k x k fine ones. Text cells, pictures and clips are
// areas: their corners scale. Outlines and lines run through pixel centres with
// a pen k times wider, so they cover the same coarse pixels as before.
class Scaler {
  public:
    explicit Scaler(int k) : k_(k) {}

    int64_t Corner(int64_t c) const { return c * k_; }
    int64_t Inclusive(int64_t c) const { return (c + 1) * k_ - 1; }
    int64_t Centre(int64_t c) const { return c * k_ + k_ / 2; }
    // An exclusive edge of an outlined box: one past the centre of its last pixel.
    int64_t ExclusiveCentre(int64_t c) const { return (c - 1) * k_ + k_ / 2 + 1; }
    // A box without an outline fills up to one pixel before its exclusive edges.
    int64_t ExclusiveFill(int64_t c) const { return (c - 1) * k_ + 1; }
    int64_t Length(int64_t l) const { return l * k_; }
    int K() const { return k_; }

  private:
    int k_;
};

class Rescale {
  public:
    // The scaled page goes into out, header first.
    Rescale(int k, const Record& header, qsizetype expected, QByteArray& out) : s_(k), out_(out, expected) {
        out_.Append(header.p, static_cast<qsizetype>(header.size));
    }

    // False for a record this does not know how to scale.
    bool Add(const Record& r) {
        switch (r.type) {
            case EMR_EXTCREATEFONTINDIRECTW: {
                if (!r.Has(12 + kLogFontSize)) return false;
                fontsMade_.push_back(std::make_unique<Font>(Font{FontFromLogFont(r, 12), {}}));
                fonts_.insert(r.U32(8), fontsMade_.back().get());
                char* b = Copy(r);
                Put(b, 12, s_.Length(r.I32(12)));
                Put(b, 16, s_.Length(r.I32(16)));
                return true;
            }
            case EMR_CREATEPEN: {
                if (!r.Has(28)) return false;
                pens_.insert(r.U32(8), (r.U32(12) & 0xF) == PS_NULL);
                Put(Copy(r), 16, s_.Length(r.I32(16)));
                return true;
            }
            case EMR_SELECTOBJECT:
                if (!r.Has(12)) return false;
                Select(r.U32(8));
                break;
            case EMR_CREATEBRUSHINDIRECT:
            case EMR_DELETEOBJECT:
            case EMR_SETTEXTALIGN:
            case EMR_SETBKMODE:
            case EMR_SETTEXTCOLOR:
            case EMR_SETBKCOLOR:
            case EMR_SETPOLYFILLMODE:
            case EMR_EOF:
                break;
            case EMR_SAVEDC:
                saved_.push_back(dc_);
                break;
            case EMR_RESTOREDC: {
                if (!r.Has(12)) return false;
                const int64_t levels = RestoreLevels(r.I32(8), static_cast<int64_t>(saved_.size()));
                for (int64_t i = 0; i < levels; ++i) {
                    dc_ = saved_.back();
                    saved_.pop_back();
                }
                break;
            }
            case EMR_RECTANGLE:
            case EMR_ELLIPSE:
            case EMR_ROUNDRECT:
                if (!r.Has(r.type == EMR_ROUNDRECT ? 32 : 24)) return false;
                Box(r, Copy(r));
                return true;
            case EMR_INTERSECTCLIPRECT: {
                if (!r.Has(24)) return false;
                char* b = Copy(r);
                for (uint32_t at = 8; at <= 20; at += 4) Put(b, at, s_.Corner(r.I32(at)));
                return true;
            }
            case EMR_MOVETOEX: {
                if (!r.Has(16)) return false;
                position_ = {r.I32(8), r.I32(12)};
                char* b = Copy(r);
                Put(b, 8, s_.Centre(position_[0]));
                Put(b, 12, s_.Centre(position_[1]));
                return true;
            }
            case EMR_LINETO:
                if (!r.Has(16)) return false;
                Line(r);
                return true;
            case EMR_POLYLINE:
            case EMR_POLYGON:
            case EMR_POLYLINE16:
            case EMR_POLYGON16:
                return Poly(r);
            case EMR_POLYPOLYLINE:
            case EMR_POLYPOLYLINE16:
                return PolyPoly(r);
            case EMR_EXTTEXTOUTW:
                return Text(r);
            case EMR_STRETCHDIBITS: {
                if (!r.Has(kStretchDibitsFixed)) return false;
                char* b = Copy(r);
                Bounds(b, r, 8);
                Put(b, 24, s_.Corner(r.I32(24)));
                Put(b, 28, s_.Corner(r.I32(28)));
                Put(b, 72, s_.Length(r.I32(72)));
                Put(b, 76, s_.Length(r.I32(76)));
                return true;
            }
            default:
                return false;
        }
        Copy(r);
        return true;
    }

    // The header in front of the records scaled and counting them; false when
    // the page grew past what a metafile can say.
    bool Finish(const Record& header) {
        out_.Done();
        if (out_.Size() > std::numeric_limits<int32_t>::max()) return false;
        char* h = out_.At(0);
        Bounds(h, header, 8);
        Put(h, 72, s_.Length(header.I32(72)));
        Put(h, 76, s_.Length(header.I32(76)));
        qToLittleEndian<uint32_t>(static_cast<uint32_t>(out_.Size()), h + 48);
        qToLittleEndian<uint32_t>(records_ + 1, h + 52);
        return true;
    }

  private:
    // Room for a record of size bytes at the end, counted: where it starts,
    // valid until the next record.
    char* Space(qsizetype size) {
        ++records_;
        return out_.Space(size);
    }
    // The record as it is, to be scaled in place.
    char* Copy(const Record& r) {
        char* b = Space(static_cast<qsizetype>(r.size));
        std::memcpy(b, r.p, r.size);
        return b;
    }

    // An inclusive rectangle (left, top, right, bottom) at offset; left empty when unset.
    void Bounds(char* b, const Record& r, uint32_t at) const {
        const int32_t left = r.I32(at), top = r.I32(at + 4), right = r.I32(at + 8), bottom = r.I32(at + 12);
        if (right < left || bottom < top) return;
        Put(b, at, s_.Corner(left));
        Put(b, at + 4, s_.Corner(top));
        Put(b, at + 8, s_.Inclusive(right));
        Put(b, at + 12, s_.Inclusive(bottom));
    }

    void Select(uint32_t handle) {
        if (handle & STOCK_OBJECT) {
            const uint32_t which = handle & 0x7FFFFFFF;
            if (which == NULL_PEN) dc_.nullPen = true;
            if (which == WHITE_PEN || which == BLACK_PEN) dc_.nullPen = false;
            if (which >= 10 && which <= 17) dc_.font = nullptr;
            return;
        }
        if (const auto font = fonts_.constFind(handle); font != fonts_.constEnd()) dc_.font = *font;
        if (const auto pen = pens_.constFind(handle); pen != pens_.constEnd()) dc_.nullPen = *pen;
    }

    void Box(const Record& r, char* b) const {
        const int64_t x1 = r.I32(8), y1 = r.I32(12), x2 = r.I32(16), y2 = r.I32(20);
        const bool ordered = x1 <= x2 && y1 <= y2;
        if (dc_.nullPen && ordered) {
            Put(b, 8, s_.Corner(x1));
            Put(b, 12, s_.Corner(y1));
            Put(b, 16, s_.ExclusiveFill(x2));
            Put(b, 20, s_.ExclusiveFill(y2));
        } else if (ordered) {
            Put(b, 8, s_.Centre(x1));
            Put(b, 12, s_.Centre(y1));
            Put(b, 16, s_.ExclusiveCentre(x2));
            Put(b, 20, s_.ExclusiveCentre(y2));
        } else {
            for (uint32_t at = 8; at <= 20; at += 4) Put(b, at, s_.Corner(r.I32(at)));
        }
        if (r.type == EMR_ROUNDRECT) {
            Put(b, 24, s_.Length(r.I32(24)));
            Put(b, 28, s_.Length(r.I32(28)));
        }
    }

    // A line covers the pixels from its start up to its end, excluded: along a
    // horizontal or vertical line the ends scale as edges, across it as centres.
    // A segment from a to b: a horizontal or vertical one keeps the run of coarse
    // pixels it covers (its ends on their corners), any other runs through centres.
    std::array<int64_t, 4> Segment(int64_t ax, int64_t ay, int64_t bx, int64_t by) const {
        int64_t fax = s_.Centre(ax), fay = s_.Centre(ay), fbx = s_.Centre(bx), fby = s_.Centre(by);
        if (ay == by && ax != bx) {
            fax = bx > ax ? s_.Corner(ax) : s_.Inclusive(ax);
            fbx = bx > ax ? s_.Corner(bx) : s_.Inclusive(bx);
        } else if (ax == bx && ay != by) {
            fay = by > ay ? s_.Corner(ay) : s_.Inclusive(ay);
            fby = by > ay ? s_.Corner(by) : s_.Inclusive(by);
        }
        return {fax, fay, fbx, fby};
    }

    void Line(const Record& r) {
        const int64_t ax = position_[0], ay = position_[1], bx = r.I32(8), by = r.I32(12);
        const auto [fax, fay, fbx, fby] = Segment(ax, ay, bx, by);
        char* move = Space(16);
        Put(move, 0, EMR_MOVETOEX);
        Put(move, 4, 16);
        Put(move, 8, fax);
        Put(move, 12, fay);
        char* line = Space(16);
        std::memcpy(line, r.p, 16);
        Put(line, 8, fbx);
        Put(line, 12, fby);
        position_ = {bx, by};
    }

    // Points through pixel centres; 16-bit points come out as 32-bit ones.
    bool Poly(const Record& r) {
        if (!r.Has(28)) return false;
        const bool small = r.type == EMR_POLYLINE16 || r.type == EMR_POLYGON16;
        const uint32_t count = r.U32(24);
        if (!r.Fits(28, count, small ? 4 : 8)) return false;
        const qint64 size = 28 + qint64(count) * 8;
        if (size > std::numeric_limits<int32_t>::max() / 2) return false;
        char* b = Space(static_cast<qsizetype>(size));
        const bool polygon = r.type == EMR_POLYGON || r.type == EMR_POLYGON16;
        Put(b, 0, polygon ? EMR_POLYGON : EMR_POLYLINE);
        Put(b, 4, size);
        std::memset(b + 8, 0, 16);
        Bounds(b, r, 8);
        Put(b, 24, count);
        for (uint32_t i = 0; i < count; ++i) {
            const int64_t x = small ? r.I16(28 + 4 * i) : r.I32(28 + 8 * i);
            const int64_t y = small ? r.I16(30 + 4 * i) : r.I32(32 + 8 * i);
            Put(b, 28 + 8 * i, s_.Centre(x));
            Put(b, 32 + 8 * i, s_.Centre(y));
        }
        return true;
    }

    // Several polylines in one record (the marks of a styled rule are two-point
    // ones): each two-point one as a segment, longer ones through centres. 16-bit
    // points stay 16-bit while they fit, as a metafile of 16-bit coordinates needs.
    bool PolyPoly(const Record& r) {
        if (!r.Has(32)) return false;
        const bool small = r.type == EMR_POLYPOLYLINE16;
        const uint32_t polys = r.U32(24), total = r.U32(28);
        if (!r.Fits(32, polys, 4) || !r.Fits(32 + uint64_t(polys) * 4, total, small ? 4 : 8)) return false;
        std::vector<int64_t>& points = points_;
        points.resize(size_t(total) * 2);
        int64_t* to = points.data();
        const uint32_t pointsAt = 32 + polys * 4;
        const auto at = [&](uint32_t i, bool y) -> int64_t {
            return small ? r.I16(pointsAt + 4 * i + (y ? 2 : 0)) : r.I32(pointsAt + 8 * i + (y ? 4 : 0));
        };
        uint32_t first = 0;
        for (uint32_t p = 0; p < polys; ++p) {
            const uint32_t count = r.U32(32 + 4 * p);
            if (count > total - first) return false;
            if (count == 2) {
                const auto [ax, ay, bx, by] = Segment(at(first, false), at(first, true), at(first + 1, false),
                                                      at(first + 1, true));
                to[0] = ax;
                to[1] = ay;
                to[2] = bx;
                to[3] = by;
                to += 4;
            } else {
                for (uint32_t i = first; i < first + count; ++i) {
                    *to++ = s_.Centre(at(i, false));
                    *to++ = s_.Centre(at(i, true));
                }
            }
            first += count;
        }
        if (first != total) return false;
        int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
        bool fits16 = true;
        for (size_t i = 0; i < points.size(); i += 2) {
            left = std::min(left, points[i]);
            right = std::max(right, points[i]);
            top = std::min(top, points[i + 1]);
            bottom = std::max(bottom, points[i + 1]);
            fits16 = fits16 && points[i] >= -32768 && points[i] <= 32767 && points[i + 1] >= -32768 &&
                     points[i + 1] <= 32767;
        }
        const bool out16 = small && fits16;
        const qint64 size = 32 + qint64(polys) * 4 + qint64(total) * (out16 ? 4 : 8);
        if (size > std::numeric_limits<int32_t>::max() / 2) return false;
        char* b = Space(static_cast<qsizetype>(size));
        Put(b, 0, out16 ? EMR_POLYPOLYLINE16 : EMR_POLYPOLYLINE);
        Put(b, 4, size);
        if (total > 0) {
            Put(b, 8, left);
            Put(b, 12, top);
            Put(b, 16, right);
            Put(b, 20, bottom);
        } else {
            std::memset(b + 8, 0, 16);
        }
        Put(b, 24, polys);
        Put(b, 28, total);
        std::memcpy(b + 32, r.p + 32, size_t(polys) * 4);
        for (size_t i = 0; i < points.size(); i += 2) {
            const uint32_t o = pointsAt + static_cast<uint32_t>(i / 2) * (out16 ? 4 : 8);
            if (out16) {
                qToLittleEndian<int16_t>(static_cast<int16_t>(points[i]), b + o);
                qToLittleEndian<int16_t>(static_cast<int16_t>(points[i + 1]), b + o + 2);
            } else {
                Put(b, o, points[i]);
                Put(b, o + 4, points[i + 1]);
            }
        }
        return true;
    }

    bool Text(const Record& r) {
        if (!r.Has(kExtTextOutFixed)) return false;
        const uint32_t offDx = r.U32(72);
        const uint32_t n = r.U32(44), offString = r.U32(48);
        if (!r.Fits(offString, n, 2)) return false;
        if (n == 0 || (r.U32(52) & ETO_PDY) || offDx == 0 || !r.Fits(offDx, n, 4)) return false;
        text_.resize(n);
        for (uint32_t i = 0; i < n; ++i) text_[i] = QChar(r.U16(offString + 2 * i));
        dx_.resize(n);
        for (uint32_t i = 0; i < n; ++i) dx_[i] = std::clamp<int32_t>(r.I32(offDx + 4 * i), -(1 << 20), 1 << 20);
        char* b = Copy(r);
        Bounds(b, r, 8);
        Put(b, 36, s_.Corner(r.I32(36)));
        Put(b, 40, s_.Corner(r.I32(40)));
        for (uint32_t at = 56; at <= 68; at += 4) Put(b, at, s_.Corner(r.I32(at)));
        textrun::FontTable& table = dc_.font ? dc_.font->Table() : StockFont();
        if (textrun::FinePositions(table, QStringView(text_.constData(), n), dx_.constData(), fine_)) {
            int64_t placed = 0;
            for (uint32_t i = 0; i < n; ++i) {
                const int64_t next = Round(fine_[i + 1] * s_.K());
                Put(b, offDx + 4 * i, next - placed);
                placed = next;
            }
        } else {
            for (uint32_t i = 0; i < n; ++i) Put(b, offDx + 4 * i, s_.Length(dx_[i]));
        }
        return true;
    }

    textrun::FontTable& StockFont() {
        if (!stockFont_) stockFont_ = std::make_unique<Font>(Font{textrun::FontDesc{QStringLiteral("Arial")}, {}});
        return stockFont_->Table();
    }

    Scaler s_;
    TByteSink out_;
    uint32_t records_ = 0;
    State dc_;
    std::vector<State> saved_;
    std::vector<std::unique_ptr<Font>> fontsMade_;  // every font of the page, for the contexts that hold one
    std::unique_ptr<Font> stockFont_;
    QHash<uint32_t, Font*> fonts_;
    QHash<uint32_t, bool> pens_;  // handle -> a null pen
    std::array<int64_t, 2> position_{0, 0};
    std::vector<int64_t> points_;
    QVarLengthArray<QChar, 256> text_;
    textrun::Advances dx_;
    textrun::Positions fine_;
};

}  // namespace

const QByteArray& Finer(const QByteArray& emf, int factor, QByteArray& buffer) {
    if (factor <= 1 || factor > 64) return emf;
    Walker walker(emf);
    const std::optional<Record> header = walker.Next();
    if (!walker.Valid() || !header) return emf;
    // Lines become a move and a line, 16-bit points 32-bit ones: room for half as much again.
    Rescale rescale(factor, *header, emf.size() + emf.size() / 2, buffer);
    bool ended = false;
    while (const std::optional<Record> r = walker.Next()) {
        if (!rescale.Add(*r)) return emf;
        ended = r->type == EMR_EOF;
    }
    if (!ended) return emf;  // damaged: what other programs make of it is theirs
    return rescale.Finish(*header) ? buffer : emf;
}

QByteArray Finer(const QByteArray& emf, int factor) {
    QByteArray buffer;
    return Finer(emf, factor, buffer);
}

int FactorFor16Bit(const QByteArray& emf) {
    Walker walker(emf);
    if (!walker.Valid()) return 1;
    const Record& h = walker.Header();
    const int64_t extent = std::max<int64_t>({std::abs(int64_t(h.I32(8))), std::abs(int64_t(h.I32(12))),
                                              std::abs(int64_t(h.I32(16)) + 1), std::abs(int64_t(h.I32(20)) + 1),
                                              1});
    return static_cast<int>(std::clamp<int64_t>(32767 / extent, 1, kFactor));
}

}  // namespace quorin::emfscale
