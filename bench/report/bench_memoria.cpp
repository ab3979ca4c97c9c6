// Peak memory of the proposal report of a large process, by output format,
// beside loading and checking the same file: quorin-pacote verificar is the
// peer, run on the same file in the same run. Each command runs as a child
// process of its own, so its peak (ru_maxrss from wait4) counts nothing else.
//
//   bench_memoria [--pacote PROGRAMA] [ITENS ...]
//
// ITENS defaults to 50000 200000 (the process the other report benchmarks
// write, in whole lots of 100 items); --pacote measures
// another build of the companion tool (to compare before and after a change).
//
// Prints, per size and command, the peak resident memory in MiB, its ratio to
// verificar's and the wall time. Figures vary with the machine's load; the
// ratio is what to compare.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

#include "BenchProcesso.h"

namespace {

struct TMeasure {
    double peakMib = -1;
    double seconds = 0;
    int exitCode = -1;
};

// Runs the program with its arguments, its output thrown away; returns its peak.
TMeasure Run(const QString& program, const QStringList& arguments) {
    std::vector<QByteArray> owned{QFile::encodeName(program)};
    for (const QString& a : arguments)
        owned.push_back(a.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& a : owned)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    QElapsedTimer clock;
    clock.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    TMeasure m;
    if (pid < 0)
        return m;
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid)
        return m;
    m.seconds = double(clock.elapsed()) / 1000.0;
    m.peakMib = double(usage.ru_maxrss) / 1024.0;
    m.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return m;
}

void Print(const char* what, const TMeasure& m, double peer) {
    if (m.exitCode != 0) {
        std::printf("  %-20s falhou (saída %d) depois de %.1f s\n", what, m.exitCode, m.seconds);
        return;
    }
    std::printf("  %-20s pico %7.1f MiB  %5.2f x verificar  %7.1f s\n", what, m.peakMib,
                peer > 0 ? m.peakMib / peer : 0.0, m.seconds);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString pacote = QStringLiteral(QUORIN_PACOTE);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--pacote" && i + 1 < argc)
            pacote = QString::fromLocal8Bit(argv[++i]);
        else
            sizes.push_back(QByteArray(argv[i]).toInt());
    }
    if (sizes.empty())
        sizes = {50000, 200000};

    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const char* formats[] = {"qrp", "pdf", "txt", "rtf", "xls", "emf"};
    std::printf("Pico de memória do relatório por formato, ao lado de verificar do mesmo arquivo (%s)\n",
                qPrintable(pacote));
    for (int items : sizes) {
        const QString csv = dir.filePath(QStringLiteral("grande.csv"));
        const QString kpz = dir.filePath(QStringLiteral("grande.KPZ"));
        // The process of the other report benchmarks, in whole lots of 100 items.
        const int lots = (items + quorin::bench::kItems - 1) / quorin::bench::kItems;
        quorin::bench::WriteProcessCsv(csv, lots);
        if (Run(pacote, {QStringLiteral("importar"), csv, kpz}).exitCode != 0) {
            std::printf("não foi possível gerar o processo de %d itens\n", items);
            return 1;
        }
        QFile::remove(csv);
        std::printf("%d itens (%d lotes), processo de %.1f MB\n", lots * quorin::bench::kItems, lots,
                    double(QFile(kpz).size()) / 1e6);
        const TMeasure peer = Run(pacote, {QStringLiteral("verificar"), kpz});
        Print("verificar", peer, peer.peakMib);
        for (const char* format : formats) {
            QDir out(dir.filePath(QStringLiteral("saida")));
            out.removeRecursively();
            QDir().mkpath(out.path());
            const QString target = out.filePath(QStringLiteral("relatorio.") + QLatin1String(format));
            const TMeasure m =
                Run(pacote, {QStringLiteral("relatorio"), kpz, QStringLiteral("--saida"), target});
            Print(qPrintable(QStringLiteral("relatorio .") + QLatin1String(format)), m, peer.peakMib);
            out.removeRecursively();
        }
        std::fflush(stdout);
    }
    return 0;
}
