#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>

namespace quorin {

/// The recording of one page: the bytes of an enhanced metafile (EMF). Only
/// the header is examined here; the header's size field gives the length, which
/// is how the page store reads plain page data without a length of its own.
class TQRPageRecording {
  public:
    /// Size of the EMF header record up to and including szlMillimeters.
    static constexpr int HeaderSize = 88;
    static constexpr uint32_t EmrHeader = 1;
    static constexpr uint32_t EmrEof = 14;
    static constexpr uint32_t Signature = 0x464D4520;  // " EMF"

    /// Checks the first HeaderSize bytes of a recording. On success returns
    /// true and gives the recording's total length in bytes; otherwise returns
    /// false with the reason in Portuguese.
    static bool ReadLength(QByteArrayView header, uint32_t& length, QString* error = nullptr);

    /// A recording from its bytes. Raises EQRError when the bytes do not start
    /// with a valid EMF header or their count differs from the header's length.
    explicit TQRPageRecording(QByteArray bytes);

    /// A recording of the given records (each already in EMF record form)
    /// framed by a header and an end-of-file record, for a page of
    /// pagePixels at the reference device resolution dotsPerInch.
    static TQRPageRecording FromRecords(QSize pagePixels, const QByteArray& records, uint32_t recordCount,
                                        int dotsPerInch = 96);

    const QByteArray& Data() const { return bytes_; }
    qsizetype Size() const { return bytes_.size(); }

    /// The header's bounds (device pixels, inclusive) and frame (0.01 mm, inclusive).
    QRect Bounds() const;
    QRect Frame() const;
    /// The reference device: its size in pixels and in millimetres.
    QSize DevicePixels() const;
    QSize DeviceMillimeters() const;

    bool operator==(const TQRPageRecording& other) const { return bytes_ == other.bytes_; }

  private:
    int32_t Int32At(int offset) const;
    QRect RectAt(int offset) const;

    QByteArray bytes_;
};

}  // namespace quorin
