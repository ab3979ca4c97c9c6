// Distributing a lot's bid over its items must take under 50 ms for a 1,000-item
// lot and under 2 s for a 50,000-item process. Prints, for 1,000-item lots of
// integer and of fractional quantities with 4 and with 2 decimals, the median time
// of the exact distribution beside a plain proportional rounding (each price
// rounded to the grid, totals summed: what a spreadsheet does, and which rarely
// closes), with how often the plain rounding closed; then the whole 50,000-item
// process: read from the data set, distributed lot by lot and recorded, beside the
// plain rounding of the same lots.
//
//   bench_distribuicao [REPETICOES]   (default 21)
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"
#include "domain/Distribuicao.h"
#include "domain/RegrasProposta.h"
#include "runtime/Rounding.h"

using namespace quorin;
namespace D = quorin::Distribuicao;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

double Mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::vector<D::Item> Lote(int n, std::mt19937& g, bool fracionarias) {
    std::uniform_int_distribution<int> qtd(1, 500), centavos(100, 90000), quartos(0, 3);
    std::vector<D::Item> itens;
    for (int i = 0; i < n; ++i) {
        double q = qtd(g);
        if (fracionarias)
            q += quartos(g) * 0.25 + (i % 7 == 0 ? 0.125 : 0);
        itens.push_back({q, centavos(g) / 100.0});
    }
    return itens;
}

// A bid 3 to 12 % below the reference total, in the decimals of the prices (a call
// that asks for prices in centavos has bids in centavos).
double Lance(const std::vector<D::Item>& itens, std::mt19937& g, int casas) {
    long double total = 0;
    for (const D::Item& it : itens)
        total += (long double)it.quantidade * it.referencia;
    std::uniform_real_distribution<double> desconto(0.88, 0.97);
    const double escala = casas == 2 ? 100 : 10000;
    return std::round(double(total) * desconto(g) * escala) / escala;
}

// Every price the grid point nearest its proportional price; true when the totals
// happen to add up to the bid.
bool Arredondamento(const std::vector<D::Item>& itens, double lance, int casas, std::vector<double>& precos) {
    long double ponderado = 0;
    for (const D::Item& it : itens)
        ponderado += (long double)it.quantidade * it.referencia;
    const long double escala = casas == 2 ? 100 : 10000;
    Currency soma;
    precos.resize(itens.size());
    for (size_t i = 0; i < itens.size(); ++i) {
        const long double x = itens[i].referencia * (long double)lance / ponderado * escala;
        const long long k = std::max<long long>(1, (long long)RoundHalfEven(x));
        precos[i] = D::PrecoDaGrade(k, casas);
        soma += Currency::FromDouble(RegrasProposta::TotalItem(itens[i].quantidade, precos[i]));
    }
    return !soma.DiffersFrom(lance);
}

void Lotes1000(int repeticoes) {
    std::printf("Lote de 1.000 itens (mediana de %d lotes diferentes):\n", repeticoes);
    std::printf("  %-28s %12s %12s %10s %10s\n", "caso", "exata (ms)", "arred. (ms)", "exatas", "arred. ok");
    for (const bool fracionarias : {false, true}) {
        for (const int casas : {4, 2}) {
            std::mt19937 g(casas * 2 + fracionarias);
            std::vector<double> exata, plana;
            int exatas = 0, fecharam = 0;
            std::vector<double> precos;
            for (int r = 0; r < repeticoes; ++r) {
                const std::vector<D::Item> itens = Lote(1000, g, fracionarias);
                const double lance = Lance(itens, g, casas);
                auto a = Clock::now();
                const D::Resultado res = D::Distribui(itens, lance, casas);
                auto b = Clock::now();
                fecharam += Arredondamento(itens, lance, casas, precos) ? 1 : 0;
                auto c = Clock::now();
                exata.push_back(Ms(a, b));
                plana.push_back(Ms(b, c));
                exatas += res.exato ? 1 : 0;
            }
            char caso[64];
            std::snprintf(caso, sizeof caso, "%s, %d casas", fracionarias ? "fracionárias" : "inteiras",
                          casas);
            std::printf("  %-28s %12.2f %12.3f %7d/%-2d %7d/%-2d\n", caso, Mediana(exata), Mediana(plana),
                        exatas, repeticoes, fecharam, repeticoes);
        }
    }
}

