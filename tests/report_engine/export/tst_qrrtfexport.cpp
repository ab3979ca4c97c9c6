#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "ExportTools.h"
#include "report_engine/export/TQRRTFExportFilter.h"

using namespace quorin;
using namespace exporttools;

namespace {

struct Text {
    double X;
    double Y;
    QString Value;
    TQRFont Font = TQRFont();
    TAlignment Align = TAlignment::taLeftJustify;
};
using Page = QList<Text>;

/// An A4 page with 10 mm margins.
TQRExportPage A4() {
    TQRExportPage page;
    page.PaperSize = 9;
    page.TopMargin = page.BottomMargin = page.LeftMargin = page.RightMargin = 100;
    return page;
}

QByteArray Export(const QString& file, const QList<Page>& pages, const TQRExportPage& page = A4()) {
    TQRRTFExportFilter filter(file);
    filter.Page = page;
    filter.Start(static_cast<int>(page.Width), static_cast<int>(page.Length), TQRFont());
    for (const Page& p : pages) {
        filter.NewPage();
        for (const Text& t : p) filter.TextOut(t.X, t.Y, t.Font, Qt::black, t.Align, t.Value);
        filter.EndPage();
    }
    filter.Finish();
    return ReadAll(file);
}

/// The paragraph lines (pairs of paragraph and run lines) after the three head lines.
QList<QByteArray> Body(const QByteArray& rtf) {
    QList<QByteArray> lines = rtf.split('\n');
    for (QByteArray& l : lines) l.chop(l.endsWith('\r') ? 1 : 0);
    return lines.mid(3);
}

TQRFont Font(const QString& name, int size, bool bold, QColor color) {
    TQRFont font;
    font.Name = name;
    font.Size = size;
    font.Bold = bold;
    font.Color = color;
    return font;
}

// A face the machine has, standing in for Arial in the font table.
const QString kFace = QStringLiteral("Liberation Sans");

}  // namespace

