// A 2,000-page list run into each export format: pages per second and file
// sizes, beside QPdfWriter painting the same texts in the same run, and the
// metafile pages (a dotted rule under every row) beside plain files of the
// same recordings.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <functional>

#include "report_engine/export/TQRAsciiExportFilter.h"
#include "report_engine/export/TQRPDFDocumentFilter.h"
#include "report_engine/export/TQRRTFExportFilter.h"
#include "report_engine/export/TQRWMFExportFilter.h"
#include "report_engine/export/TQRXLSFilter.h"
#include "report_engine/printer/TQRPrinter.h"

using namespace quorin;

namespace {

constexpr int kPages = 2000;
constexpr int kRows = 50;

struct Cell {
    double X;
    double Y;
    QString Text;
    TAlignment Align;
};

/// One list page: a heading, a column header and kRows item rows of four texts.
QList<Cell> ListPage(int page) {
    QList<Cell> cells;
    cells.push_back({150, 150, QStringLiteral("Proposta de Realinhamento de Preço - Página %1").arg(page), TAlignment::taLeftJustify});
    const double top = 300;
    for (int row = 0; row < kRows; ++row) {
        const double y = top + row * 48;
        const int item = (page - 1) * kRows + row + 1;
        cells.push_back({150, y, QString::number(item), TAlignment::taLeftJustify});
        cells.push_back({400, y, QStringLiteral("Caneta esferográfica azul, caixa com 50 unidades"), TAlignment::taLeftJustify});
        cells.push_back({1500, y, QStringLiteral("%1,0000").arg(item % 97 + 1), TAlignment::taRightJustify});
        cells.push_back({1900, y, QStringLiteral("%1,%2").arg(item * 3).arg(item % 100, 2, 10, QChar(u'0')),
                         TAlignment::taRightJustify});
    }
    return cells;
}

TQRFont ListFont() {
    TQRFont font;
    font.Name = QStringLiteral("Arial");
    font.Size = 9;
    return font;
}

/// Processor time of the process: on a loaded machine the wall clock also
/// counts the waits for the other programs, this does not.
double CpuNow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}
double cpuAtStart = 0;

void Report(const char* name, qint64 ms, const QString& file) {
    const double seconds = ms / 1000.0;
    const double cpu = CpuNow() - cpuAtStart;
    std::printf("%-28s %8.0f pages/s  %7.2f s  %10lld bytes  (processor: %6.2f s, %8.0f pages/s)\n", name,
                seconds > 0 ? kPages / seconds : 0.0, seconds, static_cast<long long>(QFileInfo(file).size()), cpu,
                cpu > 0 ? kPages / cpu : 0.0);
}

