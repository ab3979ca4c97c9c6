// The preview of real report runs: PreviewModal generating on the worker
// thread while the window shows the pages, closing during a run, a second
// PreviewModal meanwhile, the printer dialog, and printing a finished report
// from the preview (a second generation, straight to the printer's print job).
#include <QApplication>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "PreviewFixture.h"
#include "report_engine/model/TQuickRep.h"
#include "report_engine/model/TQRPrintable.h"
#include "report_engine/preview/TQRStandardPreview.h"
#include "report_engine/preview/TQRStandardPreviewInterface.h"

using namespace quorin;
using namespace quorin::test;

namespace {

// A line of text on the detail band; OnPrint runs first, on the thread that generates.
class TRowText : public TQRPrintable {
    Q_OBJECT

  public:
    using TQRPrintable::TQRPrintable;
    std::function<void(TCustomQuickRep*)> OnPrint;
    void Print(int OfsX, int OfsY) override {
        TCustomQuickRep* report = ParentReport();
        if (OnPrint) OnPrint(report);
        TQRCanvas* canvas = QRPrinter ? QRPrinter->GetCanvas() : nullptr;
        if (canvas != nullptr)
            canvas->TextOut(QRPrinter->XPos(OfsX + 100), QRPrinter->YPos(OfsY),
                            QStringLiteral("Linha %1 da página %2").arg(++printed).arg(report->PageNo));
    }
    std::atomic<int> printed{0};
};

// A list report of rows detail lines, about 45 to a page. Its page sinks
// read a fake printer and print into fake jobs logged in Jobs.
struct TListReport {
    TQuickRep Report;
    TRowText* Row = nullptr;
    int Rows;
    int Next = 0;
    std::atomic<int> Runs{0};
    TQRFakePrinterDriver Driver;
    std::vector<TJob> Jobs;

    explicit TListReport(int rows) : Rows(rows) {
        Report.PrinterFactory = [this](TCustomQuickRep& report) {
            auto printer = std::make_unique<TQRPrinter>(&report);
            printer->SetPrinterDriver(&Driver);
            TQRPrinter* sink = printer.get();
            printer->CreatePrintJob = [this, sink] { return std::make_unique<FakeJob>(Jobs, *sink); };
            return printer;
        };
        Report.setObjectName(QStringLiteral("QRP_Lista"));
        Report.Page().SetPaperSize(TQRPaperSize::A4);
        Report.ReportTitle = QStringLiteral("Lista de Itens");
        TQRBand* detail = Report.CreateBand(rbDetail);
        detail->Size().SetNativeHeight(60);
        Row = new TRowText(detail);
        Row->Size().SetNative(0, 50);
        Row->Size().SetNative(3, 1500);
        Report.OnNeedData = [this](QObject*, bool& more) { more = Next++ < Rows; };
        Report.BeforePrint = [this](TCustomQuickRep*, bool& print) {
            Next = 0;
            ++Runs;
            print = true;
        };
    }
};

TQRStandardPreview* OpenPreview() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* preview = qobject_cast<TQRStandardPreview*>(widget); preview && preview->isVisible())
            return preview;
    return nullptr;
}

int OpenPreviews() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<TQRStandardPreview*>(widget) && widget->isVisible()) ++count;
    return count;
}

// Runs body on the user-interface thread once the modal preview is up, then
// calls PreviewModal and returns when it does.
void WithModalPreview(TCustomQuickRep& report, const std::function<void(TQRStandardPreview&)>& body) {
    bool ran = false;
    std::function<void()> poll;
    poll = [&] {
        TQRStandardPreview* preview = OpenPreview();
        if (preview == nullptr) {
            QTimer::singleShot(5, poll);
            return;
        }
        ran = true;
        QPointer<TQRStandardPreview> guard(preview);
        body(*preview);
        // A failed check leaves the window open: close it, so the run ends.
        if (guard && guard->isVisible()) guard->SpeedButton1Click();
    };
    QTimer::singleShot(0, poll);
    report.PreviewModal();
    QVERIFY(ran);
}

}  // namespace

class TestQRPreviewRun : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() { RegisterStandardPreview(); }

    void closingDuringPageThreeCancelsTheRun_data();
    void closingDuringPageThreeCancelsTheRun();
    void finishedRunShowsEveryPage();
    void printerDialog_data();
    void printerDialog();
    void printingAFinishedReportGeneratesItAgain();
    void eachPrintPrintsTheRangeChosenForIt();
};

void TestQRPreviewRun::closingDuringPageThreeCancelsTheRun_data() {
    QTest::addColumn<QString>("way");
    for (const char* way : {"Abortar", "Esc", "close box"}) QTest::newRow(way) << QString::fromLatin1(way);
}

