// Real report runs into every filter: a page header, a detail band with data
// fields, a line and a right-aligned amount, and a summary, over two pages.

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "../printables/RunHarness.h"
#include "ExportTools.h"
#include "report_engine/export/TQRAsciiExportFilter.h"
#include "report_engine/export/TQRPDFDocumentFilter.h"
#include "report_engine/export/TQRRTFExportFilter.h"
#include "report_engine/export/TQRWMFExportFilter.h"
#include "report_engine/export/TQRXLSFilter.h"
#include "report_engine/printables/QRPrintableKinds.h"
#include "runtime/FormatSettings.h"

using namespace quorin;
using namespace exporttools;

namespace {

constexpr int kRecords = 70;

std::unique_ptr<RunHarness> MakeReport(const QString& ending = QStringLiteral("Município de São Paulo")) {
    auto run = std::make_unique<RunHarness>(kRecords);
    run->Build({Band("PHB_Cabecalho", rbPageHeader, 30), Band("DTB_Detalhe", rbDetail, 20),
                Band("SUB_Total", rbSummary, 30)},
               {{"QRL_Titulo", "TQRLabel", "PHB_Cabecalho", 0, 0, 300, 20,
                 {{"Caption", QStringLiteral("Proposta de Realinhamento de Preço")}, {"FontBold", true}}},
                {"QRT_Item", "TQRDBText", "DTB_Detalhe", 0, 0, 60, 16, {{"DataSet", "CDS_Relatorio"}, {"DataField", "NRO_ITEM"}}},
                {"QRT_Marca", "TQRDBText", "DTB_Detalhe", 100, 0, 80, 16, {{"DataSet", "CDS_Relatorio"}, {"DataField", "DES_MARCA"}}},
                {"QRT_Total", "TQRDBText", "DTB_Detalhe", 400, 0, 120, 16,
                 {{"DataSet", "CDS_Relatorio"}, {"DataField", "VLR_TOTAL"}, {"Alignment", "right"}, {"AutoSize", false}, {"Mask", "#,##0.00"}}},
                {"QRH_Linha", "TQRShape", "DTB_Detalhe", 0, 17, 520, 2, {{"Shape", "qrsHorLine"}}},
                {"QRL_Fim", "TQRLabel", "SUB_Total", 0, 5, 200, 16, {{"Caption", ending}}}});
    return run;
}

}  // namespace

