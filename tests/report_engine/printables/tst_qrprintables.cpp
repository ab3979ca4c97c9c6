// Printable controls in real report runs: each test builds a report from
// tables, runs it into recorded pages and reads the page texts (and, for
// shapes and pictures, the pixels) back.
#include <QtTest>

#include <QBuffer>
#include <QDir>
#include <QPainter>

#include "dataset/Crc32.h"
#include "dataset/TMemoryDataSet.h"
#include "report_engine/canvas/TQREmfPlayer.h"
#include "report_engine/expr/QRBuiltinFunctions.h"
#include "report_engine/model/TQRDefinition.h"
#include "report_engine/model/TQuickRep.h"
#include "report_engine/printables/QRPrintableKinds.h"
#include "report_engine/printables/TQRCustomLabel.h"
#include "report_engine/printables/TQRDBText.h"
#include "report_engine/printables/TQRExpr.h"
#include "report_engine/printables/TQRExprMemo.h"
#include "report_engine/printables/TQRImage.h"
#include "report_engine/printables/TQRShape.h"
#include "report_engine/printables/TQRSysData.h"
#include "report_engine/printer/TQRExportFilter.h"
#include "runtime/Exceptions.h"
#include "runtime/FormatSettings.h"
#include "RunHarness.h"

using namespace quorin;

