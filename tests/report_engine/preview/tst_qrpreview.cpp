// The preview window over printers filled by hand: pages arriving (also from
// another thread), zoom, keys, progress, closing rules, page ranges, search,
// go to page, saving, exporting and loading, the progress window, and how
// the window looks.
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QWheelEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <atomic>
#include <thread>

#include "PreviewFixture.h"
#include "report_engine/canvas/TQREmfPlayer.h"
#include "report_engine/preview/TQRPreview.h"
#include "report_engine/preview/TQRProgressForm.h"
#include "report_engine/preview/TQRStandardPreview.h"
#include "report_engine/preview/TQRStandardPreviewInterface.h"
#include "report_engine/preview/TSearchDlg.h"

using namespace quorin;
using namespace quorin::test;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(quorin::TQRZoomState)

namespace {

// A filter that only notes where it was asked to write.
class NoteFilter : public TQRExportFilter {
  public:
    explicit NoteFilter(const QString& fileName, QString extension)
        : TQRExportFilter(fileName), extension_(std::move(extension)) {}
    QString GetExtension() const override { return extension_; }
    QString GetFilterName() const override { return QStringLiteral("Filtro de teste ") + extension_; }

  private:
    QString extension_;
};

bool IsBlack(QRgb pixel) { return qRed(pixel) < 40 && qGreen(pixel) < 40 && qBlue(pixel) < 40; }

}  // namespace

class TestQRPreview : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() {
        // The printing service is one that does not answer (the client library reads where it is
        // once per process): the tests print on fake printers, and printing without one says why.
        qputenv("CUPS_SERVER", "/nonexistent/quorin-test/cups.sock");
        RegisterStandardPreview();
    }

    void opensAtPageWidthWhenTheFirstPageArrives();
    void showsPagesWhileAnotherThreadGenerates();
    void playsEveryPageIntoTheSameMemory();
    void zoom_data();
    void zoom();
    void zoomStaysWithinItsLimits_data();
    void zoomStaysWithinItsLimits();
    void keys_data();
    void keys();
    void progressShowsAbortAndHoldsExit();
    void everyWayOfClosingStopsTheRun_data();
    void everyWayOfClosingStopsTheRun();
    void pageRanges_data();
    void pageRanges();
    void searchFindsTheNextPageAndStartsOver();
    void searchMarksTheHitOnThePage();
    void goToPage_data();
    void goToPage();
    void savesAPageFileThatAnotherPreviewLoadsAndPrints();
    void loadingAMissingFileSaysSo();
    void printingWithTheServiceDownSaysWhy_data();
    void printingWithTheServiceDownSaysWhy();
    void everyCommandStaysReachable_data();
    void everyCommandStaysReachable();
    void ctrlWheelZoomsAroundThePointer_data();
    void ctrlWheelZoomsAroundThePointer();
    void pageTextIsNeverCut_data();
    void pageTextIsNeverCut();
    void saveDispatchesToTheExportFilters_data();
    void saveDispatchesToTheExportFilters();
    void progressFormFollowsThePrinter();
    void looksLikeAPreview();
};

void TestQRPreview::opensAtPageWidthWhenTheFirstPageArrives() {
    TTestPrinter printer;
    TQRStandardPreview window(nullptr, printer.Printer.get());
    window.show();
    QCOMPARE(window.QRPreview->ZoomState(), qrZoomOther);
    QCOMPARE(window.windowTitle(), QStringLiteral("Visualizador de Relatório"));

    printer->BeginDoc();
    printer->NewPage();
    DrawPage(*printer, 1);
    printer->NewPage();  // page 1 is stored and announced
    QCoreApplication::processEvents();
    QVERIFY(window.QRPreview->PreviewImage()->PageLoaded());
    QCOMPARE(window.QRPreview->ZoomState(), qrZoomToWidth);
    QCOMPARE(window.QRPreview->PageNumber(), 1);
    QVERIFY(!window.Print->isEnabled());

    for (int page = 2; page <= 12; ++page) {
        DrawPage(*printer, page);
        if (page < 12) printer->NewPage();
    }
    printer->EndDoc();
    QCoreApplication::processEvents();
    QCOMPARE(window.StatusPanelText(1), QStringLiteral("Página 1 de 12"));
    QVERIFY(window.Print->isEnabled());
    QVERIFY(window.PrintSetup->isEnabled());
}

