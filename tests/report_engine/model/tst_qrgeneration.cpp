// Generating pages: the order of bands, groups, page and column breaks,
// stretching, bottom alignment, cancel and errors, read back from the pages.

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include "ReportFixture.h"
#include "report_engine/printer/TQRExportFilter.h"
#include "runtime/Exceptions.h"

using namespace quorin;
using namespace quorin::test;

namespace {

/// A list report: page header, title, group over lots with its footer, detail, summary, page footer.
std::unique_ptr<TQuickRep> LotReport(TMemoryDataSet* data, int detailHeight = 20, QVariantMap groupProps = {}) {
    auto report = NewReport();
    report->SetDataSet(data);
    groupProps.insert(QStringLiteral("Footer"), QStringLiteral("GF"));
    groupProps.insert(QStringLiteral("Frame"), QStringLiteral("TB"));
    TQRDefinition::Build(*report,
                         {Band("PH", rbPageHeader, 20), Band("T", rbTitle, 20),
                          Group("GH", 20, QStringLiteral("CDS_Relatorio.NRO_LOTE"), groupProps),
                          Band("D", rbDetail, detailHeight), Band("GF", rbGroupFooter, 20), Band("S", rbSummary, 20),
                          Band("PF", rbPageFooter, 20)},
                         {Caption("PH", "PH"), Caption("T", "T"), Expr("GH", "GH", "NRO_LOTE"),
                          Expr("D", "D", "NRO_ITEM"), Expr("GF", "GF", "NRO_ITEM"), Caption("S", "S"),
                          Expr("PF", "PF", "PAGENUMBER")});
    return report;
}

/// Keeps what the run hands to an export filter.
class TRecordingFilter : public TQRExportFilter {
  public:
    explicit TRecordingFilter(bool streaming = false) : TQRExportFilter(QStringLiteral("x")), streaming_(streaming) {}
    bool GetStreaming() const override { return streaming_; }
    void Start(int w, int h, const TQRFont& font) override {
        TQRExportFilter::Start(w, h, font);
        Calls << QStringLiteral("Start %1x%2").arg(w).arg(h);
        PrinterAtStart = Printer;
        PageAtStart = Page;
    }
    void NewPage() override { Calls << QStringLiteral("NewPage"); }
    void EndPage() override { Calls << QStringLiteral("EndPage"); }
    void Finish() override {
        TQRExportFilter::Finish();
        Calls << QStringLiteral("Finish");
    }
    void TextOut(double x, double y, const TQRFont&, const QColor&, TAlignment, const QString& text) override {
        Calls << QStringLiteral("%1@%2,%3").arg(text).arg(x).arg(y);
    }
    void AcceptBand(TQRCustomBand*, int, int, int) override { ++Bands; }
    QStringList Calls;
    int Bands = 0;
    TQRPrinter* PrinterAtStart = nullptr;
    TQRExportPage PageAtStart;

  private:
    bool streaming_;
};

}  // namespace

