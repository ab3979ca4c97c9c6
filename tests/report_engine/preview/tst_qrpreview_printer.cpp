// The preview and the printer it shows: a printer freed while a preview still
// shows it, every page notice reaching the listener in order (also from a
// worker thread), where a page smaller than the view is placed, and a
// preview hook that opens a window of its own while the run goes on.
#include <QApplication>
#include <QPointer>
#include <QScrollBar>
#include <QtTest>
#include <atomic>
#include <cmath>
#include <thread>

#include "PreviewFixture.h"
#include "report_engine/model/TQRPrintable.h"
#include "report_engine/model/TQuickRep.h"
#include "report_engine/preview/TQRPreview.h"
#include "report_engine/preview/TQRStandardPreview.h"
#include "report_engine/preview/TQRStandardPreviewInterface.h"

using namespace quorin;
using namespace quorin::test;

namespace {

// A fixed text on its band.
class TLine : public TQRPrintable {
    Q_OBJECT

  public:
    TLine(TQRControl* parent, QString text) : TQRPrintable(parent), Text(std::move(text)) {
        Size().SetNative(0, 50);
    }
    void Print(int OfsX, int OfsY) override {
        if (TQRCanvas* canvas = QRPrinter ? QRPrinter->GetCanvas() : nullptr)
            canvas->TextOut(QRPrinter->XPos(OfsX), QRPrinter->YPos(OfsY), Text);
    }
    QString Text;
};

}  // namespace

class TestQRPreviewPrinter : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() { RegisterStandardPreview(); }

    void aPrinterFreedWhileShownLeavesThePreviewsHarmless();
    void aPrinterFreedUnderTheWindowLeavesEveryCommandHarmless();
    void everyPageNoticeReachesTheListenerInOrder();
    void aBurstFromAWorkerArrivesWhole();
    void aSmallPageIsCentredWithIntegerHalves_data();
    void aSmallPageIsCentredWithIntegerHalves();
    void aPreviewHookKeepsTheRunAndItsPageSink();
};

// Freed with a notice still queued, while two previews show it (the second
// took its notices): both let go, show no page, and zoom, paging and their
// own destruction touch nothing of it.
void TestQRPreviewPrinter::aPrinterFreedWhileShownLeavesThePreviewsHarmless() {
    auto printer = std::make_unique<TTestPrinter>();
    Fill(**printer, 3);
    auto first = std::make_unique<TQRPreview>();
    first->resize(600, 400);
    first->SetQRPrinter(printer->Printer.get());
    TQRPreview second;
    second.resize(600, 400);
    second.SetQRPrinter(printer->Printer.get());
    QVERIFY(first->PreviewImage()->PageLoaded());
    int heard = 0;
    second.OnPageAvailable = [&](TQRPreview*, int) { ++heard; };
    (*printer)->SetAvailablePages(3);  // queued for the second preview

    printer.reset();
    for (TQRPreview* preview : {first.get(), &second}) {
        QCOMPARE(preview->QRPrinter(), nullptr);
        QCOMPARE(preview->PreviewImage()->QRPrinter(), nullptr);
        QVERIFY(!preview->PreviewImage()->PageLoaded());
        QCOMPARE(preview->PreviewImage()->Page(), nullptr);
        preview->SetZoom(150);
        preview->ZoomToFit();
        preview->ZoomToWidth();
        preview->SetPageNumber(2);
        preview->UpdateImage();
        preview->resize(700, 500);
        preview->Fixvalues();
        QCOMPARE(preview->PageNumber(), 1);
        QVERIFY(!preview->PreviewImage()->PageLoaded());
    }
    // The zoom falls back to the letter page shown without a printer.
    QCOMPARE(first->PreviewImage()->width(),
             static_cast<int>(std::nearbyint(215.9 * first->Zoom() / 100.0)) + 4);
    QCoreApplication::processEvents();
    QCOMPARE(heard, 0);
    QVERIFY(!second.grab().isNull());
    first.reset();

    // A preview given another printer afterwards shows it as usual.
    TTestPrinter next;
    Fill(*next, 2);
    second.SetQRPrinter(next.Printer.get());
    QVERIFY(second.PreviewImage()->PageLoaded());
    QCOMPARE(static_cast<QObject*>(next->PreviewWindow), &second);
}

