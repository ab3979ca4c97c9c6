#include "report_engine/export/QRWmfConverter.h"

#include <QHash>
#include <QVector>
#include <QtEndian>
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "report_engine/canvas/QRByteSink.h"
#include "report_engine/canvas/QREmfFormat.h"
#include "runtime/Conversions.h"

namespace quorin {

namespace {

// The enhanced-metafile records read here are the recorder's own.
using namespace emf;

// Windows-metafile functions written here.
enum : uint16_t {
    META_EOF = 0x0000,
    META_SAVEDC = 0x001E,
    META_SETBKMODE = 0x0102,
    META_SETMAPMODE = 0x0103,
    META_RESTOREDC = 0x0127,
    META_SELECTOBJECT = 0x012D,
    META_SETTEXTALIGN = 0x012E,
    META_DELETEOBJECT = 0x01F0,
    META_SETBKCOLOR = 0x0201,
    META_SETTEXTCOLOR = 0x0209,
    META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C,
    META_LINETO = 0x0213,
    META_MOVETO = 0x0214,
    META_CREATEPENINDIRECT = 0x02FA,
    META_CREATEFONTINDIRECT = 0x02FB,
    META_CREATEBRUSHINDIRECT = 0x02FC,
    META_POLYGON = 0x0324,
    META_POLYLINE = 0x0325,
    META_ELLIPSE = 0x0418,
    META_RECTANGLE = 0x041B,
    META_ROUNDRECT = 0x061C,
    META_EXTTEXTOUT = 0x0A32,
    META_STRETCHDIB = 0x0F43,
};

constexpr uint32_t kStockObject = 0x80000000u;

/// A record's bytes with every read checked against its size.
class TRecord {
  public:
    TRecord(const char* data, uint32_t size) : data_(data), size_(size) {}
    bool Has(uint32_t offset, uint32_t length) const { return offset <= size_ && length <= size_ - offset; }
    uint32_t U32(uint32_t offset) const {
        uint32_t v = 0;
        if (Has(offset, 4))
            std::memcpy(&v, data_ + offset, 4);
        return v;
    }
    int32_t I32(uint32_t offset) const { return static_cast<int32_t>(U32(offset)); }
    int16_t I16(uint32_t offset) const {
        int16_t v = 0;
        if (Has(offset, 2))
            std::memcpy(&v, data_ + offset, 2);
        return v;
    }
    uint8_t U8(uint32_t offset) const { return Has(offset, 1) ? static_cast<uint8_t>(data_[offset]) : 0; }
    const char* At(uint32_t offset) const { return data_ + offset; }
    uint32_t Size() const { return size_; }

  private:
    const char* data_;
    uint32_t size_;
};

int16_t Clamp16(int64_t v) {
    return static_cast<int16_t>(std::clamp<int64_t>(v, -32768, 32767));
}

/// A record's parameter words: at most a few, kept without an allocation.
class TWords {
  public:
    TWords() = default;
    TWords(std::initializer_list<int16_t> words) {
        for (const int16_t w : words)
            *this << w;
    }
    TWords& operator<<(int16_t w) {
        if (n_ < kMax)
            words_[n_++] = w;
        return *this;
    }
    const int16_t* constData() const { return words_; }
    qsizetype size() const { return n_; }

  private:
    static constexpr qsizetype kMax = 16;
    int16_t words_[kMax] = {};
    qsizetype n_ = 0;
};

class TWmfWriter {
  public:
    /// The headers (placeable and standard) come first and are filled in by Finish.
    static constexpr qsizetype kHeadBytes = 22 + 18;
    explicit TWmfWriter(qsizetype expected = 0) : sink_(body_, kHeadBytes + expected) {
        sink_.Space(kHeadBytes);
    }

    /// A polyline whose points are already 16-bit x, y pairs, as in a 16-bit enhanced record.
    void Polyline(uint16_t count, const char* points) {
        char* o = Open(META_POLYLINE, nullptr, 0, 2 + 4 * qsizetype(count));
        Put16(o, count);
        std::memcpy(o + 2, points, 4 * size_t(count));
    }

    /// A polyline or polygon of count points read from an enhanced record at
    /// offset `at`: 32-bit points (wide) held to 16 bits, or 16-bit ones as they are.
    void Points(uint16_t function, uint16_t count, const char* at, bool wide) {
        char* o = Open(function, nullptr, 0, 2 + 4 * qsizetype(count));
        Put16(o, count);
        o += 2;
        for (uint32_t i = 0; i < count; ++i, o += 4) {
            if (wide) {
                Put16(o, static_cast<uint16_t>(Clamp16(qFromLittleEndian<int32_t>(at + 8 * i))));
                Put16(o + 2, static_cast<uint16_t>(Clamp16(qFromLittleEndian<int32_t>(at + 8 * i + 4))));
            } else {
                std::memcpy(o, at + 4 * i, 4);
            }
        }
    }