class TstQRGeneration : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() { RegisterTestPrintables(); }

    void groupFooterSeesTheLastRecordOfItsGroup() {
        auto data = LotsDataSet({1, 1, 2});
        auto report = LotReport(data.get());
        report->Prepare();
        TQRPrinter* printer = report->QRPrinter();
        QCOMPARE(printer->GetPageCount(), 1);
        QCOMPARE(AllPages(*printer), QStringLiteral("PH|T|GH1|D1|D2|GF2|GH2|D3|GF3|S|PF1"));
        QVERIFY(report->Idle());
        QCOMPARE(printer->GetStatus(), mpFinished);

        // Positions: one band under the other from the top margin; the footer at the bottom.
        const QList<PageLine> lines = PageLines(*printer, 1);
        const long double band = TQRDefinition::PixelsToNative(20);
        QCOMPARE(lines[0].Position.y(), Px(*printer, 100));
        QCOMPARE(lines[3].Position.y(), Px(*printer, 100 + 3 * QRRound(band)));
        QCOMPARE(lines[0].Position.x(), printer->XPos(100));
        QCOMPARE(lines.last().Position.y(), Px(*printer, 2970 - 100 - band));

        // A look at the page as a user sees it.
        std::unique_ptr<TQRPageRecording> page = printer->GetPage(1);
        QImage image(page->Bounds().size() + QSize(1, 1), QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            TQREmfPlayer::Play(*page, painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
        }
        QDir().mkpath(QStringLiteral(QUORIN_BINARY_DIR "/screenshots"));
        QVERIFY(image.save(QStringLiteral(QUORIN_BINARY_DIR "/screenshots/model_group_report.png")));
    }

    void nestedGroups() {
        auto data = LotsDataSet({1, 1, 1, 2});
        auto report = NewReport();
        report->SetDataSet(data.get());
        TQRDefinition::Build(
            *report,
            {Group("O", 20, "NRO_LOTE", {{"Footer", "OF"}}), Group("I", 20, "DIV(NRO_ITEM, 2)", {{"Footer", "IF"}}),
             Band("D", rbDetail, 20), Band("IF", rbGroupFooter, 20), Band("OF", rbGroupFooter, 20)},
            {Expr("O", "O", "NRO_LOTE"), Expr("I", "I", "DIV(NRO_ITEM, 2)"), Expr("D", "D", "NRO_ITEM"),
             Expr("IF", "IF", "NRO_ITEM"), Expr("OF", "OF", "NRO_ITEM")});
        report->Prepare();
        QCOMPARE(AllPages(*report->QRPrinter()),
                 QStringLiteral("O1|I0|D1|IF1|I1|D2|D3|IF3|OF3|O2|I2|D4|IF4|OF4"));
    }

    void emptyDataSet_data() {
        QTest::addColumn<bool>("printIfEmpty");
        QTest::addColumn<QString>("pages");
        QTest::newRow("printed") << true << QStringLiteral("PH|T|D|S|PF1");
        QTest::newRow("nothing") << false << QString();
    }
    void emptyDataSet() {
        QFETCH(bool, printIfEmpty);
        QFETCH(QString, pages);
        auto data = LotsDataSet({});
        auto report = NewReport();
        report->SetDataSet(data.get());
        report->SetPrintIfEmpty(printIfEmpty);
        TQRDefinition::Build(*report,
                             {Band("PH", rbPageHeader, 20), Band("T", rbTitle, 20), Band("D", rbDetail, 20),
                              Band("S", rbSummary, 20), Band("PF", rbPageFooter, 20)},
                             {Caption("PH", "PH"), Caption("T", "T"), Caption("D", "D"), Caption("S", "S"),
                              Expr("PF", "PF", "PAGENUMBER")});
        int endPages = 0;
        report->OnEndPage = [&](TCustomQuickRep*) { ++endPages; };
        report->Prepare();
        QCOMPARE(AllPages(*report->QRPrinter()), pages);
        QCOMPARE(endPages, pages.isEmpty() ? 0 : 1);
    }

    void pageHeadersAndFootersByOptions_data() {
        QTest::addColumn<bool>("firstPageHeader");
        QTest::addColumn<bool>("lastPageFooter");
        QTest::newRow("both") << true << true;
        QTest::newRow("neither") << false << false;
        QTest::newRow("header only") << true << false;
    }
    void pageHeadersAndFootersByOptions() {
        QFETCH(bool, firstPageHeader);
        QFETCH(bool, lastPageFooter);
        auto data = LotsDataSet(QList<int>(150, 1));
        auto report = LotReport(data.get());
        report->Options.Set(TQROption::FirstPageHeader, firstPageHeader);
        report->Options.Set(TQROption::LastPageFooter, lastPageFooter);
        report->Prepare();
        TQRPrinter* printer = report->QRPrinter();
        const int pages = printer->GetPageCount();
        QVERIFY(pages >= 3);
        for (int n = 1; n <= pages; ++n) {
            const QStringList texts = PageTexts(*printer, n);
            QCOMPARE(texts.first() == QLatin1String("PH"), n > 1 || firstPageHeader);
            QCOMPARE(texts.last() == QStringLiteral("PF%1").arg(n), n < pages || lastPageFooter);
        }
        // Every record printed once, in order.
        QString all = AllPages(*printer);
        QVERIFY(all.contains(QStringLiteral("|D150|")));
        QCOMPARE(all.count(QStringLiteral("|D1|")), 1);
    }

    void reprintedGroupHeaderOnNewPage() {
        auto data = LotsDataSet(QList<int>(80, 1) + QList<int>(3, 2));
        auto report = LotReport(data.get(), 20, {{"ReprintOnNewPage", true}});
        TQRDefinition::Build(*report, {Band("CH", rbColumnHeader, 20)}, {Caption("CH", "CH")});
        report->Prepare();
        TQRPrinter* printer = report->QRPrinter();
        QCOMPARE(printer->GetPageCount(), 2);
        const QStringList second = PageTexts(*printer, 2);
        // Below the page header and the column header, once; lot 2 then starts as usual.
        QCOMPARE(second.mid(0, 4).join(QLatin1Char('|')).left(11), QStringLiteral("PH|CH|GH1|D"));
        QCOMPARE(second.count(QStringLiteral("GH1")), 1);
        QVERIFY(second.contains(QStringLiteral("GH2")));
        QCOMPARE(PageTexts(*printer, 1).count(QStringLiteral("GH1")), 1);
    }

    void bandsThatDoNotFitMoveToTheNextPage() {
        // 130 px details: the 5th does not fit below PH, T and 4 details on A4.
        auto data = LotsDataSet({1, 1, 1, 1, 1, 1});
        auto report = LotReport(data.get(), 200);
        report->Prepare();
        TQRPrinter* printer = report->QRPrinter();
        QCOMPARE(printer->GetPageCount(), 2);
        const QList<PageLine> second = PageLines(*printer, 2);
        QCOMPARE(second[0].Text, QStringLiteral("PH"));
        QCOMPARE(second[1].Text, QStringLiteral("D5"));
        QCOMPARE(second[1].Position.y(), Px(*printer, 100 + QRRound(TQRDefinition::PixelsToNative(20))));

        // Linked to the detail, the group header of lot 2 goes with it to the next page.
        auto linkedData = LotsDataSet({1, 1, 1, 1, 2});
        auto linked = LotReport(linkedData.get(), 200);
        report.reset();
        auto* gh = linked->findChild<TQRGroup*>(QStringLiteral("GH"));
        auto* d = linked->findChild<TQRCustomBand*>(QStringLiteral("D"));
        QVERIFY(gh->SetLinkBand(d));
        linked->Prepare();
        const QStringList first = PageTexts(*linked->QRPrinter(), 1);
        QVERIFY(!first.contains(QStringLiteral("GH2")));
        QVERIFY(first.contains(QStringLiteral("GF4")));
        QCOMPARE(PageTexts(*linked->QRPrinter(), 2).mid(0, 3), (QStringList{"PH", "GH2", "D5"}));
    }

    void forcedPagesAfterTheTitle() {
        auto data = LotsDataSet({1, 1, 1});
        auto report = LotReport(data.get());
        report->findChild<TQRCustomBand*>(QStringLiteral("D"))->ForceNewPage = true;
        report->Prepare();
        TQRPrinter* printer = report->QRPrinter();
        QCOMPARE(printer->GetPageCount(), 3);
        QCOMPARE(PageTexts(*printer, 1).mid(0, 4), (QStringList{"PH", "T", "GH1", "D1"}));
        QCOMPARE(PageTexts(*printer, 2).mid(0, 2), (QStringList{"PH", "D2"}));
    }

    void forcedPageInTheFirstOfThreeColumns() {
        auto data = LotsDataSet({1, 1});
        auto report = NewReport();
        report->SetDataSet(data.get());
        TQRDefinition::Build(*report,
                             {Band("PH", rbPageHeader, 20), Band("T", rbTitle, 20), Band("CH", rbColumnHeader, 20),
                              Band("D", rbDetail, 20, {{"ForceNewPage", true}})},
                             {Caption("PH", "PH"), Caption("T", "T"), Caption("CH", "CH"), Expr("D", "D", "NRO_ITEM")});
        report->Page().SetColumns(3);
        report->Prepare();
        TQRPrinter* printer = report->QRPrinter();
        QCOMPARE(printer->GetPageCount(), 2);
        const QList<PageLine> first = PageLines(*printer, 1);
        QStringList texts;
        for (const PageLine& line : first) {
            texts << line.Text;
        }
        QCOMPARE(texts, (QStringList{"PH", "T", "CH", "D1", "CH", "CH"}));
        // The column headers of columns 2 and 3 move right by a column, below the title.
        QVERIFY(first[4].Position.x() > first[2].Position.x());
        QVERIFY(first[5].Position.x() > first[4].Position.x());
        QCOMPARE(first[4].Position.y(), first[2].Position.y());
        const QList<PageLine> second = PageLines(*printer, 2);
        QCOMPARE(second[2].Text, QStringLiteral("D2"));
        QCOMPARE(second[2].Position.x(), printer->XPos(100));
    }

    void summaryAlignedToTheBottom_data() {
        QTest::addColumn<bool>("lastPageFooter");
        QTest::newRow("above the footer") << true;
        QTest::newRow("above the margin") << false;
    }
    void summaryAlignedToTheBottom() {
        QFETCH(bool, lastPageFooter);
        auto data = LotsDataSet({1});
        auto report = LotReport(data.get());
        report->findChild<TQRCustomBand*>(QStringLiteral("S"))->AlignToBottom = true;
        report->Options.Set(TQROption::LastPageFooter, lastPageFooter);
        report->Prepare();
        const QList<PageLine> lines = PageLines(*report->QRPrinter(), 1);
        const long double band = QRRound(TQRDefinition::PixelsToNative(20));
        int summaryY = -1;
        for (const PageLine& line : lines) {
            if (line.Text == QLatin1String("S")) {
                summaryY = line.Position.y();
            }
        }
        const long double bottom = 2970 - 100 - (lastPageFooter ? band : 0) - band;
        QCOMPARE(summaryY, Px(*report->QRPrinter(), bottom));
    }

    void stretchingTextContinuesOnTheNextPage() {
        auto data = LotsDataSet({1});
        auto report = NewReport();
        report->SetDataSet(data.get());
        TQRPrintableRow lines;
        lines.Kind = QStringLiteral("Lines");
        lines.Band = QStringLiteral("D");
        lines.Width = 100;
        lines.Height = 15;
        lines.Properties.insert(QStringLiteral("Count"), 100);
        TQRDefinition::Build(*report, {Band("PH", rbPageHeader, 20), Band("D", rbDetail, 15), Band("S", rbSummary, 20)},
                             {Caption("PH", "PH"), lines, Caption("S", "S")});
        report->Prepare();
        TQRPrinter* printer = report->QRPrinter();
        QCOMPARE(printer->GetPageCount(), 2);
        const QStringList first = PageTexts(*printer, 1);
        const QList<PageLine> second = PageLines(*printer, 2);
        QCOMPARE(second[0].Text, QStringLiteral("PH"));
        // The next line follows at the top of the next page, below the page header.
        QCOMPARE(second[1].Text, QStringLiteral("L%1").arg(first.size()));
        QCOMPARE(second[1].Position.y(), Px(*printer, 100 + QRRound(TQRDefinition::PixelsToNative(20))));
        QCOMPARE(second.last().Text, QStringLiteral("S"));
    }

    void aBandTallerThanThePagePrintsWhereItIs() {
        auto data = LotsDataSet({1, 1});
        auto report = NewReport();
        report->SetDataSet(data.get());
        TQRDefinition::Build(*report, {Band("D", rbDetail, 1500)}, {Expr("D", "D", "NRO_ITEM")});
        report->Prepare();
        TQRPrinter* printer = report->QRPrinter();
        QCOMPARE(printer->GetPageCount(), 1);
        const QList<PageLine> lines = PageLines(*printer, 1);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].Position.y(), Px(*printer, 100));
        QCOMPARE(lines[1].Position.y(), Px(*printer, 100 + QRRound(TQRDefinition::PixelsToNative(1500))));
        QVERIFY(report->Idle());
    }

    void cancelDuringPageThree() {
        auto data = LotsDataSet(QList<int>(300, 1));
        auto report = LotReport(data.get());
        report->OnStartPage = [](TCustomQuickRep* r) {
            if (r->PageNo == 3) {
                r->Cancel();
            }
        };
        report->Prepare();
        TQRPrinter* printer = report->QRPrinter();
        QCOMPARE(printer->GetPageCount(), 3);
        QCOMPARE(printer->GetStatus(), mpFinished);
        QVERIFY(!AllPages(*printer).contains(QStringLiteral("|S|")));
        QVERIFY(report->Idle());
        QVERIFY(report->CancelRequested());
    }

    void errorsEndTheRunAndLeaveTheReportIdle() {
        auto data = LotsDataSet({1, 1, 2});
        auto report = LotReport(data.get());
        report->findChild<TQRCustomBand*>(QStringLiteral("D"))->AfterPrint = [&](TQRCustomBand*, bool) {
            data->Close();  // the walk's next step fails
        };
        QVERIFY_THROWS_EXCEPTION(std::exception, report->Prepare());
        QVERIFY(report->Idle());
        QCOMPARE(report->QRPrinter()->GetStatus(), mpFinished);

        // The report runs again afterwards.
        data = LotsDataSet({1});
        report->SetDataSet(data.get());
        report->findChild<TQRCustomBand*>(QStringLiteral("D"))->AfterPrint = nullptr;
        report->Prepare();
        QCOMPARE(AllPages(*report->QRPrinter()), QStringLiteral("PH|T|GH1|D1|GF1|S|PF1"));
    }

    void beforePrintCanSkipBandsAndTheReport() {
        auto data = LotsDataSet({1, 1, 2});
        auto report = LotReport(data.get());
        report->findChild<TQRCustomBand*>(QStringLiteral("D"))->BeforePrint = [&](TQRCustomBand*, bool& print) {
            print = data->Fields()[1]->AsInteger() != 2;
        };
        report->Prepare();
        QCOMPARE(AllPages(*report->QRPrinter()), QStringLiteral("PH|T|GH1|D1|GF2|GH2|D3|GF3|S|PF1"));
        report->BeforePrint = [](TCustomQuickRep*, bool& print) { print = false; };
        report->Prepare();
        QCOMPARE(report->QRPrinter()->GetPageCount(), 0);
        QCOMPARE(report->QRPrinter()->GetStatus(), mpReady);
    }

    void recordsFromOnNeedData() {
        auto report = NewReport();
        TQRDefinition::Build(*report, {Band("D", rbDetail, 20)}, {Expr("D", "D", "PAGENUMBER")});
        int left = 3;
        report->OnNeedData = [&](QObject*, bool& more) { more = left-- > 0; };
        report->Prepare();
        QCOMPARE(AllPages(*report->QRPrinter()), QStringLiteral("D1|D1|D1"));
    }

    void subDetailsBeforeAndAfterTheDetail_data() {
        QTest::addColumn<bool>("printBefore");
        QTest::addColumn<QString>("pages");
        QTest::newRow("after") << false << QStringLiteral("D1|SH|S1|S2|SF|D2|SH|S1|S2|SF");
        QTest::newRow("before") << true << QStringLiteral("SH|S1|S2|SF|D1|SH|S1|S2|SF|D2");
    }
    void subDetailsBeforeAndAfterTheDetail() {
        QFETCH(bool, printBefore);
        QFETCH(QString, pages);
        auto master = LotsDataSet({1, 2});
        auto detail = LotsDataSet({7, 7});
        detail->setObjectName(QStringLiteral("CDS_Itens"));
        auto report = NewReport();
        report->SetDataSet(master.get());
        TQRBandRow sub = Band("SUB", rbSubDetail, 20,
                              {{"Header", "SH"}, {"Footer", "SF"}, {"PrintBefore", printBefore}});
        sub.Kind = QStringLiteral("SubDetail");
        TQRDefinition::Build(*report,
                             {Band("D", rbDetail, 20), sub, Band("SH", rbGroupHeader, 20),
                              Band("SF", rbGroupFooter, 20)},
                             {Expr("D", "D", "CDS_Relatorio.NRO_ITEM"), Expr("SUB", "S", "CDS_Itens.NRO_ITEM"),
                              Caption("SH", "SH"), Caption("SF", "SF")});
        report->findChild<TQRSubDetail*>(QStringLiteral("SUB"))->SetDataSet(detail.get());
        report->Prepare();
        QCOMPARE(AllPages(*report->QRPrinter()), pages);
    }

    void exportRun_data() {
        QTest::addColumn<bool>("streaming");
        QTest::newRow("paged") << false;
        QTest::newRow("unpaged") << true;
    }
    void exportRun() {
        QFETCH(bool, streaming);
        auto data = LotsDataSet(QList<int>(150, 1));
        auto report = LotReport(data.get());
        report->Prepare();
        TQRPrinter* preview = report->QRPrinter();
        TRecordingFilter filter(streaming);
        report->ExportToFilter(&filter);
        QCOMPARE(filter.Calls.first(), QStringLiteral("Start 2100x2970"));
        QCOMPARE(filter.Calls.last(), QStringLiteral("Finish"));
        QVERIFY(filter.PrinterAtStart != nullptr && filter.PrinterAtStart != preview);
        QCOMPARE(filter.PageAtStart.Length, 2970.0);
        QCOMPARE(filter.PageAtStart.LeftMargin, 100.0);
        const int pages = filter.Calls.count(QStringLiteral("NewPage"));
        QCOMPARE(pages, streaming ? 1 : preview->GetPageCount());
        // One EndPage for page 0 and one per page.
        QCOMPARE(filter.Calls.count(QStringLiteral("EndPage")), pages + 1);
        QVERIFY(filter.Calls.contains(QStringLiteral("PH@100,100")));
        QVERIFY(filter.Bands > 150);
        // Everything is as it was.
        QCOMPARE(report->QRPrinter(), preview);
        QVERIFY(report->RenderToCanvas);
        QCOMPARE(report->ExportFilter, nullptr);
        QCOMPARE(filter.Printer, preview);
        QVERIFY(report->Idle());
    }

    // The run tells the page store how many of its records it has laid out: a
    // run heading far past the store's limit is refused after its first pages,
    // one that may just fit only when a page really does not.
    void pageStoreLimitRefusesEarlyOnlyWhenClearlyPast_data() {
        QTest::addColumn<double>("limitShare");  // of what the whole run stores
        QTest::addColumn<QString>("message");
        QTest::newRow("a quarter of the run") << 0.25 << QStringLiteral("O relatório ficaria com cerca de");
        QTest::newRow("nineteen twentieths") << 0.95 << QStringLiteral("O relatório excede");
    }
    void pageStoreLimitRefusesEarlyOnlyWhenClearlyPast() {
        QFETCH(double, limitShare);
        QFETCH(QString, message);
        auto data = LotsDataSet(QList<int>(2000, 1));
        auto report = LotReport(data.get());
        report->Prepare();
        const int pages = report->QRPrinter()->GetPageCount();
        const auto limit = qint64(double(report->QRPrinter()->PageList().GetStream()->Size()) * limitShare);
        QVERIFY(pages > 30);
        report->OnStartPage = [limit](TCustomQuickRep* r) {
            if (r->PageNo == 1) {
                r->QRPrinter()->PageList().SetSizeLimit(limit);
            }
        };
        QString refusal;
        try {
            report->Prepare();
        } catch (const Exception& e) {
            refusal = e.message();
        }
        QVERIFY2(refusal.startsWith(message), qPrintable(refusal));
        const int stored = report->QRPrinter()->PageList().GetPageCount();
        QVERIFY2(limitShare < 0.5 ? stored < 10 : stored > pages * 9 / 10,
                 qPrintable(QString::number(stored)));
        QVERIFY(report->Idle());
    }
};

QTEST_MAIN(TstQRGeneration)
#include "tst_qrgeneration.moc"
