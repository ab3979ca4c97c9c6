#include "report_engine/export/QRStyledPenMarks.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "report_engine/canvas/QRByteSink.h"
#include "report_engine/canvas/QREmfFormat.h"
#include "report_engine/canvas/QRGdiPaint.h"

namespace quorin {

namespace {

using namespace emf;

constexpr uint32_t kHeaderSizeMin = 88;
constexpr uint32_t kEndCapFlat = 0x200;  // PS_ENDCAP_FLAT: marks end where the pattern says

/// Walks the pattern along the path: begin() at each mark, point(p) for its
/// points (rounded, no two alike in a row), end() after it.
template <typename Begin, typename Point, typename End>
void WalkMarks(const QPoint* path, qsizetype points, const QList<qreal>& pattern, Begin begin, Point point,
               End end) {
    qreal total = 0;
    for (const qreal l : pattern) total += std::max<qreal>(0, l);
    if (points < 2 || !(total > 0)) return;
    bool inMark = false;
    QPoint last;
    const auto add = [&](const QPointF& p) {
        const QPoint q = p.toPoint();
        if (!inMark) {
            begin();
            inMark = true;
        } else if (q == last) {
            return;
        }
        point(q);
        last = q;
    };
    qsizetype index = 0;
    qreal left = pattern[0];
    bool on = true;
    for (qsizetype s = 1; s < points; ++s) {
        const QPointF a = path[s - 1], b = path[s];
        const qreal length = std::hypot(b.x() - a.x(), b.y() - a.y());
        qreal t = 0;
        while (length - t > 1e-9) {
            const qreal step = std::min(left, length - t);
            if (on) {
                if (!inMark) add(a + (b - a) * (t / length));
                add(a + (b - a) * ((t + step) / length));
            }
            t += step;
            left -= step;
            if (left <= 1e-9) {
                if (inMark) end();
                inMark = false;
                on = !on;
                if (++index == pattern.size()) index = 0;
                left = pattern[index];
            }
        }
    }
    if (inMark) end();
}

bool Styled(uint32_t style) { return !gdipaint::DashPattern(style).isEmpty(); }

uint32_t U32(const char* at) { return qFromLittleEndian<uint32_t>(at); }
int32_t I32(const char* at) { return qFromLittleEndian<int32_t>(at); }

/// Walks the records after the header: calls visit(offset, type, size) for
/// each whole one and returns where the walk stopped (the end, EOF included,
/// or the first damaged record).
template <typename Visit>
uint32_t EachRecord(const QByteArray& emf, Visit visit) {
    const auto total = static_cast<uint32_t>(emf.size());
    uint32_t offset = U32(emf.constData() + 4);
    while (offset <= total - 8) {
        const uint32_t type = U32(emf.constData() + offset);
        const uint32_t size = U32(emf.constData() + offset + 4);
        if (size < 8 || size % 4 != 0 || size > total - offset) break;
        visit(offset, type, size);
        offset += size;
        if (type == EMR_EOF) break;
    }
    return offset;
}

bool HasStyledPen(const QByteArray& emf) {
    bool styled = false;
    EachRecord(emf, [&](uint32_t offset, uint32_t type, uint32_t size) {
        if (type == EMR_CREATEPEN && size >= 28 && Styled(U32(emf.constData() + offset + 12))) styled = true;
    });
    return styled;
}

struct TPen {
    uint32_t style = PS_SOLID;
    int32_t width = 0;
    uint32_t color = 0;
};

/// Rebuilds the records, the styled lines and rectangles as their marks.
class TExpander {
  public:
    TExpander(const QByteArray& emf, QByteArray& out) : in_(emf), out_(out, emf.size() * 3) {
        const char* h = in_.constData();
        const uint32_t headerSize = U32(h + 4);
        handle_ = std::max<uint32_t>(qFromLittleEndian<uint16_t>(h + 56), 1);
        out_.Append(h, headerSize);
    }

