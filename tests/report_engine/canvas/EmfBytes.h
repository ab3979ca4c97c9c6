#pragma once

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <initializer_list>

#include "report_engine/pages/QRPageRecording.h"

// Hand-made EMF records for the player's tests and the fuzzer's seeds.
namespace quorin::emfbytes {

inline void Put32(QByteArray& bytes, uint32_t value) {
    char b[4];
    qToLittleEndian<uint32_t>(value, b);
    bytes.append(b, 4);
}

/// A record of the type with the given 32-bit words after type and size.
inline QByteArray Rec(uint32_t type, std::initializer_list<int64_t> words) {
    QByteArray bytes;
    Put32(bytes, type);
    Put32(bytes, static_cast<uint32_t>(8 + 4 * words.size()));
    for (const int64_t w : words) {
        Put32(bytes, static_cast<uint32_t>(w));
    }
    return bytes;
}

/// A record whose size field says something else than its length.
inline QByteArray WithSize(QByteArray record, uint32_t size) {
    qToLittleEndian<uint32_t>(size, record.data() + 4);
    return record;
}

/// EXTTEXTOUTW (wide) or EXTTEXTOUTA at (x, y), with no advances.
inline QByteArray TextRec(int x, int y, const QString& text, bool wide) {
    QByteArray chars;
    if (wide) {
        for (const QChar c : text) {
            char b[2];
            qToLittleEndian<uint16_t>(c.unicode(), b);
            chars.append(b, 2);
        }
    } else {
        chars = text.toLatin1();
    }
    while (chars.size() % 4) {
        chars.append('\0');
    }
    QByteArray r = Rec(wide ? 84 : 83, {0, 0, -1, -1, 1, 0, 0, x, y, text.size(), 76, 0, 0, 0, -1, -1, 0});
    r.append(chars);
    qToLittleEndian<uint32_t>(static_cast<uint32_t>(r.size()), r.data() + 4);
    return r;
}

/// A page of 100 x 100 pixels holding the records.
inline QByteArray Page(const QByteArray& records, uint32_t count = 1) {
    return TQRPageRecording::FromRecords(QSize(100, 100), records, count).Data();
}

}  // namespace quorin::emfbytes
