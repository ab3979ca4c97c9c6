// TQRStream: memory first, the spill to a "QRP" temporary file, copying out,
// and a stream on an existing file.
#include <QBuffer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

#include "report_engine/pages/EQRError.h"
#include "report_engine/pages/QRStream.h"

using namespace quorin;

namespace {

QByteArray Pattern(int n) {
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i) {
        b[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    }
    return b;
}

QByteArray ReadAll(TQRStream& s) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    s.SaveToStream(out);
    return out.data();
}

}  // namespace

class TestQRStream : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void tempFilenameIsNewEmptyQrpFile() {
        const QString name = TempFilename();
        const QFileInfo info(name);
        QVERIFY(info.fileName().startsWith(QLatin1String("QRP")));
        QVERIFY(info.exists());
        QCOMPARE(info.size(), 0);
        QCOMPARE(info.absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
        QVERIFY(TempFilename() != name);
        QFile::remove(name);
    }

    void spillsPastTheLimitAndDeletesTheFile() {
        QString spilled;
        const QByteArray data = Pattern(100001);
        {
            TQRStream s(100000);
            s.Write(data.constData(), 100000);
            QVERIFY(s.InMemory());
            QVERIFY(s.TemporaryFileName().isEmpty());
            s.Write(data.constData() + 100000, 1);
            QVERIFY(!s.InMemory());
            spilled = s.TemporaryFileName();
            QVERIFY(QFileInfo(spilled).fileName().startsWith(QLatin1String("QRP")));
            // The spill file has no name while it is open: a killed process leaves nothing.
            QVERIFY(!QFileInfo::exists(spilled));
            QCOMPARE(s.Size(), 100001);
            QCOMPARE(s.Position(), 100001);
            // Writing in the middle and reading back work the same on the file.
            s.Seek(10, TQRStream::soBeginning);
            s.Write("XY", 2);
            QCOMPARE(s.Seek(-3, TQRStream::soEnd), 99998);
            char tail[8];
            QCOMPARE(s.Read(tail, sizeof tail), 3);
            QCOMPARE(QByteArray(tail, 3), data.right(3));
            QByteArray expected = data;
            expected.replace(10, 2, "XY");
            QCOMPARE(ReadAll(s), expected);
        }
        QVERIFY(!QFileInfo::exists(spilled));
    }

    void saveToStreamCopiesEverything_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<qint64>("limit");
        QTest::newRow("empty") << 0 << qint64(100000);
        QTest::newRow("exactly one chunk") << 10240 << qint64(100000);
        QTest::newRow("chunks and a rest, in memory") << 3 * 10240 + 17 << qint64(100000);
        QTest::newRow("chunks and a rest, on file") << 3 * 10240 + 17 << qint64(1000);
    }
    void saveToStreamCopiesEverything() {
        QFETCH(int, size);
        QFETCH(qint64, limit);
        TQRStream s(limit);
        const QByteArray data = Pattern(size);
        s.Write(data.constData(), data.size());
        QCOMPARE(ReadAll(s), data);
        QCOMPARE(s.Position(), s.Size());
    }

    void seekPastTheEndThenWriteFillsWithZeros() {
        TQRStream s(1000);
        s.Write("ab", 2);
        QCOMPARE(s.Seek(3, TQRStream::soCurrent), 5);
        s.Write("c", 1);
        QCOMPARE(ReadAll(s), QByteArray("ab\0\0\0c", 6));
        QCOMPARE(s.Seek(-100, TQRStream::soCurrent), 0);
    }

    void streamOnAFileReadsAndKeepsIt() {
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("paginas.QRP"));
        {
            QFile f(name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(Pattern(300));
        }
        {
            TQRStream s(name);
            QVERIFY(!s.InMemory());
            QCOMPARE(s.Size(), 300);
            QCOMPARE(ReadAll(s), Pattern(300));
            try {
                s.Write("x", 1);
                QFAIL("a stream opened on a file must not write");
            } catch (const EQRError& e) {
                QCOMPARE(e.message(),
                         QStringLiteral("O arquivo de páginas está aberto somente para leitura."));
            }
        }
        QVERIFY(QFileInfo::exists(name));
    }

    void missingFileGivesAClearError() {
        try {
            TQRStream s(QStringLiteral("/nao/existe/paginas.QRP"));
            QFAIL("opening a missing file must fail");
        } catch (const EQRError& e) {
            QVERIFY2(e.message().startsWith(
                         QStringLiteral("Não foi possível abrir o arquivo \"/nao/existe/paginas.QRP\"")),
                     qPrintable(e.message()));
        }
    }

    // A pipe would block the opening forever, a device would never end: both are
    // refused before they are opened, with the reason in Portuguese.
    void onlyRegularFilesOpen_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "missing" << "o arquivo não existe";
        QTest::newRow("pipe") << "pipe" << "é um pipe, não um arquivo comum";
        QTest::newRow("link to /dev/zero") << "zero" << "é um dispositivo, não um arquivo comum";
        QTest::newRow("folder") << "folder" << "é uma pasta, não um arquivo";
    }
    void onlyRegularFilesOpen() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("paginas.QRP"));
        if (kind == u"pipe") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == u"zero") {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        } else if (kind == u"folder") {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("paginas.QRP")));
        }
        try {
            TQRStream s(path);
            QFAIL("only a regular file opens");
        } catch (const EQRError& e) {
            QCOMPARE(e.message(), QStringLiteral("Não foi possível abrir o arquivo \"%1\": %2.").arg(path, reason));
        }
    }
};

QTEST_GUILESS_MAIN(TestQRStream)
#include "tst_qrstream.moc"
