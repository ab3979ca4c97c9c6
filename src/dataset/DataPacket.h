#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "dataset/Field.h"
#include "dataset/FieldValue.h"
#include "dataset/RowStore.h"

namespace quorin {

class TRegularFile;

/// One column of a data packet's schema.
struct TPacketColumn {
    QString name;
    TFieldType type = TFieldType::ftString;
    int size = 0;
    bool currency = false;
};

/// The TDataPacket class reads and writes the data-packet file form of process
/// (.KPZ) and proposal (.PRO) files, described in docs/data-packet.md. Opening
/// validates the header, the checksum and the schema; ReadRows decodes the rows. Every fault raises EDataSetError with a Portuguese message;
/// every length is checked against the bytes that remain, so hostile bytes never
/// crash the reader nor make it allocate beyond a small multiple of the input.
class TDataPacket {
  public:
    static constexpr char Magic[9] = "QUORINDP";
    static constexpr quint16 Version = 1;
    static constexpr int HeaderSize = 24;
    static constexpr qint64 MaxFileSize = qint64(1) << 30;
    /// Rows x fields beyond which a packet is refused (a 1,000,000-item process has 30 million).
    static constexpr quint64 MaxValues = quint64(64) << 20;

    /// A packet in memory.
    explicit TDataPacket(const QByteArray& bytes);
    /// A packet read from a file a piece at a time, never whole: refused as
    /// ReadRegularFile refuses (Exception), checked as the constructor checks.
    static TDataPacket FromFile(const QString& path);
    TDataPacket(TDataPacket&&) noexcept;
    TDataPacket& operator=(TDataPacket&&) noexcept;
    ~TDataPacket();

    /// Checks the first HeaderSize bytes (fewer when the file is shorter) against
    /// the file's size, before the body is read: signature, version, body size.
    static void CheckHeader(const QByteArray& header, qint64 fileSize);

    const std::vector<TPacketColumn>& Columns() const { return columns_; }
    int RowCount() const { return rowCount_; }

    /// Brings a value read from the file to its field's form.
    using Normalizer = std::function<TFieldValue(const TFieldValue&)>;

    /// Decodes every row into `out`, appending rows. Source column i goes to
    /// column target[i] of the store (target[i] < 0 drops it), through
    /// normalize[i] when that is set. A value repeated from the row above shares
    /// the stored one.
    /// Rows can be read once.
    void ReadRows(const std::vector<int>& target, const std::vector<Normalizer>& normalize,
                  TRowStore& out);

    /// Encodes a schema and the rows of a store, in the given order of row
    /// numbers, as a packet.
    static QByteArray Write(const std::vector<TField*>& columns, const TRowStore& rows,
                            const std::vector<uint32_t>& order);
    /// The same, handing the bytes to `sink` a piece at a time as they are made;
    /// the first HeaderSize bytes are a placeholder for the header it returns.
    static QByteArray Write(const std::vector<TField*>& columns, const TRowStore& rows,
                            const std::vector<uint32_t>& order, const std::function<void(QByteArrayView)>& sink);

  private:
    class Reader;

    TDataPacket() = default;
    void ReadHeader(const QByteArray& header);
    void ReadSchema();

    QByteArray bytes_;                    // a packet in memory
    std::unique_ptr<TRegularFile> file_;  // or in a file
    std::unique_ptr<Reader> reader_;      // positioned at the first row
    std::vector<TPacketColumn> columns_;
    int rowCount_ = 0;
    qint64 payloadSize_ = 0;
    uint32_t crc_ = 0;
};

}  // namespace quorin
