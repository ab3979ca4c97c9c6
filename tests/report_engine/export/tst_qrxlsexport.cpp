#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include "ExportTools.h"
#include "report_engine/export/QRXlsWorkbook.h"
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

    // Rows beyond the worksheet's continue on further sheets of a workbook: xlrd reads
    // every row once, in order, the last one included, whether the rows come on one
    // page or on several, and the kept texts stay few when the bands end.
    void rowsBeyondOneSheet_data() {
        QTest::addColumn<QList<int>>("pages");  // rows on each page
        QTest::addColumn<QString>("sheets");    // the sheets xlrd reads, with their rows
        QTest::addColumn<bool>("calc");         // LibreOffice reads the same rows
        QTest::newRow("one page that fills the worksheet") << QList<int>{xls::WorksheetRows} << "worksheet 16384" << false;
        QTest::newRow("one page a row over") << QList<int>{xls::WorksheetRows + 1} << "Planilha1 16385" << false;
        QTest::newRow("pages a row over together") << QList<int>{xls::WorksheetRows - 2, 3} << "Planilha1 16385" << false;
        QTest::newRow("a full sheet") << QList<int>{xls::SheetRows} << "Planilha1 65536" << false;
        QTest::newRow("a second page past the first sheet")
            << QList<int>{xls::SheetRows - 2, 5} << "Planilha1 65536 Planilha2 3" << true;
        // Twenty worksheets' rows: the workbook's sector table needs sectors of its own.
        QTest::newRow("many sheets, one page")
            << QList<int>{20 * xls::WorksheetRows} << "Planilha1 65536 Planilha2 65536 Planilha3 65536 "
                                                       "Planilha4 65536 Planilha5 65536" << false;
    }
    void rowsBeyondOneSheet() {
        QFETCH(QList<int>, pages);
        QFETCH(QString, sheets);
        QFETCH(bool, calc);
        QTemporaryDir folder;
        const QString file = folder.filePath("linhas.xls");
        size_t mostKept = 0;
        {
            TQRXLSFilter filter(file);
            filter.Start(2100, 2970, TQRFont());
            for (const int rows : pages) {
                filter.NewPage();
                for (int r = 0; r < rows; ++r) {
                    // A band per row, its texts lower one first; an odd row's text needs 16-bit characters.
                    const double y = 100 + 50.0 * r;
                    filter.TextOut(600, y + 2, TQRFont(), Qt::black, TAlignment::taLeftJustify, QString::number(r));
                    filter.TextOut(100, y, TQRFont(), Qt::black, TAlignment::taLeftJustify,
                                   r % 2 ? QStringLiteral("linha %1 – 5 €").arg(r) : QStringLiteral("linha %1").arg(r));
                    filter.AcceptBand(nullptr, 0, static_cast<int>(y), 50);
                    mostKept = std::max(mostKept, filter.Entries().size());
                }
                filter.EndPage();
            }
            filter.Finish();
        }
        QVERIFY2(mostKept <= 4, qPrintable(QString::number(mostKept)));
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{"linhas.xls"});
        if (!HasXlrd()) QSKIP("python3-xlrd missing");
        // Rows number on from one page to the next; every row is checked.
        const char* script =
            "import sys, xlrd\n"
            "raw = open(sys.argv[1], 'rb').read(10)\n"
            "b = xlrd.open_workbook(sys.argv[1], encoding_override='cp1252')\n"
            "out = []\n"
            "for s in b.sheets(): out += ['worksheet' if raw[:4] == bytes.fromhex('09080600') else s.name, str(s.nrows)]\n"
            "rows = [s.row_values(r) for s in b.sheets() for r in range(s.nrows)]\n"
            "starts = [0]\n"
            "for n in map(int, sys.argv[2:]): starts.append(starts[-1] + n)\n"
            "want = []\n"
            "for p in range(len(starts) - 1):\n"
            "  for r in range(starts[p + 1] - starts[p]):\n"
            "    want.append([('linha %d \\u2013 5 \\u20ac' if r % 2 else 'linha %d') % r, float(r)])\n"
            "bad = [i for i in range(max(len(rows), len(want))) if i >= len(rows) or i >= len(want) or rows[i] != want[i]]\n"
            "print(' '.join(out[:10]), 'bad', bad[:3], len(rows))\n";
        QStringList args{"-c", script, file};
        for (const int rows : pages) args << QString::number(rows);
        const Result r = Run(QStringLiteral("/usr/bin/python3"), args);
        QVERIFY2(r.exitCode == 0, r.err.constData());
        int total = 0;
        for (const int rows : pages) total += rows;
        QCOMPARE(QString::fromUtf8(r.out).trimmed(), QStringLiteral("%1 bad [] %2").arg(sheets).arg(total));
        if (!calc || !Has("soffice")) return;
        // Every sheet as a CSV file of its own (the last option, -1), 16-bit characters included.
        QVERIFY(Soffice(folder.path(), QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1"),
                        {file}, folder.filePath("csv")));
        const QStringList second = QString::fromUtf8(ReadAll(folder.filePath("csv/linhas-Planilha2.csv"))).trimmed().split(u'\n');
        QCOMPARE(second, QStringList({QStringLiteral("linha 2,2"), QStringLiteral("linha 3 – 5 €,3"), QStringLiteral("linha 4,4")}));
        const QString first = QString::fromUtf8(ReadAll(folder.filePath("csv/linhas-Planilha1.csv")));
        QCOMPARE(first.count(u'\n'), xls::SheetRows);
        QVERIFY(first.endsWith(QStringLiteral("linha 65533 – 5 €,65533\nlinha 0,0\nlinha 1 – 5 €,1\n")));
    }

    // Rows are complete once a band below them has ended; the file is the one the
    // whole page sorted at once gives: texts of a band in any order, and a band's
    // last text sharing a row with the next band's texts.
    void bandsEndingGiveTheSameRows() {
        const QList<Text> texts{{100, 100, QStringLiteral("Marca:")},   {400, 103, QStringLiteral("ALVORADA")},
                                {400, 170, QStringLiteral("Papel")},    {100, 150, QStringLiteral("Especificação:")},
                                {100, 200, QStringLiteral("um")},       {100, 204, QStringLiteral("dois")},
                                {400, 240, QStringLiteral("fim")},      {700, 250, QStringLiteral("1.234,50")},
                                {100, 251, QStringLiteral("Total")}};
        const QList<int> bandTops{100, 150, 200, 250};
        const QList<int> bandOf{0, 0, 1, 1, 2, 2, 2, 3, 3};  // the band each text prints in
        QByteArray files[2];
        for (const bool bands : {false, true}) {
            const QString file = Path(bands ? "bandas.xls" : "pagina.xls");
            TQRXLSFilter filter(file);
            filter.Start(2100, 2970, TQRFont());
            filter.NewPage();
            for (qsizetype i = 0; i < texts.size(); ++i) {
                filter.TextOut(texts[i].X, texts[i].Y, TQRFont(), Qt::black, TAlignment::taLeftJustify, texts[i].Value);
                if (bands && (i + 1 == texts.size() || bandOf[i + 1] != bandOf[i]))
                    filter.AcceptBand(nullptr, 0, bandTops[bandOf[i]], 50);
            }
            filter.EndPage();
            filter.Finish();
            files[bands] = ReadAll(file);
        }
        QVERIFY(!files[0].isEmpty());
        QCOMPARE(files[1].toHex(' '), files[0].toHex(' '));
    }

    // A page wider than the format's 256 columns is refused with the reason before
    // anything is written.
    void tooManyColumnsRefused() {
        QTemporaryDir folder;
        const QString file = folder.filePath("larga.xls");
        QString message;
        try {
            TQRXLSFilter filter(file);
            filter.Start(2100, 2970, TQRFont());
            filter.NewPage();
            for (int c = 0; c <= xls::MaxColumns; ++c)
                filter.TextOut(10 + 10 * c, 100, TQRFont(), Qt::black, TAlignment::taLeftJustify, QStringLiteral("x"));
            filter.EndPage();
            filter.Finish();
        } catch (const quorin::Exception& e) {
            message = e.message();
        }
        QVERIFY2(message.contains(QStringLiteral("A planilha %1 não foi gravada").arg(file)) &&
                     message.contains(QStringLiteral("257 colunas")),
                 qPrintable(message));
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
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