qint64 RunFilter(TQRExportFilter& filter, TQRPrinter* printer, const QList<QList<Cell>>& pages) {
    QElapsedTimer timer;
    timer.start();
    cpuAtStart = CpuNow();
    filter.Printer = printer;
    filter.Start(2100, 2970, ListFont());
    const TQRFont font = ListFont();
    for (const auto& page : pages) {
        filter.NewPage();
        for (const Cell& c : page) filter.TextOut(c.X, c.Y, font, Qt::black, c.Align, c.Text);
        filter.EndPage();
    }
    if (qEnvironmentVariableIsSet("BENCH_PHASES")) std::printf("  pages done after %lld ms\n", static_cast<long long>(timer.elapsed()));
    filter.Finish();
    return timer.elapsed();
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    // Optional arguments name the formats to run (pdf, peer, txt, xls, rtf, wmf); none runs all.
    const QStringList only = app.arguments().mid(1);
    auto want = [&](const char* format) { return only.isEmpty() || only.contains(QLatin1String(format)); };
    QTemporaryDir dir;
    QList<QList<Cell>> pages;
    for (int p = 1; p <= kPages; ++p) pages.push_back(ListPage(p));
    std::printf("%d pages of %d texts each\n", kPages, static_cast<int>(pages[0].size()));

    // The run's page sink gives the factors and positions, as in a real export.
    TQRPrinter sink;
    sink.BeginDoc();

    if (want("pdf")) {
        const QString file = dir.filePath(QStringLiteral("list.pdf"));
        TQRPDFDocumentFilter filter(file);
        Report("TQRPDFDocumentFilter", RunFilter(filter, &sink, pages), file);
    }
    if (want("peer")) {
        // The peer: QPdfWriter painting the same texts at the same places.
        const QString file = dir.filePath(QStringLiteral("qpdfwriter.pdf"));
        QElapsedTimer timer;
        timer.start();
        cpuAtStart = CpuNow();
        QPdfWriter writer(file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(254);  // one device unit per native unit
        QPainter painter(&writer);
        QFont font(QStringLiteral("Arial"));
        font.setPointSize(9);
        painter.setFont(font);
        const QFontMetricsF metrics(font, &writer);
        for (int p = 0; p < kPages; ++p) {
            if (p > 0) writer.newPage();
            for (const Cell& c : pages[p]) {
                double x = c.X;
                if (c.Align == TAlignment::taRightJustify) x -= metrics.horizontalAdvance(c.Text);
                painter.drawText(QPointF(x, c.Y + metrics.ascent()), c.Text);
            }
        }
        painter.end();
        Report("QPdfWriter (peer)", timer.elapsed(), file);
    }
    if (want("txt")) {
        const QString file = dir.filePath(QStringLiteral("list.txt"));
        TQRAsciiExportFilter filter(file);
        Report("TQRAsciiExportFilter", RunFilter(filter, &sink, pages), file);
    }
    if (want("xls")) {
        const QString file = dir.filePath(QStringLiteral("list.xls"));
        TQRXLSFilter filter(file);
        Report("TQRXLSFilter", RunFilter(filter, &sink, pages), file);
    }
    if (want("rtf")) {
        const QString file = dir.filePath(QStringLiteral("list.rtf"));
        TQRRTFExportFilter filter(file);
        Report("TQRRTFExportFilter", RunFilter(filter, &sink, pages), file);
    }
    sink.AbortDoc();

    if (want("wmf")) {
        // The metafile filter saves pages a preview holds: record them first (not timed).
        TQRPrinter source;
        source.BeginDoc();
        const TQRFont font = ListFont();
        for (const auto& page : pages) {
            source.NewPage();
            TQRCanvas* canvas = source.GetCanvas();
            canvas->Font = font;
            for (const Cell& c : page) {
                canvas->TextAlign = c.Align;
                canvas->TextOut(source.XPos(c.X), source.YPos(c.Y), c.Text);
            }
            // A dotted rule under every row, as the proposal separates its items.
            canvas->Pen.Style = TQRPenStyle::psDot;
            for (int row = 0; row < kRows; ++row) {
                const double y = 300 + row * 48 + 40;
                canvas->MoveTo(source.XPos(150), source.YPos(y));
                canvas->LineTo(source.XPos(1900), source.YPos(y));
            }
            canvas->Pen.Style = TQRPenStyle::psSolid;
        }
        source.EndDoc();
        QDir().mkpath(dir.filePath(QStringLiteral("wmf")));
        const QString file = dir.filePath(QStringLiteral("wmf/list.wmf"));
        TQRWMFExportFilter filter(file, &source);
        Report("TQRWMFExportFilter (.wmf)", RunFilter(filter, &sink, {}), dir.filePath(QStringLiteral("wmf/list001.wmf")));
        TQRWMFExportFilter::SetEnhanced(true);
        TQRWMFExportFilter enhanced(dir.filePath(QStringLiteral("wmf/enh.wmf")), &source);
        Report("TQRWMFExportFilter (.emf)", RunFilter(enhanced, &sink, {}), dir.filePath(QStringLiteral("wmf/enh001.emf")));
        TQRWMFExportFilter::SetEnhanced(false);
        // The peer: the recordings as they are, one plain file per page, no
        // temporary names, no renames, no syncs: what creating the files costs.
        QDir().mkpath(dir.filePath(QStringLiteral("plain")));
        QElapsedTimer timer;
        timer.start();
        cpuAtStart = CpuNow();
        for (int n = 1; n <= source.GetPageCount(); ++n) {
            QFile out(dir.filePath(QStringLiteral("plain/list%1.emf").arg(n, 3, 10, QChar(u'0'))));
            if (!out.open(QIODevice::WriteOnly) || out.write(source.GetPage(n)->Data()) < 0) return 1;
        }
        Report("plain QFile per page (peer)", timer.elapsed(), dir.filePath(QStringLiteral("plain/list001.emf")));
    }
    return 0;
}