void TestQRPreviewRun::closingDuringPageThreeCancelsTheRun() {
    QFETCH(QString, way);
    TListReport list(100000);
    std::atomic<bool> onPageThree{false};
    std::atomic<bool> released{false};
    list.Row->OnPrint = [&](TCustomQuickRep* report) {
        if (report->PageNo < 3 || released) return;
        onPageThree = true;
        // Hold the run on page 3 until the preview cancels it.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!report->CancelRequested() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        released = true;
    };
    WithModalPreview(list.Report, [&](TQRStandardPreview& preview) {
        QTRY_VERIFY(onPageThree.load());
        // The first pages are on screen while the worker still generates.
        QTRY_VERIFY(preview.QRPreview->PreviewImage()->PageLoaded());
        QCOMPARE(preview.QRPreview->ZoomState(), qrZoomToWidth);
        QCOMPARE(preview.windowTitle(), QStringLiteral("Lista de Itens"));
        QVERIFY(!list.Report.Idle());
        QCOMPARE(preview.QRPrinter()->GetStatus(), mpBusy);
        QVERIFY(!preview.Print->isEnabled());

        // A second PreviewModal while this one runs does nothing.
        list.Report.PreviewModal();
        QCOMPARE(OpenPreviews(), 1);
        QCOMPARE(list.Runs.load(), 1);

        // Any way of closing closes at once; the run stops at its next record and is waited for.
        if (way == u"Abortar") preview.SpeedButton1Click();
        else if (way == u"Esc") QTest::keyClick(&preview, Qt::Key_Escape);
        else preview.close();
        QVERIFY(!preview.isVisible());
        QVERIFY(list.Report.Idle());
    });
    QVERIFY(released.load());
    QVERIFY(list.Report.Idle());
    QCOMPARE(list.Report.QRPrinter(), nullptr);
    QVERIFY(list.Row->printed < 100000);
    QCoreApplication::processEvents();
    QCOMPARE(OpenPreviews(), 0);
}

void TestQRPreviewRun::finishedRunShowsEveryPage() {
    TListReport list(12 * 45 - 10);
    WithModalPreview(list.Report, [&](TQRStandardPreview& preview) {
        QTRY_VERIFY(preview.Print->isEnabled());
        const int pages = preview.QRPrinter()->GetPageCount();
        QVERIFY(pages >= 10);
        QTRY_COMPARE(preview.StatusPanelText(1), QStringLiteral("Página 1 de %1").arg(pages));
        QVERIFY(preview.PrintSetup->isEnabled());
        QVERIFY(preview.ExitButton->isEnabled());
        QVERIFY(!preview.SpeedButton1->isVisible());
        // A report's preview opens maximised.
        QVERIFY(preview.windowState() & Qt::WindowMaximized);
        QVERIFY(preview.grab().save(ScreenshotPath(QStringLiteral("preview_relatorio.png"))));
        preview.LastPageClick();
        QCOMPARE(preview.QRPreview->PageNumber(), pages);
        QVERIFY(preview.QRPreview->PreviewImage()->PageLoaded());
        QTest::keyClick(&preview, Qt::Key_Escape);
    });
    QVERIFY(list.Report.Idle());
    QCOMPARE(list.Runs.load(), 1);
}

void TestQRPreviewRun::printerDialog_data() {
    QTest::addColumn<bool>("accept");
    QTest::addColumn<int>("tag");
    QTest::addColumn<int>("copies");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::newRow("cancelled") << false << 1 << 1 << 0 << 0;
    QTest::newRow("two copies of pages 2 to 3") << true << 0 << 2 << 2 << 3;
}

void TestQRPreviewRun::printerDialog() {
    QFETCH(bool, accept);
    TListReport list(3 * 45);
    TQRPrintDialogOptions asked;
    TQRPreviewDialogs::PrintDialog = [&](QWidget*, TQRPrintDialogOptions& options) {
        asked = options;
        if (!accept) {
            options.Copies = 7;  // a cancelled dialog's changes are not taken
            return false;
        }
        options.Copies = 2;
        options.PrintRange = true;
        options.FromPage = 2;
        options.ToPage = 3;
        return true;
    };
    WithModalPreview(list.Report, [&](TQRStandardPreview& preview) {
        QTRY_VERIFY(preview.PrintSetup->isEnabled());
        list.Report.Tag = -1;
        preview.PrintSetupClick();
        QTest::keyClick(&preview, Qt::Key_Escape);
    });
    TQRPreviewDialogs::Reset();
    QCOMPARE(asked.MinPage, 1);
    QVERIFY(asked.MaxPage >= 3);
    QCOMPARE(asked.FromPage, 1);
    QTEST(list.Report.Tag, "tag");
    QTEST(list.Report.PrinterSettings.Copies, "copies");
    QTEST(list.Report.PrinterSettings.FirstPage, "first");
    QTEST(list.Report.PrinterSettings.LastPage, "last");
}