// The window's own commands after its printer went: nothing is printed,
// asked or changed, and the window still closes.
void TestQRPreviewPrinter::aPrinterFreedUnderTheWindowLeavesEveryCommandHarmless() {
    TDialogAnswers answers;
    answers.InputAnswers = {QStringLiteral("2"), QStringLiteral("1-2")};
    answers.SearchAnswers = {QStringLiteral("Item")};
    answers.SaveName = QDir::temp().filePath(QStringLiteral("quorin_freed_printer.qrp"));
    auto printer = std::make_unique<TTestPrinter>();
    Fill(**printer, 3);
    TQRStandardPreview window(nullptr, printer->Printer.get());
    window.Show();
    QVERIFY(window.QRPreview->PreviewImage()->PageLoaded());

    printer.reset();
    QCOMPARE(window.QRPrinter(), nullptr);
    window.NextPageClick();
    window.LastPageClick();
    window.SaltarPaginaClick();
    window.ZoomMaisClick();
    window.ZoomToFitClick();
    window.ZoomToWidthClick();
    window.ToolButton3Click();
    window.Tb_IntervaloClick();
    window.PrintClick();
    window.PrintSetupClick();
    window.SaveClick();
    window.FormKeyDown(Qt::Key_PageDown, Qt::ControlModifier);
    QVERIFY(!window.QRPreview->PreviewImage()->PageLoaded());
    QVERIFY(!QFile::exists(answers.SaveName));
    QVERIFY(answers.Messages.isEmpty());
    window.ExitClick();
    QVERIFY(!window.isVisible());
}

// Four notices from a run on this thread reach the listener as 1, 2, 3, 4,
// and a notice still queued from a printer the preview has left is dropped.
void TestQRPreviewPrinter::everyPageNoticeReachesTheListenerInOrder() {
    TTestPrinter printer;
    TQRPreview preview;
    preview.resize(600, 400);
    preview.SetQRPrinter(printer.Printer.get());
    QList<int> heard;
    preview.OnPageAvailable = [&](TQRPreview*, int n) { heard << n; };
    printer->BeginDoc();
    for (int page = 1; page <= 4; ++page) {
        printer->NewPage();
        DrawPage(*printer, page);
    }
    printer->EndDoc();
    QCoreApplication::processEvents();
    QCOMPARE(heard, (QList<int>{1, 2, 3, 4}));
    QVERIFY(preview.PreviewImage()->PageLoaded());

    TTestPrinter other;
    printer->SetAvailablePages(5);
    preview.SetQRPrinter(other.Printer.get());
    QCoreApplication::processEvents();
    QCOMPARE(heard.size(), 4);
}

