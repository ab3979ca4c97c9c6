#include "report_engine/pages/QRPageList.h"

#include <QDateTime>
#include <QDir>
#include <QtEndian>
#include <cstring>
#include <limits>

#include "report_engine/pages/EQRError.h"
#include "report_engine/pages/QRCompress.h"
#include "runtime/DateTime.h"
#include "runtime/SafeFile.h"

namespace quorin {

namespace {

using Guard = std::lock_guard<std::recursive_mutex>;

constexpr int kPageCountOffset = 8;
constexpr int kDateOffset = 16;
constexpr int kCompressionOffset = 25;
constexpr qint64 kMaxOffset = std::numeric_limits<int32_t>::max();

// Page number, next-record offset, start offset; and the length before coding.
constexpr qint64 kPlainOverhead = 12;
constexpr qint64 kCompressedOverhead = 16;
// A coded byte carries at most eight bytes of a recording (one bit each), and
// no recording is shorter than its EMF header.
constexpr qint64 kMaxExpansion = 8;
constexpr qint64 kMinCodedRecording = (TQRPageRecording::HeaderSize + kMaxExpansion - 1) / kMaxExpansion;

qint64 MinRecordSize(bool compressed) {
    return compressed ? kCompressedOverhead + kMinCodedRecording
                      : kPlainOverhead + TQRPageRecording::HeaderSize;
}

// Messages of a page file that cannot be read; a damaged page keeps its number.
EQRError NotAPageFile() {
    return EQRError(QStringLiteral("O arquivo não é um arquivo de páginas de relatório."));
}
EQRError Truncated() {
    return EQRError(QStringLiteral("O arquivo de páginas está truncado."));
}
EQRError PageTruncated(int page) {
    return EQRError(QStringLiteral("O arquivo de páginas está truncado na página %1.").arg(page));
}
EQRError BrokenLink(int page) {
    return EQRError(QStringLiteral("O encadeamento do registro da página %1 está corrompido.").arg(page));
}
EQRError LinkOutside(int page) {
    return EQRError(QStringLiteral("O registro da página %1 aponta para fora do arquivo.").arg(page));
}
EQRError WrongLength(int page) {
    return EQRError(
        QStringLiteral("O comprimento da gravação da página %1 não corresponde ao seu registro.").arg(page));
}
EQRError BadRecording(int page, const QString& why) {
    return EQRError(
        QStringLiteral("A página %1 não é uma gravação de página válida: %2.").arg(page).arg(why));
}
EQRError DamagedCode(int page) {
    return EQRError(QStringLiteral("Os dados comprimidos da página %1 estão danificados.").arg(page));
}

// A run that has laid out at least a fiftieth of its rows, on a few pages,
// tells its final size well enough from the bytes stored so far (a listing's
// pages are much alike); it is refused early when that points a tenth or more
// past the limit, so a run that may just fit goes on and meets the exact check
// of every page instead.
constexpr qint64 kEarlyShareDivisor = 50;
constexpr int kEarlyMinPages = 8;
constexpr double kEarlyMargin = 1.1;

// A size for a message: "2 GB", "3,6 GB", "640 KB".
QString SizeText(double bytes) {
    static const char* const units[] = {"bytes", "KB", "MB", "GB"};
    int unit = 0;
    while (unit < 3 && bytes >= 1024.0 * 0.95) {
        bytes /= 1024.0;
        ++unit;
    }
    QString text = QString::number(bytes, 'f', unit == 0 ? 0 : 1);
    if (text.endsWith(QStringLiteral(".0"))) {
        text.chop(2);
    }
    return text.replace(u'.', u',') + u' ' + QLatin1String(units[unit]);
}

void ReadExact(TQRStream& stream, void* buffer, qint64 count, int page) {
    if (stream.Read(buffer, count) != count) {
        throw page > 0 ? PageTruncated(page) : Truncated();
    }
}

int32_t ReadInt32(TQRStream& stream, int page) {
    char bytes[4];
    ReadExact(stream, bytes, 4, page);
    return qFromLittleEndian<int32_t>(bytes);
}

int32_t ReadInt32At(TQRStream& stream, qint64 offset, int page) {
    stream.Seek(offset, TQRStream::soBeginning);
    return ReadInt32(stream, page);
}

void AppendInt32(QByteArray& bytes, qint64 value) {
    char b[4];
    qToLittleEndian<int32_t>(static_cast<int32_t>(value), b);
    bytes.append(b, 4);
}

// Walks the whole file once, so that every later walk between records stays
// on records of this file; returns the page count.
struct FileCheck {
    int pageCount = 0;
    bool compressed = false;
};

FileCheck CheckPageFile(TQRStream& stream) {
    FileCheck result;
    const qint64 size = stream.Size();
    char header[TQRPageList::HeaderSize];
    stream.Seek(0, TQRStream::soBeginning);
    const qint64 got = stream.Read(header, TQRPageList::HeaderSize);
    if (got < 4 || qFromLittleEndian<uint16_t>(header) != TQRPageList::Magic ||
        qFromLittleEndian<uint16_t>(header + 2) != TQRPageList::Version) {
        throw NotAPageFile();
    }
    if (got < TQRPageList::HeaderSize) {
        throw Truncated();
    }
    if (size > kMaxOffset) {
        throw EQRError(QStringLiteral("O arquivo de páginas é grande demais (mais de 2 GB)."));
    }
    const auto flag = static_cast<uint8_t>(header[kCompressionOffset]);
    if (flag > 1) {
        throw EQRError(
            QStringLiteral("O arquivo de páginas tem um indicador de compressão inválido (%1).").arg(flag));
    }
    result.compressed = flag == 1;
    const int32_t count = qFromLittleEndian<int32_t>(header + kPageCountOffset);
    if (count < 0) {
        throw EQRError(
            QStringLiteral("O arquivo de páginas declara um número de páginas inválido (%1).").arg(count));
    }
    const qint64 minRecord = MinRecordSize(result.compressed);
    result.pageCount = count;
    if (count == 0) {
        if (size != TQRPageList::HeaderSize) {
            throw EQRError(QStringLiteral("O arquivo de páginas tem dados após a última página."));
        }
        return result;
    }
    // The last four bytes point at the last record, which must end the file.
    // Checking the tail first tells a cut file from a count or a link that
    // does not fit it.
    const qint64 last = size >= TQRPageList::HeaderSize + minRecord ? ReadInt32At(stream, size - 4, 0) : 0;
    if (last < TQRPageList::HeaderSize || last > size - minRecord ||
        ReadInt32At(stream, last + 4, 0) != size) {
        throw EQRError(
            QStringLiteral("O arquivo de páginas está truncado ou incompleto: o final não fecha a página %1.")
                .arg(count));
    }
    if (count > (size - TQRPageList::HeaderSize) / minRecord) {
        throw EQRError(
            QStringLiteral("O arquivo de páginas declara %1 páginas, mais do que o seu tamanho comporta.")
                .arg(count));
    }
    const int32_t lastNumber = ReadInt32At(stream, last, 0);
    if (lastNumber >= 1 && lastNumber < count) {
        throw EQRError(QStringLiteral("O arquivo de páginas está truncado: termina na página %1 de %2.")
                           .arg(lastNumber)
                           .arg(count));
    }
    if (lastNumber != count) {
        throw EQRError(
            QStringLiteral(
                "O número de páginas do cabeçalho (%1) não corresponde à última página do arquivo (%2).")
                .arg(count)
                .arg(lastNumber));
    }
    qint64 start = TQRPageList::HeaderSize;
    for (int page = 1; page <= count; ++page) {
        if (start > size - minRecord) {
            throw PageTruncated(page);
        }
        const int32_t number = ReadInt32At(stream, start, page);
        if (number != page) {
            throw EQRError(QStringLiteral("O registro da página %1 traz o número %2.").arg(page).arg(number));
        }
        const qint64 next = ReadInt32(stream, page);
        if (next > size || next < 0) {
            throw LinkOutside(page);
        }
        if (next < start + minRecord || ReadInt32At(stream, next - 4, page) != start) {
            throw BrokenLink(page);
        }
        const qint64 dataStart = start + (result.compressed ? 12 : 8);
        const qint64 dataLength = next - 4 - dataStart;
        if (result.compressed) {
            const qint64 length = ReadInt32At(stream, start + 8, page);
            if (length < TQRPageRecording::HeaderSize || length > dataLength * kMaxExpansion) {
                throw WrongLength(page);
            }
        } else {
            char emf[TQRPageRecording::HeaderSize];
            stream.Seek(dataStart, TQRStream::soBeginning);
            ReadExact(stream, emf, sizeof emf, page);
            uint32_t length = 0;
            QString why;
            if (!TQRPageRecording::ReadLength(QByteArrayView(emf, sizeof emf), length, &why)) {
                throw BadRecording(page, why);
            }
            if (length != dataLength) {
                throw WrongLength(page);
            }
        }
        start = next;
    }
    if (start != size) {
        throw EQRError(QStringLiteral("O arquivo de páginas tem dados após a última página."));
    }
    return result;
}

}  // namespace

TQRPageList::TQRPageList() : sizeLimit_(kMaxOffset) {}

void TQRPageList::RequireStream() const {
    if (!stream_) {
        throw EQRError(QStringLiteral("A lista de páginas não tem um fluxo de páginas."));
    }
}

TQRPageList::~TQRPageList() {
    Guard guard(lock_);
    stream_.reset();
}

std::shared_ptr<TQRStream> TQRPageList::GetStream() {
    Guard guard(lock_);
    return stream_;
}

void TQRPageList::SetStream(std::shared_ptr<TQRStream> stream) {
    Guard guard(lock_);
    stream_ = std::move(stream);
    runDone_ = 0;
    runTotal_ = 0;
}

void TQRPageList::SetRunShare(qint64 done, qint64 total) {
    runDone_ = done;
    runTotal_ = total;
}

void TQRPageList::WriteFileHeader() {
    Guard guard(lock_);
    RequireStream();
    char header[HeaderSize];
    std::memset(header, 0, sizeof header);
    qToLittleEndian<uint16_t>(Magic, header);
    qToLittleEndian<uint16_t>(Version, header + 2);
    qToLittleEndian<int32_t>(pageCount_, header + kPageCountOffset);
    const double now = DateTimeToDays(QDateTime::currentDateTime());
    uint64_t bits = 0;
    std::memcpy(&bits, &now, sizeof bits);
    qToLittleEndian<uint64_t>(bits, header + kDateOffset);
    header[kCompressionOffset] = compression_ ? 1 : 0;
    TQRStreamLock streamLock(*stream_);
    stream_->Seek(0, TQRStream::soBeginning);
    stream_->Write(header, HeaderSize);
}

void TQRPageList::ReadFileHeader() {
    Guard guard(lock_);
    RequireStream();
    TQRStreamLock streamLock(*stream_);
    char header[HeaderSize];
    stream_->Seek(0, TQRStream::soBeginning);
    ReadExact(*stream_, header, HeaderSize, 0);
    pageCount_ = qFromLittleEndian<int32_t>(header + kPageCountOffset);
    compression_ = header[kCompressionOffset] == 1;
}

void TQRPageList::AddPage(const TQRPageRecording& page) {
    Guard guard(lock_);
    RequireStream();
    TQRStreamLock streamLock(*stream_);
    const int number = pageCount_ + 1;
    pageCount_ = number;
    if (number == 1) {
        WriteFileHeader();
    }
    const qint64 start = stream_->Seek(0, TQRStream::soEnd);
    // The record is put together in memory and written at once; its bytes are
    // those of writing the fields one by one and patching the next offset.
    QByteArray record;
    const bool compressed = compression_;
    record.reserve(page.Size() + kCompressedOverhead);
    AppendInt32(record, number);
    AppendInt32(record, 0);
    if (compressed) {
        AppendInt32(record, page.Size());
        TQRCodeBuffer out(&record);
        TQRCompress coder(out, true);
        const auto* data = reinterpret_cast<const uint8_t*>(page.Data().constData());
        for (qsizetype i = 0, n = page.Size(); i < n; ++i) {
            coder.Compress(data[i]);
        }
    } else {
        record.append(page.Data());
    }
    const qint64 end = start + record.size() + 4;
    const qint64 limit = sizeLimit_;
    if (end > limit) {
        pageCount_ = number - 1;
        throw EQRError(QStringLiteral("O relatório excede o tamanho máximo de um arquivo de páginas (%1).")
                           .arg(SizeText(double(limit))));
    }
    const qint64 done = runDone_;
    const qint64 total = runTotal_;
    if (number >= kEarlyMinPages && done > 0 && total > done && done * kEarlyShareDivisor >= total) {
        const double estimate = double(end) * double(total) / double(done);
        if (estimate >= kEarlyMargin * double(limit)) {
            pageCount_ = number - 1;
            throw EQRError(
                QStringLiteral(
                    "O relatório ficaria com cerca de %1, acima do máximo de %2 de um arquivo de "
                    "páginas: é o que indicam as %3 primeiras páginas, com %4 de %5 registros. "
                    "Gere-o em PDF, que não tem esse limite, ou divida o processo em partes menores.")
                    .arg(SizeText(estimate), SizeText(double(limit)))
                    .arg(number)
                    .arg(done)
                    .arg(total));
        }
    }
    AppendInt32(record, start);
    qToLittleEndian<int32_t>(static_cast<int32_t>(end), record.data() + 4);
    stream_->Write(record.constData(), record.size());
}

void TQRPageList::SeekToFirst() {
    Guard guard(lock_);
    RequireStream();
    stream_->Seek(HeaderSize, TQRStream::soBeginning);
}

void TQRPageList::SeekToLast() {
    Guard guard(lock_);
    RequireStream();
    TQRStreamLock streamLock(*stream_);
    const qint64 size = stream_->Size();
    const qint64 last = ReadInt32At(*stream_, size - 4, pageCount_);
    if (last < HeaderSize || last >= size) {
        throw BrokenLink(pageCount_);
    }
    stream_->Seek(last, TQRStream::soBeginning);
}

void TQRPageList::SeekToPage(int pageNumber) {
    Guard guard(lock_);
    RequireStream();
    const int count = pageCount_;
    if (pageNumber == 1) {
        SeekToFirst();
        return;
    }
    if (pageNumber == count) {
        SeekToLast();
        return;
    }
    TQRStreamLock streamLock(*stream_);
    TQRStream& s = *stream_;
    const qint64 size = s.Size();
    if (s.Position() >= size) {
        SeekToLast();
    }
    qint64 here = s.Position();
    const int current = ReadInt32(s, pageNumber);
    s.Seek(here, TQRStream::soBeginning);
    // Every step moves strictly forwards or backwards inside the file, and no
    // more steps are taken than there are pages, so a damaged link ends the walk.
    for (int steps = 0; current != pageNumber; ++steps) {
        if (steps > count) {
            throw BrokenLink(pageNumber);
        }
        const int number = ReadInt32(s, pageNumber);
        if (number == pageNumber) {
            s.Seek(here, TQRStream::soBeginning);
            return;
        }
        qint64 target = 0;
        if (pageNumber > current) {
            target = ReadInt32(s, pageNumber);
            if (target <= here || target > size - 8) {
                throw BrokenLink(pageNumber);
            }
        } else {
            if (here < HeaderSize + 4) {
                throw BrokenLink(pageNumber);
            }
            target = ReadInt32At(s, here - 4, pageNumber);
            if (target < HeaderSize || target >= here) {
                throw BrokenLink(pageNumber);
            }
        }
        s.Seek(target, TQRStream::soBeginning);
        here = target;
    }
}

std::unique_ptr<TQRPageRecording> TQRPageList::GetPage(int pageNumber) {
    Guard guard(lock_);
    if (!stream_ || pageNumber < 1 || pageNumber > pageCount_) {
        return nullptr;
    }
    TQRStreamLock streamLock(*stream_);
    TQRStream& s = *stream_;
    // A read that fails leaves the stream where it was, so the walk to any other
    // page starts from a record boundary and a damaged page hides no other.
    const qint64 before = s.Position();
    try {
        return ReadPageHere(pageNumber);
    } catch (...) {
        s.Seek(before, TQRStream::soBeginning);
        throw;
    }
}

std::unique_ptr<TQRPageRecording> TQRPageList::ReadPageHere(int pageNumber) {
    TQRStream& s = *stream_;
    SeekToPage(pageNumber);
    const qint64 start = s.Position();
    const qint64 size = s.Size();
    const bool compressed = compression_;
    if (ReadInt32(s, pageNumber) != pageNumber) {
        throw BrokenLink(pageNumber);
    }
    const qint64 next = ReadInt32(s, pageNumber);
    if (next > size || next < start + MinRecordSize(compressed)) {
        throw LinkOutside(pageNumber);
    }
    const qint64 dataLength = next - 4 - start - (compressed ? 12 : 8);
    QByteArray bytes;
    if (compressed) {
        const qint64 length = ReadInt32(s, pageNumber);
        if (length < TQRPageRecording::HeaderSize || length > dataLength * kMaxExpansion) {
            throw WrongLength(pageNumber);
        }
        QByteArray coded(dataLength, Qt::Uninitialized);
        ReadExact(s, coded.data(), dataLength, pageNumber);
        bytes.resize(length);
        auto* out = reinterpret_cast<uint8_t*>(bytes.data());
        {
            TQRCodeBuffer in(coded);
            TQRCompress decoder(in, false);
            for (qint64 i = 0; i < length; ++i) {
                if (!decoder.Expand(out[i])) {
                    throw DamagedCode(pageNumber);
                }
            }
            if (in.Consumed() != dataLength) {
                throw DamagedCode(pageNumber);
            }
        }
    } else {
        char emf[TQRPageRecording::HeaderSize];
        if (dataLength < TQRPageRecording::HeaderSize) {
            throw WrongLength(pageNumber);
        }
        ReadExact(s, emf, sizeof emf, pageNumber);
        uint32_t length = 0;
        QString why;
        if (!TQRPageRecording::ReadLength(QByteArrayView(emf, sizeof emf), length, &why)) {
            throw BadRecording(pageNumber, why);
        }
        if (length != dataLength) {
            throw WrongLength(pageNumber);
        }
        bytes.resize(length);
        std::memcpy(bytes.data(), emf, sizeof emf);
        ReadExact(s, bytes.data() + sizeof emf, length - sizeof emf, pageNumber);
    }
    if (ReadInt32(s, pageNumber) != start) {
        throw BrokenLink(pageNumber);
    }
    try {
        return std::make_unique<TQRPageRecording>(std::move(bytes));
    } catch (const EQRError& e) {
        throw EQRError(QStringLiteral("Página %1: %2").arg(pageNumber).arg(e.message()));
    }
}

void TQRPageList::Clear() {
    pageCount_ = 0;
}

void TQRPageList::Finish() {
    Guard guard(lock_);
    if (stream_) {
        WriteFileHeader();
    }
}

void TQRPageList::LoadFromFile(const QString& fileName) {
    LoadFromStream(std::make_shared<TQRStream>(fileName));
}

void TQRPageList::LoadFromStream(std::shared_ptr<TQRStream> stream) {
    Guard guard(lock_);
    FileCheck check;
    {
        TQRStreamLock streamLock(*stream);
        check = CheckPageFile(*stream);
        stream->Seek(HeaderSize, TQRStream::soBeginning);
    }
    stream_ = std::move(stream);
    pageCount_ = check.pageCount;
    compression_ = check.compressed;
}

void TQRPageList::SaveToFile(const QString& fileName) {
    Guard guard(lock_);
    if (!stream_) {
        throw EQRError(QStringLiteral("Não há páginas para gravar."));
    }
    try {
        TSafeFile file(fileName);
        try {
            stream_->SaveToStream(file.Device());
        } catch (const EQRError&) {
            if (!file.Failed()) {
                throw;
            }
        }
        file.Commit();  // raises a failed write, naming the file
    } catch (const EQRError&) {
        throw;
    } catch (const Exception& e) {
        throw EQRError(e.message());
    }
}

}  // namespace quorin