    void Record(uint16_t function, const TWords& words, QByteArrayView tail = {}) {
        Emit(function, words.constData(), words.size(), tail);
    }
    /// Records of a few fixed words.
    void Record(uint16_t function, std::initializer_list<int16_t> words, QByteArrayView tail = {}) {
        Emit(function, words.begin(), static_cast<qsizetype>(words.size()), tail);
    }
    /// Writes the record's size, function and words, and makes room for tailBytes
    /// more (an odd count padded with a zero): returns where the tail goes, valid
    /// until the next record.
    char* Open(uint16_t function, const int16_t* words, qsizetype count, qsizetype tailBytes) {
        const uint32_t sizeWords =
            3 + static_cast<uint32_t>(count) + static_cast<uint32_t>((tailBytes + 1) / 2);
        char* o = Space(2 * qsizetype(sizeWords));
        Put16(o, static_cast<uint16_t>(sizeWords & 0xFFFF));
        Put16(o + 2, static_cast<uint16_t>(sizeWords >> 16));
        Put16(o + 4, function);
        o += 6;
        for (qsizetype i = 0; i < count; ++i, o += 2)
            Put16(o, static_cast<uint16_t>(words[i]));
        if (tailBytes % 2)
            o[tailBytes] = '\0';
        maxRecord_ = std::max(maxRecord_, sizeWords);
        return o;
    }
    void Color(TWords& words, uint32_t colorRef) {
        words << static_cast<int16_t>(colorRef & 0xFFFF) << static_cast<int16_t>(colorRef >> 16);
    }

    /// The lowest free object slot, which Windows gives a new object.
    int NewObject() {
        auto it = std::find(used_.begin(), used_.end(), false);
        if (it == used_.end()) {
            used_.push_back(true);
            return static_cast<int>(used_.size()) - 1;
        }
        *it = true;
        return static_cast<int>(it - used_.begin());
    }
    void FreeObject(int index) {
        if (index >= 0 && index < used_.size())
            used_[index] = false;
    }

    QByteArray Finish(int width, int height, int dpi) {
        Record(META_EOF, {});
        sink_.Done();
        char* at = body_.data();
        auto put16 = [&](uint16_t v) {
            *at++ = static_cast<char>(v & 0xFF);
            *at++ = static_cast<char>(v >> 8);
        };
        // Placeable header: key, handle, bounding box, units per inch, reserved, checksum.
        const uint16_t head[10] = {0xCDD7,
                                   0x9AC6,
                                   0,
                                   0,
                                   0,
                                   static_cast<uint16_t>(width),
                                   static_cast<uint16_t>(height),
                                   static_cast<uint16_t>(dpi),
                                   0,
                                   0};
        uint16_t checksum = 0;
        for (const uint16_t w : head) {
            put16(w);
            checksum ^= w;
        }
        put16(checksum);
        const uint32_t totalWords = static_cast<uint32_t>((body_.size() - 22) / 2);
        put16(1);       // in memory
        put16(9);       // header words
        put16(0x0300);  // version
        put16(static_cast<uint16_t>(totalWords & 0xFFFF));
        put16(static_cast<uint16_t>(totalWords >> 16));
        put16(static_cast<uint16_t>(std::max<qsizetype>(used_.size(), 1)));
        put16(static_cast<uint16_t>(maxRecord_ & 0xFFFF));
        put16(static_cast<uint16_t>(maxRecord_ >> 16));
        put16(0);
        return std::move(body_);
    }

  private:
    void Emit(uint16_t function, const int16_t* words, qsizetype count, QByteArrayView tail) {
        char* o = Open(function, words, count, tail.size());
        if (!tail.isEmpty())
            std::memcpy(o, tail.data(), size_t(tail.size()));
    }

    static void Put16(char* o, uint16_t v) {
        o[0] = static_cast<char>(v & 0xFF);
        o[1] = static_cast<char>(v >> 8);
    }

    char* Space(qsizetype n) { return sink_.Space(n); }

    QByteArray body_;
    TByteSink sink_;
    QVector<bool> used_;
    uint32_t maxRecord_ = 3;
};

class TConverter {
  public:
    explicit TConverter(TWmfWriter& out) : out_(out) {}

