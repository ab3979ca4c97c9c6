// Appending to a draft must cost the same for the first and the ten-thousandth
// item. Records 10,000 items in a draft and prints the median time of one
// append (record + fdatasync) over the first, middle and last hundred, beside
// two peers measured in the same run: a bare write + fdatasync of a line of the
// same size to a plain file (the floor any durable append pays), and rewriting
// the whole draft through a temporary file at 100 and at 10,000 items (what an
// append that rewrote the file would cost).
//
//   bench_rascunho [FOLDER]   (default: a temporary folder; use a folder on the
//                              disk the users' data folder lives on)
#include <fcntl.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "domain/Rascunho.h"
#include "runtime/SafeFile.h"

using namespace quorin;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kItens = 10000;
constexpr int kJanela = 100;

double Mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

TItemRascunho Item(int n) {
    TItemRascunho i;
    i.lote = 1 + n / 100;
    i.item = 1 + n % 100;
    i.marca = QStringLiteral("MARCA %1 LTDA").arg(n);
    i.preco = 12.3456 + n;
    i.total = (12.3456 + n) * 400;
    return i;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temporaria;
    const QString pasta =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) + QStringLiteral("/bench_rascunho") : temporaria.path();
    QDir(pasta).removeRecursively();
    QDir().mkpath(pasta);

    // The draft: 10,000 appends, each timed.
    TRascunho rascunho;
    rascunho.Usa(pasta, QCryptographicHash::hash("bench", QCryptographicHash::Sha256),
                 QStringLiteral("12123123000199"));
    std::vector<double> tempos;
    tempos.reserve(kItens);
    for (int n = 0; n < kItens; ++n) {
        const TItemRascunho item = Item(n);
        const auto t0 = Clock::now();
        if (!rascunho.Registra(item)) {
            std::fprintf(stderr, "bench_rascunho: não foi possível gravar em %s\n", qPrintable(pasta));
            return 1;
        }
        tempos.push_back(Ms(t0, Clock::now()));
    }
    const auto janela = [&](int inicio) {
        return Mediana(std::vector<double>(tempos.begin() + inicio, tempos.begin() + inicio + kJanela));
    };
    const QString caminho = rascunho.Caminho();
    const qint64 tamanho = QFileInfo(caminho).size();
    const int linha = int(tamanho / (kItens + 1));

    // Peer 1: a bare durable append of a line of the same size.
    const QByteArray bytes = QByteArray(linha - 1, 'x') + '\n';
    const QByteArray cru = QFile::encodeName(pasta + QStringLiteral("/cru.bin"));
    const int fd = ::open(cru.constData(), O_WRONLY | O_CREAT | O_APPEND | O_TRUNC | O_CLOEXEC, 0600);
    std::vector<double> crus;
    for (int n = 0; n < 300 && fd >= 0; ++n) {
        const auto t0 = Clock::now();
        if (::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size() || ::fdatasync(fd) != 0)
            break;
        crus.push_back(Ms(t0, Clock::now()));
    }
    if (fd >= 0)
        ::close(fd);

    // Peer 2: rewriting the whole draft, at 100 and at 10,000 items.
    QFile arquivo(caminho);
    arquivo.open(QIODevice::ReadOnly);
    const QByteArray tudo = arquivo.readAll();
    const auto reescrita = [&](qsizetype tamanhoBytes) {
        std::vector<double> v;
        for (int n = 0; n < 20; ++n) {
            const auto t0 = Clock::now();
            WriteFileSafely(pasta + QStringLiteral("/reescrito.rascunho"),
                            QByteArrayView(tudo).first(tamanhoBytes));
            v.push_back(Ms(t0, Clock::now()));
        }
        return Mediana(v);
    };
    const double reescrita100 = reescrita(qsizetype(linha) * 101);
    const double reescritaTudo = reescrita(tudo.size());

    std::printf("bench_rascunho: %d itens, %lld bytes (%d por registro), pasta %s\n", kItens,
                static_cast<long long>(tamanho), linha, qPrintable(pasta));
    std::printf(
        "  um acréscimo ao rascunho (mediana de %d)   itens 1-100: %8.3f ms   4951-5050: %8.3f ms   "
        "9901-10000: %8.3f ms\n",
        kJanela, janela(0), janela(kItens / 2 - kJanela / 2), janela(kItens - kJanela));
    std::printf("  par: write + fdatasync cru, mesma linha      %8.3f ms\n",
                crus.empty() ? -1.0 : Mediana(crus));
    std::printf(
        "  par: reescrever o arquivo inteiro (QSaveFile) 100 itens: %8.3f ms   10000 itens: %8.3f ms\n",
        reescrita100, reescritaTudo);
    QDir(pasta).removeRecursively();
    return 0;
}