class TestQRPrintables : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() {
        FormatSettings::setCurrent(FormatSettings::brazilian());
        QRRegisterPrintableKinds();
        SetQRNow([] { return QDateTime(QDate(2024, 3, 15), QTime(14, 30, 5)); });
        QDir().mkpath(QStringLiteral(QUORIN_BINARY_DIR "/screenshots"));
    }
    void cleanupTestCase() { SetQRNow(nullptr); }

    void everyKindIsRegistered() {
        for (const QString& kind : QRPrintableKindNames()) {
            QVERIFY2(TQRPrintableRegistry::Has(kind), qPrintable(kind));
        }
    }

    // A label alone on a 16-pixel detail band, followed by a summary "Fim":
    // which lines print, and how far the band grew.
    void labelLines_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("fontSize");
        QTest::addColumn<bool>("autoSize");
        QTest::addColumn<bool>("autoStretch");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("linesGrown");

        QTest::newRow("two words in 60 pixels, the first ending in its blank")
            << "Caneta azul" << 60 << 40 << 9 << false << false << QStringList{"Caneta ", "azul"} << 0;
        QTest::newRow("the hyphen stays on the first line")
            << "guarda-chuva" << 60 << 16 << 9 << false << true << QStringList{"guarda-", "chuva"} << 1;
        QTest::newRow("carriage return and line feed pairs")
            << "um\r\ndois\r\ntrês" << 200 << 16 << 9 << true << true << QStringList{"um", "dois", "três"} << 2;
        // A value must never print as a different one: a word wider than a box that
        // cannot grow is set smaller (down to 6 points) and, still too wide, printed whole.
        QTest::newRow("a word wider than a box that cannot grow is printed whole")
            << "Paralelepípedo" << 30 << 16 << 9 << false << false << QStringList{"Paralelepípedo"} << 0;
        QTest::newRow("a number wider than its box is printed whole")
            << "-1.500.000.000,0000" << 40 << 16 << 9 << false << false << QStringList{"-1.500.000.000,0000"}
            << 0;
        QTest::newRow("a word wider than a box that grows goes on over the next line")
            << "Paralelepípedo" << 50 << 16 << 9 << false << true << QStringList{"Paralele", "pípedo"} << 1;
        QTest::newRow("9 points in 16 pixels: the second line is dropped")
            << "Caneta azul" << 60 << 16 << 9 << false << false << QStringList{"Caneta "} << 0;
        QTest::newRow("9 points in 16 pixels: a second line grows the band with AutoStretch")
            << "Caneta azul" << 60 << 16 << 9 << false << true << QStringList{"Caneta ", "azul"} << 1;
        QTest::newRow("empty wrapped lines advance without drawing")
            << "a\r\r\rb" << 60 << 16 << 9 << false << true << QStringList{"a", "b"} << 3;
    }
    void labelLines() {
        QFETCH(QString, caption);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, fontSize);
        QFETCH(bool, autoSize);
        QFETCH(bool, autoStretch);
        QFETCH(QStringList, lines);
        QFETCH(int, linesGrown);

        RunHarness run(1);
        run.Build({Band("DTB_Detalhe", rbDetail, 16), Band("SUB_Fim", rbSummary, 20)},
                  {{"QRL_Texto", "TQRLabel", "DTB_Detalhe", 10, 0, width, height,
                    {{"Caption", caption}, {"AutoSize", autoSize}, {"AutoStretch", autoStretch},
                     {"FontSize", fontSize}}},
                   {"QRL_Fim", "TQRLabel", "SUB_Fim", 10, 0, 40, 16, {{"Caption", "Fim"}}}});
        run.Run();
        QCOMPARE(run.PageCount(), 1);
        const QList<TQREmfPlayer::TextRecord> texts = run.Texts(1);
        QStringList printed;
        for (const auto& t : texts) {
            printed << t.Text;
        }
        QCOMPARE(printed, lines + QStringList{"Fim"});
        // The summary starts where the detail band ended: 16 pixels plus the growth.
        const double lineHeight = run.LineHeightPixels(fontSize);
        const double top = texts.first().Position.y();
        QVERIFY2(qAbs(texts.last().Position.y() - (top + 16 + linesGrown * lineHeight)) <= 1.5,
                 qPrintable(QString::number(texts.last().Position.y() - top)));
        for (int i = 1; i < lines.size(); ++i) {
            QVERIFY(texts[i].Position.y() >= texts[i - 1].Position.y() + lineHeight - 1.5);
        }
    }

    // AutoSize keeps the designed left edge, right edge or centre.
    void autoSizeKeepsItsEdge_data() {
        QTest::addColumn<QString>("alignment");
        QTest::addColumn<int>("kept");  // in doubled pixels: left 200, right 400, centre 300
        QTest::newRow("left") << "left" << 200;
        QTest::newRow("right") << "right" << 400;
        QTest::newRow("centre") << "center" << 300;
    }
    void autoSizeKeepsItsEdge() {
        QFETCH(QString, alignment);
        QFETCH(int, kept);
        RunHarness run(1);
        run.Build({Band("DTB_Detalhe", rbDetail, 20)},
                  {{"QRL_Valor", "TQRLabel", "DTB_Detalhe", 100, 0, 100, 16,
                    {{"Caption", "1.234,56"}, {"Alignment", alignment}, {"AutoSize", true}}}});
        auto* label = run.Find<TQRLabel>("QRL_Valor");
        const auto edge = [&] {
            return alignment == "left" ? 2 * label->Left()
                   : alignment == "right" ? 2 * (label->Left() + label->Width())
                                          : 2 * label->Left() + label->Width();
        };
        QCOMPARE(edge(), kept);
        run.Run();
        QVERIFY(label->Width() < 100);
        QVERIFY2(qAbs(edge() - kept) <= 1, qPrintable(QString::number(edge())));
        const auto texts = run.Texts(1);
        QCOMPARE(texts.size(), 1);
        // The text's reference point is where the alignment puts it.
        QVERIFY2(qAbs(texts[0].Position.x() - (run.LeftMarginPixels() + kept / 2.0)) <= 1.5,
                 qPrintable(QString::number(texts[0].Position.x())));
    }

    // The base printable behaviour as a text control shows it: a disabled
    // control prints nothing, AlignToBand moves it to the band's edge, an
    // opaque control fills its colour and a transparent one does not, and
    // the frame takes in the height the control grew by.
    void printableBasics() {
        RunHarness run(1);
        run.Build({Band("DTB_Detalhe", rbDetail, 16), Band("SUB_Fim", rbSummary, 20)},
                  {{"QRL_Desligado", "TQRLabel", "DTB_Detalhe", 0, 0, 60, 16,
                    {{"Caption", "Desligado"}, {"Enabled", false}}},
                   {"QRL_Direita", "TQRLabel", "DTB_Detalhe", 0, 0, 60, 16,
                    {{"Caption", "Direita"}, {"AlignToBand", true}, {"Alignment", "right"}}},
                   {"QRL_Amarelo", "TQRLabel", "DTB_Detalhe", 100, 0, 60, 16,
                    {{"Caption", "a"}, {"AutoSize", false}, {"Color", QColor(Qt::yellow)}}},
                   {"QRL_Vazado", "TQRLabel", "DTB_Detalhe", 200, 0, 60, 16,
                    {{"Caption", "b"}, {"AutoSize", false}, {"Color", QColor(Qt::yellow)}, {"Transparent", true}}},
                   {"QRM_Moldura", "TQRMemo", "DTB_Detalhe", 300, 0, 80, 16,
                    {{"Lines", QStringList{"um", "dois", "três"}},
                     {"AutoSize", false},
                     {"AutoStretch", true},
                     {"Frame", "TBLR"}}},
                   {"QRL_Fim", "TQRLabel", "SUB_Fim", 0, 0, 40, 16, {{"Caption", "Fim"}}}});
        run.Run();
        const QImage page = run.Render(1, QStringLiteral("basics"));
        QCOMPARE(run.TextsOf(1), (QStringList{"Direita", "a", "b", "um", "dois", "três", "Fim"}));
        const auto texts = run.Texts(1);
        // Right-aligned at the band's right edge, where its text ends.
        const int bandWidth = run.Find<TQRCustomBand>("DTB_Detalhe")->Width();
        QVERIFY2(qAbs(texts[0].Position.x() - (run.LeftMarginPixels() + bandWidth)) <= 1.5,
                 qPrintable(QString::number(texts[0].Position.x())));
        const int left = run.LeftMarginPixels();
        const int top = run.TopMarginPixels();
        QCOMPARE(QColor(page.pixel(left + 150, top + 8)), QColor(Qt::yellow));
        QCOMPARE(QColor(page.pixel(left + 250, top + 8)), QColor(Qt::white));
        // The frame's bottom line runs at the grown height: 16 pixels and two more lines.
        const int bottom = qRound(texts[6].Position.y()) - 1;
        QVERIFY2(qGray(page.pixel(left + 340, bottom)) < 100, qPrintable(QString::number(bottom)));
        QVERIFY(qGray(page.pixel(left + 340, top + 15)) > 200);
        QVERIFY(bottom - top >= 16 + 2 * run.LineHeightPixels(10) - 2);
    }

    // Two stretching texts on one band share its growth: the band grows by
    // what the longer one needs, not by the sum.
    void stretchingTextsShareTheGrowth() {
        RunHarness run(1);
        run.Build({Band("DTB_Detalhe", rbDetail, 16), Band("SUB_Fim", rbSummary, 20)},
                  {{"QRM_A", "TQRMemo", "DTB_Detalhe", 0, 0, 80, 16,
                    {{"Lines", QStringList{"a1", "a2", "a3", "a4"}}, {"AutoSize", false}, {"AutoStretch", true}}},
                   {"QRM_B", "TQRMemo", "DTB_Detalhe", 100, 0, 80, 16,
                    {{"Lines", QStringList{"b1", "b2", "b3"}}, {"AutoSize", false}, {"AutoStretch", true}}},
                   {"QRL_Fim", "TQRLabel", "SUB_Fim", 0, 0, 40, 16, {{"Caption", "Fim"}}}});
        run.Run();
        const auto texts = run.Texts(1);
        QCOMPARE(texts.size(), 8);
        const double grown = texts[7].Position.y() - texts[0].Position.y() - 16;
        const double lineHeight = run.LineHeightPixels(10);
        QVERIFY2(qAbs(grown - 3 * lineHeight) <= 2, qPrintable(QString::number(grown)));
    }

    // A stretching memo near the page bottom prints what fits, then the next
    // line at the top of the next page below the page and column headers.
    void stretchingTextContinuesOnTheNextPage() {
        RunHarness run(1);
        QStringList lines;
        for (int i = 1; i <= 120; ++i) {
            lines << QStringLiteral("Linha %1").arg(i);
        }
        run.Build({Band("PHB_Cabecalho", rbPageHeader, 30),
                   Band("CHB_Colunas", rbColumnHeader, 20),
                   Band("DTB_Detalhe", rbDetail, 20)},
                  {{"QRL_Cab", "TQRLabel", "PHB_Cabecalho", 0, 0, 200, 16, {{"Caption", "Cabeçalho"}}},
                   {"QRL_Col", "TQRLabel", "CHB_Colunas", 0, 0, 200, 16, {{"Caption", "Colunas"}}},
                   {"QRL_Lado", "TQRLabel", "DTB_Detalhe", 300, 0, 100, 16, {{"Caption", "Lado"}}},
                   {"QRM_Memo", "TQRMemo", "DTB_Detalhe", 0, 0, 200, 20,
                    {{"Lines", lines}, {"AutoSize", false}, {"AutoStretch", true}}}});
        run.Run();
        QVERIFY(run.PageCount() >= 2);
        QStringList seen;
        int lado = 0;
        for (int page = 1; page <= run.PageCount(); ++page) {
            const auto texts = run.Texts(page);
            QCOMPARE(texts.value(0).Text, QStringLiteral("Cabeçalho"));
            QCOMPARE(texts.value(1).Text, QStringLiteral("Colunas"));
            const double columnHeaderBottom = texts[1].Position.y() + 20;
            bool first = true;
            for (const auto& t : texts) {
                if (t.Text.startsWith(QStringLiteral("Linha"))) {
                    if (first && page > 1) {
                        QVERIFY2(qAbs(t.Position.y() - columnHeaderBottom) <= 1.5,
                                 qPrintable(QString::number(t.Position.y() - columnHeaderBottom)));
                    }
                    first = false;
                    seen << t.Text;
                } else if (t.Text == QStringLiteral("Lado")) {
                    ++lado;
                }
            }
        }
        // Every line once, in order; the band's other printable only once.
        QCOMPARE(seen, lines);
        QCOMPARE(lado, 1);
    }

    // A memo prints its lines, never its caption: the caption is cleared for
    // the print (so no OnPrint handler is asked) and left as the control's name.
    void memoPrintsItsLinesAndLeavesItsNameAsCaption() {
        RunHarness run(2);
        run.Build({Band("DTB_Detalhe", rbDetail, 40)},
                  {{"QRM_Notas", "TQRMemo", "DTB_Detalhe", 0, 0, 100, 32,
                    {{"Lines", QStringList{"n1", "n2"}}, {"Caption", "Rascunho"}, {"AutoSize", false}}}});
        auto* memo = run.Find<TQRMemo>("QRM_Notas");
        int calls = 0;
        memo->OnPrint = [&](QObject*, QString&) { ++calls; };
        run.Run();
        QCOMPARE(run.TextsOf(1), (QStringList{"n1", "n2", "n1", "n2"}));
        QCOMPARE(calls, 0);
        QCOMPARE(memo->Caption(), QStringLiteral("QRM_Notas"));
    }

    // The handler's text prints once; the next print starts from the caption again.
    void onPrintReplacesTheTextOnce() {
        RunHarness run(2);
        run.Build({Band("DTB_Detalhe", rbDetail, 20)},
                  {{"QRL_Texto", "TQRLabel", "DTB_Detalhe", 0, 0, 100, 16, {{"Caption", "Original"}}}});
        auto* label = run.Find<TQRLabel>("QRL_Texto");
        int calls = 0;
        label->OnPrint = [&](QObject* sender, QString& value) {
            QCOMPARE(sender, static_cast<QObject*>(label));
            QCOMPARE(value, QStringLiteral("Original"));
            if (calls++ == 0) {
                value = QStringLiteral("Trocado");
            }
        };
        run.Run();
        QCOMPARE(run.TextsOf(1), (QStringList{"Trocado", "Original"}));
        QCOMPARE(calls, 2);
        QCOMPARE(label->OutputCaption, QStringLiteral("Original"));
    }

    // An exception from OnPrint ends the run through the error path: the
    // exception reaches the caller and the report is idle again.
    void onPrintExceptionEndsTheRun() {
        RunHarness run(3);
        run.Build({Band("DTB_Detalhe", rbDetail, 20)},
                  {{"QRL_Texto", "TQRLabel", "DTB_Detalhe", 0, 0, 100, 16, {{"Caption", "x"}}}});
        run.Find<TQRLabel>("QRL_Texto")->OnPrint = [](QObject*, QString&) {
            throw Exception(QStringLiteral("Falha no manipulador"));
        };
        QVERIFY_THROWS_EXCEPTION(Exception, run.Run());
        QVERIFY(run.report->Idle());
        QCOMPARE(run.Find<TQRLabel>("QRL_Texto")->OutputCaption, QStringLiteral("x"));
    }

    void dataTexts() {
        RunHarness run(1);
        run.Build({Band("DTB_Detalhe", rbDetail, 120)},
                  {{"QRT_Item", "TQRDBText", "DTB_Detalhe", 0, 0, 60, 16,
                    {{"DataSet", "CDS_Relatorio"}, {"DataField", "NRO_ITEM"}, {"Mask", "00000"}}},
                   {"QRT_Qtd", "TQRDBText", "DTB_Detalhe", 70, 0, 100, 16,
                    {{"DataSet", "CDS_Relatorio"}, {"DataField", "QTD_PRODUTO"}, {"Mask", "#,##0.0000"}}},
                   {"QRT_Marca", "TQRDBText", "DTB_Detalhe", 180, 0, 100, 16,
                    {{"DataSet", "CDS_Relatorio"}, {"DataField", "DES_MARCA"}, {"Mask", "0000"}}},
                   {"QRT_Falta", "TQRDBText", "DTB_Detalhe", 290, 0, 100, 16,
                    {{"DataSet", "CDS_Relatorio"}, {"DataField", "NAO_EXISTE"}}},
                   {"QRT_Objeto", "TQRDBText", "DTB_Detalhe", 0, 20, 300, 16,
                    {{"DataSet", "CDS_Relatorio"},
                     {"DataField", "DES_OBJETO"},
                     {"AutoSize", false},
                     {"AutoStretch", true}}}});
        run.Run();
        // The text field ignores its mask; the missing field prints nothing.
        QCOMPARE(run.TextsOf(1), (QStringList{"00007", "1.234,5000", "BIC", "Caneta esferográfica", "azul, 0,7 mm"}));
    }

    // SUM per lot in the group footer, reset after each print; a Boolean
    // expression ignores its mask; the expression memo fills in its field.
    void expressions() {
        RunHarness run(3);
        run.Build({Band("QRG_Lote", rbGroupHeader, 20, "Group", {{"Expression", "CDS_Relatorio.NRO_LOTE"}, {"Footer", "QRB_Rodape"}}),
                   Band("DTB_Detalhe", rbDetail, 20),
                   Band("QRB_Rodape", rbGroupFooter, 20),
                   Band("SUB_Resumo", rbSummary, 60)},
                  {{"QRM_Lote", "TQRExprMemo", "QRG_Lote", 0, 0, 200, 16,
                    {{"Lines", QStringList{"Lote {CDS_Relatorio.NRO_LOTE}"}}}},
                   {"QRE_Bool", "TQRExpr", "DTB_Detalhe", 0, 0, 100, 16,
                    {{"Expression", "CDS_Relatorio.NRO_ITEM > 7"}, {"Mask", "#,##0.00"}}},
                   {"QRE_Total", "TQRExpr", "QRB_Rodape", 0, 0, 100, 16,
                    {{"Expression", "SUM(CDS_Relatorio.VLR_TOTAL)"},
                     {"Mask", "#,##0.00"},
                     {"ResetAfterPrint", true}}},
                   {"QRC_Soma", "TQRDBCalc", "SUB_Resumo", 0, 0, 100, 16,
                    {{"Operation", "qrcSum"}, {"DataField", "VLR_TOTAL"}, {"PrintMask", "#,##0.00"}}},
                   {"QRC_Conta", "TQRDBCalc", "SUB_Resumo", 120, 0, 100, 16, {{"Operation", "qrcCount"}}},
                   {"QRM_Sem", "TQRExprMemo", "SUB_Resumo", 0, 20, 200, 40,
                    {{"Lines", QStringList{"{''}", "Fim de {'relatório'}"}}, {"RemoveBlankLines", true}}}});
        QCOMPARE(run.Find<TQRDBCalc>("QRC_Soma")->Expression(), QStringLiteral("Sum(VLR_TOTAL)"));
        run.Run();
        QCOMPARE(run.TextsOf(1), (QStringList{"Lote 3", "False", "True", "1.030,50", "Lote 4", "True", "2.000,00",
                                              "3.030,50", "3", "Fim de relatório"}));
        // The expression memo shows its lines as designed again.
        QCOMPARE(run.Find<TQRExprMemo>("QRM_Sem")->Lines().last(), QStringLiteral("Fim de {'relatório'}"));
        // Outside a run the expression is not prepared and says so.
        QCOMPARE(run.Find<TQRExpr>("QRE_Total")->GetValue().ResultType, resError);
    }

    // An aggregate whose master is a sub-detail takes in the sub-detail's
    // records; one with the report as master takes in the report's.
    void aggregatesFollowTheirMaster() {
        RunHarness run(3);
        TMemoryDataSet items(&run.owner);
        items.setObjectName(QStringLiteral("CDS_Itens"));
        TFloatField* value = items.AddFloatField(QStringLiteral("VALOR"));
        items.CreateDataSet();
        for (double v : {5.0, 7.0}) {
            items.Append();
            value->SetAsFloat(v);
            items.Post();
        }
        run.Build({Band("DTB_Detalhe", rbDetail, 20),
                   Band("SUB_Itens", rbSubDetail, 20, "SubDetail", {{"Footer", "QRB_ItensRodape"}}),
                   Band("QRB_ItensRodape", rbGroupFooter, 20),
                   Band("SUB_Resumo", rbSummary, 20)},
                  {{"QRE_Itens", "TQRExpr", "QRB_ItensRodape", 0, 0, 100, 16,
                    {{"Expression", "SUM(CDS_Itens.VALOR)"}, {"Master", "SUB_Itens"}, {"ResetAfterPrint", true}}},
                   {"QRE_Registros", "TQRExpr", "SUB_Resumo", 0, 0, 100, 16,
                    {{"Expression", "COUNT"}, {"Master", "QRP_Teste"}}}});
        run.Find<TQRSubDetail>("SUB_Itens")->SetDataSet(&items);
        run.Run();
        QCOMPARE(run.TextsOf(1), (QStringList{"12", "12", "12", "3"}));
    }

    void systemData_data() {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("printed");
        QTest::newRow("page number") << "qrsPageNumber" << "Página: " << QStringList{"Página: 1", "Página: 1", "Página: 1"};
        QTest::newRow("detail number") << "qrsDetailNo" << "" << QStringList{"1", "2", "3"};
        QTest::newRow("detail count") << "qrsDetailCount" << "de " << QStringList{"de 3", "de 3", "de 3"};
        QTest::newRow("date") << "qrsDate" << "" << QStringList{"15/03/2024", "15/03/2024", "15/03/2024"};
        QTest::newRow("time") << "qrsTime" << "" << QStringList{"14:30", "14:30", "14:30"};
        QTest::newRow("date and time") << "qrsDateTime" << "Em "
                                       << QStringList{"Em 15/03/2024 14:30:05", "Em 15/03/2024 14:30:05",
                                                      "Em 15/03/2024 14:30:05"};
        QTest::newRow("report title") << "qrsReportTitle" << "" << QStringList{"Propostas", "Propostas", "Propostas"};
    }
    void systemData() {
        QFETCH(QString, data);
        QFETCH(QString, text);
        QFETCH(QStringList, printed);
        RunHarness run(3);
        run.Build({Band("DTB_Detalhe", rbDetail, 20)},
                  {{"QRS_Dado", "TQRSysData", "DTB_Detalhe", 0, 0, 100, 16, {{"Data", data}, {"Text", text}}}});
        run.report->ReportTitle = QStringLiteral("Propostas");
        run.Run();
        QCOMPARE(run.TextsOf(1), printed);
        // Outside printing the caption names the kind.
        QVERIFY(run.Find<TQRSysData>("QRS_Dado")->Caption().endsWith(u')'));
    }

    // A horizontal line 3 pixels high is drawn through the middle of its height.
    void horizontalLineThroughTheMiddle() {
        RunHarness run(1);
        run.Build({Band("DTB_Detalhe", rbDetail, 20)},
                  {{"QRH_Linha", "TQRShape", "DTB_Detalhe", 0, 5, 200, 3, {{"Shape", "qrsHorLine"}}}});
        run.Run();
        const QImage page = run.Render(1, QStringLiteral("shape-horline"));
        const int x = run.LeftMarginPixels() + 100;
        const int top = run.TopMarginPixels() + 5;
        QCOMPARE(qGray(page.pixel(x, top + 1)), 0);
        QVERIFY(qGray(page.pixel(x, top)) > 200);
        QVERIFY(qGray(page.pixel(x, top + 2)) > 200);
    }

    // Every shape draws inside its rectangle and reaches the export filter.
    void shapesAndTheExportFilter() {
        RunHarness run(1);
        std::vector<TQRPrintableRow> rows;
        const QStringList shapes{"qrsRectangle", "qrsCircle",       "qrsVertLine", "qrsHorLine",
                                 "qrsTopAndBottom", "qrsRightAndLeft", "qrsRoundRect"};
        for (int i = 0; i < shapes.size(); ++i) {
            rows.push_back({QStringLiteral("QRH_%1").arg(i), "TQRShape", "DTB_Detalhe", 10 + i * 60, 5, 50, 40,
                            {{"Shape", shapes[i]}, {"BrushColor", QColor(Qt::yellow)}}});
        }
        rows.push_back({"QRL_Texto", "TQRLabel", "DTB_Detalhe", 0, 50, 200, 16, {{"Caption", "Texto"}}});
        run.Build({Band("DTB_Detalhe", rbDetail, 70)}, rows);
        run.Run();
        const QImage page = run.Render(1, QStringLiteral("shapes"));
        const int top = run.TopMarginPixels() + 5;
        for (int i = 0; i < shapes.size(); ++i) {
            const int left = run.LeftMarginPixels() + 10 + i * 60;
            int dark = 0;
            for (int y = top; y < top + 40; ++y) {
                for (int x = left; x < left + 50; ++x) {
                    dark += qGray(page.pixel(x, y)) < 100 ? 1 : 0;
                }
            }
            QVERIFY2(dark > 20, qPrintable(shapes[i]));
        }

        CapturingFilter filter;
        run.report->ExportToFilter(&filter);
        QCOMPARE(filter.shapes, 7);
        QCOMPARE(filter.texts, QStringList{"Texto"});
    }

    // Bytes from an image field are never trusted: damaged pictures and a
    // header that announces a picture far too large give no picture.
    void pictureLoaderRefusesHostileBytes() {
        QImage small(8, 8, QImage::Format_RGB32);
        small.fill(Qt::blue);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        small.save(&buffer, "PNG");
        QCOMPARE(TQRDBImage::LoadPicture(png).size(), QSize(8, 8));

        // IHDR of 60000 x 60000 pixels with a correct checksum.
        QByteArray huge = png;
        for (int offset : {16, 20}) {
            huge[offset] = 0;
            huge[offset + 1] = 0;
            huge[offset + 2] = char(0xEA);
            huge[offset + 3] = char(0x60);
        }
        const uint32_t crc = Crc32(huge.constData() + 12, 17);
        for (int i = 0; i < 4; ++i) {
            huge[29 + i] = char((crc >> (24 - 8 * i)) & 0xFF);
        }
        QVERIFY(TQRDBImage::LoadPicture(huge).isNull());

        // Every single-byte damage and every truncation either loads or gives nothing.
        for (int i = 0; i < png.size(); ++i) {
            QByteArray damaged = png;
            damaged[i] = char(damaged[i] ^ 0x5A);
            const QImage image = TQRDBImage::LoadPicture(damaged);
            QVERIFY(image.isNull() || image.width() <= 8);
            QVERIFY(TQRDBImage::LoadPicture(png.left(i)).isNull() || i >= png.size() - 12);
        }
    }

    // Pictures: natural size and clipping, and hostile bytes in an image
    // field that print only the frame.
    void pictures() {
        QImage red(40, 40, QImage::Format_RGB32);
        red.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        red.save(&buffer, "PNG");

        for (const QByteArray& bytes : {png, QByteArray("\x89PNG\r\n\x1a\n garbage", 17), png.left(60),
                                        QByteArray(5000, '\xff'), QByteArray()}) {
            RunHarness run(1);
            run.data.First();
            run.data.Edit();
            static_cast<TBlobField*>(run.data.FindField(QStringLiteral("FOTO")))->SetAsBytes(bytes);
            run.data.Post();
            run.Build({Band("DTB_Detalhe", rbDetail, 60)},
                      {{"QRI_Foto", "TQRDBImage", "DTB_Detalhe", 10, 5, 20, 20,
                        {{"DataSet", "CDS_Relatorio"}, {"DataField", "FOTO"}, {"Center", false}, {"Frame", "TBLR"}}},
                       {"QRI_Fixa", "TQRImage", "DTB_Detalhe", 100, 5, 50, 50,
                        {{"Picture", red}, {"Center", true}}}});
            run.Run();
            const QImage page = run.Render(1, bytes == png ? QStringLiteral("pictures") : QString());
            const int left = run.LeftMarginPixels();
            const int top = run.TopMarginPixels();
            // The fixed picture is centred: 5 pixels of white around 40 of red.
            QCOMPARE(QColor(page.pixel(left + 125, top + 30)), QColor(Qt::red));
            QVERIFY(qGray(page.pixel(left + 102, top + 8)) > 200);
            // The field's picture is clipped to its 20 pixels.
            const QColor inside(page.pixel(left + 20, top + 15));
            QCOMPARE(inside == QColor(Qt::red), bytes == png);
            QVERIFY(qGray(page.pixel(left + 35, top + 15)) > 200);
        }
    }
};

QTEST_MAIN(TestQRPrintables)
#include "tst_qrprintables.moc"
