// TQRPageList: the page file layout, walking to any page, loading what we
// wrote, and refusing damaged page files with a clear message.
#include <QBuffer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <thread>

#include "PageSamples.h"
#include "report_engine/pages/EQRError.h"
#include "report_engine/pages/QRPageList.h"
#include "runtime/DateTime.h"

using namespace quorin;

namespace {

constexpr qint64 kRunLimit = 100000;

qint32 I32(const QByteArray& b, qint64 offset) {
    return qFromLittleEndian<qint32>(b.constData() + offset);
}

void SetI32(QByteArray& b, qint64 offset, qint32 value) {
    qToLittleEndian<qint32>(value, b.data() + offset);
}

// A finished run of `pages` sample pages.
struct Run {
    TQRPageList list;
    std::shared_ptr<TQRStream> stream = std::make_shared<TQRStream>(kRunLimit);

    Run(int pages, bool compressed, int bodySize = 200) {
        list.SetStream(stream);
        list.SetCompression(compressed);
        for (int i = 1; i <= pages; ++i) {
            list.AddPage(samples::Page(i, bodySize));
        }
        list.Finish();
    }
    QByteArray Bytes() {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        stream->SaveToStream(out);
        return out.data();
    }
};

QByteArray FileBytes(int pages, bool compressed) {
    return Run(pages, compressed).Bytes();
}

std::shared_ptr<TQRStream> StreamOf(const QByteArray& bytes) {
    auto s = std::make_shared<TQRStream>(std::numeric_limits<qint64>::max());
    s->Write(bytes.constData(), bytes.size());
    return s;
}

QString LoadError(const QByteArray& bytes) {
    TQRPageList list;
    try {
        list.LoadFromStream(StreamOf(bytes));
    } catch (const EQRError& e) {
        return e.message();
    }
    return QString();
}

}  // namespace

