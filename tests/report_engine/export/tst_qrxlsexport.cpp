#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include "ExportTools.h"
#include "report_engine/export/TQRXLSFilter.h"
#include "report_engine/printer/TQRPrinter.h"
#include "runtime/Exceptions.h"
#include "runtime/FormatSettings.h"

using namespace quorin;
using namespace exporttools;

namespace {

struct Text {
    double X;
    double Y;
    QString Value;
};
using Page = QList<Text>;
using Cells = QMap<QString, QVariant>;

void RunPages(TQRXLSFilter& filter, const QList<Page>& pages) {
    for (const Page& page : pages) {
        filter.NewPage();
        for (const Text& t : page) {
            filter.TextOut(t.X, t.Y, TQRFont(), Qt::black, TAlignment::taLeftJustify, t.Value);
        }
        filter.EndPage();
    }
}

void Export(const QString& file, const QList<QList<Page>>& reports) {
    TQRXLSFilter filter(file);
    filter.Start(2100, 2970, TQRFont());
    for (const auto& report : reports) RunPages(filter, report);  // reports running into one filter
    filter.Finish();
}

/// The cells as xlrd reads them: "row,col" -> number or text.
Cells ReadWithXlrd(const QString& file) {
    const char* script =
        "import sys, json, xlrd\n"
        "b = xlrd.open_workbook(sys.argv[1], encoding_override='cp1252')\n"
        "s = b.sheet_by_index(0)\n"
        "out = []\n"
        "for r in range(s.nrows):\n"
        "  for c in range(s.ncols):\n"
        "    cell = s.cell(r, c)\n"
        "    if cell.ctype != 0: out.append([r, c, cell.ctype, cell.value])\n"
        "print(json.dumps(out))\n";
    const Result r = Run(QStringLiteral("/usr/bin/python3"), {"-c", script, file});
    if (r.exitCode != 0) {
        qWarning("%s", r.err.constData());
        return {{QStringLiteral("error"), QString::fromUtf8(r.err)}};
    }
    Cells cells;
    for (const QJsonValue v : QJsonDocument::fromJson(r.out).array()) {
        const QJsonArray a = v.toArray();
        const QString key = QStringLiteral("%1,%2").arg(a[0].toInt()).arg(a[1].toInt());
        cells[key] = a[2].toInt() == 2 ? QVariant(a[3].toDouble()) : QVariant(a[3].toString());
    }
    return cells;
}

/// One page of `rows` rows, each a text at the left and a number beside it;
/// returns the message of the refusal, or a null string when the filter took them.
QString TextRows(TQRXLSFilter& filter, int rows, int* textsWhenRefused = nullptr) {
    try {
        filter.NewPage();
        for (int r = 0; r < rows; ++r) {
            filter.TextOut(100, 100 + 50.0 * r, TQRFont(), Qt::black, TAlignment::taLeftJustify,
                           QStringLiteral("linha %1").arg(r));
            filter.TextOut(600, 100 + 50.0 * r, TQRFont(), Qt::black, TAlignment::taLeftJustify,
                           QString::number(r));
        }
        filter.EndPage();
    } catch (const quorin::Exception& e) {
        if (textsWhenRefused) *textsWhenRefused = static_cast<int>(filter.Entries().size());
        return e.message();
    }
    return {};
}

bool HasXlrd() { return Run(QStringLiteral("/usr/bin/python3"), {"-c", "import xlrd"}).exitCode == 0; }

}  // namespace

