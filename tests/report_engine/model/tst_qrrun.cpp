// Running a report: the threaded modal preview with its cancel, direct
// printing, exporting with a progress window, and two runs at once.

#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <thread>

#include "ReportFixture.h"
#include "report_engine/printer/QRPrintJob.h"
#include "report_engine/printer/TQRExportFilter.h"
#include "runtime/Exceptions.h"

using namespace quorin;
using namespace quorin::test;

namespace {

std::atomic<int> g_printersFreed{0};

class TCountedPrinter : public TQRPrinter {
  public:
    using TQRPrinter::TQRPrinter;
    ~TCountedPrinter() override { ++g_printersFreed; }
};

/// A print job that paints on an image and counts its pages.
class TImageJob : public TQRPrintJob {
  public:
    explicit TImageJob(int* pages) : pages_(pages), image_(200, 300, QImage::Format_ARGB32) {}
    bool Begin(const QString&) override {
        *pages_ = 1;
        return painter_.begin(&image_);
    }
    bool NewPage() override {
        ++*pages_;
        return true;
    }
    bool End() override { return painter_.end(); }
    void Abort() override { painter_.end(); }
    bool Active() const override { return painter_.isActive(); }
    QPainter& Painter() override { return painter_; }
    int DotsPerInchX() const override { return 96; }
    int DotsPerInchY() const override { return 96; }
    QSize PrintableSize() const override { return image_.size(); }
    QString PrinterName() const override { return QStringLiteral("imagem"); }

  private:
    int* pages_;
    QImage image_;
    QPainter painter_;
};

int g_jobPages = 0;

void UseCountedPrinter(TCustomQuickRep& report) {
    report.PrinterFactory = [](TCustomQuickRep& r) -> std::unique_ptr<TQRPrinter> {
        auto printer = std::make_unique<TCountedPrinter>(&r);
        printer->SetPrinterDriver(&EveryPaperDriver());
        printer->CreatePrintJob = [] { return std::make_unique<TImageJob>(&g_jobPages); };
        return printer;
    };
}

/// The preview a test plays: what ShowModal does is the test's.
struct TFakePreviewState {
    std::function<void(TQRPrinter*)> modal;
    QStringList progressCaptions;
    QPointer<QObject> lastProgress;
};
TFakePreviewState g_preview;

class TFakePreview : public TQRPreviewInterface {
  public:
    void ShowModal(TQRPrinter* printer) override {
        if (g_preview.modal) {
            g_preview.modal(printer);
        }
    }
    std::unique_ptr<QObject> CreateProgressForm(TQRPrinter*, const QString& caption) override {
        g_preview.progressCaptions << caption;
        auto form = std::make_unique<QObject>();
        g_preview.lastProgress = form.get();
        return form;
    }
};

std::unique_ptr<TQuickRep> ListReport(TMemoryDataSet* data) {
    auto report = NewReport();
    UseCountedPrinter(*report);
    report->SetDataSet(data);
    TQRDefinition::Build(*report,
                         {Band("PH", rbPageHeader, 20), Band("D", rbDetail, 20), Band("S", rbSummary, 20),
                          Band("PF", rbPageFooter, 20)},
                         {Caption("PH", "PH"), Expr("D", "D", "NRO_ITEM"), Caption("S", "S"),
                          Expr("PF", "PF", "PAGENUMBER")});
    return report;
}

bool WaitFor(const std::function<bool()>& condition, int ms = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms) {
            return false;
        }
        QThread::msleep(1);
    }
    return true;
}

}  // namespace