class TestQRPageList : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void onePageLayout_data() {
        QTest::addColumn<bool>("compressed");
        QTest::newRow("plain") << false;
        QTest::newRow("compressed") << true;
    }
    void onePageLayout() {
        QFETCH(bool, compressed);
        const double before = DateTimeToDays(QDateTime::currentDateTime());
        const QByteArray f = FileBytes(1, compressed);
        const double after = DateTimeToDays(QDateTime::currentDateTime());
        QCOMPARE(qFromLittleEndian<quint16>(f.constData()), quint16(3));
        QCOMPARE(qFromLittleEndian<quint16>(f.constData() + 2), quint16(362));
        QCOMPARE(I32(f, 8), 1);
        double stamp = 0;
        const quint64 bits = qFromLittleEndian<quint64>(f.constData() + 16);
        std::memcpy(&stamp, &bits, sizeof stamp);
        QVERIFY(stamp >= before && stamp <= after);
        QCOMPARE(int(f[25]), compressed ? 1 : 0);
        // The only record starts at 128 and its next-record offset is the file length.
        QCOMPARE(I32(f, 128), 1);
        QCOMPARE(I32(f, 132), f.size());
        QCOMPARE(I32(f, f.size() - 4), 128);
        const TQRPageRecording page = samples::Page(1);
        if (compressed) {
            QCOMPARE(I32(f, 136), page.Size());
            QVERIFY(f.size() < 128 + 16 + page.Size());
        } else {
            QCOMPARE(f.mid(136, page.Size()), page.Data());
            QCOMPARE(f.size(), 128 + 12 + page.Size());
        }
    }

    void threePagesChainedBothWays() {
        const QByteArray f = FileBytes(3, true);
        QCOMPARE(I32(f, 8), 3);
        qint64 start = 128;
        for (int page = 1; page <= 3; ++page) {
            QCOMPARE(I32(f, start), page);
            const qint64 next = I32(f, start + 4);
            QCOMPARE(I32(f, next - 4), start);
            start = next;
        }
        QCOMPARE(start, f.size());
    }

    void getPageWalksBothWays_data() {
        QTest::addColumn<bool>("compressed");
        QTest::addColumn<QList<int>>("order");
        QTest::newRow("plain 3 1 2 3") << false << QList<int>{3, 1, 2, 3};
        QTest::newRow("compressed 3 1 2 3") << true << QList<int>{3, 1, 2, 3};
        // From the end backwards, then forwards again past the middle.
        QTest::newRow("compressed 5 4 2 4 3") << true << QList<int>{5, 4, 2, 4, 3};
        QTest::newRow("plain 2 2 4 1 5 2") << false << QList<int>{2, 2, 4, 1, 5, 2};
    }
    void getPageWalksBothWays() {
        QFETCH(bool, compressed);
        QFETCH(QList<int>, order);
        Run run(5, compressed);
        for (const int n : order) {
            const auto page = run.list.GetPage(n);
            QVERIFY(page);
            QCOMPARE(*page, samples::Page(n));
        }
        QVERIFY(!run.list.GetPage(0));
        QVERIFY(!run.list.GetPage(6));
        QVERIFY(!run.list.GetPage(-1));
    }

    void saveThenLoadGivesTheSamePages_data() {
        QTest::addColumn<bool>("compressed");
        QTest::newRow("plain") << false;
        QTest::newRow("compressed") << true;
    }
    void saveThenLoadGivesTheSamePages() {
        QFETCH(bool, compressed);
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("relatorio.QRP"));
        Run run(4, compressed);
        run.list.SaveToFile(name);
        QFile saved(name);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), run.Bytes());
        // The reader starts with the other compression setting: the header decides.
        TQRPageList loaded;
        loaded.SetCompression(!compressed);
        loaded.LoadFromFile(name);
        QCOMPARE(loaded.GetCompression(), compressed);
        QCOMPARE(loaded.GetPageCount(), 4);
        for (const int n : {1, 2, 3, 4, 2}) {
            QCOMPARE(*loaded.GetPage(n), samples::Page(n));
        }
        QVERIFY(QFileInfo::exists(name));
    }

    void emptyRunIsAHeaderOnly() {
        TQRPageList list;
        auto stream = std::make_shared<TQRStream>(kRunLimit);
        list.SetStream(stream);
        list.Finish();
        QCOMPARE(stream->Size(), 128);
        TQRPageList loaded;
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        stream->SaveToStream(out);
        loaded.LoadFromStream(StreamOf(out.data()));
        QCOMPARE(loaded.GetPageCount(), 0);
        QVERIFY(!loaded.GetPage(1));
    }

    void withoutAStreamNothingCrashes() {
        TQRPageList list;
        QVERIFY_THROWS_EXCEPTION(EQRError, list.AddPage(samples::Page(1)));
        QVERIFY_THROWS_EXCEPTION(EQRError, list.SeekToPage(2));
        QVERIFY(!list.GetPage(1));
        list.Finish();
        QCOMPARE(list.GetPageCount(), 0);
    }

    void clearForgetsPagesOnly() {
        Run run(2, false);
        const qint64 size = run.stream->Size();
        run.list.Clear();
        QCOMPARE(run.list.GetPageCount(), 0);
        QVERIFY(!run.list.GetPage(1));
        QCOMPARE(run.stream->Size(), size);
    }

    void longRunSpillsToATemporaryFile() {
        QString spilled;
        {
            // 60 pages of about 2 KB each pass the 100000-byte limit.
            Run run(60, false, 2000);
            QVERIFY(!run.stream->InMemory());
            spilled = run.stream->TemporaryFileName();
            QVERIFY(QFileInfo(spilled).fileName().startsWith(QLatin1String("QRP")));
            QVERIFY(!QFileInfo::exists(spilled));  // open without a name, so never left behind
            for (const int n : {60, 1, 31, 30, 59}) {
                QCOMPARE(*run.list.GetPage(n), samples::Page(n, 2000));
            }
        }
        QVERIFY(!QFileInfo::exists(spilled));
    }

    // A store limited to 100 plain pages of one size; the run announces its rows
    // before each page. Refused: the first page not stored, and the message's start.
    void sizeLimitRefusesEarlyOrAtTheLimit_data() {
        QTest::addColumn<int>("rowsPerPage");
        QTest::addColumn<int>("runPages");  // pages the whole run would take
        QTest::addColumn<bool>("knowsRows");
        QTest::addColumn<int>("refusedAt");  // 0: the run fits
        QTest::addColumn<QString>("message");
        const QString early = QStringLiteral("O relatório ficaria com cerca de");
        const QString exact =
            QStringLiteral("O relatório excede o tamanho máximo de um arquivo de páginas (");
        // A fiftieth of 400 pages of rows is done with page 8.
        QTest::newRow("four times the limit, refused at page 8") << 10 << 400 << true << 8 << early;
        // With one row a page, a fiftieth of 2000 rows takes 40 pages.
        QTest::newRow("twenty times, refused once a fiftieth is done") << 1 << 2000 << true << 40 << early;
        QTest::newRow("a twentieth past, refused at the limit") << 10 << 105 << true << 101 << exact;
        QTest::newRow("rows not known, refused at the limit") << 10 << 400 << false << 101 << exact;
        QTest::newRow("just fits") << 10 << 100 << true << 0 << QString();
    }
    void sizeLimitRefusesEarlyOrAtTheLimit() {
        QFETCH(int, rowsPerPage);
        QFETCH(int, runPages);
        QFETCH(bool, knowsRows);
        QFETCH(int, refusedAt);
        QFETCH(QString, message);
        const qint64 record = Run(2, false).Bytes().size() - Run(1, false).Bytes().size();
        TQRPageList list;
        list.SetStream(std::make_shared<TQRStream>(kRunLimit));
        list.SetSizeLimit(TQRPageList::HeaderSize + 100 * record);
        const qint64 rows = qint64(runPages) * rowsPerPage;
        QString refusal;
        int page = 1;
        for (; page <= runPages; ++page) {
            list.SetRunShare(knowsRows ? qint64(page) * rowsPerPage : 0, knowsRows ? rows : 0);
            try {
                list.AddPage(samples::Page(page));
            } catch (const EQRError& e) {
                refusal = e.message();
                break;
            }
        }
        QCOMPARE(page, refusedAt == 0 ? runPages + 1 : refusedAt);
        QCOMPARE(list.GetPageCount(), page - 1);
        QVERIFY2(refusal.startsWith(message), qPrintable(refusal));
        if (refusal.startsWith(QStringLiteral("O relatório ficaria"))) {
            // Says what it expects, the limit, how far the run got, and what to do instead.
            QVERIFY2(
                refusal.contains(QStringLiteral("acima do máximo de ")) &&
                    refusal.contains(
                        QStringLiteral("%1 de %2 registros").arg(qint64(page) * rowsPerPage).arg(rows)) &&
                    refusal.contains(QStringLiteral("PDF")),
                qPrintable(refusal));
        }
        // What was stored before the refusal stays readable.
        if (page > 1) {
            QCOMPARE(*list.GetPage(page - 1), samples::Page(page - 1));
        }
    }

    void readerAndWriterOnTwoThreads() {
        TQRPageList list;
        list.SetCompression(true);
        list.SetStream(std::make_shared<TQRStream>(20000));
        constexpr int kPages = 150;
        std::thread writer([&list] {
            for (int i = 1; i <= kPages; ++i) {
                list.AddPage(samples::Page(i, 300));
            }
        });
        int checked = 0;
        while (checked < kPages) {
            const int available = list.GetPageCount();
            if (available > checked) {
                // Alternate the newest page and an early one so the walk runs both ways.
                QCOMPARE(*list.GetPage(available), samples::Page(available, 300));
                QCOMPARE(*list.GetPage(checked + 1), samples::Page(checked + 1, 300));
                ++checked;
            }
        }
        writer.join();
    }

    void damagedFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QByteArray plain = FileBytes(2, false);
        const QByteArray coded = FileBytes(2, true);
        // Plain file: record 1 at 128 (next at 132, EMF at 136, back link at 456), record 2 at 460.
        QCOMPARE(I32(plain, 132), 460);
        const auto with = [](QByteArray b, qint64 offset, qint32 value) {
            SetI32(b, offset, value);
            return b;
        };
        const QString notPageFile = QStringLiteral("O arquivo não é um arquivo de páginas de relatório.");
        QTest::newRow("empty file") << QByteArray() << notPageFile;
        QTest::newRow("another kind of file") << QByteArray("PK\x03\x04 some archive") << notPageFile;
        QTest::newRow("wrong version") << with(plain, 0, 3 | (363 << 16)) << notPageFile;
        QTest::newRow("header cut short")
            << plain.left(60) << QStringLiteral("O arquivo de páginas está truncado.");
        QByteArray flag = plain;
        flag[25] = 7;
        QTest::newRow("compression flag 7")
            << flag << QStringLiteral("O arquivo de páginas tem um indicador de compressão inválido (7).");
        QTest::newRow("negative page count")
            << with(plain, 8, -1)
            << QStringLiteral("O arquivo de páginas declara um número de páginas inválido (-1).");
        QTest::newRow("page count the size cannot hold")
            << with(plain, 8, 1000000)
            << QStringLiteral(
                   "O arquivo de páginas declara 1000000 páginas, mais do que o seu tamanho comporta.");
        QTest::newRow("page count above the records")
            << with(plain, 8, 3)
            << QStringLiteral("O arquivo de páginas está truncado: termina na página 2 de 3.");
        QTest::newRow("page count below the records")
            << with(plain, 8, 1)
            << QStringLiteral(
                   "O número de páginas do cabeçalho (1) não corresponde à última página do arquivo (2).");
        QTest::newRow("bytes after the last record")
            << plain + QByteArray(8, 'x')
            << QStringLiteral(
                   "O arquivo de páginas está truncado ou incompleto: o final não fecha a página 2.");
        QTest::newRow("next link outside the file")
            << with(plain, 132, 0x7ffffff0)
            << QStringLiteral("O registro da página 1 aponta para fora do arquivo.");
        QTest::newRow("next link backwards")
            << with(plain, 132, 140)
            << QStringLiteral("O encadeamento do registro da página 1 está corrompido.");
        QTest::newRow("back link") << with(plain, 456, 200)
                                   << QStringLiteral(
                                          "O encadeamento do registro da página 1 está corrompido.");
        QTest::newRow("page number out of order")
            << with(plain, 128, 5) << QStringLiteral("O registro da página 1 traz o número 5.");
        QTest::newRow("page data not EMF") << with(plain, 136 + 40, 0x12345678)
                                           << QStringLiteral(
                                                  "A página 1 não é uma gravação de página válida: a "
                                                  "gravação não começa com um cabeçalho EMF.");
        QTest::newRow("EMF length beyond its record")
            << with(plain, 136 + 48, 324)
            << QStringLiteral("O comprimento da gravação da página 1 não corresponde ao seu registro.");
        QTest::newRow("coded length below an EMF header")
            << with(coded, 136, 10)
            << QStringLiteral("O comprimento da gravação da página 1 não corresponde ao seu registro.");
        QTest::newRow("coded length beyond its record")
            << with(coded, 136, 0x10000000)
            << QStringLiteral("O comprimento da gravação da página 1 não corresponde ao seu registro.");
    }
    void damagedFiles() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QCOMPARE(LoadError(bytes), message);
    }

    void damagedCodeFailsOnThatPage() {
        QByteArray f = FileBytes(2, true);
        for (int i = 150; i < 170; ++i) {
            f[i] = static_cast<char>(~f[i]);
        }
        TQRPageList list;
        list.LoadFromStream(StreamOf(f));
        QCOMPARE(*list.GetPage(2), samples::Page(2));
        try {
            list.GetPage(1);
            QFAIL("a damaged page must not load");
        } catch (const EQRError& e) {
            QCOMPARE(e.message(), QStringLiteral("Os dados comprimidos da página 1 estão danificados."));
        }
        QCOMPARE(*list.GetPage(2), samples::Page(2));
    }

    // A damaged page is refused on its own: the walk to every other page, forwards
    // and backwards, starts again from where the failed read began.
    void damagedPageLeavesTheOthersReadable_data() {
        QTest::addColumn<int>("damaged");
        QTest::addColumn<bool>("backwards");
        for (int page = 1; page <= 5; ++page) {
            QTest::newRow(qPrintable(QStringLiteral("page %1, forwards").arg(page))) << page << false;
            QTest::newRow(qPrintable(QStringLiteral("page %1, backwards").arg(page))) << page << true;
        }
    }
    void damagedPageLeavesTheOthersReadable() {
        QFETCH(int, damaged);
        QFETCH(bool, backwards);
        QByteArray f = FileBytes(5, true);
        qint64 record = TQRPageList::HeaderSize;
        for (int page = 1; page < damaged; ++page) {
            record = I32(f, record + 4);
        }
        // Overwrite the coded bytes of the page, leaving its links intact.
        const qint64 codedEnd = I32(f, record + 4) - 4;
        for (qint64 i = record + 12; i < codedEnd; ++i) {
            f[i] = static_cast<char>(0xA5);
        }
        TQRPageList list;
        list.LoadFromStream(StreamOf(f));
        for (int step = 0; step < 5; ++step) {
            const int page = backwards ? 5 - step : step + 1;
            if (page == damaged) {
                QVERIFY_THROWS_EXCEPTION(EQRError, list.GetPage(page));
                continue;
            }
            const auto got = list.GetPage(page);
            QVERIFY2(got && *got == samples::Page(page), qPrintable(QStringLiteral("page %1").arg(page)));
        }
        QVERIFY_THROWS_EXCEPTION(EQRError, list.GetPage(damaged));
        QCOMPARE(*list.GetPage(damaged == 5 ? 4 : damaged + 1), samples::Page(damaged == 5 ? 4 : damaged + 1));
    }

    void truncationAtEveryByte_data() {
        QTest::addColumn<bool>("compressed");
        QTest::newRow("plain") << false;
        QTest::newRow("compressed") << true;
    }
    void truncationAtEveryByte() {
        QFETCH(bool, compressed);
        const QByteArray f = FileBytes(2, compressed);
        for (qsizetype n = 0; n < f.size(); ++n) {
            const QString error = LoadError(f.left(n));
            if (n < 4) {
                QCOMPARE(error, QStringLiteral("O arquivo não é um arquivo de páginas de relatório."));
            } else {
                QVERIFY2(error.startsWith(QStringLiteral("O arquivo de páginas está truncado")),
                         qPrintable(QStringLiteral("%1 bytes: %2").arg(n).arg(error)));
            }
        }
        QCOMPARE(LoadError(f), QString());
    }

    void failedLoadKeepsThePages() {
        QTemporaryDir dir;
        const QString bad = dir.filePath(QStringLiteral("ruim.QRP"));
        {
            QFile file(bad);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(FileBytes(2, false).left(300));
        }
        Run run(3, true);
        QVERIFY_THROWS_EXCEPTION(EQRError, run.list.LoadFromFile(bad));
        QVERIFY_THROWS_EXCEPTION(EQRError, run.list.LoadFromFile(dir.filePath(QStringLiteral("nenhum.QRP"))));
        QCOMPARE(run.list.GetPageCount(), 3);
        QVERIFY(run.list.GetCompression());
        QCOMPARE(*run.list.GetPage(2), samples::Page(2));
    }
};

QTEST_GUILESS_MAIN(TestQRPageList)
#include "tst_qrpagelist.moc"
