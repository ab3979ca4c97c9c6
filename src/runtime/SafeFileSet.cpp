#include "runtime/SafeFileSet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "runtime/Exceptions.h"
#include "runtime/FileAccess.h"
#include "runtime/TemporaryCleanup.h"

namespace quorin {

struct TSafeFileSet::Impl {
    QByteArray folder;     // local path of the targets' folder
    QByteArray temporary;  // local path of the hidden temporary folder inside it
    TTemporaryGuard cleanup;
    struct Entry {
        QString name;       // the target, as the caller named it
        QByteArray target;  // its local path
        QByteArray staged;  // its local path in the temporary folder
    };
    std::vector<Entry> entries;
    bool committed = false;

    [[noreturn]] void Fail(const QString& fileName, int error, const QString& reason = {}) {
        RemoveTemporary();
        throw Exception(
            QStringLiteral("Não foi possível gravar o arquivo \"%1\": %2.")
                .arg(QDir::toNativeSeparators(fileName), reason.isEmpty() ? SystemErrorText(error) : reason));
    }

    void SyncStaged();

    void RemoveTemporary() {
        if (temporary.isEmpty())
            return;
        for (const Entry& e : entries)
            ::unlink(e.staged.constData());
        ::rmdir(temporary.constData());
        temporary.clear();
        cleanup.Release();
    }
};

TSafeFileSet::TSafeFileSet(const QString& folder) : d(std::make_unique<Impl>()) {
    d->folder =
        QFile::encodeName(QFileInfo(folder.isEmpty() ? QStringLiteral(".") : folder).absoluteFilePath());
    QByteArray pattern = d->folder + "/.quorin-conjunto-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        const int error = errno;
        throw Exception(
            QStringLiteral("Não foi possível gravar na pasta \"%1\": %2.")
                .arg(QDir::toNativeSeparators(QFile::decodeName(d->folder)), SystemErrorText(error)));
    }
    d->temporary = pattern;
    d->cleanup.Reset(d->temporary, TTemporaryCleanup::FolderAndFiles);
}

TSafeFileSet::~TSafeFileSet() {
    if (!d->committed)
        d->RemoveTemporary();
}

void TSafeFileSet::Add(const QString& fileName, QByteArrayView bytes) {
    if (d->committed || d->temporary.isEmpty())
        d->Fail(fileName, EINVAL, QStringLiteral("o conjunto já foi gravado"));
    Impl::Entry entry{fileName, QFile::encodeName(fileName),
                      d->temporary + '/' + QByteArray::number(qulonglong(d->entries.size() + 1))};
    // Only a regular file is replaced, as by a single safe write.
    if (const QString why = NotReplaceableText(entry.target); !why.isEmpty())
        d->Fail(fileName, EINVAL, why);
    const int fd = ::open(entry.staged.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        d->Fail(fileName, errno);
    d->entries.push_back(entry);
    const char* data = bytes.data();
    qint64 left = bytes.size();
    int error = 0;
    while (left > 0 && !error) {
        const ssize_t n = ::write(fd, data, size_t(std::min<qint64>(left, qint64(1) << 30)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            error = n < 0 ? errno : EIO;
        else {
            data += n;
            left -= n;
        }
    }
    // No writeback is started here: Commit's one sync writes the whole set, and
    // starting each file's writeback as it was added cost a page export more
    // processor time than it saved waiting at that sync.
    if (::close(fd) != 0 && !error && errno != EINTR)
        error = errno;
    if (error)
        d->Fail(fileName, error);
}

namespace {

/// Opens the path, runs the sync on it and closes it: 0 or the error number.
int SyncPath(const QByteArray& path, int flags, int (*sync)(int)) {
    const int fd = ::open(path.constData(), flags | O_CLOEXEC);
    int error = fd < 0 ? errno : 0;
    while (!error && sync(fd) != 0) {
        if (errno != EINTR)
            error = errno;
    }
    if (fd >= 0)
        ::close(fd);
    return error;
}

}  // namespace

/// The staged files made durable once, after all were written, so the
/// renames never show an empty file after a crash. On Linux one sync of the
/// folder's file system does it for the whole set (a sync per file waits for
/// the disk once per file); elsewhere each file is synced.
void TSafeFileSet::Impl::SyncStaged() {
#ifdef __linux__
    if (const int error = SyncPath(temporary, O_RDONLY | O_DIRECTORY, ::syncfs))
        Fail(entries.empty() ? QFile::decodeName(folder) : entries.front().name, error);
#else
    for (const Entry& e : entries) {
        if (const int error = SyncPath(e.staged, O_RDONLY, ::fsync))
            Fail(e.name, error);
    }
#endif
}

QStringList TSafeFileSet::Commit(const QStringList& obsolete) {
    if (d->committed || d->temporary.isEmpty()) {
        throw Exception(QStringLiteral("O conjunto de arquivos já foi gravado."));
    }
    d->SyncStaged();
    const int dir = ::open(d->folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        // Two writers of the same names rename one set after the other.
        while (::flock(dir, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    QStringList written;
    for (const Impl::Entry& e : d->entries) {
        if (::rename(e.staged.constData(), e.target.constData()) != 0) {
            const int error = errno;
            if (dir >= 0)
                ::close(dir);
            d->Fail(e.name, error);
        }
        written << e.name;
    }
    for (const QString& name : obsolete) {
        struct stat st;
        const QByteArray local = QFile::encodeName(name);
        if (::lstat(local.constData(), &st) == 0 && S_ISREG(st.st_mode))
            ::unlink(local.constData());
    }
    d->committed = true;
    ::rmdir(d->temporary.constData());
    d->temporary.clear();
    d->cleanup.Release();
    if (dir >= 0) {
        ::fsync(dir);  // the renames themselves made durable, once for the set
        ::close(dir);  // and the lock released
    }
    return written;
}

}  // namespace quorin