class TestQRRtfExport : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    QString Path(const QString& name) const { return dir_.filePath(name); }

  private Q_SLOTS:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void head() {
        TQRExportPage landscape = A4();
        landscape.Width = 2970;
        landscape.Length = 2100;
        landscape.Landscape = true;
        const QByteArray rtf = Export(Path("head.rtf"), {{}}, landscape);
        QVERIFY2(rtf.startsWith("{\\rtf1\\ansi\\deff0\\deftab720\\paperh11906\\paperw16838\\psz9"
                                "\\margl567\\margr567\\margt567\\margb567\\landscape{\\fonttbl{\\f0"),
                 rtf.left(200));
        QVERIFY(rtf.contains("\r\n{\\colortbl\\red0\\green0\\blue0;\\red128\\green0\\blue0;"));
        QVERIFY(rtf.contains("\\red192\\green192\\blue192;\\red128\\green128\\blue128;\\red255\\green255\\blue255;}\r\n"
                             "\\deflang1033\r\n"));
        QVERIFY(rtf.endsWith("\\par }\r\n"));
    }

    void rowCount_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("rows");
        QTest::newRow("A4") << 2970 << 842;
        QTest::newRow("Letter") << 2794 << 792;
    }
    void rowCount() {
        QFETCH(int, length);
        QFETCH(int, rows);
        TQRRTFExportFilter filter(Path("rows.rtf"));
        filter.Start(2100, length, TQRFont());
        QCOMPARE(filter.LineCount(), rows);
    }

    void paragraphs_data() {
        QTest::addColumn<QList<Page>>("pages");
        QTest::addColumn<QList<QByteArray>>("body");
        QTest::newRow("tab stops at 20 and 5122 twips; no spacing at the top margin")
            << QList<Page>{{{100, 100, QStringLiteral("Lote")}, {1000, 100, QStringLiteral("1.234,50"), TQRFont(), TAlignment::taRightJustify}}}
            << QList<QByteArray>{"\\pard\\plain\\tql\\tx20\\tqr\\tx5122",
                                 "{\\plain\\fs1\\tab\\plain\\f0\\fs20 Lote\\tab\\plain\\f0\\fs20 1.234,50{\\fs1\\par}}", "\\par }", ""};
        // The row's highest text is 300 native units (1701 twips) from the paper's top, 1134 below the margin.
        QTest::newRow("two texts of a row ordered by position whatever their order")
            << QList<Page>{{{1000, 300, QStringLiteral("segundo"), TQRFont(), TAlignment::taCenter}, {500, 301, QStringLiteral("primeiro")}}}
            << QList<QByteArray>{"\\pard\\plain\\sb1134\\tql\\tx2288\\tqc\\tx5122",
                                 "{\\plain\\fs1\\tab\\plain\\f0\\fs20 primeiro\\tab\\plain\\f0\\fs20 segundo{\\fs1\\par}}", "\\par }", ""};
        // A 10-point line takes 230 twips in a reader. The second row is closer
        // than that and starts right below the first; the third takes the
        // difference back and stands where the page has it (1134 twips).
        QTest::newRow("spacing follows the reader's lines without piling up")
            << QList<Page>{{{100, 100, QStringLiteral("um")}, {100, 130, QStringLiteral("dois")}, {100, 200, QStringLiteral("três")}}}
            << QList<QByteArray>{"\\pard\\plain\\tql\\tx20", "{\\plain\\fs1\\tab\\plain\\f0\\fs20 um{\\fs1\\par}}",
                                 "\\pard\\plain\\tql\\tx20", "{\\plain\\fs1\\tab\\plain\\f0\\fs20 dois{\\fs1\\par}}",
                                 "\\pard\\plain\\sb107\\tql\\tx20", "{\\plain\\fs1\\tab\\plain\\f0\\fs20 tr\xEAs{\\fs1\\par}}",
                                 "\\par }", ""};
        QTest::newRow("a label and its value a little lower are one paragraph")
            << QList<Page>{{{100, 100, QStringLiteral("Marca:"), Font(QStringLiteral("Arial"), 9, false, Qt::black)},
                            {600, 103, QStringLiteral("ALVORADA"), Font(QStringLiteral("Arial"), 8, false, Qt::black)}}}
            << QList<QByteArray>{"\\pard\\plain\\tql\\tx20\\tql\\tx2855",
                                 "{\\plain\\fs1\\tab\\plain\\f0\\fs18 Marca:\\tab\\plain\\f0\\fs16 ALVORADA{\\fs1\\par}}",
                                 "\\par }", ""};
        QTest::newRow("a text left of the margin gets its stop at the margin")
            << QList<Page>{{{50, 100, QStringLiteral("margem")}}}
            << QList<QByteArray>{"\\pard\\plain\\tql\\tx0", "{\\plain\\fs1\\tab\\plain\\f0\\fs20 margem{\\fs1\\par}}", "\\par }", ""};
        QTest::newRow("braces and backslash escaped")
            << QList<Page>{{{100, 100, QStringLiteral("{a\\b}")}}}
            << QList<QByteArray>{"\\pard\\plain\\tql\\tx20", "{\\plain\\fs1\\tab\\plain\\f0\\fs20 \\{a\\\\b\\}{\\fs1\\par}}", "\\par }", ""};
        QTest::newRow("a page break between two pages only")
            << QList<Page>{{{100, 100, QStringLiteral("um")}}, {{100, 100, QStringLiteral("dois")}}}
            << QList<QByteArray>{"\\pard\\plain\\tql\\tx20", "{\\plain\\fs1\\tab\\plain\\f0\\fs20 um{\\fs1\\par}}", "{\\page }",
                                 "\\pard\\plain\\tql\\tx20", "{\\plain\\fs1\\tab\\plain\\f0\\fs20 dois{\\fs1\\par}}", "\\par }", ""};
        QTest::newRow("texts below the page grid are dropped")
            << QList<Page>{{{100, 100, QStringLiteral("dentro")}, {100, 4000, QStringLiteral("fora")}, {100, -20, QStringLiteral("acima")}}}
            << QList<QByteArray>{"\\pard\\plain\\tql\\tx20", "{\\plain\\fs1\\tab\\plain\\f0\\fs20 dentro{\\fs1\\par}}", "\\par }", ""};
    }
    void paragraphs() {
        QFETCH(QList<Page>, pages);
        QFETCH(QList<QByteArray>, body);
        // The report's font (Arial) is font 0 whether the machine has it or not.
        QCOMPARE(Body(Export(Path("para.rtf"), pages)), body);
    }

    // The font table names the faces the report prints with, the report's own
    // first, never the machine's substitute or its list of installed fonts.
    void fontTableOfTheReportsFaces() {
        const QByteArray rtf = Export(Path("navy.rtf"), {{{100, 100, QStringLiteral("Lote 1"), Font(kFace, 9, true, QColor(0, 0, 128))},
                                                          {100, 200, QStringLiteral("Lote 1"), Font(kFace, 9, true, Qt::black)},
                                                          {100, 300, QStringLiteral("Nota"), Font(QStringLiteral("Courier New"), 8, false, Qt::black)},
                                                          {100, 400, QStringLiteral("Total"), Font(QStringLiteral("arial"), 10, false, Qt::black)}}});
        QVERIFY2(rtf.contains("{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fswiss Liberation Sans;}{\\f2\\fmodern Courier New;}}\r\n"),
                 rtf.left(300));
        QVERIFY2(rtf.contains("{\\plain\\fs1\\tab\\plain\\f1\\fs18\\b\\cf4  Lote 1{\\fs1\\par}}"), rtf.right(300));
        QVERIFY(rtf.contains("{\\plain\\fs1\\tab\\plain\\f1\\fs18\\b Lote 1{\\fs1\\par}}"));
        QVERIFY(rtf.contains("{\\plain\\fs1\\tab\\plain\\f0\\fs20 Total{\\fs1\\par}}"));  // a face in another case is the same face
        QVERIFY(!rtf.contains("[") && !rtf.contains("C059"));
    }

    // A body past the megabyte kept in memory waits in a temporary file; the
    // font table, known only at the end, still comes first and nothing is lost.
    void largeDocumentKeepsHeadAndEveryPage() {
        QList<Page> pages;
        const QString line = QString(120, u'x');
        for (int p = 0; p < 40; ++p) {
            Page page;
            for (int r = 0; r < 200; ++r) page.append({100.0 + (r % 2) * 50, 100.0 + r * 12, QStringLiteral("%1/%2 ").arg(p).arg(r) + line});
            page.append({100, 2500, QStringLiteral("Fim"), Font(QStringLiteral("Courier New"), 8, false, Qt::black)});
            pages << page;
        }
        const QByteArray rtf = Export(Path("large.rtf"), pages);
        QVERIFY(rtf.size() > (1 << 20) + (1 << 18));
        QVERIFY(rtf.startsWith("{\\rtf1"));
        QVERIFY(rtf.contains("{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier New;}}\r\n"));
        QCOMPARE(rtf.count("{\\page }"), 39);
        QCOMPARE(rtf.count(line.toLatin1()), 40 * 200);
        QVERIFY(rtf.contains(" 39/199 " + line.toLatin1()));
        QVERIFY(rtf.endsWith("\\f1\\fs16 Fim{\\fs1\\par}}\r\n\\par }\r\n"));
    }

    void familyOfAFace_data() {
        QTest::addColumn<QString>("face");
        QTest::addColumn<int>("family");
        QTest::newRow("Arial") << "Arial" << 2;
        QTest::newRow("MS Sans Serif") << "MS Sans Serif" << 2;
        QTest::newRow("Times New Roman") << "Times New Roman" << 1;
        QTest::newRow("Liberation Serif") << "Liberation Serif" << 1;
        QTest::newRow("Courier New") << "Courier New" << 3;
        QTest::newRow("DejaVu Sans Mono") << "DejaVu Sans Mono" << 3;
        QTest::newRow("Symbol") << "Symbol" << 6;
        QTest::newRow("unknown") << "Qzxw" << 0;
    }
    void familyOfAFace() {
        QFETCH(QString, face);
        QFETCH(int, family);
        QCOMPARE(TQRRTFExportFilter::FamilyOf(face), family);
    }

    void codePage() {
        QCOMPARE(TQRRTFExportFilter::EscapeText(QStringLiteral("Licitação")), QByteArray("Licita\xE7\xE3o"));
        QCOMPARE(TQRRTFExportFilter::EscapeText(QStringLiteral("€ e \u4E2D \u03A9")), QByteArray("\x80 e \\u20013? \\u937?"));
        QCOMPARE(TQRRTFExportFilter::EscapeText(QStringLiteral("\uFFFD")), QByteArray("\\u-3?"));
    }

    // Writer reads every text with its accents and keeps the pages apart.
    void libreOfficeReadsTextAndPages() {
        if (!Has("soffice")) QSKIP("LibreOffice missing");
        const QList<Page> pages{{{100, 100, QStringLiteral("Licitação")}, {1000, 100, QStringLiteral("Município")},
                                 {1900, 500, QStringLiteral("1.234,50"), TQRFont(), TAlignment::taRightJustify}},
                                {{100, 100, QStringLiteral("Página 2 \u03A9")}}};
        Export(Path("lo.rtf"), pages);
        QVERIFY(Soffice(dir_.path(), QStringLiteral("txt:Text (encoded):UTF8"), {Path("lo.rtf")}, Path("lo-txt")));
        const QString text = QString::fromUtf8(ReadAll(Path("lo-txt/lo.txt")));
        for (const QString& t : {QStringLiteral("Licitação"), QStringLiteral("Município"), QStringLiteral("1.234,50"),
                                 QStringLiteral("Página 2 \u03A9")}) {
            QVERIFY2(text.contains(t), qPrintable(text));
        }
        QVERIFY(Soffice(dir_.path(), QStringLiteral("pdf"), {Path("lo.rtf")}, Path("lo-pdf")));
        if (!Has("pdfinfo")) QSKIP("pdfinfo missing");
        const QString info = QString::fromUtf8(Run("pdfinfo", {Path("lo-pdf/lo.pdf")}).out);
        QVERIFY2(QRegularExpression(QStringLiteral("Pages: +2\\n")).match(info).hasMatch(), qPrintable(info));
        // The right-aligned amount ends near its tab stop, 190 mm from the paper's edge.
        const QString layout = QString::fromUtf8(Run("pdftotext", {"-bbox", Path("lo-pdf/lo.pdf"), "-"}).out);
        const auto m = QRegularExpression(QStringLiteral("xMax=\"([0-9.]+)\" yMax=\"[0-9.]+\">1.234,50<")).match(layout);
        QVERIFY2(m.hasMatch(), qPrintable(layout));
        QVERIFY2(qAbs(m.captured(1).toDouble() - 190 * 72 / 25.4) < 3, qPrintable(m.captured(1)));
    }
};

QTEST_MAIN(TestQRRtfExport)
#include "tst_qrrtfexport.moc"
