#include "report_engine/pages/QRStream.h"

#include <QDir>
#include <QTemporaryFile>
#include <algorithm>
#include <cstring>

#include "report_engine/pages/EQRError.h"
#include "runtime/FileAccess.h"

#include <cerrno>
#include <sys/stat.h>

namespace quorin {

namespace {

constexpr qint64 kCopyChunk = 10240;

using Guard = std::lock_guard<std::recursive_mutex>;

}  // namespace

QString TempFilename() {
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/QRPXXXXXX.tmp"));
    file.setAutoRemove(false);
    if (!file.open()) {
        throw EQRError(QStringLiteral("Não foi possível criar um arquivo temporário em \"%1\": %2")
                           .arg(QDir::toNativeSeparators(QDir::tempPath()), file.errorString()));
    }
    const QString name = file.fileName();
    file.close();
    return name;
}

TQRStream::TQRStream(qint64 memoryLimit) : inMemory_(true), memoryLimit_(memoryLimit) {}

TQRStream::TQRStream(const QString& fileName) : inMemory_(false), memoryLimit_(0) {
    const auto refuse = [&fileName](const QString& reason) {
        throw EQRError(QStringLiteral("Não foi possível abrir o arquivo \"%1\": %2.")
                           .arg(QDir::toNativeSeparators(fileName), reason));
    };
    // Look before opening: opening a pipe would wait for a writer, and a device
    // never ends.
    struct stat st;
    if (::stat(QFile::encodeName(fileName).constData(), &st) != 0) {
        refuse(errno == ENOENT ? QStringLiteral("o arquivo não existe") : SystemErrorText(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        refuse(NotRegularFileText(st.st_mode));
    }
    file_ = std::make_unique<QFile>(fileName);
    errno = 0;
    if (!file_->open(QIODevice::ReadOnly)) {
        const int error = errno ? errno : EIO;
        file_.reset();
        refuse(SystemErrorText(error));
    }
}

TQRStream::~TQRStream() {
    Guard guard(lock_);
    memory_ = QByteArray();
    if (file_) {
        file_->close();
        file_.reset();
    }
}

qint64 TQRStream::Read(void* buffer, qint64 count) {
    Guard guard(lock_);
    if (count <= 0) {
        return 0;
    }
    if (inMemory_) {
        const qint64 available = std::max<qint64>(0, memory_.size() - memoryPosition_);
        const qint64 n = std::min(count, available);
        if (n > 0) {
            std::memcpy(buffer, memory_.constData() + memoryPosition_, static_cast<size_t>(n));
            memoryPosition_ += n;
        }
        return n;
    }
    errno = 0;
    const qint64 n = file_->read(static_cast<char*>(buffer), count);
    if (n < 0) {
        Fail(QStringLiteral("ler"));
    }
    return n;
}

qint64 TQRStream::Write(const void* buffer, qint64 count) {
    Guard guard(lock_);
    if (count <= 0) {
        return 0;
    }
    if (inMemory_) {
        const qint64 end = memoryPosition_ + count;
        if (end > memory_.size()) {
            // Grows geometrically through QByteArray's own reserve policy;
            // a gap left by a seek past the end reads as zeros.
            const qint64 oldSize = memory_.size();
            memory_.resize(end);
            if (memoryPosition_ > oldSize) {
                std::memset(memory_.data() + oldSize, 0, static_cast<size_t>(memoryPosition_ - oldSize));
            }
        }
        std::memcpy(memory_.data() + memoryPosition_, buffer, static_cast<size_t>(count));
        memoryPosition_ = end;
        if (memory_.size() > memoryLimit_) {
            Spill();
        }
        return count;
    }
    if (!file_->isWritable()) {
        throw EQRError(QStringLiteral("O arquivo de páginas está aberto somente para leitura."));
    }
    errno = 0;
    const qint64 n = file_->write(static_cast<const char*>(buffer), count);
    if (n != count) {
        Fail(QStringLiteral("gravar"));
    }
    return n;
}

void TQRStream::Spill() {
    const QString name = TempFilename();
    auto file = std::make_unique<QFile>(name);
    errno = 0;
    if (!file->open(QIODevice::ReadWrite | QIODevice::Truncate)) {
        const int error = errno ? errno : EIO;
        QFile::remove(name);
        throw EQRError(QStringLiteral("Não foi possível abrir o arquivo temporário \"%1\": %2.")
                           .arg(QDir::toNativeSeparators(name), SystemErrorText(error)));
    }
    // The open file lives on without its name: nothing is left in the temporary
    // folder however the process ends.
    QFile::remove(name);
    errno = 0;
    if (file->write(memory_) != memory_.size() || !file->flush() || !file->seek(memoryPosition_)) {
        const int error = errno ? errno : EIO;
        throw EQRError(QStringLiteral("Não foi possível gravar o arquivo temporário \"%1\": %2.")
                           .arg(QDir::toNativeSeparators(name), SystemErrorText(error)));
    }
    file_ = std::move(file);
    tempFileName_ = name;
    memory_ = QByteArray();
    memoryPosition_ = 0;
    inMemory_ = false;
}

qint64 TQRStream::Seek(qint64 offset, TSeekOrigin origin) {
    Guard guard(lock_);
    qint64 base = 0;
    if (origin == soCurrent) {
        base = Position();
    } else if (origin == soEnd) {
        base = Size();
    }
    const qint64 target = std::max<qint64>(0, base + offset);
    if (inMemory_) {
        memoryPosition_ = target;
    } else {
        errno = 0;
        if (!file_->seek(target)) {
            Fail(QStringLiteral("percorrer"));
        }
    }
    return target;
}

qint64 TQRStream::Position() {
    Guard guard(lock_);
    return inMemory_ ? memoryPosition_ : file_->pos();
}

qint64 TQRStream::Size() {
    Guard guard(lock_);
    return inMemory_ ? memory_.size() : file_->size();
}

void TQRStream::SaveToStream(QIODevice& destination) {
    Guard guard(lock_);
    Seek(0, soBeginning);
    char chunk[kCopyChunk];
    for (;;) {
        const qint64 n = Read(chunk, kCopyChunk);
        if (n <= 0) {
            break;
        }
        if (destination.write(chunk, n) != n) {
            throw EQRError(QStringLiteral("Erro ao gravar as páginas: %1").arg(destination.errorString()));
        }
    }
}

void TQRStream::Fail(const QString& verb) {
    const int error = errno ? errno : EIO;
    // Buffered writes fail when the buffer is flushed, by a seek or a read as well.
    const bool full = error == ENOSPC || error == EFBIG || error == EDQUOT;
    const QString name = tempFileName_.isEmpty() ? file_->fileName() : tempFileName_;
    throw EQRError(QStringLiteral("Não foi possível %1 o arquivo de páginas \"%2\": %3.")
                       .arg(full ? QStringLiteral("gravar") : verb, QDir::toNativeSeparators(name),
                            SystemErrorText(error)));
}

bool TQRStream::InMemory() {
    Guard guard(lock_);
    return inMemory_;
}

QString TQRStream::TemporaryFileName() {
    Guard guard(lock_);
    return tempFileName_;
}

}  // namespace quorin