void TestQRPreview::showsPagesWhileAnotherThreadGenerates() {
    TTestPrinter printer;
    printer->SetTitle(QStringLiteral("Proposta de Realinhamento"));
    TQRStandardPreview window(nullptr, printer.Printer.get());
    window.show();
    QCOMPARE(window.windowTitle(), QStringLiteral("Proposta de Realinhamento"));

    std::atomic<bool> seen{false};
    std::thread worker([&] {
        printer->BeginDoc();
        for (int page = 1; page <= 12; ++page) {
            printer->NewPage();
            DrawPage(*printer, page);
            printer->SetProgress(page * 100 / 13);
            // Hold the run on page 3 until the window has shown page 1.
            while (page == 3 && !seen) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        printer->EndDoc();
    });
    QTRY_VERIFY(window.QRPreview->PreviewImage()->PageLoaded());
    QCOMPARE(printer->GetStatus(), mpBusy);
    QCOMPARE(window.QRPreview->ZoomState(), qrZoomToWidth);
    QVERIFY(!window.Print->isEnabled());
    seen = true;
    QTRY_COMPARE(window.StatusPanelText(1), QStringLiteral("Página 1 de 12"));
    worker.join();
    QTRY_VERIFY(window.Print->isEnabled());
    window.ExitClick();
    QVERIFY(!window.isVisible());
}

// The memory that keeps the played page is taken before the first page and made
// ready while the window is idle; until then the page is played straight into the
// window, which looks the same. Later pages and smaller zooms use the same memory.
void TestQRPreview::playsEveryPageIntoTheSameMemory() {
    TTestPrinter printer;
    Fill(*printer, 3);
    TQRStandardPreview window(nullptr, printer.Printer.get());
    window.resize(1024, 740);
    window.show();
    TQRPreviewImage* image = window.QRPreview->PreviewImage();
    QVERIFY(image->PageLoaded());
    const QImage direct = image->grab().toImage();
    const qsizetype reserved = image->Reserved();
    QVERIFY(reserved >= qsizetype(image->width()) * image->height() * 4);
    QVERIFY(image->Prepared() < reserved);
    QTRY_COMPARE(image->Prepared(), reserved);
    QCOMPARE(image->grab().toImage(), direct);

    window.NextPageClick();
    QVERIFY(image->grab().toImage() != direct);
    window.QRPreview->SetZoom(window.QRPreview->Zoom() / 2);
    QVERIFY(!image->grab().toImage().isNull());
    QCOMPARE(image->Reserved(), reserved);
}

void TestQRPreview::zoom_data() {
    QTest::addColumn<bool>("withPrinter");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<TQRZoomState>("state");
    QTest::addColumn<QSize>("image");
    // A4 is 794 x 1123 pixels at 96 per inch; the area is 781 x 476.
    QTest::newRow("A4 fit") << true << "fit" << 40 << qrZoomToFit << QSize(321, 453);
    QTest::newRow("A4 width") << true << "width" << 89 << qrZoomToWidth << QSize(710, 1003);
    QTest::newRow("A4 100") << true << "100" << 100 << qrZoomOther << QSize(798, 1127);
    // Without a printer the letter page counts in millimetres.
    QTest::newRow("no printer fit") << false << "fit" << 162 << qrZoomToFit << QSize(354, 457);
    QTest::newRow("no printer width") << false << "width" << 344 << qrZoomToWidth << QSize(747, 965);
}

void TestQRPreview::zoom() {
    QFETCH(bool, withPrinter);
    QFETCH(QString, action);
    TTestPrinter printer;
    Fill(*printer, 1);
    QCOMPARE(printer->PaperWidthValue(), 2100);
    QCOMPARE(printer->PaperLengthValue(), 2970);
    TQRPreview preview;
    preview.resize(781, 476);
    if (withPrinter) preview.SetQRPrinter(printer.Printer.get());
    if (action == u"fit") preview.ZoomToFit();
    if (action == u"width") preview.ZoomToWidth();
    if (action == u"100") preview.SetZoom(100);
    QTEST(preview.Zoom(), "zoom");
    QTEST(preview.ZoomState(), "state");
    QTEST(preview.PreviewImage()->size(), "image");
    QCOMPARE(preview.PreviewImage()->Zoom, preview.Zoom());
}

void TestQRPreview::zoomStaysWithinItsLimits_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("in");
    QTest::addColumn<int>("to");
    QTest::newRow("in from 1995") << 1995 << true << 1995;
    QTest::newRow("in from 1990") << 1990 << true << 2000;
    QTest::newRow("out from 5") << 5 << false << 5;
    QTest::newRow("out from 12") << 12 << false << 2;
    QTest::newRow("in from 95") << 95 << true << 105;
}

void TestQRPreview::zoomStaysWithinItsLimits() {
    QFETCH(int, from);
    QFETCH(bool, in);
    TTestPrinter printer;
    Fill(*printer, 1);
    TQRStandardPreview window(nullptr, printer.Printer.get());
    window.QRPreview->SetZoom(from);
    QCOMPARE(window.QRPreview->Zoom(), from);
    in ? window.ZoomMaisClick() : window.ZoomMenosClick();
    QTEST(window.QRPreview->Zoom(), "to");
    window.QRPreview->SetZoom(1);
    window.QRPreview->SetZoom(2001);
    QTEST(window.QRPreview->Zoom(), "to");
}

void TestQRPreview::keys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("page");   // from page 5 of 12
    QTest::addColumn<int>("zoom");   // from 50
    QTest::addColumn<QPoint>("scroll");  // from (0, 0); -1 for the scroll bar's end

    const auto none = Qt::KeyboardModifiers();
    QTest::newRow("Page Up") << int(Qt::Key_PageUp) << none << 4 << 50 << QPoint(0, 0);
    QTest::newRow("Ctrl+Page Up") << int(Qt::Key_PageUp) << Qt::KeyboardModifiers(Qt::ControlModifier) << 1 << 50
                                  << QPoint(0, 0);
    QTest::newRow("Shift+Page Up") << int(Qt::Key_PageUp) << Qt::KeyboardModifiers(Qt::ShiftModifier) << 4 << 50
                                   << QPoint(0, 0);
    QTest::newRow("Ctrl+Shift+Page Up") << int(Qt::Key_PageUp)
                                        << Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier) << 4 << 50
                                        << QPoint(0, 0);
    QTest::newRow("Page Down") << int(Qt::Key_PageDown) << none << 6 << 50 << QPoint(0, 0);
    QTest::newRow("Ctrl+Page Down") << int(Qt::Key_PageDown) << Qt::KeyboardModifiers(Qt::ControlModifier) << 12
                                    << 50 << QPoint(0, 0);
    QTest::newRow("Home") << int(Qt::Key_Home) << none << 1 << 50 << QPoint(0, 0);
    QTest::newRow("End") << int(Qt::Key_End) << none << 12 << 50 << QPoint(0, 0);
    QTest::newRow("keypad +") << int(Qt::Key_Plus) << Qt::KeyboardModifiers(Qt::KeypadModifier) << 5 << 60
                              << QPoint(0, 0);
    QTest::newRow("Alt+keypad +") << int(Qt::Key_Plus) << Qt::KeyboardModifiers(Qt::AltModifier | Qt::KeypadModifier)
                                  << 5 << 100 << QPoint(0, 0);
    QTest::newRow("keypad -") << int(Qt::Key_Minus) << Qt::KeyboardModifiers(Qt::KeypadModifier) << 5 << 40
                              << QPoint(0, 0);
    QTest::newRow("Alt+keypad -") << int(Qt::Key_Minus)
                                  << Qt::KeyboardModifiers(Qt::AltModifier | Qt::KeypadModifier) << 5 << 89
                                  << QPoint(0, 0);
    QTest::newRow("Down") << int(Qt::Key_Down) << none << 5 << 50 << QPoint(0, 8);
    QTest::newRow("Ctrl+Down") << int(Qt::Key_Down) << Qt::KeyboardModifiers(Qt::ControlModifier) << 5 << 50
                               << QPoint(0, -1);
    QTest::newRow("Right") << int(Qt::Key_Right) << none << 5 << 50 << QPoint(8, 0);
}