    void Convert(const TRecord& r, uint32_t type) {
        switch (type) {
            case EMR_SETBKMODE:
                out_.Record(META_SETBKMODE, {static_cast<int16_t>(r.U32(8)), 0});
                break;
            case EMR_SETTEXTALIGN:
                out_.Record(META_SETTEXTALIGN, {static_cast<int16_t>(r.U32(8)), 0});
                break;
            case EMR_SETTEXTCOLOR:
            case EMR_SETBKCOLOR: {
                TWords w;
                out_.Color(w, r.U32(8));
                out_.Record(type == EMR_SETTEXTCOLOR ? META_SETTEXTCOLOR : META_SETBKCOLOR, w);
                break;
            }
            case EMR_MOVETOEX:
                out_.Record(META_MOVETO, {Clamp16(r.I32(12)), Clamp16(r.I32(8))});
                break;
            case EMR_LINETO:
                out_.Record(META_LINETO, {Clamp16(r.I32(12)), Clamp16(r.I32(8))});
                break;
            case EMR_RECTANGLE:
            case EMR_ELLIPSE:
                out_.Record(type == EMR_RECTANGLE ? META_RECTANGLE : META_ELLIPSE,
                            {Clamp16(r.I32(20)), Clamp16(r.I32(16)), Clamp16(r.I32(12)), Clamp16(r.I32(8))});
                break;
            case EMR_ROUNDRECT:
                out_.Record(META_ROUNDRECT, {Clamp16(r.I32(28)), Clamp16(r.I32(24)), Clamp16(r.I32(20)),
                                             Clamp16(r.I32(16)), Clamp16(r.I32(12)), Clamp16(r.I32(8))});
                break;
            case EMR_POLYLINE16:
            case EMR_POLYGON16:
            case EMR_POLYLINE:
            case EMR_POLYGON: {
                const bool wide = type == EMR_POLYLINE || type == EMR_POLYGON;
                const uint32_t count = r.U32(24);
                const uint32_t pointSize = wide ? 8 : 4;
                if (count == 0 || count > 0x7FFF || !r.Has(28, count * pointSize))
                    break;
                const bool polygon = type == EMR_POLYGON16 || type == EMR_POLYGON;
                out_.Points(polygon ? META_POLYGON : META_POLYLINE, static_cast<uint16_t>(count), r.At(28),
                            wide);
                break;
            }
            case EMR_POLYPOLYLINE16:
                PolyPolyline16(r);
                break;
            case EMR_SAVEDC:
                out_.Record(META_SAVEDC, {});
                break;
            case EMR_RESTOREDC:
                out_.Record(META_RESTOREDC, {Clamp16(r.I32(8))});
                break;
            case EMR_CREATEPEN: {
                TWords w{static_cast<int16_t>(r.U32(12)), Clamp16(r.I32(16)), 0};
                out_.Color(w, r.U32(24));
                Create(r.U32(8), META_CREATEPENINDIRECT, w);
                break;
            }
            case EMR_CREATEBRUSHINDIRECT: {
                TWords w{static_cast<int16_t>(r.U32(12))};
                out_.Color(w, r.U32(16));
                w << static_cast<int16_t>(r.U32(20));
                Create(r.U32(8), META_CREATEBRUSHINDIRECT, w);
                break;
            }
            case EMR_EXTCREATEFONTINDIRECTW: {
                if (!r.Has(12, 92))
                    break;
                TWords w{Clamp16(r.I32(12)), Clamp16(r.I32(16)), Clamp16(r.I32(20)), Clamp16(r.I32(24)),
                         Clamp16(r.I32(28))};
                QByteArray tail;
                for (uint32_t i = 32; i < 40; ++i)
                    tail.push_back(static_cast<char>(r.U8(i)));  // italic .. pitch
                QString face;
                for (uint32_t i = 0; i < 32; ++i) {
                    const uint16_t c = static_cast<uint16_t>(r.I16(40 + 2 * i));
                    if (c == 0)
                        break;
                    face += QChar(c);
                }
                QByteArray name = ToWindows1252(face).left(31);
                name.append(32 - name.size(), '\0');
                Create(r.U32(8), META_CREATEFONTINDIRECT, w, tail + name);
                break;
            }
            case EMR_SELECTOBJECT: {
                const uint32_t handle = r.U32(8);
                const int index =
                    handle & kStockObject ? Stock(handle & ~kStockObject) : objects_.value(handle, -1);
                if (index >= 0)
                    out_.Record(META_SELECTOBJECT, {static_cast<int16_t>(index)});
                break;
            }
            case EMR_DELETEOBJECT: {
                const uint32_t handle = r.U32(8);
                if (!objects_.contains(handle))
                    break;
                const int index = objects_.take(handle);
                out_.Record(META_DELETEOBJECT, {static_cast<int16_t>(index)});
                out_.FreeObject(index);
                break;
            }
            case EMR_EXTTEXTOUTW:
            case EMR_EXTTEXTOUTA:
                Text(r, type == EMR_EXTTEXTOUTW);
                break;
            case EMR_STRETCHDIBITS:
                Picture(r);
                break;
            default:
                break;  // clipping, transforms and the rest have no counterpart here
        }
    }