    void Run() {
        const uint32_t stop = EachRecord(in_, [&](uint32_t offset, uint32_t type, uint32_t size) {
            Record(in_.constData() + offset, type, size);
        });
        out_.Append(in_.constData() + stop, in_.size() - stop);
        out_.Done();
        char* h = out_.At(0);
        qToLittleEndian<uint32_t>(static_cast<uint32_t>(out_.Size()), h + 48);
        qToLittleEndian<uint32_t>(U32(h + 52) + added_, h + 52);
        if (usedHandle_) qToLittleEndian<uint16_t>(static_cast<uint16_t>(handle_ + 1), h + 56);
    }

  private:
    void Record(const char* r, uint32_t type, uint32_t size) {
        switch (type) {
            case EMR_CREATEPEN:
                if (size >= 28) pens_[U32(r + 8)] = TPen{U32(r + 12), I32(r + 16), U32(r + 24)};
                break;
            case EMR_SELECTOBJECT: {
                const uint32_t handle = U32(r + 8);
                if (handle & STOCK_OBJECT) {
                    if (handle == (STOCK_OBJECT | WHITE_PEN) || handle == (STOCK_OBJECT | BLACK_PEN) ||
                        handle == (STOCK_OBJECT | NULL_PEN))
                        selected_ = 0;
                } else if (const auto it = pens_.find(handle); it != pens_.end()) {
                    selected_ = handle;
                }
                break;
            }
            case EMR_DELETEOBJECT:
                pens_.erase(U32(r + 8));
                break;
            case EMR_SAVEDC:
                saved_.push_back(selected_);
                break;
            case EMR_RESTOREDC: {
                const int64_t levels =
                    emf::RestoreLevels(size >= 12 ? I32(r + 8) : 0, static_cast<int64_t>(saved_.size()));
                for (int64_t i = 0; i < levels; ++i) {
                    selected_ = saved_.back();
                    saved_.pop_back();
                }
                break;
            }
            case EMR_MOVETOEX:
                if (size >= 16) at_ = QPoint(I32(r + 8), I32(r + 12));
                break;
            case EMR_LINETO:
                if (size >= 16 && StyledLine(QPoint(I32(r + 8), I32(r + 12)))) return;
                if (size >= 16) at_ = QPoint(I32(r + 8), I32(r + 12));
                break;
            case EMR_RECTANGLE:
                if (size >= 24 && StyledRectangle(r)) return;
                break;
            default:
                break;
        }
        out_.Append(r, size);
    }

    const TPen* SelectedStyledPen() const {
        if (selected_ == 0) return nullptr;
        const auto it = pens_.find(selected_);
        return it != pens_.end() && Styled(it->second.style) ? &it->second : nullptr;
    }

    bool StyledLine(const QPoint& to) {
        const TPen* pen = SelectedStyledPen();
        if (!pen) return false;
        --added_;  // the line itself goes
        const QPoint path[] = {at_, to};
        Marks(*pen, path, 2);
        Put({EMR_MOVETOEX, 16u, static_cast<uint32_t>(to.x()), static_cast<uint32_t>(to.y())});
        at_ = to;
        return true;
    }

    /// The fill with no pen, then the outline's marks along the path the
    /// player strokes: through the first and the last pixel of each side.
    bool StyledRectangle(const char* r) {
        const TPen* pen = SelectedStyledPen();
        if (!pen) return false;
        const int32_t x1 = I32(r + 8), y1 = I32(r + 12), x2 = I32(r + 16), y2 = I32(r + 20);
        Put({EMR_SELECTOBJECT, 12u, STOCK_OBJECT | NULL_PEN});
        out_.Append(r, 24);
        const int32_t l = std::min(x1, x2), t = std::min(y1, y2);
        const int32_t rt = std::max(l, std::max(x1, x2) - 1), b = std::max(t, std::max(y1, y2) - 1);
        const QPoint path[] = {QPoint(l, t), QPoint(rt, t), QPoint(rt, b), QPoint(l, b), QPoint(l, t)};
        if (!Marks(*pen, path, 5))
            Put({EMR_SELECTOBJECT, 12u, selected_});
        return true;
    }

