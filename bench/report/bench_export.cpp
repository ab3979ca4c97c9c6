// The proposal report of the 50,000-item process exported to every format
// through the classes the program's export uses (the report generated into the
// export filter; the metafiles saved from the pages of a run), in one process:
// seconds, pages and items per second and file sizes, beside the same rows laid
// out by QTextDocument into QPdfWriter in the same run, compared per item; the
// metafile sets beside plain files of the same recordings (what creating the
// files costs). Processor time is printed beside the wall clock: on a loaded
// machine the wall clock also counts the waits for other programs.
//
//   bench_export [formato ...]   (pdf, txt, rtf, xls, emf, wmf; none runs all)

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <memory>

#include "BenchProcesso.h"
#include "PeerTextDocument.h"
#include "report_engine/export/TQRAsciiExportFilter.h"
#include "report_engine/export/TQRPDFDocumentFilter.h"
#include "report_engine/export/TQRRTFExportFilter.h"
#include "report_engine/export/TQRWMFExportFilter.h"
#include "report_engine/export/TQRXLSFilter.h"
#include "report_engine/printer/TQRPrinter.h"
#include "runtime/Exceptions.h"

using namespace quorin;

namespace {

struct Figures {
    int pages = 0;
    int items = 0;
};

double CpuNow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

void Line(const QString& name, const Figures& f, double seconds, double cpu, qint64 bytes) {
    std::printf("%-30s %8.3f s %8.0f pages/s %8.0f items/s %12lld bytes  (processor %7.3f s, %8.0f pages/s)\n",
                qPrintable(name), seconds, f.pages / seconds, f.items / seconds, static_cast<long long>(bytes), cpu,
                cpu > 0 ? f.pages / cpu : 0.0);
}

// A digest of the files' bytes, in order: the same figure before and after a change
// to the writers shows that the files stayed what they were.
QByteArray Digest(const QStringList& files) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& name : files) {
        QFile file(name);
        if (file.open(QIODevice::ReadOnly)) hash.addData(&file);
    }
    return hash.result().toHex().left(16);
}

}  // namespace

int main(int argc, char** argv) {
    bench::StartReportBench();
    QGuiApplication app(argc, argv);
    const QStringList only = app.arguments().mid(1);
    auto want = [&](const char* format) { return only.isEmpty() || only.contains(QLatin1String(format)); };
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("grande.csv"));
    bench::WriteProcessCsv(csv);

    // The pages of one run: the page count of every format, and what the metafile export saves.
    TQRP_Propostas stored;
    bench::FillFromCsv(stored, csv);
    Figures figures;
    figures.items = stored.CDS_Relatorio->RecordCount();
    QElapsedTimer timer;
    timer.start();
    double cpuStart = CpuNow();
    stored.Prepare();
    const double storeSeconds = timer.nsecsElapsed() / 1e9;
    const double storeCpu = CpuNow() - cpuStart;
    figures.pages = stored.QRPrinter()->GetPageCount();
    std::printf("proposal report, %d items, %d pages\n", figures.items, figures.pages);
    Line(QStringLiteral("page store (.qrp pages)"), figures, storeSeconds, storeCpu, 0);

    struct Filter {
        const char* format;
        const char* name;
        std::function<std::unique_ptr<TQRExportFilter>(const QString&)> make;
    };
    const Filter filters[] = {
        {"pdf", "TQRPDFDocumentFilter", [](const QString& f) { return std::make_unique<TQRPDFDocumentFilter>(f); }},
        {"txt", "TQRAsciiExportFilter", [](const QString& f) { return std::make_unique<TQRAsciiExportFilter>(f); }},
        {"rtf", "TQRRTFExportFilter", [](const QString& f) { return std::make_unique<TQRRTFExportFilter>(f); }},
        {"xls", "TQRXLSFilter", [](const QString& f) { return std::make_unique<TQRXLSFilter>(f); }},
    };
    double pdfItemsPerSecond = 0;
    for (const Filter& kind : filters) {
        if (!want(kind.format)) continue;
        const QString file = dir.filePath(QStringLiteral("relatorio.") + QLatin1String(kind.format));
        TQRP_Propostas report;
        bench::FillFromCsv(report, csv);
        report.ShowProgress = false;
        const std::unique_ptr<TQRExportFilter> filter = kind.make(file);
        timer.restart();
        cpuStart = CpuNow();
        try {
            report.ExportToFilter(filter.get());
        } catch (const Exception& e) {
            // A format may refuse a report this size.
            std::printf("%-30s refused: %s\n", kind.name, qPrintable(e.message()));
            continue;
        }
        const double seconds = timer.nsecsElapsed() / 1e9;
        Line(QLatin1String(kind.name), figures, seconds, CpuNow() - cpuStart, QFileInfo(file).size());
        if (QLatin1String(kind.format) == QLatin1String("pdf")) pdfItemsPerSecond = figures.items / seconds;
    }
    for (const char* format : {"emf", "wmf"}) {
        if (!want(format)) continue;
        const QString folder = dir.filePath(QLatin1String(format));
        QDir().mkpath(folder);
        TQRWMFExportFilter::SetEnhanced(QLatin1String(format) == QLatin1String("emf"));
        TQRWMFExportFilter filter(folder + QStringLiteral("/relatorio.") + QLatin1String(format), stored.QRPrinter());
        timer.restart();
        cpuStart = CpuNow();
        const QStringList written = filter.SavePages();
        // A metafile export saves the pages a run has made: the run counts too.
        const double seconds = storeSeconds + timer.nsecsElapsed() / 1e9;
        Line(QStringLiteral("TQRWMFExportFilter (.%1)").arg(QLatin1String(format)), figures, seconds,
             storeCpu + CpuNow() - cpuStart, bench::FilesBytes(written));
        std::printf("%-30s sha-256 %s\n", "", Digest(written).constData());
        QDir(folder).removeRecursively();
    }
    if (want("emf")) {
        // The peer of the metafile sets: the recordings as they are, one plain file per
        // page, no temporary names, renames or syncs.
        const QString folder = dir.filePath(QStringLiteral("plain"));
        QDir().mkpath(folder);
        timer.restart();
        cpuStart = CpuNow();
        QStringList written;
        for (int n = 1; n <= figures.pages; ++n) {
            written << folder + QStringLiteral("/relatorio%1.emf").arg(n, 4, 10, QChar(u'0'));
            QFile out(written.last());
            if (!out.open(QIODevice::WriteOnly) || out.write(stored.QRPrinter()->GetPage(n)->Data()) < 0) return 1;
        }
        Line(QStringLiteral("plain QFile per page (peer)"), figures, storeSeconds + timer.nsecsElapsed() / 1e9,
             storeCpu + CpuNow() - cpuStart, bench::FilesBytes(written));
        QDir(folder).removeRecursively();
    }

    const bench::PeerRun peer = bench::PeerPdf(*stored.CDS_Relatorio, figures.items / 10, dir.filePath("peer.pdf"));
    std::printf("peer: QTextDocument into QPdfWriter, %d items: %d pages in %.3f s, %.0f pages/s, %.0f items/s\n",
                peer.items, peer.pages, peer.seconds, peer.PagesPerSecond(), peer.ItemsPerSecond());
    if (pdfItemsPerSecond > 0)
        std::printf("PDF / peer, items per second: %.1fx\n", pdfItemsPerSecond / peer.ItemsPerSecond());
    return 0;
}
