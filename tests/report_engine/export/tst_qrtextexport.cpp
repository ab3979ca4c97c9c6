#include <QTemporaryDir>
#include <QtTest>

#include "ExportTools.h"
#include "report_engine/export/TQRAsciiExportFilter.h"

using namespace quorin;
using namespace exporttools;

namespace {

struct Text {
    double X;
    double Y;
    QString Value;
    TAlignment Align = TAlignment::taLeftJustify;
};
using Page = QList<Text>;

/// Exports the pages with a report font of fontSize points on a page of the given length.
QStringList Export(const QString& file, const QList<Page>& pages, int fontSize = 10, int length = 2970) {
    TQRAsciiExportFilter filter(file);
    TQRFont font;
    font.Size = fontSize;
    filter.Start(2100, length, font);
    for (const Page& page : pages) {
        filter.NewPage();
        for (const Text& t : page) filter.TextOut(t.X, t.Y, font, Qt::black, t.Align, t.Value);
        filter.EndPage();
    }
    filter.Finish();
    const QString text = QString::fromUtf8(ReadAll(file));
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

// With a 10-point font a line is 35.28 native units high and a character
// 35.28 / 1.7 = 20.75 wide.
constexpr double kLine = 35.277777777777777;
constexpr double kChar = kLine / 1.7;

}  // namespace

class TestQRTextExport : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    QString Path(const QString& name) const { return dir_.filePath(name); }

  private Q_SLOTS:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void grid_data() {
        QTest::addColumn<QList<Page>>("pages");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("columns from positions, a blank line left out")
            << QList<Page>{{{kChar * 2, kLine * 2, QStringLiteral("Lote")}, {kChar * 10, kLine * 2, QStringLiteral("Descrição")},
                            {kChar * 2, kLine * 5, QStringLiteral("Total")}}}
            << QStringList{QStringLiteral(" Lote    Descrição"), QStringLiteral(" Total")};  // column 2 is the second character
        QTest::newRow("right-aligned amounts end at their column")
            << QList<Page>{{{kChar * 12, kLine * 1, QStringLiteral("1.234,50"), TAlignment::taRightJustify},
                            {kChar * 12, kLine * 2, QStringLiteral("5,00"), TAlignment::taRightJustify}}}
            << QStringList{QStringLiteral("   1.234,50"), QStringLiteral("       5,00")};
        QTest::newRow("a later text moves right, one blank after the earlier")
            << QList<Page>{{{kChar * 1, kLine, QStringLiteral("abcdefgh")}, {kChar * 3, kLine, QStringLiteral("XY")}}}
            << QStringList{QStringLiteral("abcdefgh XY")};
        QTest::newRow("centred texts centre on their position")
            << QList<Page>{{{kChar * 10, kLine, QStringLiteral("Item"), TAlignment::taCenter}},
                           {{kChar * 10, kLine, QStringLiteral("00001"), TAlignment::taCenter}}}
            << QStringList{QStringLiteral("       Item"), QStringLiteral("       00001")};
        QTest::newRow("pages follow each other without a separator")
            << QList<Page>{{{kChar, kLine, QStringLiteral("Página 1")}}, {}, {{kChar, kLine * 3, QStringLiteral("Página 3")}}}
            << QStringList{QStringLiteral("Página 1"), QStringLiteral("Página 3")};
        // A label and its value a few pixels lower are one row; the margin bounds a text left of the page.
        QTest::newRow("overlapping by half a line or more: one row")
            << QList<Page>{{{-50, kLine * 1.4, QStringLiteral("Marca:")}, {kChar, kLine * 1.6, QStringLiteral("ALVORADA")}}}
            << QStringList{QStringLiteral("Marca: ALVORADA")};
        QTest::newRow("overlapping by less than half a line: two rows")
            << QList<Page>{{{kChar, kLine * 1.0, QStringLiteral("a")}, {kChar, kLine * 1.6, QStringLiteral("b")}}}
            << QStringList{QStringLiteral("a"), QStringLiteral("b")};
        QTest::newRow("stacked lines closer than the grid keep their order")
            << QList<Page>{{{kChar, kLine * 1.0, QStringLiteral("um")}, {kChar, kLine * 1.6, QStringLiteral("dois")},
                            {kChar, kLine * 2.2, QStringLiteral("três")}}}
            << QStringList{QStringLiteral("um"), QStringLiteral("dois"), QStringLiteral("três")};
        // The first amount runs into the description: its whole column moves
        // right, and the amount below still ends where it does.
        QTest::newRow("a right-aligned column moves as one")
            << QList<Page>{{{kChar, kLine, QStringLiteral("Descrição longa demais")},
                            {kChar * 20, kLine, QStringLiteral("9,85"), TAlignment::taRightJustify},
                            {kChar, kLine * 2, QStringLiteral("Curta")},
                            {kChar * 20, kLine * 2, QStringLiteral("415,00"), TAlignment::taRightJustify}}}
            << QStringList{QStringLiteral("Descrição longa demais 9,85"), QStringLiteral("Curta                415,00")};
        QTest::newRow("a column keeps its move on the next page")
            << QList<Page>{{{kChar, kLine, QStringLiteral("Descrição longa demais")},
                            {kChar * 20, kLine, QStringLiteral("9,85"), TAlignment::taRightJustify}},
                           {{kChar * 20, kLine, QStringLiteral("415,00"), TAlignment::taRightJustify}}}
            << QStringList{QStringLiteral("Descrição longa demais 9,85"), QString(21, u' ') + QStringLiteral("415,00")};
    }
    void grid() {
        QFETCH(QList<Page>, pages);
        QFETCH(QStringList, lines);
        QCOMPARE(Export(Path("grid.txt"), pages), lines);
    }

