#include "runtime/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/Exceptions.h"
#include "runtime/FileAccess.h"
#include "runtime/TemporaryCleanup.h"

namespace quorin {

namespace {

QString ErrnoText(int error) { return SystemErrorText(error); }

}  // namespace

/// The temporary file as a device, so that streaming writers go through the
/// same checked writes; the first failure is kept and raised by Commit.
class SafeDevice : public QIODevice {
  public:
    explicit SafeDevice(TSafeFile::Impl* owner) : owner_(owner) {}

  protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 len) override;

  private:
    TSafeFile::Impl* owner_;
};

struct TSafeFile::Impl {
    QByteArray target;     // local 8-bit path of the target
    QByteArray temporary;  // local 8-bit path of the temporary file
    int fd = -1;
    int error = 0;  // errno of the first failure, 0 while all went well
    TTemporaryGuard cleanup;  // the temporary is removed if a signal ends the process
    bool committed = false;
    SafeDevice device{this};

    bool WriteAll(const char* data, qint64 len) {
        if (fd < 0 || error) {
            return false;
        }
        while (len > 0) {
            const ssize_t n = ::write(fd, data, static_cast<size_t>(std::min<qint64>(len, qint64(1) << 30)));
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                error = errno;
                return false;
            }
            if (n == 0) {
                error = EIO;
                return false;
            }
            data += n;
            len -= n;
        }
        return true;
    }

    void DropTemporary() {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
        if (!temporary.isEmpty()) {
            ::unlink(temporary.constData());
            temporary.clear();
        }
        cleanup.Release();
        if (device.isOpen()) {
            device.close();
        }
    }
};

qint64 SafeDevice::writeData(const char* data, qint64 len) {
    if (owner_->WriteAll(data, len)) {
        return len;
    }
    setErrorString(ErrnoText(owner_->error));
    return -1;
}

TSafeFile::TSafeFile(const QString& fileName) : fileName_(fileName), d(std::make_unique<Impl>()) {
    const QFileInfo info(fileName);
    // A link keeps pointing where it did: the file it names is the one replaced.
    d->target = QFile::encodeName(info.isSymLink() && info.exists() ? info.canonicalFilePath() : fileName);
    // Only a regular file is replaced: a folder, a pipe, a device or a socket under
    // the target's name (or behind a link) is refused, never swapped for a file.
    if (const QString why = NotReplaceableText(d->target); !why.isEmpty()) {
        d->error = EINVAL;
        Fail(why);
    }
    // A name beside the target, so the final rename stays on one file system,
    // and within the folder's limit on a name's length.
    const qsizetype slash = d->target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : d->target.left(std::max<qsizetype>(slash, 1));
    const long limit = ::pathconf(folder.constData(), _PC_NAME_MAX);
    const qsizetype nameMax = limit > 0 ? limit : 255;
    constexpr qsizetype kSuffix = 4 + 7;  // ".tmp" and up to seven base-36 digits
    QByteArray base = d->target;
    const qsizetype nameLength = base.size() - (slash + 1);
    if (nameLength + kSuffix > nameMax) {
        base.chop(nameLength + kSuffix - nameMax);
    }
    for (int attempt = 0; attempt < 100 && d->fd < 0; ++attempt) {
        const QByteArray candidate =
            base + ".tmp" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd = ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            d->fd = fd;
            d->temporary = candidate;
            d->cleanup.Reset(candidate);
        } else if (errno != EEXIST && errno != EINTR) {
            d->error = errno;
            Fail(ErrnoText(errno));
        }
    }
    if (d->fd < 0) {
        d->error = EEXIST;
        Fail(QStringLiteral("não foi possível criar um arquivo temporário"));
    }
    // An existing file keeps its permissions.
    struct stat st;
    if (::stat(d->target.constData(), &st) == 0 && S_ISREG(st.st_mode)) {
        ::fchmod(d->fd, st.st_mode & 07777);
    }
    d->device.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

TSafeFile::~TSafeFile() {
    if (d && !d->committed) {
        d->DropTemporary();
    }
}

void TSafeFile::Fail(const QString& reason) {
    d->DropTemporary();
    if (!d->error) {
        d->error = EIO;
    }
    throw Exception(QStringLiteral("Não foi possível gravar o arquivo \"%1\": %2.")
                        .arg(QDir::toNativeSeparators(fileName_), reason));
}

void TSafeFile::WriteAt(qint64 offset, QByteArrayView bytes) {
    if (d->committed || (d->fd < 0 && !d->error)) {
        Fail(QStringLiteral("o arquivo não está aberto para gravação"));
    }
    const char* data = bytes.data();
    qint64 len = bytes.size();
    while (len > 0 && !d->error) {
        const ssize_t n = ::pwrite(d->fd, data, static_cast<size_t>(std::min<qint64>(len, qint64(1) << 30)),
                                   static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            d->error = n < 0 ? errno : EIO;
            break;
        }
        data += n;
        len -= n;
        offset += n;
    }
    if (d->error) {
        Fail(ErrnoText(d->error));
    }
}

void TSafeFile::Write(QByteArrayView bytes) {
    if (d->committed || (d->fd < 0 && !d->error)) {
        Fail(QStringLiteral("o arquivo não está aberto para gravação"));
    }
    if (!d->WriteAll(bytes.data(), bytes.size())) {
        Fail(ErrnoText(d->error));
    }
}

QIODevice& TSafeFile::Device() { return d->device; }

bool TSafeFile::Failed() const { return d->error != 0; }

void TSafeFile::Commit() {
    if (d->committed || (d->fd < 0 && !d->error)) {
        Fail(QStringLiteral("o arquivo não está aberto para gravação"));
    }
    if (d->error) {
        Fail(ErrnoText(d->error));
    }
    // The bytes reach the disk before the name changes, so a crash right
    // after the rename never finds an empty file under the target's name.
    while (::fsync(d->fd) != 0) {
        if (errno != EINTR) {
            d->error = errno;
            Fail(ErrnoText(errno));
        }
    }
    const int fd = d->fd;
    d->fd = -1;
    if (::close(fd) != 0 && errno != EINTR) {
        d->error = errno;
        Fail(ErrnoText(errno));
    }
    if (::rename(d->temporary.constData(), d->target.constData()) != 0) {
        d->error = errno;
        Fail(ErrnoText(errno));
    }
    d->temporary.clear();
    d->cleanup.Release();
    d->committed = true;
    d->device.close();
    // Make the rename itself durable; a failure here no longer loses data.
    const QByteArray folder = QFile::encodeName(QFileInfo(fileName_).absolutePath());
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void TSafeFile::Discard() {
    if (!d->committed) {
        d->DropTemporary();
    }
}

void WriteFileSafely(const QString& fileName, QByteArrayView bytes) {
    TSafeFile file(fileName);
    file.Write(bytes);
    file.Commit();
}

}  // namespace quorin
