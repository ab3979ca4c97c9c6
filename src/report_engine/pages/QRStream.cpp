#include "report_engine/pages/QRStream.h"

#include <QDir>
#include <QTemporaryFile>
#include <algorithm>
#include <cstring>

#include "report_engine/pages/EQRError.h"

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
    file_ = std::make_unique<QFile>(fileName);
    if (!file_->open(QIODevice::ReadOnly)) {
        const QString reason = file_->errorString();
        file_.reset();
        throw EQRError(QStringLiteral("Não foi possível abrir o arquivo \"%1\": %2")
                           .arg(QDir::toNativeSeparators(fileName), reason));
    }
}

TQRStream::~TQRStream() {
    Guard guard(lock_);
    memory_ = QByteArray();
    if (file_) {
        file_->close();
        file_.reset();
    }
    if (!tempFileName_.isEmpty()) {
        QFile::remove(tempFileName_);
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
    const qint64 n = file_->read(static_cast<char*>(buffer), count);
    if (n < 0) {
        throw EQRError(QStringLiteral("Erro ao ler o arquivo de páginas: %1").arg(file_->errorString()));
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
    const qint64 n = file_->write(static_cast<const char*>(buffer), count);
    if (n != count) {
        throw EQRError(QStringLiteral("Erro ao gravar o arquivo de páginas: %1").arg(file_->errorString()));
    }
    return n;
}

void TQRStream::Spill() {
    const QString name = TempFilename();
    auto file = std::make_unique<QFile>(name);
    if (!file->open(QIODevice::ReadWrite | QIODevice::Truncate)) {
        const QString reason = file->errorString();
        QFile::remove(name);
        throw EQRError(QStringLiteral("Não foi possível abrir o arquivo temporário \"%1\": %2")
                           .arg(QDir::toNativeSeparators(name), reason));
    }
    if (file->write(memory_) != memory_.size() || !file->seek(memoryPosition_)) {
        const QString reason = file->errorString();
        file->close();
        QFile::remove(name);
        throw EQRError(QStringLiteral("Erro ao gravar o arquivo temporário \"%1\": %2")
                           .arg(QDir::toNativeSeparators(name), reason));
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
    } else if (!file_->seek(target)) {
        throw EQRError(
            QStringLiteral("Erro ao posicionar no arquivo de páginas: %1").arg(file_->errorString()));
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

bool TQRStream::InMemory() {
    Guard guard(lock_);
    return inMemory_;
}

QString TQRStream::TemporaryFileName() {
    Guard guard(lock_);
    return tempFileName_;
}

}  // namespace quorin
