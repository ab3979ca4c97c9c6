// The preview while a report of about 2,000 pages is generated: time from the
// start of the run to the first page painted in the window, and the longest gap
// of a 1 ms timer on the user-interface thread while the rest is generated (the
// longest the window stays unresponsive). The report is the program's proposal
// report of a 15,400-item process, shown with PreviewModal as "Relatorio" shows
// it; beside it, 2,000 list pages drawn by a worker into a standard preview,
// and Qt's own QPrintPreviewWidget over such pages, which lays out every page
// before it shows the first. Then the cost of turning pages and repainting.
#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

#include <sys/resource.h>

#include "BenchProcesso.h"
#include "report/UNT_QRP_Propostas.h"
#include "report_engine/model/TQuickRep.h"
#include "report_engine/preview/TQRPreview.h"
#include "report_engine/preview/TQRStandardPreview.h"
#include "report_engine/preview/TQRStandardPreviewInterface.h"
#include "report_engine/printer/TQRPrinter.h"

using namespace quorin;

namespace {

constexpr int kPages = 2000;
constexpr int kProposalLots = 154;  // of 100 items: about 2,000 pages
constexpr int kRuns = 3;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One page of a list report: a header, 45 rows of four columns, a footer.
void DrawListPage(TQRCanvas& canvas, const std::function<int(double)>& x, const std::function<int(double)>& y,
                  int page) {
    canvas.Font.Size = 12;
    canvas.Font.Bold = true;
    canvas.TextOut(x(100), y(100), QStringLiteral("Relação de Itens da Proposta"));
    canvas.Font.Size = 9;
    canvas.Font.Bold = false;
    canvas.MoveTo(x(100), y(170));
    canvas.LineTo(x(2000), y(170));
    for (int row = 0; row < 45; ++row) {
        const int item = (page - 1) * 45 + row + 1;
        const int top = y(200 + row * 55);
        canvas.TextOut(x(100), top, QString::number(item));
        canvas.TextOut(x(300), top, QStringLiteral("Caneta esferográfica azul, caixa com 50 unidades %1").arg(item));
        canvas.TextOut(x(1500), top, QStringLiteral("CX"));
        canvas.TextAlign = TAlignment::taRightJustify;
        canvas.TextOut(x(2000), top, QStringLiteral("%1,0000").arg(item * 37 % 100000));
        canvas.TextAlign = TAlignment::taLeftJustify;
    }
    canvas.TextOut(x(900), y(2800), QStringLiteral("Página %1").arg(page));
}

struct TFigures {
    double firstPageMs = 0;
    double longestStallMs = 0;
    double stallWorkMs = 0;  // of the longest stall, the time the window's thread ran
    double firstPaintMs = 0;
    double totalMs = 0;
    int pages = 0;
};

// Processor time of the calling thread, in milliseconds.
double ThreadCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// The longest time the event loop went without running a 1 ms timer, with
// the processor time the loop's thread had in it (the rest it waited for a
// core), and the time since Start; `each` runs on every tick of that timer.
struct TLoopWatch {
    QElapsedTimer clock;
    QElapsedTimer gap;
    double gapCpu = 0;
    double longest = 0;
    double longestCpu = 0;
    QTimer ticker;

    void Start(const std::function<void()>& each) {
        ticker.setInterval(1);
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [this, each] {
            const double cpu = ThreadCpuMs();
            if (const double ms = gap.nsecsElapsed() / 1e6; ms > longest) {
                longest = ms;
                longestCpu = cpu - gapCpu;
            }
            gap.restart();
            gapCpu = cpu;
            each();
        });
        clock.start();
        gap.start();
        gapCpu = ThreadCpuMs();
        ticker.start();
    }
    double Ms() const { return clock.nsecsElapsed() / 1e6; }
};

// Calls start(), which begins a run that ends by itself, while the window shows
// the pages; measures until the run has finished and the loop has caught up.
TFigures Measure(const std::function<void()>& start, const std::function<bool()>& finished,
                 const std::function<TQRPreviewImage*()>& image) {
    TFigures figures;
    bool painted = false;
    TLoopWatch watch;
    watch.Start([&] {
        if (!painted) {
            TQRPreviewImage* shown = image();
            if (shown != nullptr && shown->PageLoaded()) {
                // Paint now, so the figure includes playing the page.
                const double before = watch.Ms();
                shown->repaint();
                painted = true;
                figures.firstPageMs = watch.Ms();
                figures.firstPaintMs = figures.firstPageMs - before;
            }
        }
    });
    start();
    while (!finished() || !painted) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    QCoreApplication::processEvents();
    watch.ticker.stop();
    figures.longestStallMs = watch.longest;
    figures.stallWorkMs = watch.longestCpu;
    figures.totalMs = watch.Ms();
    return figures;
}

