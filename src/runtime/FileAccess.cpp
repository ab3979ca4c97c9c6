#include "runtime/FileAccess.h"

#include <QDir>
#include <QFile>

#include <cerrno>
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

QString KindOf(mode_t mode) {
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

QString OpenErrorText(int error) {
    return error == ENOENT ? QStringLiteral("o arquivo não existe") : SystemErrorText(error);
}

// Reads exactly `n` bytes at the current offset into `out` (appended); fewer only at the end of the file.
void ReadInto(int fd, QByteArray& out, qint64 n, const QString& path) {
    const qsizetype at = out.size();
    out.resize(at + qsizetype(n));
    qint64 done = 0;
    while (done < n) {
        const ssize_t r = ::read(fd, out.data() + at + done, size_t(std::min<qint64>(n - done, qint64(1) << 30)));
        if (r < 0) {
            if (errno == EINTR) {
                continue;
            }
            Refuse(path, SystemErrorText(errno));
        }
        if (r == 0) {
            break;
        }
        done += r;
    }
    out.truncate(at + qsizetype(done));
}

}  // namespace

QByteArray ReadRegularFile(const QString& path, qint64 maxBytes, qint64 headerBytes,
                           const std::function<void(const QByteArray&, qint64)>& checkHeader) {
    const QByteArray local = QFile::encodeName(path);
    // Look before opening: opening a pipe would wait for a writer.
    struct stat st;
    if (::stat(local.constData(), &st) != 0) {
        Refuse(path, OpenErrorText(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        Refuse(path, KindOf(st.st_mode));
    }
    const int fd = ::open(local.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        Refuse(path, OpenErrorText(errno));
    }
    // The name may have been replaced in between; what counts is what was opened.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        Refuse(path, KindOf(st.st_mode));
    }
    const qint64 size = st.st_size;
    if (size > maxBytes) {
        ::close(fd);
        Refuse(path, QStringLiteral("o arquivo tem %1 MB, mais que os %2 MB permitidos")
                         .arg((size + (1 << 20) - 1) >> 20)
                         .arg(maxBytes >> 20));
    }
    QByteArray bytes;
    try {
        qint64 head = 0;
        if (checkHeader) {
            head = std::min(headerBytes, size);
            ReadInto(fd, bytes, head, path);
            checkHeader(bytes, size);
        }
        // Never more than the size seen above, whatever the file does meanwhile.
        bytes.reserve(qsizetype(size));
        ReadInto(fd, bytes, size - qint64(bytes.size()), path);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    return bytes;
}

}  // namespace quorin
