#include <QtTest>

#include "dataset/TMemoryDataSet.h"
#include "report_engine/expr/TQREvEnvironment.h"
#include "report_engine/printables/QRFormatLines.h"
#include "report_engine/printables/QRValueText.h"
#include "report_engine/printables/TQRExprMemoMerger.h"
#include "report_engine/printables/TQRTextMeasurer.h"
#include "runtime/FormatSettings.h"

using namespace quorin;

namespace {

// Every character is 7 pixels wide except the letters listed; widths add up
// exactly, so each row of the tables can be checked by hand.
class FixedMeasure : public TQRLineMeasure {
  public:
    QHash<QChar, double> widths;
    int calls = 0;
    double Advance(QStringView text) override {
        ++calls;
        double sum = 0;
        for (QChar c : text) {
            sum += widths.value(c, 7);
        }
        return sum;
    }
    int WidthOfAdvance(double advance) const override { return qRound(advance); }
};

}  // namespace

class TestQRTextEngine : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() { FormatSettings::setCurrent(FormatSettings::brazilian()); }

    void formatParagraphs_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("autoSize");
        QTest::addColumn<bool>("wordWrap");
        QTest::addColumn<int>("width");
        QTest::addColumn<QStringList>("lines");

        // "abcd " is 35 pixels and "efg" 30 (10 each): 65 does not fit in 60.
        QTest::newRow("two words, the first keeps its blank")
            << "abcd efg" << false << true << 60 << QStringList{"abcd ", "efg"};
        QTest::newRow("the hyphen stays on the first line")
            << "bem-vindo" << false << true << 40 << QStringList{"bem-", "vindo"};
        // "ef gh" is 44 pixels: a line exactly as wide as the control fits.
        QTest::newRow("words fill a line before it breaks")
            << "ab cd ef gh" << false << true << 44 << QStringList{"ab cd ", "ef gh"};
        QTest::newRow("carriage return and line feed pairs separate paragraphs")
            << "um\r\ndois\r\ntres" << true << true << 10 << QStringList{"um", "dois", "tres"};
        QTest::newRow("a line feed alone is deleted")
            << "um\ndois" << true << true << 10 << QStringList{"umdois"};
        QTest::newRow("empty paragraphs are empty lines")
            << "a\r\rb\r" << false << true << 60 << QStringList{"a", "", "b", ""};
        QTest::newRow("an empty text is one empty line") << "" << false << true << 60 << QStringList{""};
        QTest::newRow("with AutoSize the text is never wrapped")
            << "abcd efg hij klm" << true << true << 20 << QStringList{"abcd efg hij klm"};
        // 4 characters make 28 < 30; the fifth would make 35. "ef" is 20, "efg" 30, which
        // does not fit a cut; "ghi" is 24.
        QTest::newRow("a word wider than an empty line goes on over the next lines")
            << "abcdefghij" << false << true << 30 << QStringList{"abcd", "ef", "ghi", "j"};
        QTest::newRow("the last piece of a long word takes the words after it")
            << "ab abcdefghij xy" << false << true << 30 << QStringList{"ab ", "abcd", "ef", "ghi", "j xy"};
        QTest::newRow("a long word ends a line exactly: no empty line after it")
            << "abcdabcd" << false << true << 29 << QStringList{"abcd", "abcd"};
        QTest::newRow("a 3,008-character word loses nothing")
            << QString(3008, u'a') << false << true << 30
            << QStringList(752, QStringLiteral("aaaa"));
        QTest::newRow("without WordWrap the rest of the paragraph is dropped")
            << "abcd efg hij\rk" << false << false << 60 << QStringList{"abcd ", "k"};
        QTest::newRow("without WordWrap a long word keeps its front")
            << "abcdefghij kl" << false << false << 30 << QStringList{"abcd"};
        QTest::newRow("width 0 gives empty lines and ends")
            << "abc def" << false << true << 0 << QStringList{"", ""};
    }
    void formatParagraphs() {
        QFETCH(QString, text);
        QFETCH(bool, autoSize);
        QFETCH(bool, wordWrap);
        QFETCH(int, width);
        QFETCH(QStringList, lines);
        FixedMeasure measure;
        measure.widths.insert(u'e', 10);
        measure.widths.insert(u'f', 10);
        measure.widths.insert(u'g', 10);
        QStringList got;
        QRFormatParagraphs(text, measure, TQRLineRules{autoSize, wordWrap, width}, got);
        QCOMPARE(got, lines);
    }

    void formatLinesOfAList() {
        FixedMeasure measure;
        const QStringList source{"abc def", "x\r\ny"};
        // AutoSize takes the list as it is, line feeds and all.
        QCOMPARE(QRFormatLines(false, {}, source, measure, {true, true, 10}), source);
        QCOMPARE(QRFormatLines(false, {}, source, measure, {false, true, 30}),
                 (QStringList{"abc ", "def", "x", "y"}));
        QCOMPARE(QRFormatLines(true, "abc def", source, measure, {false, true, 60}), QStringList{"abc def"});
        QCOMPARE(QRWidestLine({"ab", "abcd", ""}, measure), 28);
    }

    // A huge text of words that never fit ends: at most one line per character.
    void hostileTextEnds() {
        FixedMeasure measure;
        const QString text = QString(20000, u'x') + QStringLiteral(" ") + QString(5000, u'-');
        for (int width : {0, 1, 7, 8}) {
            QStringList lines;
            QRFormatParagraphs(text, measure, {false, true, width}, lines);
            // A line where one character fits, or the rest of the word dropped where none does.
            QVERIFY(lines.size() <= (width >= 8 ? text.size() + 1 : 5002));
            for (const QString& line : lines) {
                QVERIFY(measure.TextWidth(line) <= std::max(width, 0) || line.size() <= 1);
            }
        }
    }

    // The real measurer: the width of a text is its advance rounded plus one,
    // scaled by the zoom, and the advance of a text is the sum of its parts.
    void measurerAddsUp() {
        TQRFont font;
        font.Name = QStringLiteral("Arial");
        font.Size = 8;
        TQRTextMeasurer measure(font, 96);
        TQRTextMeasurer zoomed(font, 96, 200);
        const QString text = QStringLiteral("Caneta esferográfica azul, corpo sextavado");
        QCOMPARE(measure.Advance(text), measure.Advance(text.left(10)) + measure.Advance(text.mid(10)));
        QVERIFY(measure.TextWidth(QStringLiteral("W")) >= 2);
        QVERIFY(qAbs(zoomed.TextWidth(text) - 2 * measure.TextWidth(text)) <= 2);
        QCOMPARE(measure.TextWidth(QString()), 1);
        // 8 points at 96 per inch are about 11 pixels of font; a line is a little more.
        QVERIFY(measure.LineHeight() >= 11 && measure.LineHeight() <= 15);
        QVERIFY(measure.Matches(font, 96, 100));
        QVERIFY(!measure.Matches(font, 96, 200));
        // A character outside the Latin table and a surrogate pair are measured too.
        QVERIFY(measure.Advance(QStringLiteral("\u20ac")) > 0);
        QVERIFY(measure.Advance(QString::fromUcs4(U"\U0001F600")) >= 0);
    }

    void exprValueText_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("text");
        QTest::newRow("integer through the mask") << 0 << "00000"
                                                  << "00007";
        QTest::newRow("double through the mask") << 1 << "#,##0.0000"
                                                 << "1.234,5000";
        QTest::newRow("double without mask: general form") << 1 << ""
                                                           << "1234,5";
        QTest::newRow("lot total") << 2 << "#,##0.00"
                                   << "98.765,43";
        QTest::newRow("Boolean ignores the mask") << 3 << "#,##0.00"
                                                  << "True";
        QTest::newRow("text as it is") << 4 << "0000"
                                       << "abc";
        QTest::newRow("error message as it is") << 5 << "0000"
                                                << "Erro";
    }
    void exprValueText() {
        QFETCH(int, kind);
        QFETCH(QString, mask);
        QFETCH(QString, text);
        const TQREvResult values[] = {TQREvResult::Int(7),           TQREvResult::Double(1234.5),
                                      TQREvResult::Double(98765.43), TQREvResult::Bool(true),
                                      TQREvResult::String(u"abc"),   TQREvResult::Error(u"Erro")};
        QCOMPARE(QRExprValueText(values[kind], mask), text);
    }

    void mergeValueText() {
        QCOMPARE(QRMergeValueText(TQREvResult::Int(3)), QStringLiteral("3"));
        QCOMPARE(QRMergeValueText(TQREvResult::Double(2.5)), QStringLiteral("2,5"));
        QCOMPARE(QRMergeValueText(TQREvResult::String(u"x")), QStringLiteral("x"));
        QCOMPARE(QRMergeValueText(TQREvResult::Bool(false)), QStringLiteral("False"));
        QCOMPARE(QRMergeValueText(TQREvResult::Error(u"Erro")), QString());
    }

    void fieldText() {
        TMemoryDataSet data;
        TIntegerField* item = data.AddIntegerField(QStringLiteral("NRO_ITEM"));
        TFloatField* quantity = data.AddFloatField(QStringLiteral("QTD_PRODUTO"), true);
        TStringField* name = data.AddStringField(QStringLiteral("NOME"), 20);
        TDateTimeField* when = data.AddDateTimeField(QStringLiteral("DATA"));
        TMemoField* memo = data.AddMemoField(QStringLiteral("DES_OBJETO"));
        data.CreateDataSet();
        data.Append();
        item->SetAsInteger(7);
        quantity->SetAsFloat(1234.5);
        name->SetAsString(QStringLiteral("12"));
        when->SetAsDateTime(QDateTime(QDate(2024, 3, 15), QTime(14, 30)));
        data.Post();

        QCOMPARE(QRFieldText(*item, QStringLiteral("00000")), QString("00007"));
        QCOMPARE(QRFieldText(*quantity, QStringLiteral("#,##0.0000")), QString("1.234,5000"));
        QCOMPARE(QRFieldText(*name, QStringLiteral("0000")), QString("12"));  // a text field ignores its mask
        QCOMPARE(QRFieldText(*item, QString()), item->DisplayText());
        QCOMPARE(QRFieldText(*when, QStringLiteral("dd/mm/yyyy hh:nn")), QString("15/03/2024 14:30"));
        QVERIFY(QRIsMemoField(*memo));
        QVERIFY(!QRIsMemoField(*name));
    }

    void mergerSplits_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expressions");
        QTest::addColumn<QList<int>>("positions");
        QTest::newRow("one field") << "Lote {CDS_Relatorio.NRO_LOTE}"
                                   << "Lote " << QStringList{"CDS_Relatorio.NRO_LOTE"} << QList<int>{5};
        QTest::newRow("two in a row") << "{a}{b} c"
                                      << " c" << QStringList{"a", "b"} << QList<int>{0, 0};
        QTest::newRow("an opening brace without its closing one stays")
            << "Lote {sem fim"
            << "Lote {sem fim" << QStringList{} << QList<int>{};
        QTest::newRow("after a pair, the unclosed rest stays")
            << "{a} e {b"
            << " e {b" << QStringList{"a"} << QList<int>{0};
        QTest::newRow("empty braces stay") << "x {} {y}"
                                           << "x {} " << QStringList{"y"} << QList<int>{5};
    }
    void mergerSplits() {
        QFETCH(QString, line);
        QFETCH(QString, text);
        QFETCH(QStringList, expressions);
        QFETCH(QList<int>, positions);
        std::vector<TQRExprMemoMerger::Item> items;
        QCOMPARE(TQRExprMemoMerger::Split({QStringLiteral("first"), line}, items),
                 (QStringList{"first", text}));
        QCOMPARE(static_cast<int>(items.size()), expressions.size());
        for (size_t i = 0; i < items.size(); ++i) {
            QCOMPARE(items[i].Line, 1);
            QCOMPARE(items[i].Expression, expressions[static_cast<int>(i)]);
            QCOMPARE(items[i].Position, positions[static_cast<int>(i)]);
        }
    }

    void mergerMergesValues() {
        TMemoryDataSet data;
        data.setObjectName(QStringLiteral("CDS_Relatorio"));
        TIntegerField* lot = data.AddIntegerField(QStringLiteral("NRO_LOTE"));
        data.CreateDataSet();
        for (int n : {3, 4}) {
            data.Append();
            lot->SetAsInteger(n);
            data.Post();
        }
        data.First();
        TQRDataSetList list{&data};
        TQREvEnvironment functions;
        functions.AddFunction(QStringLiteral("PAGENUMBER"), QStringLiteral("1"));
        functions.Prepare();
        TQRExprMemoMerger merger;
        merger.Prepare({QStringLiteral("Lote {CDS_Relatorio.NRO_LOTE}"),
                        QStringLiteral("{1+1}{'a'}{2.5} {1=1} [{desconhecido}] p{PAGENUMBER}")},
                       &list, &functions);
        QCOMPARE(merger.Merge(), (QStringList{"Lote 3", "2a2,5 True [] p1"}));
        data.Next();
        QCOMPARE(merger.Merge().first(), QStringLiteral("Lote 4"));
        merger.UnPrepare();
        QVERIFY(!merger.Prepared());
        functions.Unprepare();
    }
};

QTEST_MAIN(TestQRTextEngine)
#include "tst_qrtextengine.moc"