class TestQRXlsExport : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    QString Path(const QString& name) const { return dir_.filePath(name); }

  private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        FormatSettings::setCurrent(FormatSettings::brazilian());
    }

    void recordLayout() {
        const QString file = Path("layout.xls");
        Export(file, {{{{100, 100, QStringLiteral("12")}, {500, 100, QStringLiteral("Lote")}}}});
        const QByteArray bytes = ReadAll(file);
        const QByteArray expected = QByteArray::fromHex(
            "0908 0600 0000 1000 0000"             // beginning of file
            "0002 0a00 0000 0000 0000 0000 0000"   // dimensions, all zero
            "0300 0f00 0000 0000 000000 0000000000002840"  // 12 at row 0, column 0
            "0400 0c00 0000 0100 000000 04 4c6f7465"       // Lote at row 0, column 1
            "0a00 0000");                          // end of file
        QCOMPARE(bytes.toHex(' '), expected.toHex(' '));
    }

    void cellsAsXlrdReadsThem_data() {
        QTest::addColumn<QList<QList<Page>>>("reports");
        QTest::addColumn<Cells>("cells");
        QTest::newRow("detail row below the header rows")
            << QList<QList<Page>>{{{{100, 50, QStringLiteral("Relatório")},
                                     {100, 120, QStringLiteral("Item")}, {600, 120, QStringLiteral("Descrição")},
                                     {100, 200, QStringLiteral("12")}, {600, 200, QStringLiteral("Lote")}}}}
            << Cells{{"0,0", QStringLiteral("Relatório")},
                                       {"1,0", QStringLiteral("Item")}, {"1,1", QStringLiteral("Descrição")},
                                       {"2,0", 12.0}, {"2,1", QStringLiteral("Lote")}};
        QTest::newRow("regional numbers, texts that only look like numbers")
            << QList<QList<Page>>{{{{100, 100, QStringLiteral("1.234,50")}, {400, 100, QStringLiteral("000042 / 2010")},
                                     {700, 100, QStringLiteral("12.345.678/0001-90")}, {1000, 100, QStringLiteral("-0,5")}}}}
            << Cells{{"0,0", 1234.5}, {"0,1", QStringLiteral("000042 / 2010")},
                                       {"0,2", QStringLiteral("12.345.678/0001-90")}, {"0,3", -0.5}};
        // What a number cell would change stays text: leading zeros, a CNPJ
        // without its dots, a plus sign, misplaced groups; fixed decimals stay numbers.
        QTest::newRow("codes and documents stay texts")
            << QList<QList<Page>>{{{{100, 100, QStringLiteral("010231")}, {300, 100, QStringLiteral("000007")},
                                     {500, 100, QStringLiteral("12123123000199")}, {700, 100, QStringLiteral("+5")},
                                     {900, 100, QStringLiteral("1.2.3")}, {1100, 100, QStringLiteral("12,")},
                                     {100, 200, QStringLiteral("9,8500")}, {300, 200, QStringLiteral("0")},
                                     {500, 200, QStringLiteral("1.234.567")}, {700, 200, QStringLiteral("52998224725")},
                                     {900, 200, QStringLiteral("0,0500")}, {1100, 200, QStringLiteral("1234")}}}}
            << Cells{{"0,0", QStringLiteral("010231")}, {"0,1", QStringLiteral("000007")},
                     {"0,2", QStringLiteral("12123123000199")}, {"0,3", QStringLiteral("+5")},
                     {"0,4", QStringLiteral("1.2.3")}, {"0,5", QStringLiteral("12,")},
                     {"1,0", 9.85}, {"1,1", 0.0}, {"1,2", 1234567.0}, {"1,3", 52998224725.0},
                     {"1,4", 0.05}, {"1,5", 1234.0}};
        // 10-point texts (35 units high) 3 units apart are one row; 20 apart are two.
        QTest::newRow("a label and its value a little lower share a row")
            << QList<QList<Page>>{{{{100, 100, QStringLiteral("Marca:")}, {400, 103, QStringLiteral("ALVORADA")},
                                     {100, 150, QStringLiteral("Especificação:")}, {400, 170, QStringLiteral("Papel")}}}}
            << Cells{{"0,0", QStringLiteral("Marca:")}, {"0,1", QStringLiteral("ALVORADA")},
                     {"1,0", QStringLiteral("Especificação:")}, {"2,1", QStringLiteral("Papel")}};
        QTest::newRow("two texts of one row at one position share the cell")
            << QList<QList<Page>>{{{{100, 100, QStringLiteral("um")}, {100, 104, QStringLiteral("dois")}}}}
            << Cells{{"0,0", QStringLiteral("um dois")}};
        QTest::newRow("positions of 0 or less get no cell")
            << QList<QList<Page>>{{{{0, 100, QStringLiteral("x0")}, {-5, 100, QStringLiteral("xneg")},
                                     {100, 0, QStringLiteral("y0")}, {100, 100, QStringLiteral("fica")}}}}
            << Cells{{"0,0", QStringLiteral("fica")}};
        QTest::newRow("positions equal after rounding share a column")
            << QList<QList<Page>>{{{{100.2, 100, QStringLiteral("a")}, {99.8, 200, QStringLiteral("b")},
                                     {300, 200, QStringLiteral("c")}}}}
            << Cells{{"0,0", QStringLiteral("a")}, {"1,0", QStringLiteral("b")},
                                       {"1,1", QStringLiteral("c")}};
        QTest::newRow("pages and a second report continue downwards")
            << QList<QList<Page>>{{{{100, 100, QStringLiteral("A1")}}, {{100, 100, QStringLiteral("A2")}, {100, 300, QStringLiteral("A3")}}},
                                  {{{100, 100, QStringLiteral("B1")}}}}
            << Cells{{"0,0", QStringLiteral("A1")}, {"1,0", QStringLiteral("A2")},
                                       {"2,0", QStringLiteral("A3")}, {"3,0", QStringLiteral("B1")}};
        const QString long300 = QString(100, u'a') + QString(100, u'é') + QString(100, u'z');
        QTest::newRow("a 300-character text keeps its first 255")
            << QList<QList<Page>>{{{{100, 100, long300}}}}
            << Cells{{"0,0", long300.left(255)}};
    }
    void cellsAsXlrdReadsThem() {
        QFETCH(QList<QList<Page>>, reports);
        QFETCH(Cells, cells);
        if (!HasXlrd()) QSKIP("python3-xlrd missing");
        const QString file = Path(QStringLiteral("%1.xls").arg(QTest::currentDataTag()).replace(u' ', u'_'));
        Export(file, reports);
        QCOMPARE(ReadWithXlrd(file), cells);
    }

    // The worksheet holds 16,384 rows: a report that fills it is read whole; one that
    // needs a row more, on its page or on a later one, is refused before any cell of
    // that page is written, and nothing appears under the target's name.
    void rowsUpToTheWorksheetLimit_data() {
        QTest::addColumn<QList<int>>("pages");  // rows on each page
        QTest::addColumn<bool>("refused");
        QTest::newRow("one page that fills the worksheet") << QList<int>{TQRXLSFilter::MaxRows} << false;
        QTest::newRow("one page a row over") << QList<int>{TQRXLSFilter::MaxRows + 1} << true;
        QTest::newRow("pages that fill it together") << QList<int>{TQRXLSFilter::MaxRows - 2, 2} << false;
        QTest::newRow("a second page a row over") << QList<int>{TQRXLSFilter::MaxRows - 2, 3} << true;
    }
    void rowsUpToTheWorksheetLimit() {
        QFETCH(QList<int>, pages);
        QFETCH(bool, refused);
        QTemporaryDir folder;
        const QString file = folder.filePath("limite.xls");
        QString message;
        {
            TQRXLSFilter filter(file);
            filter.Start(2100, 2970, TQRFont());
            for (const int rows : pages) {
                message = TextRows(filter, rows);
                if (!message.isNull()) break;
            }
            if (message.isNull()) filter.Finish();
        }
        if (refused) {
            QVERIFY2(message.contains(QStringLiteral("não foi gravada")) && message.contains(QStringLiteral("16.384")) &&
                         message.contains(file),
                     qPrintable(message));
            QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                     QStringList());
            return;
        }
        QVERIFY2(message.isNull(), qPrintable(message));
        if (!HasXlrd()) QSKIP("python3-xlrd missing");
        const char* script =
            "import sys, xlrd\n"
            "s = xlrd.open_workbook(sys.argv[1], encoding_override='cp1252').sheet_by_index(0)\n"
            "print(s.nrows, s.ncols, s.cell(s.nrows - 1, 0).value, s.cell(s.nrows - 1, 1).value)\n";
        const Result r = Run(QStringLiteral("/usr/bin/python3"), {"-c", script, file});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const int last = pages.last() - 1;  // the last page's last row
        QCOMPARE(QString::fromUtf8(r.out).trimmed(),
                 QStringLiteral("%1 2 linha %2 %3").arg(TQRXLSFilter::MaxRows).arg(last).arg(double(last), 0, 'f', 1));
    }

    // A report runs into the filter as one page: it is refused while its texts
    // arrive, long before all of them are kept.
    void refusedWhileTheTextsArrive() {
        QTemporaryDir folder;
        TQRXLSFilter filter(folder.filePath("grande.xls"));
        filter.Start(2100, 2970, TQRFont());
        int kept = 0;
        const QString message = TextRows(filter, 20 * TQRXLSFilter::MaxRows, &kept);
        QVERIFY(!message.isNull());
        QVERIFY2(kept > 2 * TQRXLSFilter::MaxRows && kept < 2 * TQRXLSFilter::MaxRows + 10000,
                 qPrintable(QString::number(kept)));
    }

    void progressWhileStoringTheFirstPage() {
        TQRPrinter printer;
        QObject progress;
        printer.PreviewWindow = &progress;
        TQRXLSFilter filter(Path("progress.xls"));
        filter.Printer = &printer;
        filter.Start(2100, 2970, TQRFont());
        RunPages(filter, {{{100, 100, QStringLiteral("a")}, {100, 200, QStringLiteral("b")}, {100, 300, QStringLiteral("c")},
                           {100, 400, QStringLiteral("d")}}});
        filter.Finish();
        QCoreApplication::processEvents();
        QCOMPARE(progress.property("windowTitle").toString(), QStringLiteral("Writing XLS file..."));
        QCOMPARE(printer.GetProgress(), 75);  // line 4 of 4 reports 3 of 4 done
    }

    // The lenient reader sees the same cells, numbers as numbers.
    void libreOfficeReadsTheSameCells() {
        if (!Has("soffice")) QSKIP("LibreOffice missing");
        const QString file = Path("calc.xls");
        Export(file, {{{{100, 100, QStringLiteral("Licitação")}, {500, 100, QStringLiteral("1.234,50")}},
                       {{100, 100, QStringLiteral("Município")}, {500, 100, QStringLiteral("000042 / 2010")}}}});
        QVERIFY(Soffice(dir_.path(), QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76"), {file}, Path("csv")));
        const QString csv = QString::fromUtf8(ReadAll(Path("csv/calc.csv"))).trimmed();
        QCOMPARE(csv.split(u'\n'), QStringList({QStringLiteral("Licitação,1234.5"), QStringLiteral("Município,000042 / 2010")}));
        if (HasXlrd()) {
            const auto cells = ReadWithXlrd(file);
            QCOMPARE(cells.value("0,1"), QVariant(1234.5));
            QCOMPARE(cells.value("1,0"), QVariant(QStringLiteral("Município")));
        }
    }
};

QTEST_MAIN(TestQRXlsExport)
#include "tst_qrxlsexport.moc"