// PreviewModal of the program's proposal report, as "Relatorio" shows it:
// from the call to the first page painted, and the longest stall until the
// run has finished.
TFigures ReportRun(const QString& csv) {
    TQRP_Propostas report;
    bench::FillFromCsv(report, csv);

    TFigures figures;
    bool painted = false;
    TLoopWatch watch;
    watch.Start([&] {
        TQRStandardPreview* window = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* preview = qobject_cast<TQRStandardPreview*>(widget); preview && preview->isVisible())
                window = preview;
        if (window == nullptr || window->QRPrinter() == nullptr) return;
        if (!painted && window->QRPreview->PreviewImage()->PageLoaded()) {
            const double before = watch.Ms();
            window->QRPreview->PreviewImage()->repaint();
            painted = true;
            figures.firstPageMs = watch.Ms();
            figures.firstPaintMs = figures.firstPageMs - before;
        }
        if (painted && window->QRPrinter()->GetStatus() == mpFinished) {
            figures.pages = window->QRPrinter()->GetPageCount();
            figures.totalMs = watch.Ms();
            figures.longestStallMs = watch.longest;
            figures.stallWorkMs = watch.longestCpu;
            watch.ticker.stop();
            window->ExitClick();
        }
    });
    report.PreviewModal();
    return figures;
}

TFigures HandMadeRun() {
    TQRPrinter printer;
    TQRStandardPreview window(nullptr, &printer);
    window.resize(1024, 740);
    window.Show();
    std::thread worker;
    std::atomic<bool> done{false};
    const TFigures figures = Measure(
        [&] {
            worker = std::thread([&] {
                printer.BeginDoc();
                for (int page = 1; page <= kPages; ++page) {
                    printer.NewPage();
                    DrawListPage(*printer.GetCanvas(), [&](double v) { return printer.XPos(v); },
                                 [&](double v) { return printer.YPos(v); }, page);
                    printer.SetProgress(page * 100 / kPages);
                }
                printer.EndDoc();
                done = true;
            });
        },
        [&] { return done.load(); }, [&] { return window.QRPreview->PreviewImage(); });
    worker.join();
    window.SpeedButton1Click();
    return figures;
}

// Turning pages and repainting on a finished run of the window.
void PageTurns() {
    TQRPrinter printer;
    printer.BeginDoc();
    for (int page = 1; page <= 50; ++page) {
        printer.NewPage();
        DrawListPage(*printer.GetCanvas(), [&](double v) { return printer.XPos(v); },
                     [&](double v) { return printer.YPos(v); }, page);
    }
    printer.EndDoc();
    TQRStandardPreview window(nullptr, &printer);
    window.resize(1024, 740);
    window.Show();
    window.QRPreview->ZoomToWidth();
    QCoreApplication::processEvents();
    std::vector<double> turn, repaint, zoom;
    for (int run = 0; run < 20; ++run) {
        QElapsedTimer clock;
        clock.start();
        window.NextPageClick();
        window.QRPreview->PreviewImage()->repaint();
        turn.push_back(clock.nsecsElapsed() / 1e6);
        clock.restart();
        window.QRPreview->PreviewImage()->repaint();
        repaint.push_back(clock.nsecsElapsed() / 1e6);
        clock.restart();
        window.QRPreview->SetZoom(run % 2 ? 150 : 100);
        window.QRPreview->PreviewImage()->repaint();
        zoom.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::printf("  turn a page (fetch + play + paint): %7.2f ms\n", Median(turn));
    std::printf("  repaint the page on display:        %7.2f ms\n", Median(repaint));
    std::printf("  change zoom (100/150 %%) and paint:   %7.2f ms\n", Median(zoom));
    window.SpeedButton1Click();
}

// Qt's print preview over the same pages drawn with QPainter.
TFigures QtPrintPreviewRun() {
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    QPrintPreviewWidget preview(&printer);
    preview.resize(1024, 700);
    QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, [](QPrinter* target) {
        QPainter painter(target);
        for (int page = 1; page <= kPages; ++page) {
            if (page > 1) target->newPage();
            painter.setFont(QFont(QStringLiteral("Liberation Sans"), 9));
            for (int row = 0; row < 45; ++row) {
                const int item = (page - 1) * 45 + row + 1;
                const int top = 80 + row * 21;
                painter.drawText(38, top, QString::number(item));
                painter.drawText(113, top,
                                 QStringLiteral("Caneta esferográfica azul, caixa com 50 unidades %1").arg(item));
                painter.drawText(567, top, QStringLiteral("CX"));
                painter.drawText(QRect(600, top - 15, 156, 20), Qt::AlignRight,
                                 QStringLiteral("%1,0000").arg(item * 37 % 100000));
            }
            painter.drawText(340, 1060, QStringLiteral("Página %1").arg(page));
        }
    });
    TFigures figures;
    QElapsedTimer clock;
    clock.start();
    preview.show();
    preview.updatePreview();  // lays out and records every page, then shows the first
    QCoreApplication::processEvents();
    figures.firstPageMs = clock.nsecsElapsed() / 1e6;
    figures.longestStallMs = figures.firstPageMs;  // the loop does not run meanwhile
    figures.totalMs = figures.firstPageMs;
    return figures;
}

