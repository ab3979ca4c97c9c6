#pragma once

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "report_engine/canvas/QREmfFormat.h"
#include "report_engine/canvas/QRTextRun.h"
#include "report_engine/pages/QRPageRecording.h"

// Reading enhanced-metafile records safely: shared by the player and by the
// rescaling of recordings for export.
namespace quorin::emf {

/// Font heights read from a recording are held to this many pixels.
constexpr int kMaxFontPixels = 2000;

// One record: its bytes, never read past their size.
struct Record {
    const char* p;
    uint32_t type;
    uint32_t size;

    bool Has(uint32_t bytes) const { return size >= bytes; }
    uint32_t U32(uint32_t offset) const { return qFromLittleEndian<uint32_t>(p + offset); }
    int32_t I32(uint32_t offset) const { return qFromLittleEndian<int32_t>(p + offset); }
    int16_t I16(uint32_t offset) const { return qFromLittleEndian<int16_t>(p + offset); }
    uint16_t U16(uint32_t offset) const { return qFromLittleEndian<uint16_t>(p + offset); }
    // count items of itemSize starting at offset fit in the record
    bool Fits(uint64_t offset, uint64_t count, uint64_t itemSize) const {
        return offset <= size && count <= (size - offset) / itemSize;
    }
};

// Walks the records of a recording: the header first, then every record
// whose size is sane, until the end-of-file record or the first damage.
class Walker {
  public:
    explicit Walker(const QByteArray& emf) : data_(emf.constData()) {
        const qsizetype available = emf.size();
        if (available < TQRPageRecording::HeaderSize) {
            return;
        }
        const Record header{data_, qFromLittleEndian<uint32_t>(data_), qFromLittleEndian<uint32_t>(data_ + 4)};
        if (header.type != EMR_HEADER || header.U32(40) != TQRPageRecording::Signature ||
            header.size < TQRPageRecording::HeaderSize || header.size % 4 != 0 || header.size > available) {
            return;
        }
        const uint32_t declared = header.U32(48);
        end_ = std::min<qint64>(available, declared >= header.size ? declared : available);
        ok_ = true;
        header_ = header;
    }

    bool Valid() const { return ok_; }
    const Record& Header() const { return header_; }

    /// The next record, or none at the end or at damage.
    std::optional<Record> Next() {
        if (!ok_ || done_ || pos_ + 8 > end_) {
            return std::nullopt;
        }
        const Record r{data_ + pos_, qFromLittleEndian<uint32_t>(data_ + pos_),
                       qFromLittleEndian<uint32_t>(data_ + pos_ + 4)};
        if (r.size < 8 || r.size % 4 != 0 || r.size > end_ - pos_) {
            done_ = true;
            return std::nullopt;
        }
        pos_ += r.size;
        if (r.type == EMR_EOF) {
            done_ = true;
        }
        return r;
    }

  private:
    const char* data_;
    qint64 end_ = 0;
    qint64 pos_ = 0;
    bool ok_ = false;
    bool done_ = false;
    Record header_{nullptr, 0, 0};
};

inline textrun::FontDesc FontFromLogFont(const Record& r, uint32_t at) {
    textrun::FontDesc desc;
    const int32_t height = r.I32(at);
    if (height < 0) {
        desc.PixelSize = height == std::numeric_limits<int32_t>::min() ? kMaxFontPixels : -height;
    } else if (height > 0) {
        desc.PixelSize = static_cast<int>(std::lround(std::min<int32_t>(height, kMaxFontPixels * 2) * 0.87));
    } else {
        desc.PixelSize = 12;
    }
    desc.PixelSize = std::clamp(desc.PixelSize, 1, kMaxFontPixels);
    desc.Weight = static_cast<int>(std::clamp<int32_t>(r.I32(at + 16), 0, 1000));
    desc.Italic = r.p[at + 20] != 0;
    desc.Underline = r.p[at + 21] != 0;
    desc.StrikeOut = r.p[at + 22] != 0;
    desc.Charset = static_cast<uint8_t>(r.p[at + 23]);
    QString face;
    for (int i = 0; i < 32; ++i) {
        const uint16_t c = r.U16(at + 28 + 2 * i);
        if (c == 0) {
            break;
        }
        face.append(QChar(c));
    }
    desc.Face = face.isEmpty() ? QStringLiteral("Arial") : face;
    return desc;
}

inline QString TextOf(const Record& r, bool wide, uint32_t& count) {
    count = 0;
    if (!r.Has(kExtTextOutFixed)) {
        return {};
    }
    const uint32_t n = r.U32(44);
    const uint32_t offset = r.U32(48);
    if (!r.Fits(offset, n, wide ? 2 : 1)) {
        return {};
    }
    count = n;
    if (wide) {
        QString text(static_cast<qsizetype>(n), Qt::Uninitialized);
        for (uint32_t i = 0; i < n; ++i) {
            text[i] = QChar(r.U16(offset + 2 * i));
        }
        return text;
    }
    // Narrow text is in the Western code page: Latin-1 plus the 0x80-0x9F block.
    static constexpr char16_t kWindows1252[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text(static_cast<qsizetype>(n), Qt::Uninitialized);
    for (uint32_t i = 0; i < n; ++i) {
        const auto c = static_cast<uint8_t>(r.p[offset + i]);
        text[i] = QChar(c >= 0x80 && c < 0xA0 ? kWindows1252[c - 0x80] : char16_t(c));
    }
    return text;
}

}  // namespace quorin::emf