void TestQRPreview::keys() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QPoint, scroll);
    TTestPrinter printer;
    Fill(*printer, 12);
    TQRStandardPreview window(nullptr, printer.Printer.get());
    window.resize(781, 544);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.SelectPage(5);
    // 50 % leaves the page taller than the area; wide enough to scroll sideways it is made by 240 %.
    window.QRPreview->SetZoom(scroll.x() != 0 ? 240 : 50);
    QCoreApplication::processEvents();
    if (scroll.x() == 0) window.QRPreview->SetZoom(50);
    QTest::keyClick(window.QRPreview->viewport(), Qt::Key(key), modifiers);
    QTEST(window.QRPreview->PageNumber(), "page");
    QCOMPARE(window.StatusPanelText(1), QStringLiteral("Página %1 de 12").arg(window.QRPreview->PageNumber()));
    if (scroll.x() == 0) QTEST(window.QRPreview->Zoom(), "zoom");
    QScrollBar* vertical = window.QRPreview->verticalScrollBar();
    QCOMPARE(window.QRPreview->horizontalScrollBar()->value(), scroll.x());
    QCOMPARE(vertical->value(), scroll.y() < 0 ? std::min(704, vertical->maximum()) : scroll.y());
}

void TestQRPreview::progressShowsAbortAndHoldsExit() {
    TTestPrinter printer;
    TQRStandardPreview window(nullptr, printer.Printer.get());
    window.show();
    struct Step {
        int progress;
        const char* panel;
        bool exitEnabled;
        bool abortVisible;
        bool barVisible;
    };
    const Step steps[] = {
        {3, "0%", true, false, false},     // below the 5 % step: nothing shown yet
        {10, "10%", false, true, true},    // the previous value was running: Sair held
        {12, "10%", false, true, true},
        {15, "15%", false, true, true},
        {100, "", true, false, false},     // the end clears the panel and gives Sair back
    };
    for (const Step& step : steps) {
        window.QRPreviewProgressUpdate(window.QRPreview, step.progress);
        QCOMPARE(window.StatusPanelText(0), QString::fromLatin1(step.panel));
        QCOMPARE(window.ExitButton->isEnabled(), step.exitEnabled);
        QCOMPARE(window.SpeedButton1->isVisible(), step.abortVisible);
        QCOMPARE(window.ProgressBar1->isVisible(), step.barVisible);
        if (step.barVisible) QCOMPARE(QString::number(window.ProgressBar1->value()) + u'%', step.panel);
    }
}

void TestQRPreview::everyWayOfClosingStopsTheRun_data() {
    QTest::addColumn<QString>("way");
    for (const char* way : {"Sair", "Abortar", "Esc", "close box"}) QTest::newRow(way) << QString::fromLatin1(way);
}

// Closing while pages are still generated closes the window at once and tells the run
// that nobody watches it any more; closing a finished run closes it without cancelling.
void TestQRPreview::everyWayOfClosingStopsTheRun() {
    QFETCH(QString, way);
    const auto closeBy = [&way](TQRStandardPreview& window) {
        if (way == u"Sair") window.ExitClick();
        else if (way == u"Abortar") window.SpeedButton1Click();
        else if (way == u"Esc") QTest::keyClick(&window, Qt::Key_Escape);
        else window.close();
    };
    TTestPrinter printer;
    printer->BeginDoc();
    printer->NewPage();
    DrawPage(*printer, 1);
    {
        TQRStandardPreview window(nullptr, printer.Printer.get());
        window.show();
        QVERIFY(printer->GetShowingPreview());
        closeBy(window);
        QVERIFY(!window.isVisible());
        QVERIFY(printer->GetCancelled());
        QVERIFY(!printer->GetShowingPreview());
        QCOMPARE(static_cast<QObject*>(printer->PreviewWindow), nullptr);
    }
    printer->EndDoc();
    TTestPrinter finished;
    Fill(*finished, 2);
    TQRStandardPreview window(nullptr, finished.Printer.get());
    window.show();
    closeBy(window);
    QVERIFY(!window.isVisible());
    QVERIFY(!finished->GetCancelled());
}

void TestQRPreview::pageRanges_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("jobs");  // first-last:pages per job
    QTest::addColumn<QString>("message");
    QTest::newRow("four jobs") << "1;3;5-12;16" << "1-1:1 3-3:1 5-12:8 16-16:1" << "";
    QTest::newRow("closing semicolon") << "2-3;" << "2-3:2" << "";
    QTest::newRow("not a number stops") << "2;x;4" << "2-2:1" << "'x' não é um valor inteiro válido";
    QTest::newRow("empty") << "" << "" << "";
    QTest::newRow("cancelled") << "<cancel>" << "" << "";
}