    /// A solid pen of the styled pen's weight and colour draws the marks as
    /// one poly-polyline; the styled pen is selected again afterwards.
    bool Marks(const TPen& pen, const QPoint* path, qsizetype pathPoints) {
        counts_.clear();
        points_.clear();
        WalkMarks(
            path, pathPoints, gdipaint::DashPattern(pen.style), [&] { counts_.push_back(0); },
            [&](const QPoint& p) {
                points_.push_back(p);
                ++counts_.back();
            },
            [&] {
                if (counts_.back() < 2) {  // rounded to a single point: nothing to draw
                    points_.resize(points_.size() - counts_.back());
                    counts_.pop_back();
                }
            });
        if (counts_.empty()) return false;
        const uint32_t width = static_cast<uint32_t>(std::max(1, pen.width));
        usedHandle_ = true;
        Put({EMR_CREATEPEN, 28u, handle_, PS_SOLID | kEndCapFlat, width, 0u, pen.color});
        Put({EMR_SELECTOBJECT, 12u, handle_});
        int32_t left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
        for (const QPoint& p : points_) {
            left = std::min(left, p.x());
            right = std::max(right, p.x());
            top = std::min(top, p.y());
            bottom = std::max(bottom, p.y());
        }
        const auto polys = static_cast<uint32_t>(counts_.size());
        const auto points = static_cast<uint32_t>(points_.size());
        const uint32_t size = 32 + 4 * polys + 4 * points;
        Put({EMR_POLYPOLYLINE16, size, static_cast<uint32_t>(left), static_cast<uint32_t>(top),
             static_cast<uint32_t>(right), static_cast<uint32_t>(bottom), polys, points});
        char* o = out_.Space(4 * qsizetype(polys) + 4 * qsizetype(points));
        for (const uint32_t count : counts_) {
            qToLittleEndian<uint32_t>(count, o);
            o += 4;
        }
        for (const QPoint& p : points_) {
            qToLittleEndian<int16_t>(static_cast<int16_t>(std::clamp(p.x(), -32768, 32767)), o);
            qToLittleEndian<int16_t>(static_cast<int16_t>(std::clamp(p.y(), -32768, 32767)), o + 2);
            o += 4;
        }
        Put({EMR_SELECTOBJECT, 12u, selected_});
        Put({EMR_DELETEOBJECT, 12u, handle_});
        return true;
    }

    /// One record of 32-bit words (type, size, data), counted in the header.
    void Put(std::initializer_list<uint32_t> words) {
        Words(words);
        ++added_;
    }
    void Words(std::initializer_list<uint32_t> words) {
        char* o = out_.Space(4 * qsizetype(words.size()));
        for (const uint32_t w : words) {
            qToLittleEndian<uint32_t>(w, o);
            o += 4;
        }
    }

    const QByteArray& in_;
    TByteSink out_;
    std::unordered_map<uint32_t, TPen> pens_;
    std::vector<uint32_t> saved_;
    std::vector<uint32_t> counts_;  // the marks of the current line: points per mark
    std::vector<QPoint> points_;
    uint32_t selected_ = 0;  // a created pen's handle; 0: a stock pen
    QPoint at_;
    uint32_t handle_ = 1;  // the one handle the marks' pen takes, beyond the recording's
    bool usedHandle_ = false;
    int64_t added_ = 0;  // records added minus records replaced
};

}  // namespace

QList<QPolygon> DashMarks(const QPolygon& path, const QList<qreal>& pattern) {
    QList<QPolygon> marks;
    QPolygon mark;
    WalkMarks(
        path.constData(), path.size(), pattern, [&] { mark.clear(); }, [&](const QPoint& p) { mark.append(p); },
        [&] {
            if (mark.size() >= 2) marks.append(mark);
        });
    return marks;
}

const QByteArray& ExpandStyledPens(const QByteArray& emf, QByteArray& buffer) {
    if (emf.size() < static_cast<qsizetype>(kHeaderSizeMin) || U32(emf.constData()) != EMR_HEADER) return emf;
    const uint32_t headerSize = U32(emf.constData() + 4);
    if (headerSize < kHeaderSizeMin || headerSize > static_cast<uint32_t>(emf.size()) || headerSize % 4 != 0)
        return emf;
    if (!HasStyledPen(emf)) return emf;
    TExpander(emf, buffer).Run();
    return buffer;
}

QByteArray ExpandStyledPens(const QByteArray& emf) {
    QByteArray buffer;
    return ExpandStyledPens(emf, buffer);
}

}  // namespace quorin