// The load average over the last minute, as uptime shows it.
double LoadAverage() {
    double load = -1;
    if (FILE* file = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(file, "%lf", &load) != 1) load = -1;
        std::fclose(file);
    }
    return load;
}

// Keeps every core busy with ordinary threads while it lives, for the runs in
// which the window has to compete for the processor.
class TBusyMachine {
  public:
    TBusyMachine() {
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < cores; ++i)
            threads_.emplace_back([this] {
                volatile unsigned sink = 0;
                while (!stop_.load(std::memory_order_relaxed))
                    for (unsigned k = 0; k < 100000; ++k) sink = sink + k;
            });
    }
    ~TBusyMachine() {
        stop_ = true;
        for (std::thread& thread : threads_) thread.join();
    }
    size_t Threads() const { return threads_.size(); }

  private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

// Medians of the runs, and the worst stall with the share of it the window's
// thread spent working (the rest it waited for a core).
void Report(const char* name, const std::vector<TFigures>& runs) {
    std::vector<double> first, paint, stall, total;
    const TFigures* worst = &runs.front();
    for (const TFigures& f : runs) {
        first.push_back(f.firstPageMs);
        paint.push_back(f.firstPaintMs);
        stall.push_back(f.longestStallMs);
        total.push_back(f.totalMs);
        if (f.longestStallMs > worst->longestStallMs) worst = &f;
    }
    std::printf("%-50s first page %7.1f ms (painting %5.1f)   longest stall %6.1f ms, worst %6.1f ms (working %5.1f)"
                "   whole run %7.1f ms   load %.2f\n",
                name, Median(first), Median(paint), Median(stall), worst->longestStallMs, worst->stallWorkMs,
                Median(total), LoadAverage());
}

}  // namespace

int main(int argc, char** argv) {
    bench::StartReportBench();
    QApplication app(argc, argv);
    RegisterStandardPreview();
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("processo.csv"));
    bench::WriteProcessCsv(csv, kProposalLots);
    std::printf("Preview while a report is generated (median of %d runs; goals: first page < 150 ms, no stall > 16 ms,\n"
                "> 25 ms with the machine loaded; load: the load average when the row was printed)\n",
                kRuns);

    std::vector<TFigures> report;
    for (int run = 0; run < kRuns; ++run) report.push_back(ReportRun(csv));
    std::printf("  (the proposal report of %d items: %d pages)\n", kProposalLots * bench::kItems,
                report.front().pages);
    Report("PreviewModal of the proposal report", report);

    std::vector<TFigures> hand;
    for (int run = 0; run < kRuns; ++run) hand.push_back(HandMadeRun());
    Report("TQRStandardPreview, 2000 list pages from a worker", hand);

    std::vector<TFigures> qt;
    qt.push_back(QtPrintPreviewRun());  // one run: it takes long
    Report("QPrintPreviewWidget (peer)", qt);

    {
        // The same with every core kept busy by other threads; its peers are the rows above.
        TBusyMachine busy;
        std::printf("With %zu busy threads beside:\n", busy.Threads());
        std::vector<TFigures> loaded;
        for (int run = 0; run < kRuns; ++run) loaded.push_back(ReportRun(csv));
        Report("PreviewModal of the proposal report, loaded", loaded);
    }

    std::printf("Finished run of 50 pages, window 1024 x 740 at page width:\n");
    PageTurns();
    return 0;
}

