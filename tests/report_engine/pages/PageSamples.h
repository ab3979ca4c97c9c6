#pragma once

#include <QByteArray>
#include <QtEndian>
#include <random>

#include "report_engine/pages/QRPageRecording.h"

namespace quorin::samples {

/// A page recording whose body is one comment record of about `bodySize`
/// bytes, filled from `seed` with text-like bytes (so that pages differ and
/// the coder has something to shrink).
inline TQRPageRecording Page(int seed, int bodySize = 200) {
    constexpr quint32 kGdiComment = 70;
    const int dataSize = (bodySize + 3) / 4 * 4;
    QByteArray record(12 + dataSize, '\0');
    qToLittleEndian<quint32>(kGdiComment, record.data());
    qToLittleEndian<quint32>(static_cast<quint32>(record.size()), record.data() + 4);
    qToLittleEndian<quint32>(static_cast<quint32>(dataSize), record.data() + 8);
    std::mt19937 rng(static_cast<unsigned>(seed));
    static const char kText[] = "Proposta de realinhamento de preco, lote 0001, item 0042  ";
    for (int i = 0; i < dataSize; ++i) {
        record[12 + i] =
            (rng() % 4 == 0) ? static_cast<char>(rng() % 256) : kText[(i + seed) % (sizeof kText - 1)];
    }
    return TQRPageRecording::FromRecords(QSize(794, 1123), record, 1);
}

}  // namespace quorin::samples