void TestQRPreview::pageRanges() {
    QFETCH(QString, answer);
    QFETCH(QString, message);
    TDialogAnswers answers;
    answers.InputAnswers << answer;
    TTestPrinter printer;
    Fill(*printer, 16);
    TQRStandardPreview window(nullptr, printer.Printer.get());
    window.Tb_IntervaloClick();
    QCOMPARE(answers.Prompts.value(0),
             QStringLiteral("Imprimir Intervalo de Página: |Separe com ponte-e-virgula os números e/ou\rintervalos "
                            "de páginas a serem impressos\rEx.: 1;3;5-12;16 \r\rDigitar Intervalo: |"));
    QStringList jobs;
    for (const TJob& job : printer.Jobs) jobs << QStringLiteral("%1-%2:%3").arg(job.First).arg(job.Last).arg(job.Pages);
    QTEST(jobs.join(u' '), "jobs");
    QCOMPARE(answers.Messages.value(0).section(u'|', 1), message);
    // Each entry's range was for its own job: a print afterwards prints every page again.
    QCOMPARE(printer->FirstPage, 0);
    QCOMPARE(printer->LastPage, 0);
    const size_t before = printer.Jobs.size();
    window.PrintClick();
    QCOMPARE(printer.Jobs.size(), before + 1);
    QCOMPARE(printer.Jobs.back().Pages, 16);
}

void TestQRPreview::searchFindsTheNextPageAndStartsOver() {
    TDialogAnswers answers;
    TTestPrinter printer;
    Fill(*printer, 12, [](int page) {
        if (page == 2) return QStringList{QStringLiteral("Código ALFA do lote")};
        if (page == 5) return QStringList{QStringLiteral("código alfa")};
        if (page == 12) return QStringList{QStringLiteral("Alfa final")};
        return QStringList();
    });
    TQRStandardPreview window(nullptr, printer.Printer.get());
    const QString notFound = QStringLiteral("Pesquisar Texto|Nenhuma ocorrência foi encontrada para a Pesquisa");
    struct Step {
        const char* answer;
        int page;  // the page shown afterwards
        bool notFound;
    };
    const Step steps[] = {
        {"alfa", 2, false},  {"alfa", 5, false},  {"alfa", 12, false},
        {"alfa", 2, false},   // after a hit on the last page the search starts over
        {"alfa|exact", 5, false},
        {"alfa|exact", 5, true},   // no lower-case "alfa" after page 5
        {"alfa|exact", 5, false},  // and then it starts over from the first page
        {"DESCRIÇÃO", 1, false},   // accented letters are upper-cased too
        {"inexistente", 1, true},
        {"", 1, true},
    };
    int messages = 0;
    for (const Step& step : steps) {
        answers.SearchAnswers << QString::fromUtf8(step.answer);
        window.ToolButton3Click();
        QCOMPARE(window.QRPreview->PageNumber(), step.page);
        if (step.notFound) ++messages;
        QCOMPARE(answers.Messages.size(), messages);
        if (step.notFound) QCOMPARE(answers.Messages.last(), notFound);
    }
    // The dialog comes up with the last text searched.
    QCOMPARE(answers.SearchOffered.value(1), QStringLiteral("alfa"));
    QCOMPARE(window.StatusPanelText(1), QStringLiteral("Página 1 de 12"));

    // A cancelled search changes nothing.
    answers.SearchAnswers << QStringLiteral("<cancel>");
    window.SelectPage(3);
    window.ToolButton3Click();
    QCOMPARE(window.QRPreview->PageNumber(), 3);
    QCOMPARE(window.LastSearchText, QString());
}

void TestQRPreview::searchMarksTheHitOnThePage() {
    TDialogAnswers answers;
    TTestPrinter printer;
    Fill(*printer, 6, [](int page) {
        if (page == 2) return QStringList{QStringLiteral("Código ALFA do lote")};
        if (page == 5) return QStringList{QStringLiteral("alfa")};
        return QStringList();
    });
    TQRStandardPreview window(nullptr, printer.Printer.get());
    window.resize(781, 544);
    window.Show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    TQRPreviewImage* image = window.QRPreview->PreviewImage();
    const auto yellowish = [](QRgb p) { return qRed(p) > 200 && qGreen(p) > 150 && qBlue(p) < qRed(p) - 60; };
    // How many pixels inside the mark are in its colour (the letters under it stay dark).
    const auto marked = [&](const QImage& shot, const QRect& mark) {
        int count = 0;
        for (int y = mark.top() + 1; y < mark.bottom(); ++y)
            for (int x = mark.left() + 1; x < mark.right(); ++x) count += yellowish(shot.pixel(x, y)) ? 1 : 0;
        return count;
    };

    window.SelectPage(2);
    answers.SearchAnswers << QStringLiteral("alfa");
    window.ToolButton3Click();
    QCOMPARE(window.QRPreview->PageNumber(), 2);
    // Only the word found is marked, not the whole line it is in.
    const std::optional<QRectF> hit = TQRStandardPreview::FindInMetafile(u"alfa"_s, *printer->GetPage(2), false);
    QVERIFY(hit && !hit->isEmpty());
    QRectF line;
    for (const TQREmfPlayer::TextRecord& record : TQREmfPlayer::Texts(printer->GetPage(2)->Data()))
        if (record.Text.contains(u"ALFA"_s)) line = record.Bounds;
    QVERIFY(line.contains(*hit));
    QVERIFY(hit->left() > line.left() + line.width() / 4);
    QVERIFY(hit->width() < line.width() / 2);

    for (const int zoom : {40, 100, 250}) {
        window.QRPreview->SetZoom(zoom);
        QCoreApplication::processEvents();
        const QRect mark = image->HighlightRect();
        QVERIFY2(!mark.isEmpty(), qPrintable(QString::number(zoom)));
        // The mark is scrolled into view when searched; at other zooms bring it there.
        window.QRPreview->ensureVisible(mark.center().x(), mark.center().y());
        const QImage shot = image->grab().toImage();
        if (zoom == 100) QVERIFY(window.grab().save(ScreenshotPath(u"preview_pesquisa_marcada.png"_s)));
        const int area = (mark.width() - 2) * (mark.height() - 2);
        QVERIFY2(marked(shot, mark) > area / 3, qPrintable(QString::number(zoom)));
        // Nothing else on the page is in that colour.
        QCOMPARE(marked(shot, image->rect()), marked(shot, mark));
    }

    // The next search moves the mark to the next hit; the page before shows none then.
    window.QRPreview->SetZoom(100);
    answers.SearchAnswers << QStringLiteral("alfa");
    window.ToolButton3Click();
    QCOMPARE(window.QRPreview->PageNumber(), 5);
    QCoreApplication::processEvents();
    const QRect moved = image->HighlightRect();
    QVERIFY(!moved.isEmpty());
    // The search scrolled the mark into view.
    const QRect visible(-image->pos(), window.QRPreview->viewport()->size());
    QVERIFY(visible.contains(moved));
    QVERIFY(marked(image->grab().toImage(), moved) > 0);
    window.SelectPage(2);
    QCoreApplication::processEvents();
    QVERIFY(image->HighlightRect().isEmpty());
    QCOMPARE(marked(image->grab().toImage(), image->rect()), 0);
    // A search without a hit leaves no mark.
    window.SelectPage(5);
    answers.SearchAnswers << QStringLiteral("inexistente");
    window.ToolButton3Click();
    QVERIFY(image->HighlightRect().isEmpty());
    window.ExitClick();
}