  private:
    void Create(uint32_t handle, uint16_t function, const TWords& words, QByteArrayView tail = {}) {
        if (objects_.contains(handle)) {  // a handle reused without deletion
            const int old = objects_.take(handle);
            out_.Record(META_DELETEOBJECT, {static_cast<int16_t>(old)});
            out_.FreeObject(old);
        }
        out_.Record(function, words, tail);
        objects_.insert(handle, out_.NewObject());
    }

    /// Stock objects do not exist in a Windows metafile: each is made once.
    int Stock(uint32_t which) {
        if (stock_.contains(which))
            return stock_.value(which);
        TWords w;
        uint16_t function = META_CREATEBRUSHINDIRECT;
        QByteArray tail;
        auto gray = [](int v) { return static_cast<uint32_t>(v | v << 8 | v << 16); };
        if (which <= 5) {  // brushes: white, light gray, gray, dark gray, black, none
            const int levels[] = {255, 192, 128, 64, 0, 0};
            w << static_cast<int16_t>(which == 5 ? 1 : 0);
            out_.Color(w, gray(levels[which]));
            w << 0;
        } else if (which <= 8) {  // pens: white, black, none
            function = META_CREATEPENINDIRECT;
            w << static_cast<int16_t>(which == 8 ? 5 : 0) << 0 << 0;
            out_.Color(w, which == 6 ? gray(255) : 0);
        } else {  // fonts: the system's default
            function = META_CREATEFONTINDIRECT;
            w << -16 << 0 << 0 << 0 << 400;
            tail = QByteArray(8, '\0') + QByteArray("Arial").leftJustified(32, '\0');
        }
        out_.Record(function, w, tail);
        const int index = out_.NewObject();
        stock_.insert(which, index);
        return index;
    }

    void Text(const TRecord& r, bool wide) {
        const int32_t x = r.I32(36);
        const int32_t y = r.I32(40);
        const uint32_t count = r.U32(44);
        const uint32_t offString = r.U32(48);
        const uint32_t options = r.U32(52);
        const uint32_t offDx = r.U32(72);
        if (count == 0 || count > 0x7FFF || !r.Has(offString, count * (wide ? 2 : 1)))
            return;
        // The code page's bytes: a character of Latin-1 outside its 0x80-0x9F block is
        // its own byte in both; others are looked up, a surrogate pair giving one '?'.
        const char* units = r.At(offString);
        bool direct = true;
        if (wide) {
            for (uint32_t i = 0; i < count && direct; ++i) {
                const uint16_t u = qFromLittleEndian<uint16_t>(units + 2 * i);
                direct = IsOwnWindows1252Byte(u);
            }
        }
        QByteArray looked;
        if (!direct) {
            QString text(static_cast<qsizetype>(count), Qt::Uninitialized);
            for (uint32_t i = 0; i < count; ++i)
                text[i] = QChar(qFromLittleEndian<uint16_t>(units + 2 * i));
            looked = ToWindows1252(text);
        }
        const qsizetype length = direct ? qsizetype(count) : looked.size();
        TWords w{Clamp16(y), Clamp16(x), static_cast<int16_t>(length),
                 static_cast<int16_t>(options & 0x0006)};
        if (options & 0x0006) {  // opaque or clipped: the rectangle comes along
            w << Clamp16(r.I32(56)) << Clamp16(r.I32(60)) << Clamp16(r.I32(64)) << Clamp16(r.I32(68));
        }
        const bool advances = offDx != 0 && r.Has(offDx, count * 4);
        const qsizetype padded = length + length % 2;
        char* o = out_.Open(META_EXTTEXTOUT, w.constData(), w.size(),
                            padded + (advances ? 2 * qsizetype(count) : 0));
        if (!direct)
            std::memcpy(o, looked.constData(), size_t(length));
        else if (wide)
            for (uint32_t i = 0; i < count; ++i)
                o[i] = units[2 * i];  // the low byte, little-endian
        else
            std::memcpy(o, units, count);
        if (length % 2)
            o[length] = '\0';
        if (advances) {
            o += padded;
            const char* from = r.At(offDx);
            for (uint32_t i = 0; i < count; ++i, o += 2) {
                const int16_t dx = Clamp16(qFromLittleEndian<int32_t>(from + 4 * i));
                o[0] = static_cast<char>(dx & 0xFF);
                o[1] = static_cast<char>((dx >> 8) & 0xFF);
            }
        }
    }

