// Real printing: a private cupsd with a queue that writes PDF files; the
// report printer prints runs directly and from stored pages, and pdfinfo and
// pdftotext read what came out. Skipped only when cupsd cannot be started.
#include <QGuiApplication>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "PrivateCups.h"
#include "report_engine/canvas/TQREmfRecorder.h"
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

/// The marks of the darkest row of a page picture (the only line on it): their
/// starting columns and the widest gap between two of them.
struct Marks {
    QList<int> starts;
    int end = 0;  // after the last mark
    int widestGap = 0;
};

Marks MarksOfDarkestRow(const QImage& page) {
    const QImage gray = page.convertToFormat(QImage::Format_Grayscale8);
    int best = -1, bestCount = 0;
    for (int y = 0; y < gray.height(); ++y) {
        const uchar* row = gray.constScanLine(y);
        int count = 0;
        for (int x = 0; x < gray.width(); ++x) count += row[x] < 128;
        if (count > bestCount) {
            bestCount = count;
            best = y;
        }
    }
    Marks marks;
    if (best < 0) return marks;
    const uchar* row = gray.constScanLine(best);
    int lastEnd = -1;
    for (int x = 0; x < gray.width(); ++x) {
        const bool dark = row[x] < 128;
        const bool before = x > 0 && row[x - 1] < 128;
        if (dark && !before) {
            if (lastEnd >= 0) marks.widestGap = std::max(marks.widestGap, x - lastEnd);
            marks.starts.append(x);
        }
        if (!dark && before) lastEnd = x;
    }
    marks.end = lastEnd;
    return marks;
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

    // A dotted rule prints dotted: directly, the job carries the pattern as a
    // dash array; from stored pages as its marks. On the sheet the marks
    // repeat every six screen pixels, as the preview shows them at 100 %
    // (scaled like the whole page: stored pages fill the printable area).
    void dottedLinePrintsItsPattern_data() {
        QTest::addColumn<TQRPrinterDestination>("destination");
        QTest::newRow("directly") << qrdPrinter;
        QTest::newRow("stored pages") << qrdMetafile;
    }

    void dottedLinePrintsItsPattern() {
        QFETCH(TQRPrinterDestination, destination);
        TQRPrinter printer;
        printer.SetPrinterIndex(static_cast<int>(printer.GetPrinters().indexOf(PrivateCups::Queue())));
        printer.SetPaperSize(TQRPaperSize::A4);
        printer.SetTitle(QStringLiteral("Linha pontilhada"));
        printer.SetDestination(destination);
        cups_.ClearOutput();
        printer.BeginDoc();
        printer.NewPage();
        TQRCanvas* canvas = printer.GetCanvas();
        QVERIFY(canvas);
        canvas->Pen.Style = TQRPenStyle::psDot;
        canvas->MoveTo(printer.XPos(200), printer.YPos(500));
        canvas->LineTo(printer.XPos(1800), printer.YPos(500));
        printer.EndDoc();
        if (destination == qrdMetafile) {
            printer.PrintMetaFile = true;
            printer.Print();
        }
        QVERIFY2(cups_.WaitForOutput(), qPrintable(cups_.Error()));
        const QString pdf = cups_.OutputFile();
        if (destination == qrdPrinter) {
            QTemporaryDir dir;
            const QString plain = dir.filePath(QStringLiteral("plain.pdf"));
            QProcess::execute(QStringLiteral("qpdf"), {QStringLiteral("--qdf"),
                                                       QStringLiteral("--object-streams=disable"), pdf, plain});
            QFile file(plain);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString content = QString::fromLatin1(file.readAll());
            QVERIFY2(content.contains(QRegularExpression(QStringLiteral("\\[\\s*[0-9.]+\\s+[0-9.]+\\s*\\]\\s*[0-9.]+\\s+d"))),
                     "no dash array in the printed PDF");
        }
        const int dpi = 300;
        const QString shots = QStringLiteral(QUORIN_BINARY_DIR "/screenshots");
        QDir().mkpath(shots);
        const QString base = shots + QStringLiteral("/qrprinter_pontilhada_") +
                             QString::fromUtf8(QTest::currentDataTag()).replace(u' ', u'_');
        Tool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                                          QStringLiteral("-singlefile"), pdf, base});
        const QImage sheet(base + QStringLiteral(".png"));
        QVERIFY(!sheet.isNull());
        const Marks marks = MarksOfDarkestRow(sheet);
        QVERIFY2(marks.starts.size() > 50, qPrintable(QString::number(marks.starts.size())));
        // The rule is 160 mm long; what the sheet shows of it gives the page's scale.
        const double scale = (marks.end - marks.starts.first()) / (160 / 25.4 * dpi);
        QVERIFY2(scale > 0.85 && scale < 1.02, qPrintable(QString::number(scale)));
        const double expected = 6.0 * dpi / TQREmfRecorder::ScreenDotsPerInch() * scale;
        const double period = double(marks.starts.last() - marks.starts.first()) / (marks.starts.size() - 1);
        QVERIFY2(std::abs(period - expected) <= 1.0, qPrintable(QStringLiteral("period %1, preview %2")
                                                                   .arg(period).arg(expected)));
        for (qsizetype i = 1; i < marks.starts.size(); ++i) {
            QVERIFY2(std::abs(marks.starts[i] - marks.starts[i - 1] - expected) <= 1.5,
                     qPrintable(QStringLiteral("mark %1 at %2").arg(i).arg(marks.starts[i])));
        }
        QVERIFY2(marks.widestGap <= expected, "a gap wider than the pattern's");
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