void Processo50000() {
    // 250 lots of 200 items, quantities integer or fractional, typed prices as reference,
    // bids in centavos (reachable with 2 decimals and with 4).
    TMemoryDataSet ds;
    ProposalSchema::DeclareProcesso(ds);
    ds.CreateDataSet();
    std::mt19937 g(50000);
    std::vector<std::vector<D::Item>> lotes;
    for (int lote = 1; lote <= 250; ++lote) {
        std::vector<D::Item> itens = Lote(200, g, lote % 2 == 0);
        const double lance = Lance(itens, g, 2);
        for (size_t i = 0; i < itens.size(); ++i) {
            ds.Append();
            ds.FieldByName(QStringLiteral("nro_lote"))->SetAsInteger(lote);
            ds.FieldByName(QStringLiteral("nro_item"))->SetAsInteger(int(i) + 1);
            ds.FieldByName(QStringLiteral("qtd_produto"))->SetAsFloat(itens[i].quantidade);
            ds.FieldByName(QStringLiteral("vlr_lance"))->SetAsFloat(lance);
            ds.FieldByName(QStringLiteral("vlr_realinhamento"))->SetAsFloat(itens[i].referencia);
            ds.Post();
        }
        lotes.push_back(std::move(itens));
    }

    for (const int casas : {4, 2}) {
        auto a = Clock::now();
        const std::vector<D::LoteProcesso> lidos = D::LeLotes(ds);
        auto b = Clock::now();
        int exatos = 0;
        std::vector<D::Resultado> resultados;
        for (const D::LoteProcesso& l : lidos) {
            resultados.push_back(D::DistribuiLote(l, nullptr, casas));
            exatos += resultados.back().exato ? 1 : 0;
        }
        auto c = Clock::now();
        TMemoryDataSet copia;
        ProposalSchema::DeclareProcesso(copia);
        copia.CreateDataSet();
        for (size_t i = 0; i < lidos.size(); ++i)
            D::Aplica(ds, lidos[i], resultados[i], nullptr);
        auto d = Clock::now();
        int fecharam = 0;
        std::vector<double> precos;
        for (size_t i = 0; i < lidos.size(); ++i)
            fecharam +=
                Arredondamento(D::Referencias(lidos[i], nullptr), lidos[i].lance, casas, precos) ? 1 : 0;
        auto e = Clock::now();
        TMemoryDataSet lote;
        ProposalSchema::DeclareLote(lote);
        RegrasProposta::MontaLotes(ds, lote);
        const int recusados = int(RegrasProposta::ConfereLotes(ds, lote).size());
        std::printf("Processo de 50.000 itens em 250 lotes, %d casas:\n", casas);
        std::printf(
            "  leitura %.1f ms + distribuição exata %.1f ms + gravação %.1f ms = %.1f ms; "
            "%d/250 lotes exatos, %d recusados no encerramento\n",
            Ms(a, b), Ms(b, c), Ms(c, d), Ms(a, d), exatos, recusados);
        std::printf("  arredondamento proporcional simples: %.1f ms; %d/250 lotes fecharam\n", Ms(d, e),
                    fecharam);
        // The next run starts again from the reference prices.
        for (size_t i = 0; i < lidos.size(); ++i) {
            D::Resultado ref;
            ref.exato = true;
            for (const D::ItemProcesso& it : lidos[i].itens)
                ref.precos.push_back(it.preco);
            D::Aplica(ds, lidos[i], ref, nullptr);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int repeticoes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    Lotes1000(repeticoes);
    Processo50000();
    return 0;
}