    /// A Windows metafile has no poly-polyline: one polyline per part.
    void PolyPolyline16(const TRecord& r) {
        const uint32_t polys = r.U32(24), total = r.U32(28);
        if (polys == 0 || polys > 0x7FFF || total > 0x7FFFFF || !r.Has(32, polys * 4 + total * 4))
            return;
        uint32_t at = 32 + polys * 4;
        const char* counts = r.At(32);
        for (uint32_t i = 0, used = 0; i < polys; ++i) {
            const uint32_t count = qFromLittleEndian<uint32_t>(counts + 4 * i);
            if (count > total - used || count > 0x7FFF)
                return;
            used += count;
            if (count >= 2)
                out_.Polyline(static_cast<uint16_t>(count), r.At(at));
            at += 4 * count;
        }
    }

    void Picture(const TRecord& r) {
        const uint32_t offBmi = r.U32(48), cbBmi = r.U32(52), offBits = r.U32(56), cbBits = r.U32(60);
        if (cbBmi < 40 || !r.Has(offBmi, cbBmi) || !r.Has(offBits, cbBits))
            return;
        TWords w;
        const uint32_t rop = r.U32(68);
        w << static_cast<int16_t>(rop & 0xFFFF) << static_cast<int16_t>(rop >> 16);
        w << static_cast<int16_t>(r.U32(64));  // colour usage
        w << Clamp16(r.I32(44)) << Clamp16(r.I32(40)) << Clamp16(r.I32(36)) << Clamp16(r.I32(32));
        w << Clamp16(r.I32(76)) << Clamp16(r.I32(72)) << Clamp16(r.I32(28)) << Clamp16(r.I32(24));
        char* o = out_.Open(META_STRETCHDIB, w.constData(), w.size(), qsizetype(cbBmi) + cbBits);
        std::memcpy(o, r.At(offBmi), cbBmi);
        std::memcpy(o + cbBmi, r.At(offBits), cbBits);
    }

    TWmfWriter& out_;
    QHash<uint32_t, int> objects_;  // recording handle -> object slot
    QHash<uint32_t, int> stock_;
};

}  // namespace

QByteArray ConvertEmfToWmf(const QByteArray& emf, QString* error) {
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return QByteArray();
    };
    if (emf.size() < 88)
        return fail(QStringLiteral("A gravação da página é curta demais."));
    const TRecord header(emf.constData(), static_cast<uint32_t>(emf.size()));
    if (header.U32(0) != EMR_HEADER || header.U32(40) != 0x464D4520u) {
        return fail(QStringLiteral("A gravação da página não tem um cabeçalho válido."));
    }
    const int32_t frameRight = header.I32(32), frameBottom = header.I32(36);
    const int32_t deviceX = header.I32(72), mmX = header.I32(80);
    int dpi = mmX > 0 && deviceX > 0 ? static_cast<int>(deviceX * 25.4 / mmX + 0.5) : 96;
    if (dpi <= 0 || dpi > 2400)
        dpi = 96;
    const int width = std::clamp(static_cast<int>((frameRight + 1) / 2540.0 * dpi + 0.5), 1, 32767);
    const int height = std::clamp(static_cast<int>((frameBottom + 1) / 2540.0 * dpi + 0.5), 1, 32767);

    TWmfWriter out(emf.size());
    out.Record(META_SETMAPMODE, {8});  // anisotropic: the placeable header scales it
    out.Record(META_SETWINDOWORG, {0, 0});
    out.Record(META_SETWINDOWEXT, {static_cast<int16_t>(height), static_cast<int16_t>(width)});
    TConverter converter(out);

    const auto total = static_cast<uint32_t>(emf.size());
    uint32_t offset = header.U32(4);
    if (offset < 88 || offset > total || offset % 4 != 0) {
        return fail(QStringLiteral("A gravação da página não tem um cabeçalho válido."));
    }
    while (offset <= total - 8) {
        const TRecord probe(emf.constData() + offset, 8);
        const uint32_t type = probe.U32(0);
        const uint32_t size = probe.U32(4);
        if (size < 8 || size % 4 != 0 || size > total - offset)
            break;  // damaged: keep what came before
        if (type == EMR_EOF)
            break;
        converter.Convert(TRecord(emf.constData() + offset, size), type);
        offset += size;
    }
    return out.Finish(width, height, dpi);
}

}  // namespace quorin