void TestQRPreview::goToPage_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("page");
    QTest::newRow("seven") << "7" << 7;
    QTest::newRow("last") << "12" << 12;
    QTest::newRow("leading blanks and trailing text") << "  9ª" << 9;
    QTest::newRow("zero") << "0" << 1;
    QTest::newRow("negative") << "-3" << 1;
    QTest::newRow("too large") << "13" << 1;
    QTest::newRow("huge") << "99999999999999999999" << 1;
    QTest::newRow("text") << "abc" << 1;
    QTest::newRow("cancelled") << "<cancel>" << 1;
}

void TestQRPreview::goToPage() {
    QFETCH(QString, answer);
    TDialogAnswers answers;
    answers.InputAnswers << answer;
    TTestPrinter printer;
    Fill(*printer, 12);
    TQRStandardPreview window(nullptr, printer.Printer.get());
    window.SelectPage(4);
    window.SaltarPaginaClick();
    QTEST(window.QRPreview->PageNumber(), "page");
    QCOMPARE(answers.Prompts.value(0), QStringLiteral("Saltar para a Página: |Número da Página >>|1"));
    QCOMPARE(window.StatusPanelText(1), QStringLiteral("Página %1 de 12").arg(window.QRPreview->PageNumber()));
}

void TestQRPreview::savesAPageFileThatAnotherPreviewLoadsAndPrints() {
    QTemporaryDir dir;
    TDialogAnswers answers;
    answers.SaveName = dir.filePath(QStringLiteral("relatorio.qrp"));
    answers.SaveFilter = 1;
    TTestPrinter source;
    Fill(*source, 3);
    {
        TQRStandardPreview window(nullptr, source.Printer.get());
        window.SaveClick();
    }
    QCOMPARE(answers.SaveAsked.value(0),
             QStringLiteral("Salvar Arquivo||QRP|Arquivos de Relatório QRP (*.qrp)|*.qrp;;Arquivos Texto "
                            "Txt(*.txt)|*.txt;;Arquivos Wmf(*.wmf)|*.wmf;;Arquivos Word Rtf(*.rtf)|*.rtf;;Arquivos "
                            "Excel(*.xls)|*.xls;;Arquivos PDF(*.pdf)|*.pdf"));
    QVERIFY(QFileInfo(answers.SaveName).size() > 0);

    TTestPrinter viewer;
    Fill(*viewer, 5);
    TQRStandardPreview window(nullptr, viewer.Printer.get());
    window.SelectPage(4);
    window.QRPreview->SetZoom(30);
    answers.OpenName = answers.SaveName;
    window.LoadClick();
    QCOMPARE(answers.OpenAsked.value(0), QStringLiteral("Abrir Arquivo|Arquivos de Relatório QRP (*.QRP)|*.QRP"));
    QVERIFY(answers.Messages.isEmpty());
    QCOMPARE(window.StatusPanelText(1), QStringLiteral("Página 1 de 3"));
    QVERIFY(window.QRPreview->PreviewImage()->PageLoaded());
    QCOMPARE(window.QRPreview->ZoomState(), qrZoomToWidth);
    QVERIFY(!window.PrintSetup->isEnabled());
    QVERIFY(window.Print->isEnabled());
    QVERIFY(viewer->GetLoadedFromFile());
    const QByteArray shown = window.QRPreview->PreviewImage()->Page()->Data();
    QCOMPARE(shown, source->GetPage(1)->Data());

    window.PrintClick();
    QCOMPARE(viewer.Jobs.size(), size_t(1));
    QCOMPARE(viewer.Jobs[0].Pages, 3);

    // A loaded file cannot be exported: the window says so instead of writing nothing.
    answers.SaveName = dir.filePath(QStringLiteral("relatorio.pdf"));
    answers.SaveFilter = 6;
    window.SaveClick();
    QVERIFY(answers.Messages.value(0).contains(QStringLiteral("carregado de arquivo")));
    QVERIFY(!QFile::exists(answers.SaveName));
}

void TestQRPreview::printingWithTheServiceDownSaysWhy_data() {
    QTest::addColumn<QString>("command");
    for (const char* command : {"button", "F6", "range"}) QTest::newRow(command) << QString::fromLatin1(command);
}

