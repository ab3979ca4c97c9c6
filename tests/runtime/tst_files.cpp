#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "runtime/Exceptions.h"
#include "runtime/FileAccess.h"
#include "runtime/SafeFile.h"

using namespace quorin;

namespace {

const QByteArray kOld = "the earlier, good file\n";

// Writes `bytes` to `path` in a child process whose files may not grow past
// `limit` bytes (SIGXFSZ ignored, so writes fail with EFBIG as they would
// with a full disk). Returns the child's message, or "" on success.
QString WriteInChild(const QString& path, const QByteArray& bytes, bool streamed, rlim_t limit) {
    int pipeFd[2];
    if (::pipe(pipeFd) != 0) {
        qFatal("pipe");
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFd[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        if (limit != RLIM_INFINITY) {
            rlimit rl{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &rl);
        }
        QByteArray answer;
        try {
            if (streamed) {
                TSafeFile file(path);
                for (qsizetype at = 0; at < bytes.size(); at += 1000) {
                    file.Device().write(bytes.mid(at, 1000));
                }
                file.Commit();
            } else {
                WriteFileSafely(path, bytes);
            }
        } catch (const Exception& e) {
            answer = e.message().toUtf8();
        }
        if (::write(pipeFd[1], answer.constData(), answer.size()) < 0) {
            _exit(2);
        }
        _exit(0);
    }
    ::close(pipeFd[1]);
    QByteArray answer;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(pipeFd[0], buffer, sizeof buffer)) > 0) {
        answer.append(buffer, n);
    }
    ::close(pipeFd[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return QStringLiteral("child died");
    }
    return QString::fromUtf8(answer);
}

QByteArray Contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QStringList Entries(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// The reader's answer for `path`: its message, or "read N bytes".
QString ReadAnswer(const QString& path, qint64 maxBytes = qint64(1) << 30,
                   const std::function<void(const QByteArray&, qint64)>& check = {}) {
    try {
        return QStringLiteral("read %1 bytes").arg(ReadRegularFile(path, maxBytes, 8, check).size());
    } catch (const Exception& e) {
        return e.message();
    }
}

void RefuseUnlessQuorin(const QByteArray& header, qint64) {
    if (!header.startsWith("QUORIN")) {
        throw Exception(QStringLiteral("not ours"));
    }
}

}  // namespace

class TestFiles : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void writesAndReplaces() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("proposta.PRO"));
        WriteFileSafely(path, kOld);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        WriteFileSafely(path, "new");
        QCOMPARE(Contents(path), QByteArray("new"));
        QCOMPARE(Entries(dir.path()), QStringList{QStringLiteral("proposta.PRO")});
        QCOMPARE(QFile::permissions(path), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);

        // Through a link, the file it points at is replaced and the link stays.
        const QString link = dir.filePath(QStringLiteral("atalho.PRO"));
        QVERIFY(QFile::link(path, link));
        WriteFileSafely(link, "via link");
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(Contents(path), QByteArray("via link"));
    }

    void failureKeepsTheOldFile_data() {
        QTest::addColumn<bool>("streamed");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("limit");
        // A write that fails at once, one that fails midway, and streamed writes.
        QTest::newRow("whole, nothing fits") << false << 5000 << 0;
        QTest::newRow("whole, part fits") << false << 200000 << 65536;
        QTest::newRow("streamed, part fits") << true << 200000 << 65536;
    }
    void failureKeepsTheOldFile() {
        QFETCH(bool, streamed);
        QFETCH(int, size);
        QFETCH(int, limit);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("PRP_001269_2009_1.PRO"));
        WriteFileSafely(path, kOld);
        const QString message = WriteInChild(path, QByteArray(size, 'x'), streamed, rlim_t(limit));
        QVERIFY2(message.startsWith(QStringLiteral("Não foi possível gravar o arquivo \"") + path + u'"'),
                 qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("tamanho permitido")), qPrintable(message));
        QCOMPARE(Contents(path), kOld);
        QCOMPARE(Entries(dir.path()), QStringList{QStringLiteral("PRP_001269_2009_1.PRO")});
        // The same write without the limit goes through.
        QCOMPARE(WriteInChild(path, QByteArray(size, 'x'), streamed, RLIM_INFINITY), QString());
        QCOMPARE(Contents(path).size(), size);
    }

    void fullFileSystem() {
        if (::geteuid() != 0) {
            QSKIP("mounting a small tmpfs needs root");
        }
        QTemporaryDir dir;
        const QByteArray mountPoint = QFile::encodeName(dir.path());
        if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=256k") != 0) {
            QSKIP("tmpfs cannot be mounted here");
        }
        const QString path = dir.filePath(QStringLiteral("proposta.PRO"));
        WriteFileSafely(path, kOld);
        {
            QFile filler(dir.filePath(QStringLiteral("enche")));
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            const QByteArray block(4096, 'f');
            while (filler.write(block) == block.size()) {
            }
        }
        QString message;
        try {
            WriteFileSafely(path, QByteArray(100000, 'x'));
        } catch (const Exception& e) {
            message = e.message();
        }
        const QByteArray after = Contents(path);
        const QStringList entries = Entries(dir.path());
        ::umount(mountPoint.constData());
        QVERIFY2(message.contains(QStringLiteral("não há espaço livre no disco")), qPrintable(message));
        QVERIFY(message.contains(path));
        QCOMPARE(after, kOld);
        QCOMPARE(entries, (QStringList{QStringLiteral("enche"), QStringLiteral("proposta.PRO")}));
    }

    void unwritableFolder() {
        QString message;
        try {
            WriteFileSafely(QStringLiteral("/nao/existe/proposta.PRO"), "x");
        } catch (const Exception& e) {
            message = e.message();
        }
        QCOMPARE(message, QStringLiteral("Não foi possível gravar o arquivo \"/nao/existe/proposta.PRO\": "
                                         "a pasta não existe."));
    }

    // A target that exists and is no regular file is refused, and stays what it was.
    void writesOnlyRegularFiles_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("pipe") << "pipe" << "o destino existe e é um pipe, não um arquivo comum";
        QTest::newRow("link to /dev/null") << "null" << "o destino existe e é um dispositivo, não um arquivo comum";
        QTest::newRow("folder") << "folder" << "o destino é uma pasta";
    }
    void writesOnlyRegularFiles() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("saida.pdf"));
        const QByteArray local = QFile::encodeName(path);
        if (kind == u"pipe") {
            QCOMPARE(::mkfifo(local.constData(), 0600), 0);
        } else if (kind == u"null") {
            QVERIFY(QFile::link(QStringLiteral("/dev/null"), path));
        } else {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("saida.pdf")));
        }
        QString message;
        try {
            WriteFileSafely(path, "%PDF");
        } catch (const Exception& e) {
            message = e.message();
        }
        QCOMPARE(message, QStringLiteral("Não foi possível gravar o arquivo \"") + path + QStringLiteral("\": ") +
                              reason + u'.');
        const QFileInfo after(path);
        QVERIFY(kind == u"null" ? after.isSymLink() : !after.isFile());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(), 1);
    }

    // The longest name the folder allows is written: the temporary name beside it is
    // cut to fit the same limit.
    void longestNameIsWritten() {
        QTemporaryDir dir;
        const long limit = ::pathconf(QFile::encodeName(dir.path()).constData(), _PC_NAME_MAX);
        const QString name = QString(int(limit > 0 ? limit : 255) - 4, u'r') + QStringLiteral(".pdf");
        const QString path = dir.filePath(name);
        WriteFileSafely(path, "%PDF");
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("%PDF"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    }

    // Only a regular file is read; the others are refused at once (a pipe
    // without a writer and /dev/zero would otherwise never end).
    void readsOnlyRegularFiles_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("pipe") << "pipe" << "é um pipe, não um arquivo comum";
        QTest::newRow("link to /dev/zero") << "zero" << "é um dispositivo, não um arquivo comum";
        QTest::newRow("folder") << "folder" << "é uma pasta, não um arquivo";
        QTest::newRow("missing") << "missing" << "o arquivo não existe";
        QTest::newRow("too large") << "large" << "o arquivo tem 2 MB, mais que os 1 MB permitidos";
        QTest::newRow("regular") << "regular" << "";
    }
    void readsOnlyRegularFiles() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("processo.KPZ"));
        const QByteArray local = QFile::encodeName(path);
        if (kind == u"pipe") {
            QCOMPARE(::mkfifo(local.constData(), 0600), 0);
        } else if (kind == u"zero") {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        } else if (kind == u"folder") {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("processo.KPZ")));
        } else if (kind == u"large") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(2 << 20));
        } else if (kind == u"regular") {
            WriteFileSafely(path, "QUORINDP and the rest");
        }
        const QString answer = ReadAnswer(path, 1 << 20, RefuseUnlessQuorin);
        if (reason.isEmpty()) {
            QCOMPARE(answer, QStringLiteral("read 21 bytes"));
        } else {
            QCOMPARE(answer, QStringLiteral("Não foi possível ler o arquivo \"") + path + QStringLiteral("\": ") +
                                 reason + u'.');
        }
    }

    // A file of the wrong kind costs its header: 700 MB of zeros are refused by
    // a child whose address space could not even hold them.
    void headerBeforeBody() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("zeros.KPZ"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(qint64(700) << 20));
        }
        const pid_t pid = ::fork();
        if (pid == 0) {
#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer's own mappings make an address-space limit meaningless
            long pages = 0;
            if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
                if (std::fscanf(statm, "%ld", &pages) != 1) {
                    pages = 0;
                }
                std::fclose(statm);
            }
            const rlim_t room = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + (rlim_t(200) << 20);
            const rlimit limit{room, room};
            ::setrlimit(RLIMIT_AS, &limit);
            try {
                QByteArray whole(qsizetype(700) << 20, '\0');  // the limit leaves no room for the body
                _exit(4);
            } catch (const std::bad_alloc&) {
            }
#endif
            try {
                ReadRegularFile(path, qint64(1) << 30, 8, RefuseUnlessQuorin);
            } catch (const Exception& e) {
                _exit(e.message() == u"not ours" ? 0 : 1);
            } catch (...) {
                _exit(2);
            }
            _exit(3);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    }

    void notCommittedLeavesNothing() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.csv"));
        {
            TSafeFile file(path);
            file.Write("half");
        }
        QCOMPARE(Entries(dir.path()), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
