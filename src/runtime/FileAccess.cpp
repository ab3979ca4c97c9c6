#include "runtime/FileAccess.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/Exceptions.h"

namespace quorin {

QString SystemErrorText(int error) {
    switch (error) {
        case ENOSPC:
            return QStringLiteral("não há espaço livre no disco");
        case EFBIG:
            return QStringLiteral("o arquivo excede o tamanho permitido");
        case EDQUOT:
            return QStringLiteral("a cota de disco foi excedida");
        case EACCES:
        case EPERM:
            return QStringLiteral("permissão negada");
        case EROFS:
            return QStringLiteral("o sistema de arquivos é somente leitura");
        case ENOENT:
            return QStringLiteral("a pasta não existe");
        case ENOTDIR:
            return QStringLiteral("o caminho não é uma pasta");
        case EISDIR:
            return QStringLiteral("o destino é uma pasta");
        case EIO:
            return QStringLiteral("erro de entrada e saída no disco");
        case ENAMETOOLONG:
            return QStringLiteral("o nome é longo demais");
        case ELOOP:
            return QStringLiteral("há atalhos demais no caminho");
        case EMFILE:
        case ENFILE:
            return QStringLiteral("há arquivos abertos demais");
        default:
            return QStringLiteral("erro %1 do sistema").arg(error);
    }
}

namespace {

[[noreturn]] void Refuse(const QString& path, const QString& reason) {
    throw Exception(QStringLiteral("Não foi possível ler o arquivo \"%1\": %2.")
                        .arg(QDir::toNativeSeparators(path), reason));
}

QString KindOf(mode_t mode) { return NotRegularFileText(mode); }

QString OpenErrorText(int error) {
    return error == ENOENT ? QStringLiteral("o arquivo não existe") : SystemErrorText(error);
}

}  // namespace

QString NotReplaceableText(const QByteArray& localPath) {
    struct stat st;
    if (::stat(localPath.constData(), &st) != 0 || S_ISREG(st.st_mode)) {
        return {};
    }
    return S_ISDIR(st.st_mode) ? SystemErrorText(EISDIR)
                               : QStringLiteral("o destino existe e ") + NotRegularFileText(st.st_mode);
}

QString NotRegularFileText(unsigned mode) {
    if (S_ISDIR(mode)) {
        return QStringLiteral("é uma pasta, não um arquivo");
    }
    if (S_ISFIFO(mode)) {
        return QStringLiteral("é um pipe, não um arquivo comum");
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return QStringLiteral("é um dispositivo, não um arquivo comum");
    }
    if (S_ISSOCK(mode)) {
        return QStringLiteral("é um soquete, não um arquivo comum");
    }
    return QStringLiteral("não é um arquivo comum");
}

TRegularFile::TRegularFile(const QString& path, qint64 maxBytes) : path_(path) {
    const QByteArray local = QFile::encodeName(path);
    // Look before opening: opening a pipe would wait for a writer.
    struct stat st;
    if (::stat(local.constData(), &st) != 0) {
        Refuse(path, OpenErrorText(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        Refuse(path, KindOf(st.st_mode));
    }
    fd_ = ::open(local.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        Refuse(path, OpenErrorText(errno));
    }
    // The name may have been replaced in between; what counts is what was opened.
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        Refuse(path, KindOf(st.st_mode));
    }
    size_ = st.st_size;
    if (size_ > maxBytes) {
        ::close(fd_);
        Refuse(path, QStringLiteral("o arquivo tem %1 MB, mais que os %2 MB permitidos")
                         .arg((size_ + (1 << 20) - 1) >> 20)
                         .arg(maxBytes >> 20));
    }
}

TRegularFile::~TRegularFile() {
    ::close(fd_);
}

qint64 TRegularFile::ReadAt(qint64 offset, char* into, qint64 n) {
    n = std::max<qint64>(0, std::min(n, size_ - offset));
    qint64 done = 0;
    while (done < n) {
        const ssize_t r = ::pread(fd_, into + done, size_t(std::min<qint64>(n - done, qint64(1) << 30)),
                                  off_t(offset + done));
        if (r < 0) {
            if (errno == EINTR) {
                continue;
            }
            Refuse(path_, SystemErrorText(errno));
        }
        if (r == 0) {
            break;
        }
        done += r;
    }
    return done;
}

QByteArray ReadRegularFile(const QString& path, qint64 maxBytes, qint64 headerBytes,
                           const std::function<void(const QByteArray&, qint64)>& checkHeader) {
    TRegularFile file(path, maxBytes);
    QByteArray bytes;
    auto readInto = [&](qint64 n) {
        const qsizetype at = bytes.size();
        bytes.resize(at + qsizetype(n));
        bytes.truncate(at + qsizetype(file.ReadAt(at, bytes.data() + at, n)));
    };
    if (checkHeader) {
        readInto(std::min(headerBytes, file.Size()));
        checkHeader(bytes, file.Size());
    }
    // Never more than the size seen on opening, whatever the file does meanwhile.
    bytes.reserve(qsizetype(file.Size()));
    readInto(file.Size() - qint64(bytes.size()));
    return bytes;
}

}  // namespace quorin