void TestQRPreview::printingWithTheServiceDownSaysWhy() {
    QFETCH(QString, command);
    TDialogAnswers answers;
    answers.InputAnswers << QStringLiteral("1-2");
    TQRPrinter printer;  // on the platform's printers: none, the service does not answer
    QVERIFY(!printer.GetPrintersInstalled());
    Fill(printer, 2);
    TQRStandardPreview window(nullptr, &printer);
    QVERIFY(window.Print->isEnabled());
    if (command == u"button") window.Print->click();
    else if (command == u"F6") QTest::keyClick(&window, Qt::Key_F6);
    else window.Tb_IntervaloClick();
    QCOMPARE(answers.Messages.size(), 1);
    QCOMPARE(answers.Messages[0].section(u'|', 1),
             QStringLiteral("Não é possível imprimir: o serviço de impressão não está respondendo. Verifique se o "
                            "serviço de impressão (CUPS) está em execução e tente novamente."));
    // No range was asked for what cannot be printed.
    QVERIFY(answers.Prompts.isEmpty());
    QCOMPARE(window.QRPreview->PageNumber(), 1);
}

void TestQRPreview::loadingAMissingFileSaysSo() {
    QTemporaryDir dir;
    TDialogAnswers answers;
    TTestPrinter printer;
    Fill(*printer, 2);
    TQRStandardPreview window(nullptr, printer.Printer.get());
    answers.OpenName = dir.filePath(QStringLiteral("nao-existe.qrp"));
    window.LoadClick();
    QCOMPARE(answers.Messages.size(), 1);
    QVERIFY(answers.Messages[0].endsWith(QStringLiteral("|O arquivo não existe.")));
    QCOMPARE(window.StatusPanelText(1), QStringLiteral("Página 1 de 2"));

    // A file that is not a page file (or a damaged one) is refused with the page store's
    // message, and the report on screen stays as it was.
    window.SelectPage(2);
    QFile bad(dir.filePath(QStringLiteral("ruim.qrp")));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(300, 'x'));
    bad.close();
    QFile cut(dir.filePath(QStringLiteral("cortado.qrp")));
    printer->Save(cut.fileName());
    QVERIFY(cut.resize(cut.size() - 40));
    for (const QString& file : {bad.fileName(), cut.fileName()}) {
        answers.OpenName = file;
        const qsizetype before = answers.Messages.size();
        window.LoadClick();
        QCOMPARE(answers.Messages.size(), before + 1);
        QVERIFY(!answers.Messages.last().endsWith(QStringLiteral("|O arquivo não existe.")));
        QCOMPARE(window.StatusPanelText(1), QStringLiteral("Página 2 de 2"));
        QCOMPARE(printer->GetPageCount(), 2);
        QVERIFY(window.QRPreview->PreviewImage()->PageLoaded());
        QVERIFY(!printer->GetLoadedFromFile());
        QVERIFY(window.Print->isEnabled());
    }
}

void TestQRPreview::everyCommandStaysReachable_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("generating");
    QTest::newRow("781") << 781 << false;
    QTest::newRow("781 generating") << 781 << true;
    QTest::newRow("500") << 500 << false;
    QTest::newRow("500 generating") << 500 << true;
    QTest::newRow("200") << 200 << false;
}

// Every button is on the toolbar, whole, or in the menu of the overflow button at its end.
void TestQRPreview::everyCommandStaysReachable() {
    QFETCH(int, width);
    QFETCH(bool, generating);
    TTestPrinter printer;
    Fill(*printer, 3);
    TQRStandardPreview window(nullptr, printer.Printer.get());
    window.resize(width, 500);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (generating) {
        window.QRPreviewProgressUpdate(window.QRPreview, 10);
        window.QRPreviewProgressUpdate(window.QRPreview, 20);
    }
    QMenu* menu = window.Overflow->menu();
    QVERIFY(menu);
    QStringList inMenu;
    if (window.Overflow->isVisible()) {
        QVERIFY(window.Overflow->geometry().right() < window.ToolBar1->width());
        QMetaObject::invokeMethod(menu, "aboutToShow");
        for (QAction* action : menu->actions()) inMenu << action->text();
    }
    QVERIFY(window.grab().save(ScreenshotPath(QStringLiteral("preview_%1.png").arg(width))));
    int reachable = 0;
    for (QToolButton* button : window.ToolBar1->findChildren<QToolButton*>()) {
        if (button == window.Overflow) continue;
        if (button == window.SpeedButton1 && !generating) continue;
        if (button->isVisible()) {
            const int end = window.Overflow->isVisible() ? window.Overflow->x() : window.ToolBar1->width();
            QVERIFY2(button->geometry().right() < end, qPrintable(button->objectName()));
            ++reachable;
        } else {
            QVERIFY2(std::any_of(inMenu.begin(), inMenu.end(),
                                 [button](const QString& text) { return text.endsWith(button->toolTip()); }),
                     qPrintable(button->objectName()));
            ++reachable;
        }
    }
    QCOMPARE(reachable, generating ? 18 : 17);
    QCOMPARE(window.Overflow->isVisible(), width < 781 || (generating && width < 650));
    if (!inMenu.isEmpty()) {
        // A command from the menu does what its button does: Sair (Abortar while generating) closes.
        QAction* last = menu->actions().last();
        QVERIFY(last->text().contains(generating ? u"Abortar"_s : u"Sair"_s));
        last->trigger();
        QVERIFY(!window.isVisible());
    }
}

void TestQRPreview::ctrlWheelZoomsAroundThePointer_data() {
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("zoom");
    QTest::newRow("in") << 120 << int(Qt::ControlModifier) << 110;
    QTest::newRow("out") << -120 << int(Qt::ControlModifier) << 90;
    QTest::newRow("without Ctrl it scrolls") << -120 << int(Qt::NoModifier) << 100;
    QTest::newRow("Ctrl+Shift does not zoom") << 120 << int(Qt::ControlModifier | Qt::ShiftModifier) << 100;
}

