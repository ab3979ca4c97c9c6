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
                                 "{\\plain\\tab\\plain\\fs20 Lote\\tab\\plain\\fs20 1.234,50{\\fs1\\par}}", "\\par }", ""};
        // 201 native units below the margin: round(201 x 5.669) - 50 = 1090 twips of spacing.
        QTest::newRow("two texts of a row ordered by position whatever their order")
            << QList<Page>{{{1000, 300, QStringLiteral("segundo"), TQRFont(), TAlignment::taCenter}, {500, 301, QStringLiteral("primeiro")}}}
            << QList<QByteArray>{"\\pard\\plain\\sb1090\\tql\\tx2288\\tqc\\tx5122",
                                 "{\\plain\\tab\\plain\\fs20 primeiro\\tab\\plain\\fs20 segundo{\\fs1\\par}}", "\\par }", ""};
        QTest::newRow("braces and backslash escaped")
            << QList<Page>{{{100, 100, QStringLiteral("{a\\b}")}}}
            << QList<QByteArray>{"\\pard\\plain\\tql\\tx20", "{\\plain\\tab\\plain\\fs20 \\{a\\\\b\\}{\\fs1\\par}}", "\\par }", ""};
        QTest::newRow("a page break between two pages only")
            << QList<Page>{{{100, 100, QStringLiteral("um")}}, {{100, 100, QStringLiteral("dois")}}}
            << QList<QByteArray>{"\\pard\\plain\\tql\\tx20", "{\\plain\\tab\\plain\\fs20 um{\\fs1\\par}}", "{\\page }",
                                 "\\pard\\plain\\tql\\tx20", "{\\plain\\tab\\plain\\fs20 dois{\\fs1\\par}}", "\\par }", ""};
        QTest::newRow("texts below the page grid are dropped")
            << QList<Page>{{{100, 100, QStringLiteral("dentro")}, {100, 4000, QStringLiteral("fora")}, {100, -20, QStringLiteral("acima")}}}
            << QList<QByteArray>{"\\pard\\plain\\tql\\tx20", "{\\plain\\tab\\plain\\fs20 dentro{\\fs1\\par}}", "\\par }", ""};
    }
    void paragraphs() {
        QFETCH(QList<Page>, pages);
        QFETCH(QList<QByteArray>, body);
        // The default font (Arial) is not installed here, so it gets no \f.
        QCOMPARE(Body(Export(Path("para.rtf"), pages)), body);
    }

    void runOfABoldNavyText() {
        TQRRTFExportFilter probe(Path("probe.rtf"));
        probe.Start(2100, 2970, TQRFont());
        const int index = probe.FontIndex(kFace);
        if (index < 0) QSKIP("Liberation Sans not installed");
        const QByteArray rtf = Export(Path("navy.rtf"), {{{100, 100, QStringLiteral("Lote 1"), Font(kFace, 9, true, QColor(0, 0, 128))},
                                                          {100, 200, QStringLiteral("Lote 1"), Font(kFace, 9, true, Qt::black)}}});
        const QByteArray f = "\\f" + QByteArray::number(index);
        QVERIFY2(rtf.contains("{\\plain\\tab\\plain" + f + "\\fs18\\b\\cf4  Lote 1{\\fs1\\par}}"), rtf.right(300));
        QVERIFY(rtf.contains("{\\plain\\tab\\plain" + f + "\\fs18\\b Lote 1{\\fs1\\par}}"));
        QVERIFY(rtf.contains("{\\f" + QByteArray::number(index) + "\\fswiss Liberation Sans;}"));
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
