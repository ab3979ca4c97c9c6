#include "report_engine/pages/QRPageRecording.h"

#include <QtEndian>
#include <cmath>

#include "report_engine/pages/EQRError.h"

namespace quorin {

namespace {

uint32_t U32(QByteArrayView bytes, int offset) {
    return qFromLittleEndian<uint32_t>(bytes.data() + offset);
}

void PutU32(QByteArray& bytes, int offset, uint32_t value) {
    qToLittleEndian<uint32_t>(value, bytes.data() + offset);
}

}  // namespace

bool TQRPageRecording::ReadLength(QByteArrayView header, uint32_t& length, QString* error) {
    auto fail = [error](const QString& why) {
        if (error) {
            *error = why;
        }
        return false;
    };
    if (header.size() < HeaderSize) {
        return fail(QStringLiteral("a gravação tem menos bytes que um cabeçalho EMF"));
    }
    if (U32(header, 0) != EmrHeader || U32(header, 40) != Signature) {
        return fail(QStringLiteral("a gravação não começa com um cabeçalho EMF"));
    }
    const uint32_t headerRecordSize = U32(header, 4);
    const uint32_t total = U32(header, 48);
    if (headerRecordSize < HeaderSize || headerRecordSize % 4 != 0) {
        return fail(QStringLiteral("o cabeçalho EMF declara um tamanho de registro inválido"));
    }
    if (total < headerRecordSize || total % 4 != 0 || U32(header, 52) == 0) {
        return fail(QStringLiteral("o cabeçalho EMF declara um comprimento inválido"));
    }
    length = total;
    return true;
}

TQRPageRecording::TQRPageRecording(QByteArray bytes) : bytes_(std::move(bytes)) {
    uint32_t length = 0;
    QString why;
    if (!ReadLength(bytes_, length, &why)) {
        throw EQRError(QStringLiteral("Gravação de página inválida: %1.").arg(why));
    }
    if (length != static_cast<uint64_t>(bytes_.size())) {
        throw EQRError(
            QStringLiteral("Gravação de página inválida: o cabeçalho EMF declara %1 bytes, mas há %2.")
                .arg(length)
                .arg(bytes_.size()));
    }
}

TQRPageRecording TQRPageRecording::FromRecords(QSize pagePixels, const QByteArray& records,
                                               uint32_t recordCount, int dotsPerInch) {
    Q_ASSERT(records.size() % 4 == 0);
    constexpr int kEofSize = 20;
    QByteArray bytes(HeaderSize, '\0');
    // Reference device: a 1920 x 1080 screen at dotsPerInch.
    const int deviceWidth = 1920;
    const int deviceHeight = 1080;
    const auto toHundredthsMm = [dotsPerInch](int pixels) {
        return static_cast<uint32_t>(std::lround(pixels * 2540.0 / dotsPerInch));
    };
    PutU32(bytes, 0, EmrHeader);
    PutU32(bytes, 4, HeaderSize);
    PutU32(bytes, 8, 0);
    PutU32(bytes, 12, 0);
    PutU32(bytes, 16, static_cast<uint32_t>(pagePixels.width() - 1));
    PutU32(bytes, 20, static_cast<uint32_t>(pagePixels.height() - 1));
    PutU32(bytes, 24, 0);
    PutU32(bytes, 28, 0);
    PutU32(bytes, 32, toHundredthsMm(pagePixels.width()) - 1);
    PutU32(bytes, 36, toHundredthsMm(pagePixels.height()) - 1);
    PutU32(bytes, 40, Signature);
    PutU32(bytes, 44, 0x10000);
    PutU32(bytes, 48, static_cast<uint32_t>(HeaderSize + records.size() + kEofSize));
    PutU32(bytes, 52, recordCount + 2);
    PutU32(bytes, 72, deviceWidth);
    PutU32(bytes, 76, deviceHeight);
    PutU32(bytes, 80, toHundredthsMm(deviceWidth) / 100);
    PutU32(bytes, 84, toHundredthsMm(deviceHeight) / 100);
    bytes.append(records);
    QByteArray eof(kEofSize, '\0');
    PutU32(eof, 0, EmrEof);
    PutU32(eof, 4, kEofSize);
    PutU32(eof, 12, 16);
    PutU32(eof, 16, kEofSize);
    bytes.append(eof);
    return TQRPageRecording(std::move(bytes));
}

int32_t TQRPageRecording::Int32At(int offset) const {
    return qFromLittleEndian<int32_t>(bytes_.constData() + offset);
}

QRect TQRPageRecording::RectAt(int offset) const {
    return QRect(QPoint(Int32At(offset), Int32At(offset + 4)),
                 QPoint(Int32At(offset + 8), Int32At(offset + 12)));
}

QRect TQRPageRecording::Bounds() const {
    return RectAt(8);
}
QRect TQRPageRecording::Frame() const {
    return RectAt(24);
}
QSize TQRPageRecording::DevicePixels() const {
    return QSize(Int32At(72), Int32At(76));
}
QSize TQRPageRecording::DeviceMillimeters() const {
    return QSize(Int32At(80), Int32At(84));
}

}  // namespace quorin