void TestQRPreview::ctrlWheelZoomsAroundThePointer() {
    QFETCH(int, delta);
    QFETCH(int, modifiers);
    TTestPrinter printer;
    Fill(*printer, 2);
    TQRStandardPreview window(nullptr, printer.Printer.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.QRPreview->SetZoom(100);
    QCOMPARE(window.StatusPanelText(2), QStringLiteral("Zoom: 100%"));
    window.QRPreview->verticalScrollBar()->setValue(200);
    QWidget* viewport = window.QRPreview->viewport();
    QWidget* image = window.QRPreview->PreviewImage();
    const QPoint pointer(300, 150);
    const auto fraction = [&] {
        const QRectF g = image->geometry();
        return QPointF((pointer.x() - g.left()) / g.width(), (pointer.y() - g.top()) / g.height());
    };
    const QPointF before = fraction();
    QWheelEvent wheel(QPointF(pointer), QPointF(viewport->mapToGlobal(pointer)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::KeyboardModifiers(modifiers), Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(viewport, &wheel);
    QTEST(window.QRPreview->Zoom(), "zoom");
    QCOMPARE(window.StatusPanelText(2), QStringLiteral("Zoom: %1%").arg(window.QRPreview->Zoom()));
    if (window.QRPreview->Zoom() != 100) {
        // The point of the page under the pointer is still under it (to a pixel), along each
        // direction in which the page is larger than the area (else the page is centred).
        const QPointF after = fraction();
        if (image->width() > viewport->width())
            QVERIFY2(qAbs(after.x() - before.x()) * image->width() <= 1.5, qPrintable(QString::number(after.x())));
        QVERIFY(image->height() > viewport->height());
        QVERIFY2(qAbs(after.y() - before.y()) * image->height() <= 1.5, qPrintable(QString::number(after.y())));
    }
}

void TestQRPreview::pageTextIsNeverCut_data() {
    QTest::addColumn<int>("pages");
    QTest::newRow("1") << 1;
    QTest::newRow("12") << 12;
    QTest::newRow("652") << 652;
    QTest::newRow("5200") << 5200;
}

void TestQRPreview::pageTextIsNeverCut() {
    QFETCH(int, pages);
    TTestPrinter printer;
    Fill(*printer, pages);
    TQRStandardPreview window(nullptr, printer.Printer.get());
    window.show();
    window.LastPageClick();
    QCOMPARE(window.StatusPanelText(1), QStringLiteral("Página %1 de %1").arg(pages));
    QLabel* panel = window.StatusPanels[1];
    QVERIFY(panel->width() >= 90);
    QVERIFY2(panel->width() >= panel->sizeHint().width(), qPrintable(QString::number(panel->width())));
    // The panels follow one another without overlapping.
    QVERIFY(window.StatusPanels[2]->x() >= panel->geometry().right());
}

void TestQRPreview::saveDispatchesToTheExportFilters_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("exported");  // file name:format of the export, if any
    QTest::addColumn<QString>("saved");     // the page file written, if any
    QTest::addColumn<QString>("message");
    QTest::newRow("text") << "saida.txt" << 2 << "saida.txt:txt" << "" << "";
    QTest::newRow("metafile") << "saida.wmf" << 3 << "saida.wmf:wmf" << "" << "";
    QTest::newRow("pdf") << "saida.pdf" << 6 << "saida.pdf:pdf" << "" << "";
    // The extension typed names the format, whatever entry is chosen.
    QTest::newRow("pdf typed, page-file entry") << "typed.pdf" << 1 << "typed.pdf:pdf" << "" << "";
    QTest::newRow("TXT typed, pdf entry") << "saida.TXT" << 6 << "saida.TXT:txt" << "" << "";
    QTest::newRow("qrp typed, text entry") << "saida.qrp" << 2 << "" << "saida.qrp" << "";
    // Without one the entry decides and gives its extension.
    QTest::newRow("no extension, text entry") << "saida" << 2 << "saida.txt:txt" << "" << "";
    QTest::newRow("no extension, page-file entry") << "saida" << 1 << "" << "saida.qrp" << "";
    QTest::newRow("trailing dot, pdf entry") << "saida." << 6 << "saida.pdf:pdf" << "" << "";
    // An extension the dialog does not offer stays, in the chosen entry's format.
    QTest::newRow("other extension, metafile entry") << "saida.v2" << 3 << "saida.v2:wmf" << "" << "";
    // A filter that had to write "?" for characters says so after the file is written.
    QTest::newRow("pdf with characters replaced")
        << "trocas.pdf" << 6 << "trocas.pdf:pdf" << ""
        << "O relatório foi exportado, mas 2 caracteres não existem na página de código do formato "
           "(Windows-1252) e foram gravados como \"?\".";
    QTest::newRow("rtf not installed") << "saida.rtf" << 1 << "" << ""
                                       << "O formato Word (RTF) não está disponível: o filtro de exportação não "
                                          "foi instalado.";
    QTest::newRow("xls not installed") << "saida.xls" << 5 << "" << ""
                                       << "O formato Excel (XLS) não está disponível: o filtro de exportação não "
                                          "foi instalado.";
}

void TestQRPreview::saveDispatchesToTheExportFilters() {
    QFETCH(QString, typed);
    QFETCH(int, entry);
    QFETCH(QString, saved);
    QFETCH(QString, message);
    TQRExportFilterLibrary& library = TQRExportFilterLibrary::Instance();
    for (const char* extension : {"txt", "wmf", "pdf"}) {
        const QString ext = QString::fromLatin1(extension);
        library.AddFilter([ext](const QString& name) { return std::make_unique<NoteFilter>(name, ext); });
    }
    QTemporaryDir dir;
    TDialogAnswers answers;
    answers.SaveName = dir.filePath(typed);
    answers.SaveFilter = entry;
    TTestPrinter printer;
    Fill(*printer, 2);
    QStringList exported;
    printer->OnExportToFilter = [&](TQRExportFilter* filter) {
        exported << QFileInfo(filter->FileName).fileName() + u':' + filter->GetExtension();
        if (filter->FileName.contains(QStringLiteral("trocas"))) filter->ReplacedCharacters = 2;
    };
    TQRStandardPreview window(nullptr, printer.Printer.get());
    window.SaveClick();
    for (const char* extension : {"txt", "wmf", "pdf"})
        library.RemoveFilter(QStringLiteral("Filtro de teste ") + QString::fromLatin1(extension));
    QTEST(exported.join(u' '), "exported");
    QCOMPARE(answers.Messages.value(0).section(u'|', 1), message);
    // Only the page file is written here (the filters only take note): it is there and nothing else.
    QStringList written = QDir(dir.path()).entryList(QDir::Files);
    QCOMPARE(written.join(u' '), saved);
    if (!saved.isEmpty()) QVERIFY(QFileInfo(dir.filePath(saved)).size() > 0);
}

void TestQRPreview::progressFormFollowsThePrinter() {
    TTestPrinter printer;
    TQRStandardPreviewInterface preview;
    std::unique_ptr<QObject> object =
        preview.CreateProgressForm(printer.Printer.get(), QStringLiteral("Imprimindo Relatório..."));
    auto* form = qobject_cast<TQRProgressForm*>(object.get());
    QVERIFY(form != nullptr);
    QCOMPARE(form->windowTitle(), QStringLiteral("Imprimindo Relatório..."));
    QCOMPARE(form->size(), QSize(149, 97));
    QCOMPARE(form->Gauge->geometry(), QRect(16, 18, 114, 16));
    QCOMPARE(form->CancelButton->text(), QStringLiteral("Cancel"));
    QVERIFY(form->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(QMetaObject::invokeMethod(form, "show"));

    printer->PreviewWindow = form;
    printer->SetProgress(25);
    QCoreApplication::processEvents();
    QCOMPARE(form->Gauge->value(), 25);
    QCOMPARE(form->Info->text(), QStringLiteral("25%  Completed"));
    printer->SetProgress(27);  // shown only at multiples of 5
    QCoreApplication::processEvents();
    QCOMPARE(form->Gauge->value(), 25);
    QVERIFY(form->grab().save(ScreenshotPath(QStringLiteral("preview_progresso.png"))));
    QVERIFY(!printer->GetCancelled());
    QTest::mouseClick(form->CancelButton, Qt::LeftButton);
    QVERIFY(printer->GetCancelled());
    printer->PreviewWindow = nullptr;
}

void TestQRPreview::looksLikeAPreview() {
    TTestPrinter printer;
    printer->SetTitle(QStringLiteral("Relatório de Propostas"));
    Fill(*printer, 3);
    TQRStandardPreview window(nullptr, printer.Printer.get());
    window.resize(781, 544);
    window.Show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.QRPreview->ZoomToWidth();
    window.SelectPage(2);
    QCoreApplication::processEvents();

    // The layout's fixed parts.
    QCOMPARE(window.ToolBar1->height(), 36);
    QCOMPARE(window.StatusBar->height(), 19);
    QCOMPARE(window.QRPreview->geometry().top(), 36);
    QCOMPARE(window.QRPreview->palette().color(QPalette::Window), QColor(192, 192, 192));
    QVERIFY(!window.ProgressBar1->isVisible());
    QVERIFY(!window.SpeedButton1->isVisible());
    const QList<QToolButton*> buttons = window.ToolBar1->findChildren<QToolButton*>();
    QCOMPARE(buttons.size(), 19);  // the eighteen commands and the overflow button, hidden here
    QVERIFY(!window.Overflow->isVisible());
    for (QToolButton* button : buttons) {
        if (button == window.Overflow) continue;
        QVERIFY2(!button->toolTip().isEmpty(), qPrintable(button->objectName()));
        QVERIFY2(!button->icon().isNull(), qPrintable(button->objectName()));
    }
    QCOMPARE(window.ExitButton->text(), QStringLiteral("Sair"));
    QCOMPARE(window.LastPage->toolTip(), QStringLiteral("Útima Página (Ctrl + Page Down)"));
    QCOMPARE(window.ExitButton->geometry().width(), 57);
    QCOMPARE(window.StatusPanels[0]->width(), 40);
    QCOMPARE(window.StatusPanels[1]->width(), 90);

    // The sheet: black frame, shadow, white paper, and the page's ink on it.
    TQRPreviewImage* image = window.QRPreview->PreviewImage();
    const QImage sheet = image->grab().toImage();
    const int w = sheet.width();
    const int h = sheet.height();
    QVERIFY(IsBlack(sheet.pixel(0, h / 2)));
    QVERIFY(IsBlack(sheet.pixel(w - 3, h / 2)));
    QVERIFY(IsBlack(sheet.pixel(w / 2, h - 3)));
    QVERIFY(IsBlack(sheet.pixel(w - 1, h / 2)));  // shadow
    QVERIFY(IsBlack(sheet.pixel(w / 2, h - 1)));
    int ink = 0;
    int paper = 0;
    for (int y = 5; y < h - 5; y += 2)
        for (int x = 5; x < w - 5; x += 2) {
            const QRgb pixel = sheet.pixel(x, y);
            if (pixel == qRgb(255, 255, 255))
                ++paper;
            else
                ++ink;
        }
    QVERIFY2(ink > 500, qPrintable(QString::number(ink)));
    QVERIFY(paper > 10 * ink);

    QVERIFY(window.grab().save(ScreenshotPath(QStringLiteral("preview_janela.png"))));
    TSearchDlg search(&window);
    search.Edit1->setText(QStringLiteral("Descrição"));
    QCOMPARE(search.size(), QSize(305, 118));
    QVERIFY(search.grab().save(ScreenshotPath(QStringLiteral("preview_pesquisa.png"))));
}

QTEST_MAIN(TestQRPreview)
#include "tst_qrpreview.moc"