void TestQRPreviewRun::printingAFinishedReportGeneratesItAgain() {
    TListReport list(3 * 45 - 5);
    int pages = 0;
    WithModalPreview(list.Report, [&](TQRStandardPreview& preview) {
        QTRY_VERIFY(preview.Print->isEnabled());
        pages = preview.QRPrinter()->GetPageCount();
        QCOMPARE(list.Runs.load(), 1);
        preview.PrintClick();
        // The report runs again, straight to the printer, once the request is handled.
        QTRY_COMPARE(list.Runs.load(), 2);
        QTRY_VERIFY(list.Report.Idle());
        QCOMPARE(list.Jobs.size(), size_t(1));
        QCOMPARE(list.Jobs[0].Pages, pages);
        // The preview still shows the pages of its own run.
        QCOMPARE(preview.QRPrinter()->GetPageCount(), pages);
        QVERIFY(preview.QRPreview->PreviewImage()->PageLoaded());
        QTest::keyClick(&preview, Qt::Key_Escape);
    });
    QVERIFY(pages >= 3);
    QVERIFY(list.Report.Idle());
}

// A page range asked with F8 reaches the run that prints it, and only that run: the printer
// dialog's range (F7) stays the one of the plain print (F6), and a page file loaded afterwards
// prints whole.
void TestQRPreviewRun::eachPrintPrintsTheRangeChosenForIt() {
    TListReport list(2 * 45 - 5);
    TDialogAnswers answers;
    TQRPreviewDialogs::PrintDialog = [](QWidget*, TQRPrintDialogOptions& options) {
        options.PrintRange = true;
        options.FromPage = 2;
        options.ToPage = 2;
        return true;
    };
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("lista.qrp"));
    const auto lastJob = [&list] { return list.Jobs.empty() ? TJob{-1, -1, -1} : list.Jobs.back(); };
    WithModalPreview(list.Report, [&](TQRStandardPreview& preview) {
        QTRY_VERIFY(preview.Print->isEnabled());
        QCOMPARE(preview.QRPrinter()->GetPageCount(), 2);
        answers.InputAnswers << QStringLiteral("2");
        QTest::keyClick(&preview, Qt::Key_F8);
        TJob job = lastJob();
        QCOMPARE(list.Jobs.size(), size_t(1));
        QCOMPARE(job.First, 2);
        QCOMPARE(job.Pages, 1);

        preview.PrintSetupClick();  // pages 2 to 2
        answers.InputAnswers << QStringLiteral("1");
        QTest::keyClick(&preview, Qt::Key_F8);
        job = lastJob();
        QCOMPARE(list.Jobs.size(), size_t(2));
        QCOMPARE(job.First, 1);
        QCOMPARE(job.Last, 1);
        QCOMPARE(job.Pages, 1);

        QTest::keyClick(&preview, Qt::Key_F6);
        QTRY_COMPARE(list.Jobs.size(), size_t(3));
        job = lastJob();
        QCOMPARE(job.First, 2);
        QCOMPARE(job.Last, 2);

        // The page file prints both its pages after a range was asked for one.
        preview.QRPrinter()->Save(saved);
        answers.OpenName = saved;
        QTest::keyClick(&preview, Qt::Key_F2);
        QCOMPARE(preview.StatusPanelText(1), QStringLiteral("Página 1 de 2"));
        answers.InputAnswers << QStringLiteral("1");
        QTest::keyClick(&preview, Qt::Key_F8);
        QCOMPARE(list.Jobs.size(), size_t(4));
        QCOMPARE(list.Jobs.back().Pages, 1);
        QTest::keyClick(&preview, Qt::Key_F6);
        QCOMPARE(list.Jobs.size(), size_t(5));
        QCOMPARE(list.Jobs.back().Pages, 2);
        QTest::keyClick(&preview, Qt::Key_Escape);
    });
    TQRPreviewDialogs::Reset();
    // Every range chosen in the preview was for its own prints; the report keeps the dialog's.
    QCOMPARE(list.Report.PrinterSettings.FirstPage, 2);
    QCOMPARE(list.Report.PrinterSettings.LastPage, 2);
}

QTEST_MAIN(TestQRPreviewRun)
#include "tst_qrpreview_run.moc"