    // A 1-point font on A4 gives 842 lines, far more than any fixed grid: every
    // text on the page stays, the ones above or below the paper are left out.
    void everyLineOfThePageIsKept() {
        const double line = 3.5277777777777777;
        const QStringList lines = Export(Path("small.txt"),
                                         {{{10, line * 0, QStringLiteral("primeira")},
                                           {10, line * 200, QStringLiteral("200")},
                                           {10, line * 201, QStringLiteral("201")},
                                           {10, line * 800, QStringLiteral("última")},
                                           {10, line * 900, QStringLiteral("abaixo")},
                                           {10, -line * 3, QStringLiteral("acima")}}},
                                         1);
        QCOMPARE(lines, QStringList({QStringLiteral("    primeira"), QStringLiteral("    200"), QStringLiteral("    201"),
                                     QStringLiteral("    última")}));
    }

    // Labels packed closer than the grid's characters, in two fonts and three
    // alignments, some three units off their row: every text appears whole, on
    // the line of its row, in the order of the page, a blank before the next.
    void crowdedLabelsKeepEveryCharacter() {
        TQRFont small;
        small.Size = 8;
        TQRFont large;
        large.Size = 12;
        const QString file = Path("crowded.txt");
        TQRAsciiExportFilter filter(file);
        filter.Start(2100, 2970, TQRFont());
        filter.NewPage();
        QList<QStringList> expected;
        for (int r = 0; r < 12; ++r) {
            QStringList row;
            for (int c = 0; c < 12; ++c) {
                const QString text = QStringLiteral("R%1C%2:%3").arg(r).arg(c).arg(QString(c % 4 + 1, u'x'));
                const TAlignment align = c % 3 == 0 ? TAlignment::taLeftJustify
                                         : c % 3 == 1 ? TAlignment::taRightJustify
                                                      : TAlignment::taCenter;
                // Texts of up to 11 characters 150 native units apart, where the page's
                // narrow letters fit and the grid's 20.75-unit characters do not.
                const double anchor = 100 + c * 150 + (align == TAlignment::taLeftJustify ? 0
                                                       : align == TAlignment::taCenter    ? 70
                                                                                          : 140);
                const double y = 100 + r * 40 + (c % 2) * 3;
                filter.TextOut(anchor, y, c % 2 ? small : large, Qt::black, align, text);
                row << text;
            }
            expected << row;
        }
        filter.EndPage();
        filter.Finish();
        QStringList lines = QString::fromUtf8(ReadAll(file)).split(QStringLiteral("\r\n"));
        lines.removeAll(QString());
        QCOMPARE(lines.size(), expected.size());
        for (int r = 0; r < lines.size(); ++r) {
            qsizetype at = 0;
            for (const QString& text : expected[r]) {
                const qsizetype found = lines[r].indexOf(text, at);
                QVERIFY2(found >= 0 && (at == 0 || found > at), qPrintable(lines[r] + QStringLiteral(" / ") + text));
                at = found + text.size();
            }
        }
    }

    void unwritableTargetRaises() {
        TQRAsciiExportFilter filter(Path("missing/folder/out.txt"));
        QVERIFY_THROWS_EXCEPTION(std::exception, filter.Start(2100, 2970, TQRFont()));
    }
};

QTEST_MAIN(TestQRTextExport)
#include "tst_qrtextexport.moc"
