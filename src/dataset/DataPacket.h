#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

#include "dataset/Field.h"
#include "dataset/FieldValue.h"

namespace quorin {

/// One column of a data packet's schema.
struct TPacketColumn {
    QString name;
    TFieldType type = TFieldType::ftString;
    int size = 0;
    bool currency = false;
};

/// The TDataPacket class reads and writes the data-packet file form of process
/// (.KPZ) and proposal (.PRO) files, described in docs/data-packet.md. The
/// constructor validates the header, the checksum and the schema; ReadRows
/// decodes the rows. Every fault raises EDataSetError with a Portuguese message;
/// every length is checked against the bytes that remain, so hostile bytes never
/// crash the reader nor make it allocate beyond a small multiple of the input.
class TDataPacket {
  public:
    static constexpr char Magic[9] = "QUORINDP";
    static constexpr quint16 Version = 1;
    static constexpr int HeaderSize = 24;
    static constexpr qint64 MaxFileSize = qint64(1) << 30;
    /// Rows x fields beyond which a packet is refused (a 50,000-item process has 1.5 million).
    static constexpr quint64 MaxValues = quint64(32) << 20;

    explicit TDataPacket(const QByteArray& bytes);

    /// Checks the first HeaderSize bytes (fewer when the file is shorter) against
    /// the file's size, before the body is read: signature, version, body size.
    static void CheckHeader(const QByteArray& header, qint64 fileSize);

    const std::vector<TPacketColumn>& Columns() const { return columns_; }
    int RowCount() const { return rowCount_; }

    /// Decodes every row. Source column i goes to stored column target[i] of a row
    /// of `width` values (target[i] < 0 drops it).
    std::vector<std::vector<TFieldValue>> ReadRows(const std::vector<int>& target, int width) const;

    /// Encodes a schema and rows (values in column order) as a packet.
    static QByteArray Write(const std::vector<TField*>& columns,
                            const std::vector<const std::vector<TFieldValue>*>& rows);

  private:
    QByteArray bytes_;
    std::vector<TPacketColumn> columns_;
    int rowCount_ = 0;
    qsizetype rowsOffset_ = 0;
};

}  // namespace quorin
