// The whole program as a user runs it from a shell: `quorin-pacote relatorio` on a
// 50,000-item process (500 lots x 100 items, one to four lines of Especificação and
// one to twelve words of description per item) into every format it writes, each
// timed from the process start to its end (loading the file, filling the report's
// data set, generating and writing). Beside it, in the same run, the same rows laid
// out by QTextDocument into QPdfWriter, compared per item.
//
//   bench_relatorio [PROCESSO.KPZ] [formato ...]
//
// Without a process file one is written (CSV, then `quorin-pacote importar`) in a
// temporary folder. The formats default to all of them.

#include <sys/resource.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "BenchProcesso.h"
#include "PeerTextDocument.h"
#include "dataset/ProposalSchema.h"
#include "report/RelatorioDados.h"
#include "report/UNT_QRP_Propostas.h"

using namespace quorin;

namespace {

double ChildrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Run {
    int exitCode = 0;
    double seconds = 0;
    double cpu = 0;
    QStringList written;
};

Run Pacote(const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const double cpu = ChildrenCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral(QUORIN_PACOTE), arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit)
        qFatal("quorin-pacote %s did not end normally", qPrintable(arguments.join(u' ')));
    Run run;
    run.exitCode = process.exitCode();
    run.seconds = timer.nsecsElapsed() / 1e9;
    run.cpu = ChildrenCpuSeconds() - cpu;
    run.written = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    bench::StartReportBench();
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    QStringList args = app.arguments().mid(1);
    QString processo;
    if (!args.isEmpty() && QFileInfo(args.first()).isFile()) {
        processo = args.takeFirst();
    } else {
        const QString csv = dir.filePath(QStringLiteral("grande.csv"));
        bench::WriteProcessCsv(csv);
        processo = dir.filePath(QStringLiteral("grande.KPZ"));
        if (Pacote({QStringLiteral("importar"), csv, processo}).exitCode != 0) qFatal("quorin-pacote importar failed");
    }
    const QStringList formats =
        args.isEmpty() ? QStringList{"emf", "pdf", "qrp", "txt", "rtf", "xls", "wmf"} : args;

    // The report's rows, as relatorio fills them, for the item count and the peer.
    TQRP_Propostas report;
    {
        TMemoryDataSet rows;
        ProposalSchema::DeclareProcesso(rows);
        rows.LoadFromFile(processo);
        PreencheRelatorioDoArquivo(report, rows);
    }
    const int items = report.CDS_Relatorio->RecordCount();
    // Every format prints the same pages; the metafile export writes one file per page.
    int pages = 0;
    std::printf("quorin-pacote relatorio, %d items (%s)\n", items, qPrintable(QFileInfo(processo).fileName()));
    std::printf("%-8s %7s %9s %9s %9s %9s %13s\n", "format", "pages", "wall s", "cpu s", "pages/s", "items/s",
                "bytes");
    double pdfItemsPerSecond = 0;
    for (const QString& format : formats) {
        QDir(dir.filePath(format)).removeRecursively();
        QDir().mkpath(dir.filePath(format));
        const QString saida = dir.filePath(format + QStringLiteral("/relatorio.") + format);
        const Run run = Pacote({QStringLiteral("relatorio"), processo, QStringLiteral("--saida"), saida});
        if (run.exitCode != 0) {
            // A format may refuse a report this size (the message above says why).
            std::printf("%-8s refused (exit %d) after %.3f s\n", qPrintable(format), run.exitCode, run.seconds);
            continue;
        }
        if (format == QStringLiteral("emf") || format == QStringLiteral("wmf")) pages = run.written.size();
        const QString shownPages = pages > 0 ? QString::number(pages) : QStringLiteral("?");
        std::printf("%-8s %7s %9.3f %9.3f %9.0f %9.0f %13lld\n", qPrintable(format), qPrintable(shownPages),
                    run.seconds, run.cpu, pages / run.seconds, items / run.seconds,
                    static_cast<long long>(bench::FilesBytes(run.written)));
        if (format == QStringLiteral("pdf")) pdfItemsPerSecond = items / run.seconds;
        QDir(dir.filePath(format)).removeRecursively();
    }

    // The peer on a tenth of the rows (it grows worse than linearly with the document).
    const bench::PeerRun peer = bench::PeerPdf(*report.CDS_Relatorio, items / 10, dir.filePath(QStringLiteral("peer.pdf")));
    std::printf("peer: QTextDocument into QPdfWriter, %d items: %d pages in %.3f s, %.0f pages/s, %.0f items/s\n",
                peer.items, peer.pages, peer.seconds, peer.PagesPerSecond(), peer.ItemsPerSecond());
    if (pdfItemsPerSecond > 0)
        std::printf("relatorio to PDF / peer, items per second: %.1fx\n", pdfItemsPerSecond / peer.ItemsPerSecond());
    return 0;
}
