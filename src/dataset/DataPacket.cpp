#include "dataset/DataPacket.h"

#include <cstring>

#include "dataset/Crc32.h"
#include "dataset/DataSetError.h"
#include "runtime/FileAccess.h"

namespace quorin {

namespace {

enum ValueTag : uint8_t { TagNull = 0, TagValue = 1, TagRepeat = 2 };

constexpr int MaxNameBytes = 1024;

[[noreturn]] void Corrupt(const QString& detail) {
    throw EDataSetError(QStringLiteral("O arquivo está corrompido: %1.").arg(detail));
}

[[noreturn]] void Truncated() {
    throw EDataSetError(QStringLiteral("O arquivo está incompleto (truncado)."));
}

class Writer {
  public:
    explicit Writer(QByteArray& out) : out_(out) {}
    void U8(uint8_t v) { out_.append(char(v)); }
    void U16(uint16_t v) {
        const char b[2] = {char(v & 0xFF), char(v >> 8)};
        out_.append(b, 2);
    }
    void U32(uint32_t v) {
        const char b[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
        out_.append(b, 4);
    }
    void U64(uint64_t v) {
        U32(uint32_t(v));
        U32(uint32_t(v >> 32));
    }
    void F64(double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        U64(bits);
    }
    void Blob(QByteArrayView b) {
        U32(uint32_t(b.size()));
        out_.append(b);
    }
  private:
    QByteArray& out_;
};

// Values are kept in their field's storage form; these tolerate any other form.
int32_t IntOf(const TFieldValue& v) {
    if (const auto* i = std::get_if<int32_t>(&v)) {
        return *i;
    }
    const auto* f = std::get_if<double>(&v);
    return f ? int32_t(*f) : 0;
}

double DoubleOf(const TFieldValue& v) {
    if (const auto* f = std::get_if<double>(&v)) {
        return *f;
    }
    const auto* i = std::get_if<int32_t>(&v);
    return i ? double(*i) : 0.0;
}

}  // namespace

// Little-endian reader that refuses to run past its end: over bytes in memory, or
// over a file's bytes fetched a piece at a time (their CRC kept as they come).
class TDataPacket::Reader {
  public:
    Reader(const char* data, qsizetype size)
        : p_(reinterpret_cast<const unsigned char*>(data)), end_(p_ + size), fetched_(size), total_(size) {}
    Reader(TRegularFile* file, qint64 offset, qint64 size) : file_(file), offset_(offset), total_(size) {}

    qint64 Remaining() const { return total_ - fetched_ + (end_ - p_); }
    bool Has(qint64 n) const { return n >= 0 && Remaining() >= n; }
    uint32_t FetchedCrc() const { return crc_; }