// A run on a worker thread announces its pages as fast as it can; the
// window's listener hears each of them once, in order, and the status bar
// ends on the last.
void TestQRPreviewPrinter::aBurstFromAWorkerArrivesWhole() {
    constexpr int kPages = 300;
    TTestPrinter printer;
    TQRStandardPreview window(nullptr, printer.Printer.get());
    window.Show();
    QList<int> heard;
    const auto windowListener = window.QRPreview->OnPageAvailable;
    window.QRPreview->OnPageAvailable = [&](TQRPreview* sender, int n) {
        heard << n;
        windowListener(sender, n);
    };
    std::atomic<bool> done{false};
    std::thread worker([&] {
        printer->BeginDoc();
        for (int page = 1; page <= kPages; ++page) {
            printer->NewPage();
            printer->GetCanvas()->TextOut(printer->XPos(150), printer->YPos(150), QString::number(page));
        }
        printer->EndDoc();
        done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done.load(), 20000);
    worker.join();
    QTRY_COMPARE(heard.size(), kPages);
    QList<int> expected;
    for (int n = 1; n <= kPages; ++n) expected << n;
    QCOMPARE(heard, expected);
    QCOMPARE(window.StatusPanelText(1), QStringLiteral("Página 1 de %1").arg(kPages));
    window.ExitClick();
}

void TestQRPreviewPrinter::aSmallPageIsCentredWithIntegerHalves_data() {
    QTest::addColumn<QSize>("view");
    QTest::newRow("even view") << QSize(780, 476);
    QTest::newRow("odd view") << QSize(781, 477);
}

// Every zoom from 20 to 40 % fits the view: the page sits at
// ((W - w) div 2, (H - h) div 2), odd and even sizes alike. A page larger
// than the view starts at its top left corner.
void TestQRPreviewPrinter::aSmallPageIsCentredWithIntegerHalves() {
    QFETCH(QSize, view);
    TTestPrinter printer;
    Fill(*printer, 1);
    TQRPreview preview;
    preview.resize(view);
    preview.show();
    preview.SetQRPrinter(printer.Printer.get());
    QSet<int> parities;
    for (int zoom = 20; zoom <= 40; ++zoom) {
        preview.SetZoom(zoom);
        QCoreApplication::processEvents();
        QCOMPARE(preview.viewport()->size(), view);  // no scroll bar takes a part
        const QSize page = preview.PreviewImage()->size();
        QVERIFY(page.width() < view.width() && page.height() < view.height());
        parities << (page.width() % 2) * 2 + page.height() % 2;
        QCOMPARE(preview.PreviewImage()->pos(),
                 QPoint((view.width() - page.width()) / 2, (view.height() - page.height()) / 2));
    }
    QCOMPARE(parities.size(), 4);  // odd and even widths and heights were all seen
    preview.ZoomToFit();
    QCoreApplication::processEvents();
    QVERIFY(preview.grab().save(ScreenshotPath(QStringLiteral("preview_centred_%1x%2.png")
                                                   .arg(view.width())
                                                   .arg(view.height()))));
    preview.SetZoom(200);
    QCoreApplication::processEvents();
    QCOMPARE(preview.PreviewImage()->pos(), QPoint(0, 0));
    preview.verticalScrollBar()->setValue(100);
    QCOMPARE(preview.PreviewImage()->pos(), QPoint(0, -100));
}

// With OnPreview set, PreviewModal hands the hook the run's page sink and
// returns: the run goes on to its end and the page sink stays until the
// window the hook opened closes.
void TestQRPreviewPrinter::aPreviewHookKeepsTheRunAndItsPageSink() {
    TQuickRep report;
    TQRFakePrinterDriver driver;
    report.PrinterFactory = [&driver](TCustomQuickRep& r) {
        auto printer = std::make_unique<TQRPrinter>(&r);
        printer->SetPrinterDriver(&driver);
        return printer;
    };
    report.Page().SetPaperSize(TQRPaperSize::A4);
    TQRBand* detail = report.CreateBand(rbDetail);
    detail->Size().SetNativeHeight(60);
    new TLine(detail, QStringLiteral("Linha"));
    TQRBand* summary = report.CreateBand(rbSummary);
    summary->Size().SetNativeHeight(60);
    new TLine(summary, QStringLiteral("Fim"));
    int next = 0;
    report.OnNeedData = [&](QObject*, bool& more) { more = next++ < 300; };

    QPointer<TQRStandardPreview> window;
    TQRPrinter* handed = nullptr;
    report.OnPreview = [&](TQRPrinter* printer) {
        handed = printer;
        window = new TQRStandardPreview(nullptr, printer);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->Show();
    };
    report.PreviewModal();
    QVERIFY(window);
    QCOMPARE(handed, report.QRPrinter());
    QTRY_VERIFY_WITH_TIMEOUT(report.Idle(), 20000);
    QVERIFY(!report.CancelRequested());
    QCOMPARE(report.QRPrinter(), handed);
    QCOMPARE(handed->GetStatus(), mpFinished);
    QTRY_COMPARE(window->StatusPanelText(1), QStringLiteral("Página 1 de %1").arg(handed->GetPageCount()));
    QVERIFY(handed->GetPageCount() > 5);
    const std::unique_ptr<TQRPageRecording> last = handed->GetPage(handed->GetPageCount());
    QVERIFY(last && TQRStandardPreview::StrInMetafile(QStringLiteral("Fim"), *last, true));

    window->ExitClick();
    QVERIFY(!window->isVisible());
    QCOMPARE(report.QRPrinter(), nullptr);
    delete window;
    QCoreApplication::processEvents();
}

QTEST_MAIN(TestQRPreviewPrinter)
#include "tst_qrpreview_printer.moc"