class TestQRExportRun : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    QString Path(const QString& name) const { return dir_.filePath(name); }

  private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QRRegisterPrintableKinds();
        FormatSettings::setCurrent(FormatSettings::brazilian());
    }

    void pdf() {
        auto run = MakeReport();
        run->Run();
        const int pages = run->PageCount();
        QVERIFY(pages >= 2);
        const QString file = Path("run.pdf");
        TQRPDFDocumentFilter filter(file);
        run->report->ExportToFilter(&filter);
        QVERIFY(QFile::exists(file));
        if (Has("qpdf")) QCOMPARE(Run("qpdf", {"--check", file}).exitCode, 0);
        if (!Has("pdftotext")) QSKIP("pdftotext missing");
        const QString info = QString::fromUtf8(Run("pdfinfo", {file}).out);
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages: +%1\\n").arg(pages))), qPrintable(info));
        const QStringList text = QString::fromUtf8(Run("pdftotext", {"-layout", "-enc", "UTF-8", file, "-"}).out).split(u'\f');
        QVERIFY(text[0].contains(QStringLiteral("Proposta de Realinhamento de Preço")));
        QVERIFY(text[0].contains(QRegularExpression(QStringLiteral("\\n *7 +BIC +30,50\\n"))));
        QVERIFY(text[pages - 1].contains(QStringLiteral("Município de São Paulo")));
        // The PDF and the preview's page agree on where the title is.
        const auto recorded = run->Texts(1);
        QVERIFY(!recorded.isEmpty());
        const QString bbox = QString::fromUtf8(Run("pdftotext", {"-bbox", "-f", "1", "-l", "1", file, "-"}).out);
        const auto m = QRegularExpression(QStringLiteral("xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"[0-9.]+\" yMax=\"[0-9.]+\">Proposta<")).match(bbox);
        QVERIFY(m.hasMatch());
        QVERIFY(qAbs(m.captured(1).toDouble() - recorded[0].Position.x() * 72.0 / RunHarness::Dpi()) < 1.0);
        if (Has("pdftoppm")) {
            QDir().mkpath(QStringLiteral(QUORIN_BINARY_DIR "/screenshots"));
            Run("pdftoppm", {"-r", "60", "-png", "-f", "1", "-l", "1", "-singlefile", file,
                             QStringLiteral(QUORIN_BINARY_DIR "/screenshots/export_run_pdf")});
        }
    }

    void textAndSpreadsheet() {
        auto run = MakeReport();
        run->Run();
        {
            TQRAsciiExportFilter filter(Path("run.txt"));
            run->report->ExportToFilter(&filter);
        }
        const QString text = QString::fromUtf8(ReadAll(Path("run.txt")));
        QVERIFY(text.contains(QStringLiteral("Proposta de Realinhamento de Preço")));
        QVERIFY(text.contains(QStringLiteral("Município de São Paulo")));
        QCOMPARE(text.count(QStringLiteral("BIC")), kRecords);

        {
            TQRXLSFilter filter(Path("run.xls"));
            run->report->ExportToFilter(&filter);
        }
        if (Run(QStringLiteral("/usr/bin/python3"), {"-c", "import xlrd"}).exitCode != 0) QSKIP("python3-xlrd missing");
        const char* script =
            "import sys, xlrd\n"
            "s = xlrd.open_workbook(sys.argv[1], encoding_override='cp1252').sheet_by_index(0)\n"
            "print(s.nrows)\n"
            "for r in range(s.nrows): print('|'.join(repr(c.value) for c in s.row(r)))\n";
        const QStringList rows = QString::fromUtf8(Run("/usr/bin/python3", {"-c", script, Path("run.xls")}).out).split(u'\n');
        // Streamed without page breaks: the title once, one row per record, the summary.
        QCOMPARE(rows[0].toInt(), kRecords + 2);
        QVERIFY2(rows[1].startsWith(QStringLiteral("'Proposta de Realinhamento de Preço'")), qPrintable(rows[1]));
        QCOMPARE(rows[2], QStringLiteral("7.0|'BIC'|30.5"));
        QCOMPARE(rows[kRecords + 2], QStringLiteral("'Município de São Paulo'|''|''"));
    }

    void rtf() {
        auto run = MakeReport();
        run->Run();
        const int pages = run->PageCount();
        {
            TQRRTFExportFilter filter(Path("run.rtf"));
            run->report->ExportToFilter(&filter);
        }
        const QByteArray rtf = ReadAll(Path("run.rtf"));
        QVERIFY(rtf.contains("\\margl720\\margr720\\margt720\\margb720"));  // 127 native units
        QCOMPARE(rtf.count("{\\page }"), pages - 1);
        QCOMPARE(rtf.count(" BIC"), kRecords);
        QVERIFY(rtf.contains("Munic\xEDpio de S\xE3o Paulo"));
        QVERIFY(rtf.endsWith("\\par }\r\n"));
    }

    // Formats held to a code page write "?" for what it lacks and say so once the file
    // is written; a report whose texts all fit says nothing.
    void replacedCharactersAreNoticed_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("ending");
        QTest::addColumn<int>("replaced");
        for (const char* format : {"pdf", "xls", "wmf"}) {
            QTest::addRow("%s, chinese and emoji", format) << QString::fromLatin1(format) << QStringLiteral("Lote 中文 😀") << 3;
            QTest::addRow("%s, portuguese", format) << QString::fromLatin1(format) << QStringLiteral("Município de São Paulo") << 0;
        }
    }
    void replacedCharactersAreNoticed() {
        QFETCH(QString, format);
        QFETCH(QString, ending);
        QFETCH(int, replaced);
        auto run = MakeReport(ending);
        run->Run();
        const QString dir = Path("replaced_" + format + QString::number(replaced));
        QDir().mkpath(dir);
        std::unique_ptr<TQRExportFilter> filter;
        if (format == "pdf") filter = std::make_unique<TQRPDFDocumentFilter>(dir + "/run.pdf");
        if (format == "xls") filter = std::make_unique<TQRXLSFilter>(dir + "/run.xls");
        if (format == "wmf") filter = std::make_unique<TQRWMFExportFilter>(dir + "/run.wmf", run->report->QRPrinter());
        run->report->ExportToFilter(filter.get());
        QVERIFY(!QDir(dir).entryList(QDir::Files).isEmpty());
        QCOMPARE(filter->ReplacedCharacters, replaced);
        if (replaced == 0) {
            QVERIFY(filter->ReplacementNotice().isEmpty());
        } else {
            QVERIFY2(filter->ReplacementNotice().contains(QStringLiteral("3 caracteres não existem na página de código")),
                     qPrintable(filter->ReplacementNotice()));
        }
    }

    void metafiles() {
        auto run = MakeReport();
        run->Run();
        const int pages = run->PageCount();
        QDir(dir_.path()).mkpath(QStringLiteral("wmf"));
        TQRWMFExportFilter filter(Path("wmf/run.wmf"), run->report->QRPrinter());
        run->report->ExportToFilter(&filter);
        QCOMPARE(QDir(Path("wmf")).entryList(QDir::Files).size(), pages);
        if (!Has("wmf2svg")) QSKIP("wmf2svg missing");
        QCOMPARE(Run("wmf2svg", {"-o", Path("wmf/p1.svg"), Path("wmf/run001.wmf")}).exitCode, 0);
    }
};

QTEST_MAIN(TestQRExportRun)
#include "tst_qrexportrun.moc"