class TstQRRun : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() {
        RegisterTestPrintables();
        RegisterPreviewClass([] { return std::make_unique<TFakePreview>(); });
    }
    void init() {
        g_printersFreed = 0;
        g_preview = TFakePreviewState{};
    }

    void closingThePreviewMidRunCancelsAndFreesOnce() {
        auto data = LotsDataSet(QList<int>(3000, 1));
        auto report = ListReport(data.get());
        std::atomic<bool> previewSawPages{false};
        // The run waits at page 3 until the preview has shown two pages, so it is surely still going.
        report->OnStartPage = [&](TCustomQuickRep* r) {
            if (r->PageNo == 3) {
                WaitFor([&] { return previewSawPages.load(); });
            }
        };
        int afterPreview = 0;
        report->AfterPreview = [&](QObject*) { ++afterPreview; };
        int modalCalls = 0;
        bool runningWhileShown = false;
        g_preview.modal = [&](TQRPrinter* printer) {
            ++modalCalls;
            printer->SetShowingPreview(true);
            report->PreviewModal();  // a second preview while the run goes does nothing
            QVERIFY(WaitFor([&] { return printer->GetAvailablePages() >= 2; }));
            runningWhileShown = !report->Idle();
            previewSawPages = true;
            printer->ClosePreview();
        };
        report->PreviewModal();
        QCOMPARE(modalCalls, 1);
        QVERIFY(runningWhileShown);
        QVERIFY(report->Idle());
        QVERIFY(report->CancelRequested());
        QCOMPARE(report->QRPrinter(), nullptr);
        QCOMPARE(g_printersFreed.load(), 1);
        QCOMPARE(afterPreview, 1);
        QVERIFY(report->LastRunError().isEmpty());

        // The report previews again afterwards, to the end.
        report->OnStartPage = nullptr;
        int pages = 0;
        g_preview.modal = [&](TQRPrinter* printer) {
            QVERIFY(WaitFor([&] { return report->Idle() && printer->GetStatus() == mpFinished; }));
            pages = printer->GetPageCount();
            QCOMPARE(PageTexts(*printer, pages).last(), QStringLiteral("PF%1").arg(pages));
        };
        report->PreviewModal();
        QVERIFY(pages > 40);
        QCOMPARE(g_printersFreed.load(), 2);
    }

    void aFailingThreadedRunKeepsItsPages() {
        auto data = LotsDataSet(QList<int>(300, 1));
        auto report = ListReport(data.get());
        report->OnStartPage = [](TCustomQuickRep* r) {
            if (r->PageNo == 2) {
                throw Exception(QStringLiteral("Falha de teste na página 2."));
            }
        };
        int pages = -1;
        TQRPrinterStatus status = mpReady;
        g_preview.modal = [&](TQRPrinter* printer) {
            QVERIFY(WaitFor([&] { return report->Idle(); }));
            pages = printer->GetPageCount();
            status = printer->GetStatus();
        };
        report->PreviewModal();
        QCOMPARE(pages, 2);
        QCOMPARE(status, mpFinished);
        QCOMPARE(report->LastRunError(), QStringLiteral("Falha de teste na página 2."));
        QCOMPARE(report->QRPrinter(), nullptr);
        QCOMPARE(g_printersFreed.load(), 1);
    }

    void printingGeneratesStraightToThePrinter() {
        auto data = LotsDataSet(QList<int>(100, 1));
        auto report = ListReport(data.get());
        report->Prepare();
        TQRPrinter* stored = report->QRPrinter();
        const int storedPages = stored->GetPageCount();
        g_jobPages = 0;
        int afterPrint = 0;
        report->AfterPrint = [&](QObject*) { ++afterPrint; };
        report->Print();
        QCOMPARE(g_jobPages, storedPages);
        QCOMPARE(afterPrint, 1);
        QCOMPARE(g_preview.progressCaptions, QStringList{QStringLiteral("Imprimindo Relatório...")});
        QVERIFY(g_preview.lastProgress.isNull());
        QCOMPARE(report->QRPrinter(), stored);
        QCOMPARE(g_printersFreed.load(), 1);

        // Printing from a preview asks the report to generate again, straight to the printer
        // (a prepared report's page sink prints its stored pages instead).
        g_jobPages = 0;
        stored->Client = report.get();
        stored->PrintMetaFile = false;
        stored->Settings().SetPrintMetaFile(false);
        stored->Print();
        QCoreApplication::sendPostedEvents(report.get());
        QCOMPARE(g_jobPages, storedPages);
        QCOMPARE(afterPrint, 2);
        QCOMPARE(report->QRPrinter(), stored);
    }

    void exportingShowsProgressAndRestores() {
        auto data = LotsDataSet({1, 1});
        auto report = ListReport(data.get());
        TQRExportFilter filter(QStringLiteral("saida"));
        report->ExportToFilter(&filter);
        QCOMPARE(g_preview.progressCaptions, QStringList{QStringLiteral("Exportando Relatório...")});
        QVERIFY(g_preview.lastProgress.isNull());
        QVERIFY(!filter.Active);
        QCOMPARE(report->QRPrinter(), nullptr);
        QCOMPARE(g_printersFreed.load(), 1);
        QVERIFY(report->RenderToCanvas);
    }

    void printerSetupTakesWhatTheDialogReturns() {
        auto data = LotsDataSet(QList<int>(100, 1));
        auto report = ListReport(data.get());
        report->Prepare();
        const int pages = report->QRPrinter()->GetPageCount();
        TQRPrinterSetupRequest shown;
        bool accept = false;
        RegisterPrinterSetupDialog([&](TQRPrinterSetupRequest& request) {
            shown = request;
            request.Copies = 3;
            request.Orientation = poLandscape;
            request.AllPages = false;
            request.FromPage = 2;
            request.ToPage = 3;
            return accept;
        });
        report->PrinterSetup();
        QCOMPARE(report->Tag, 1);
        QCOMPARE(report->PrinterSettings.Copies, 1);
        QCOMPARE(report->Page().Orientation(), poPortrait);
        QCOMPARE(shown.MinPage, 1);
        QCOMPARE(shown.MaxPage, pages);
        QCOMPARE(shown.ToPage, pages);

        accept = true;
        report->PrinterSetup();
        QCOMPARE(report->Tag, 0);
        QCOMPARE(report->PrinterSettings.Copies, 3);
        QCOMPARE(report->PrinterSettings.FirstPage, 2);
        QCOMPARE(report->PrinterSettings.LastPage, 3);
        QCOMPARE(report->Page().Orientation(), poLandscape);
        RegisterPrinterSetupDialog(nullptr);
    }

    void twoRunsAtOnceKeepTheirOwnState() {
        // Forced pages and stretching both lean on the run's detail-break flag.
        auto build = [](TMemoryDataSet* data) {
            auto report = NewReport();
            report->SetDataSet(data);
            TQRPrintableRow lines;
            lines.Kind = QStringLiteral("Lines");
            lines.Band = QStringLiteral("D");
            lines.Width = 100;
            lines.Height = 15;
            lines.Properties.insert(QStringLiteral("Count"), 30);
            TQRDefinition::Build(*report,
                                 {Band("T", rbTitle, 20), Band("D", rbDetail, 15, {{"ForceNewPage", true}}),
                                  Band("PF", rbPageFooter, 20)},
                                 {Caption("T", "T"), lines, Expr("PF", "PF", "PAGENUMBER")});
            return report;
        };
        auto dataA = LotsDataSet(QList<int>(40, 1));
        auto dataB = LotsDataSet(QList<int>(40, 1));
        auto a = build(dataA.get());
        auto b = build(dataB.get());
        a->Prepare();
        const QString expected = AllPages(*a->QRPrinter());
        QVERIFY(a->PrepareQRPrinter());
        QVERIFY(b->PrepareQRPrinter());
        std::thread first([&] { a->CreateReport(); });
        std::thread second([&] { b->CreateReport(); });
        first.join();
        second.join();
        QCOMPARE(AllPages(*a->QRPrinter()), expected);
        QCOMPARE(AllPages(*b->QRPrinter()), expected);
    }
};

QTEST_MAIN(TstQRRun)
#include "tst_qrrun.moc"
