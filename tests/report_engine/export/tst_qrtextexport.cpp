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
        QTest::newRow("a later text overwrites the characters under it")
            << QList<Page>{{{kChar * 1, kLine, QStringLiteral("abcdefgh")}, {kChar * 3, kLine, QStringLiteral("XY")}}}
            << QStringList{QStringLiteral("abXYefgh")};
        QTest::newRow("pages follow each other without a separator")
            << QList<Page>{{{kChar, kLine, QStringLiteral("Página 1")}}, {}, {{kChar, kLine * 3, QStringLiteral("Página 3")}}}
            << QStringList{QStringLiteral("Página 1"), QStringLiteral("Página 3")};
        QTest::newRow("lines round to the nearest, a text left of the page starts at the margin")
            << QList<Page>{{{-50, kLine * 1.4, QStringLiteral("a")}, {kChar, kLine * 1.6, QStringLiteral("b")}}}
            << QStringList{QStringLiteral("a"), QStringLiteral("b")};
    }
    void grid() {
        QFETCH(QList<Page>, pages);
        QFETCH(QStringList, lines);
        QCOMPARE(Export(Path("grid.txt"), pages), lines);
    }

    // A 1-point font on A4 gives 842 lines, more than a page holds: the lines
    // beyond the 201st are left out, the ones inside stay, nothing crashes.
    void linesBeyondThePageGridAreDropped() {
        const double line = 3.5277777777777777;
        const QStringList lines = Export(Path("small.txt"),
                                         {{{10, line * 0, QStringLiteral("primeira")},
                                           {10, line * 200, QStringLiteral("última")},
                                           {10, line * 201, QStringLiteral("fora")},
                                           {10, line * 800, QStringLiteral("longe")},
                                           {10, -line * 3, QStringLiteral("acima")}}},
                                         1);
        QCOMPARE(lines, QStringList({QStringLiteral("    primeira"), QStringLiteral("    última")}));
    }

    void unwritableTargetRaises() {
        TQRAsciiExportFilter filter(Path("missing/folder/out.txt"));
        QVERIFY_THROWS_EXCEPTION(std::exception, filter.Start(2100, 2970, TQRFont()));
    }
};

QTEST_MAIN(TestQRTextExport)
#include "tst_qrtextexport.moc"
