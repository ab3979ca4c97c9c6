// Real printing: a private cupsd with a queue that writes PDF files; the
// report printer prints runs directly and from stored pages, and pdfinfo and
// pdftotext read what came out. Skipped only when cupsd cannot be started.
#include <QGuiApplication>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include "PrivateCups.h"
#include "report_engine/pages/EQRError.h"
#include "report_engine/printer/TQRPrinter.h"

using namespace quorin;

Q_DECLARE_METATYPE(quorin::TQRPrinterDestination)

namespace {

QString Tool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

class TestQRPrinterCups : public QObject {
    Q_OBJECT

  public:
    TestQRPrinterCups(PrivateCups& cups, bool started) : cups_(cups), started_(started) {}

  private Q_SLOTS:
    void initTestCase() {
        if (!started_) {
            QSKIP(qPrintable(QStringLiteral("no private cupsd: ") + cups_.Error()));
        }
    }

    void printsThroughCups_data() {
        QTest::addColumn<TQRPrinterDestination>("destination");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QList<int>>("printed");
        QTest::newRow("three pages directly") << qrdPrinter << 3 << 0 << 0 << QList<int>{1, 2, 3};
        QTest::newRow("pages 3 to 4 of 6 directly") << qrdPrinter << 6 << 3 << 4 << QList<int>{3, 4};
        QTest::newRow("stored pages of a finished run") << qrdMetafile << 3 << 0 << 0 << QList<int>{1, 2, 3};
    }
    void printsThroughCups() {
        QFETCH(TQRPrinterDestination, destination);
        QFETCH(int, pages);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(QList<int>, printed);
        TQRPrinter printer;
        QVERIFY(printer.GetPrintersInstalled());
        const int queue = static_cast<int>(printer.GetPrinters().indexOf(PrivateCups::Queue()));
        QVERIFY(queue >= 0);
        printer.SetPrinterIndex(queue);
        QCOMPARE(printer.PlatformPrinter()->printerName(), PrivateCups::Queue());
        printer.SetPaperSize(TQRPaperSize::A4);
        QCOMPARE(printer.GetPaperSize(), TQRPaperSize::A4);
        printer.SetTitle(QStringLiteral("Proposta de teste"));
        printer.SetDestination(destination);
        cups_.ClearOutput();

        printer.FirstPage = first;
        printer.LastPage = last;
        printer.BeginDoc();
        for (int page = 1; page <= pages; ++page) {
            printer.NewPage();
            TQRCanvas* canvas = printer.GetCanvas();
            QVERIFY(canvas);
            canvas->Font.Size = 14;
            canvas->TextOut(printer.XPos(250), printer.YPos(300),
                            QStringLiteral("Página %1 de %2").arg(page).arg(pages));
        }
        printer.EndDoc();
        if (destination == qrdMetafile) {
            printer.PrintMetaFile = true;
            printer.Print();
        }

        QVERIFY2(cups_.WaitForOutput(), qPrintable(cups_.Error()));
        const QString pdf = cups_.OutputFile();
        const QString info = Tool(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(printed.size()))),
                 qPrintable(info));
        QVERIFY2(info.contains(QStringLiteral("(A4)")), qPrintable(info));
        for (qsizetype i = 0; i < printed.size(); ++i) {
            const QString n = QString::number(i + 1);
            const QString text =
                Tool(QStringLiteral("pdftotext"),
                     {QStringLiteral("-f"), n, QStringLiteral("-l"), n, pdf, QStringLiteral("-")});
            QVERIFY2(text.contains(QStringLiteral("Página %1 de %2").arg(printed[i]).arg(pages)),
                     qPrintable(text));
        }
        // The first sheet as a picture, to look at.
        const QString shots = QStringLiteral(QUORIN_BINARY_DIR "/screenshots");
        QDir().mkpath(shots);
        const QString tag = QString::fromUtf8(QTest::currentDataTag()).replace(u' ', u'_');
        Tool(QStringLiteral("pdftoppm"),
             {QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-png"),
              QStringLiteral("-singlefile"), pdf, shots + QStringLiteral("/qrprinter_") + tag});
    }

    // A queue that went away after it was chosen: the job is refused with a
    // message, and nothing claims success.
    void removedQueueRaises() {
        TQRPrinter printer;
        printer.SetPrinterIndex(static_cast<int>(printer.GetPrinters().indexOf(QStringLiteral("SUMIDA"))));
        QCOMPARE(printer.PlatformPrinter()->printerName(), QStringLiteral("SUMIDA"));
        QVERIFY(cups_.RemoveQueue(QStringLiteral("SUMIDA")));
        int afterPrint = 0;
        printer.AfterPrint = [&](TQRPrinter*) { ++afterPrint; };
        printer.SetDestination(qrdPrinter);
        printer.BeginDoc();
        QString raised;
        try {
            printer.NewPage();
            printer.EndDoc();
        } catch (const EQRError& error) {
            raised = error.message();
        }
        QCOMPARE(raised, QStringLiteral("A impressora \"SUMIDA\" recusou o trabalho de impressão."));
        QCOMPARE(afterPrint, 0);
    }

  private:
    PrivateCups& cups_;
    bool started_;
};

// The daemon starts before the application, so libcups reads CUPS_SERVER
// before anything asks Qt about printers.
int main(int argc, char** argv) {
    PrivateCups cups;
    const bool started = cups.Start() && cups.AddQueue(QStringLiteral("SUMIDA"));
    QGuiApplication app(argc, argv);
    TestQRPrinterCups test(cups, started);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_qrprinter_cups.moc"