    uint8_t U8() { return Need(1), *p_++; }
    uint16_t U16() {
        Need(2);
        const uint16_t v = uint16_t(p_[0] | p_[1] << 8);
        p_ += 2;
        return v;
    }
    uint32_t U32() {
        Need(4);
        const uint32_t v =
            uint32_t(p_[0]) | uint32_t(p_[1]) << 8 | uint32_t(p_[2]) << 16 | uint32_t(p_[3]) << 24;
        p_ += 4;
        return v;
    }
    uint64_t U64() {
        const uint64_t lo = U32();
        return lo | uint64_t(U32()) << 32;
    }
    double F64() {
        const uint64_t bits = U64();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    const char* Bytes(qsizetype n) {
        Need(n);
        const char* s = reinterpret_cast<const char*>(p_);
        p_ += n;
        return s;
    }

  private:
    static constexpr qint64 kPiece = qint64(1) << 20;

    void Need(qsizetype n) {
        if (end_ - p_ >= n) {
            return;
        }
        if (!Has(n)) {
            Corrupt(QStringLiteral("um valor ultrapassa o fim dos dados"));
        }
        Fetch(n);
    }

    // Makes the next n bytes contiguous: the unread rest moves to the front of the
    // buffer and the file fills the remainder, a piece at least.
    void Fetch(qsizetype n) {
        const qsizetype kept = end_ - p_;
        const qint64 want = std::max<qint64>(n, std::min<qint64>(kPiece, Remaining()));
        if (qint64(buffer_.size()) < want) {
            std::vector<char> bigger(static_cast<std::size_t>(want));
            if (kept > 0) {
                std::memcpy(bigger.data(), p_, size_t(kept));
            }
            buffer_.swap(bigger);
        } else if (kept > 0) {
            std::memmove(buffer_.data(), p_, size_t(kept));
        }
        const qint64 more = want - kept;
        const qint64 got = file_->ReadAt(offset_ + fetched_, buffer_.data() + kept, more);
        if (got != more) {
            Truncated();  // the file shrank since it was opened
        }
        crc_ = Crc32(buffer_.data() + kept, size_t(got), crc_);
        fetched_ += got;
        p_ = reinterpret_cast<const unsigned char*>(buffer_.data());
        end_ = p_ + kept + got;
    }

    const unsigned char* p_ = nullptr;
    const unsigned char* end_ = nullptr;
    TRegularFile* file_ = nullptr;
    qint64 offset_ = 0;
    qint64 fetched_ = 0;  // bytes taken from the source so far
    qint64 total_ = 0;
    uint32_t crc_ = 0;
    std::vector<char> buffer_;
};

void TDataPacket::CheckHeader(const QByteArray& header, qint64 fileSize) {
    if (fileSize == 0) {
        throw EDataSetError(QStringLiteral("O arquivo está vazio."));
    }
    const qsizetype magicLen = qsizetype(sizeof(Magic) - 1);
    const qsizetype compared = std::min(header.size(), magicLen);
    if (std::memcmp(header.constData(), Magic, size_t(compared)) != 0) {
        throw EDataSetError(
            QStringLiteral("O arquivo não é um pacote de dados do Quorin (assinatura inválida)."));
    }
    if (header.size() < HeaderSize || fileSize < HeaderSize) {
        Truncated();
    }
    Reader r(header.constData() + magicLen, HeaderSize - magicLen);
    const uint16_t version = r.U16();
    const uint16_t flags = r.U16();
    const uint64_t payloadSize = r.U64();
    if (version > Version) {
        throw EDataSetError(
            QStringLiteral("O arquivo foi gravado numa versão mais nova do formato (versão %1); "
                           "este programa lê até a versão %2.")
                .arg(version)
                .arg(Version));
    }
    if (version == 0) {
        Corrupt(QStringLiteral("versão de formato 0"));
    }
    if (flags != 0) {
        Corrupt(QStringLiteral("indicadores desconhecidos no cabeçalho"));
    }
    const uint64_t available = uint64_t(fileSize - HeaderSize);
    if (payloadSize > available) {
        Truncated();
    }
    if (payloadSize < available) {
        Corrupt(QStringLiteral("há bytes a mais depois dos dados"));
    }
}

TDataPacket::TDataPacket(TDataPacket&&) noexcept = default;
TDataPacket& TDataPacket::operator=(TDataPacket&&) noexcept = default;
TDataPacket::~TDataPacket() = default;

namespace {

void ChecksumFailed() {
    throw EDataSetError(QStringLiteral("O arquivo está corrompido: a soma de verificação não confere."));
}

}  // namespace

void TDataPacket::ReadHeader(const QByteArray& header) {
    Reader r(header.constData() + sizeof(Magic) - 1 + 4, HeaderSize - qsizetype(sizeof(Magic) - 1) - 4);
    payloadSize_ = qint64(r.U64());
    crc_ = r.U32();
}

TDataPacket::TDataPacket(const QByteArray& bytes) : bytes_(bytes) {
    CheckHeader(bytes_.left(HeaderSize), bytes_.size());
    ReadHeader(bytes_.left(HeaderSize));
    if (Crc32(bytes_.constData() + HeaderSize, size_t(payloadSize_)) != crc_) {
        ChecksumFailed();
    }
    reader_ = std::make_unique<Reader>(bytes_.constData() + HeaderSize, qsizetype(payloadSize_));
    ReadSchema();
}

TDataPacket TDataPacket::FromFile(const QString& path) {
    TDataPacket packet;
    packet.file_ = std::make_unique<TRegularFile>(path, MaxFileSize);
    TRegularFile& file = *packet.file_;
    QByteArray header(qsizetype(std::min<qint64>(HeaderSize, file.Size())), '\0');
    header.truncate(qsizetype(file.ReadAt(0, header.data(), header.size())));
    CheckHeader(header, file.Size());
    packet.ReadHeader(header);
    // The checksum first, a piece at a time, before anything is decoded.
    std::vector<char> piece(std::size_t(4) << 20);
    uint32_t crc = 0;
    for (qint64 at = 0; at < packet.payloadSize_;) {
        const qint64 want = std::min<qint64>(qint64(piece.size()), packet.payloadSize_ - at);
        const qint64 got = file.ReadAt(HeaderSize + at, piece.data(), want);
        if (got != want) {
            Truncated();
        }
        crc = Crc32(piece.data(), size_t(got), crc);
        at += got;
    }
    if (crc != packet.crc_) {
        ChecksumFailed();
    }
    packet.reader_ = std::make_unique<Reader>(&file, HeaderSize, packet.payloadSize_);
    packet.ReadSchema();
    return packet;
}

void TDataPacket::ReadSchema() {
    Reader& r = *reader_;
    const int columnCount = r.U16();
    // Each column needs at least 8 bytes of schema.
    if (!r.Has(qsizetype(columnCount) * 8)) {
        Corrupt(QStringLiteral("quantidade de campos inválida (%1)").arg(columnCount));
    }
    columns_.reserve(size_t(columnCount));
    for (int i = 0; i < columnCount; ++i) {
        TPacketColumn c;
        const int kind = r.U8();
        const int colFlags = r.U8();
        const uint32_t size = r.U32();
        const int nameBytes = r.U16();
        if (nameBytes < 1 || nameBytes > MaxNameBytes) {
            Corrupt(
                QStringLiteral("nome do campo %1 com tamanho inválido (%2 bytes)").arg(i + 1).arg(nameBytes));
        }
        c.name = QString::fromUtf8(r.Bytes(nameBytes), nameBytes);
        if (!IsKnownFieldType(kind)) {
            Corrupt(QStringLiteral("tipo desconhecido (%1) no campo '%2'").arg(kind).arg(c.name));
        }
        c.type = static_cast<TFieldType>(kind);
        if (colFlags & ~1) {
            Corrupt(QStringLiteral("indicadores desconhecidos no campo '%1'").arg(c.name));
        }
        c.currency = (colFlags & 1) != 0;
        if (c.type == TFieldType::ftString) {
            if (size < 1 || size > 1000000) {
                Corrupt(QStringLiteral("tamanho inválido (%1) no campo '%2'").arg(size).arg(c.name));
            }
            c.size = int(size);
        } else if (size != 0) {
            Corrupt(QStringLiteral("tamanho inválido (%1) no campo '%2'").arg(size).arg(c.name));
        }
        for (const TPacketColumn& other : columns_) {
            if (other.name.compare(c.name, Qt::CaseInsensitive) == 0) {
                Corrupt(QStringLiteral("o campo '%1' aparece duas vezes").arg(c.name));
            }
        }
        columns_.push_back(std::move(c));
    }
    const uint32_t rows = r.U32();
    // Each value takes at least its tag byte.
    const uint64_t minimum = uint64_t(rows) * uint64_t(columnCount);
    if ((columnCount == 0 && rows != 0) || minimum > uint64_t(r.Remaining()) || rows > 0x7FFFFFFFu) {
        Corrupt(QStringLiteral("quantidade de registros inválida (%1)").arg(rows));
    }
    // Refuse tables no process comes near, before any row is built.
    if (minimum > MaxValues) {
        throw EDataSetError(
            QStringLiteral("O arquivo tem valores demais (%1 registros de %2 campos) para ser carregado.")
                .arg(rows)
                .arg(columnCount));
    }
    rowCount_ = int(rows);
}

void TDataPacket::ReadRows(const std::vector<int>& target, const std::vector<Normalizer>& normalize,
                           TRowStore& out) {
    if (!reader_) {
        throw EDataSetError(QStringLiteral("Os registros do arquivo já foram lidos."));
    }
    const std::unique_ptr<Reader> reader = std::move(reader_);
    Reader& r = *reader;
    const int columnCount = int(columns_.size());
    const int width = out.ColumnCount();
    // Bounded by the file: the constructor checked a byte per value at least.
    out.Reserve(uint32_t(rowCount_));
    for (int row = 0; row < rowCount_; ++row) {
        const uint32_t id = out.AddRow();
        for (int c = 0; c < columnCount; ++c) {
            const TPacketColumn& col = columns_[size_t(c)];
            int to = c < int(target.size()) ? target[size_t(c)] : -1;
            if (to >= width) {
                to = -1;
            }
            const Normalizer* fix =
                c < int(normalize.size()) && normalize[size_t(c)] ? &normalize[size_t(c)] : nullptr;
            const uint8_t tag = r.U8();
            if (tag == TagNull) {
                continue;
            }
            if (tag == TagRepeat) {
                if (row == 0) {
                    Corrupt(QStringLiteral("repetição no primeiro registro, campo '%1'").arg(col.name));
                }
                if (to >= 0) {
                    out.CopyValue(id - 1, id, to);
                }
                continue;
            }
            if (tag != TagValue) {
                Corrupt(QStringLiteral("marca de valor inválida (%1) no registro %2, campo '%3'")
                            .arg(tag)
                            .arg(row + 1)
                            .arg(col.name));
            }
            TFieldValue v;
            switch (col.type) {
                case TFieldType::ftSmallint:
                    v = int32_t(int16_t(r.U16()));
                    break;
                case TFieldType::ftInteger:
                    v = int32_t(r.U32());
                    break;
                case TFieldType::ftFloat:
                case TFieldType::ftDateTime:
                    v = r.F64();
                    break;
                case TFieldType::ftString:
                case TFieldType::ftMemo:
                case TFieldType::ftBlob: {
                    const uint32_t n = r.U32();
                    if (!r.Has(qsizetype(n))) {
                        Corrupt(QStringLiteral("tamanho de texto inválido no registro %1, campo '%2'")
                                    .arg(row + 1)
                                    .arg(col.name));
                    }
                    const char* bytes = r.Bytes(qsizetype(n));
                    const bool blob = col.type == TFieldType::ftBlob;
                    if (to < 0) {
                        break;
                    }
                    // Bytes go straight into the store unless they need converting:
                    // damaged UTF-8 is read as QString reads it.
                    if (!fix && (blob || QByteArrayView(bytes, qsizetype(n)).isValidUtf8())) {
                        out.SetBytes(id, to, bytes, qsizetype(n));
                        continue;
                    }
                    if (blob) {
                        v = QByteArray(bytes, qsizetype(n));
                    } else {
                        v = TextFromUtf8(QByteArrayView(bytes, qsizetype(n)));
                    }
                    break;
                }
            }
            if (to >= 0) {
                out.SetValue(id, to, fix ? (*fix)(v) : v);
            }
        }
    }
    if (r.Remaining() != 0) {
        Corrupt(QStringLiteral("há bytes a mais depois do último registro"));
    }
    // A file read a piece at a time was checked before decoding; what was decoded must be that.
    if (file_ && r.FetchedCrc() != crc_) {
        throw EDataSetError(QStringLiteral("O arquivo foi alterado enquanto era lido; abra-o novamente."));
    }
}

QByteArray TDataPacket::Write(const std::vector<TField*>& columns, const TRowStore& rows,
                              const std::vector<uint32_t>& order, const std::function<void(QByteArrayView)>& sink) {
    constexpr qsizetype kPiece = qsizetype(1) << 20;
    QByteArray out;
    out.reserve(kPiece + 4096);
    out.resize(HeaderSize);  // a placeholder for the header, known once the payload is
    qsizetype payload = 0;
    uint32_t crc = 0;
    bool first = true;
    auto flush = [&] {
        const qsizetype skip = first ? HeaderSize : 0;
        crc = Crc32(out.constData() + skip, size_t(out.size() - skip), crc);
        payload += out.size() - skip;
        sink(out);
        out.resize(0);  // keeps the capacity
        first = false;
    };
    Writer w(out);
    w.U16(uint16_t(columns.size()));
    for (const TField* f : columns) {
        const QByteArray name = f->FieldName().toUtf8();
        const auto* ff = dynamic_cast<const TFloatField*>(f);
        w.U8(uint8_t(f->DataType()));
        w.U8(ff && ff->Currency() ? 1 : 0);
        w.U32(f->DataType() == TFieldType::ftString ? uint32_t(f->Size()) : 0u);
        w.U16(uint16_t(name.size()));
        out.append(name);
    }
    w.U32(uint32_t(order.size()));
    const int width = std::min(int(columns.size()), rows.ColumnCount());
    for (std::size_t p = 0; p < order.size(); ++p) {
        const uint32_t row = order[p];
        for (int c = 0; c < int(columns.size()); ++c) {
            if (c >= width || rows.IsNull(row, c)) {
                w.U8(TagNull);
                continue;
            }
            if (p > 0 && rows.Same(row, order[p - 1], c)) {
                w.U8(TagRepeat);
                continue;
            }
            w.U8(TagValue);
            switch (columns[size_t(c)]->DataType()) {
                case TFieldType::ftSmallint:
                    w.U16(uint16_t(int16_t(IntOf(rows.Value(row, c)))));
                    break;
                case TFieldType::ftInteger:
                    w.U32(uint32_t(IntOf(rows.Value(row, c))));
                    break;
                case TFieldType::ftFloat:
                case TFieldType::ftDateTime:
                    w.F64(DoubleOf(rows.Value(row, c)));
                    break;
                case TFieldType::ftString:
                case TFieldType::ftMemo:
                case TFieldType::ftBlob:
                    w.Blob(rows.Bytes(row, c));
                    break;
            }
        }
        if (out.size() >= kPiece) {
            flush();
        }
    }
    flush();

    QByteArray header;
    header.append(Magic, qsizetype(sizeof(Magic) - 1));
    Writer h(header);
    h.U16(Version);
    h.U16(0);
    h.U64(uint64_t(payload));
    h.U32(crc);
    return header;
}

QByteArray TDataPacket::Write(const std::vector<TField*>& columns, const TRowStore& rows,
                              const std::vector<uint32_t>& order) {
    QByteArray bytes;
    bytes.reserve(qsizetype(HeaderSize + 64 + columns.size() * 24 + order.size() * columns.size() * 8));
    const QByteArray header = Write(columns, rows, order, [&bytes](QByteArrayView piece) { bytes.append(piece); });
    std::memcpy(bytes.data(), header.constData(), size_t(HeaderSize));
    return bytes;
}

}  // namespace quorin
