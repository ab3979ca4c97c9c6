#include <QtTest>
#include <cmath>
#include <random>
#include <set>

#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"
#include "domain/Distribuicao.h"
#include "domain/RegrasProposta.h"
#include "runtime/Conversions.h"
#include "runtime/FormatSettings.h"

using namespace quorin;
namespace D = quorin::Distribuicao;
namespace R = quorin::RegrasProposta;

Q_DECLARE_METATYPE(std::vector<quorin::Distribuicao::Item>)

namespace {

// Records the prices into a one-lot process through the recording rule and asks
// the closing whether the lot passes.
bool PassaNoEncerramento(const std::vector<D::Item>& itens, const std::vector<double>& precos, double lance) {
    TMemoryDataSet ds;
    ProposalSchema::DeclareProcesso(ds);
    ds.CreateDataSet();
    for (size_t i = 0; i < itens.size(); ++i) {
        ds.Append();
        ds.FieldByName(QStringLiteral("nro_lote"))->SetAsInteger(1);
        ds.FieldByName(QStringLiteral("nro_item"))->SetAsInteger(int(i) + 1);
        ds.FieldByName(QStringLiteral("qtd_produto"))->SetAsFloat(itens[i].quantidade);
        ds.FieldByName(QStringLiteral("vlr_lance"))->SetAsFloat(lance);
        ds.Post();
    }
    ds.First();
    for (size_t i = 0; i < precos.size(); ++i, ds.Next())
        R::GravaItem(ds, QStringLiteral("Marca"), precos[i]);
    TMemoryDataSet lote;
    ProposalSchema::DeclareLote(lote);
    R::MontaLotes(ds, lote);
    return R::ConfereLotes(ds, lote).isEmpty();
}

int64_t TotalEscalado(double q, long long k, int casas) {
    return Currency::FromDouble(R::TotalItem(q, D::PrecoDaGrade(k, casas))).Scaled();
}

// Largest deviation, in grid steps, of the items the result moved off k0.
long double DesvioDosMovidos(const D::Resultado& r, const std::vector<long double>& x,
                             const std::vector<long long>& k0, int casas) {
    long double desvio = 0;
    for (size_t i = 0; i < r.precos.size(); ++i) {
        const long long k = std::llround(r.precos[i] * (casas == 2 ? 100 : 10000));
        if (k != k0[i])
            desvio = std::max(desvio, std::fabs((long double)k - x[i]));
    }
    return desvio;
}

std::vector<D::Item> Aleatorios(int n, unsigned semente, bool fracionarias) {
    std::mt19937 gerador(semente);
    std::uniform_int_distribution<int> quantidade(1, 500), centavos(100, 900000), quartos(1, 4);
    std::vector<D::Item> itens;
    for (int i = 0; i < n; ++i) {
        double q = quantidade(gerador);
        if (fracionarias)
            q += quartos(gerador) * 0.25 - 0.25 + (i % 7 == 0 ? 0.5 : 0);
        itens.push_back({q, centavos(gerador) / 100.0});
    }
    return itens;
}

// Quantities with eighths (150,125 kg): with 2 decimals an item's total moves by
// steps that alternate between two neighbours, so no gcd helps, and the bid (in
// centavos, 9 % below the reference total) needs the search over wide offsets.
std::vector<D::Item> Oitavos(int n, unsigned semente, double& lance) {
    std::mt19937 gerador(semente);
    std::uniform_int_distribution<int> quantidade(1, 500), centavos(100, 90000), quartos(0, 3);
    std::vector<D::Item> itens;
    long double total = 0;
    for (int i = 0; i < n; ++i) {
        const double q = quantidade(gerador) + quartos(gerador) * 0.25 + (i % 7 == 0 ? 0.125 : 0);
        itens.push_back({q, centavos(gerador) / 100.0});
        total += (long double)q * itens.back().referencia;
    }
    lance = std::round(double(total) * 0.91 * 100) / 100;
    return itens;
}

}  // namespace

class TestDistribuicao : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() { FormatSettings::setCurrent(FormatSettings::brazilian()); }

    void exata_data();
    void exata();
    void impossivel_data();
    void impossivel();
    void otimaContraBuscaCompleta_data();
    void otimaContraBuscaCompleta();
    void precoDaGradeEhOTextoConvertido();
    void loteDoProcesso();
};

void TestDistribuicao::exata_data() {
    QTest::addColumn<std::vector<D::Item>>("itens");
    QTest::addColumn<double>("lance");
    QTest::addColumn<int>("casas");
    QTest::addColumn<int>("maxDeslocados");  // -1: no bound checked

    QTest::newRow("inteiras, 4 casas")
        << std::vector<D::Item>{{10, 5.0}, {3, 12.5}, {7, 1.99}} << 120.0 << 4 << -1;
    QTest::newRow("inteiras, 2 casas")
        << std::vector<D::Item>{{10, 5.0}, {3, 12.5}, {7, 1.99}, {1, 3}} << 120.37 << 2 << -1;
    QTest::newRow("já confere: nada sai do proporcional")
        << std::vector<D::Item>{{2, 10.0}, {4, 5.0}} << 20.0 << 4 << 0;
    QTest::newRow("terços de 100") << std::vector<D::Item>{{1, 1}, {1, 1}, {1, 1}} << 100.0 << 4 << 1;
    QTest::newRow("fracionárias, 4 casas")
        << std::vector<D::Item>{{150.5, 3.2}, {0.333, 80}, {2.75, 19.9}, {12.125, 4.4}} << 987.6543 << 4
        << -1;
    QTest::newRow("fracionárias, 2 casas")
        << std::vector<D::Item>{{150.5, 3.2}, {0.333, 80}, {2.75, 19.9}, {12.125, 4.4}} << 987.65 << 2 << -1;
    QTest::newRow("quantidade com dízima binária")
        << std::vector<D::Item>{{0.1, 7}, {0.7, 3}, {1.3, 2}} << 3.3337 << 4 << -1;
    QTest::newRow("um item, quantidade 1") << std::vector<D::Item>{{1, 42}} << 37.1234 << 4 << 1;
    QTest::newRow("um item, 150,5 kg a 4 casas") << std::vector<D::Item>{{150.5, 2}} << 301.1505 << 4 << -1;
    QTest::newRow("lance no mínimo exato") << std::vector<D::Item>{{2, 9}, {3, 1}} << 0.0005 << 4 << -1;
    QTest::newRow("meio passo exato (empates)") << std::vector<D::Item>{{1, 1}, {1, 1}} << 0.0003 << 4 << -1;
    QTest::newRow("passos 2 e 3, resíduo 1") << std::vector<D::Item>{{2, 1}, {3, 1}} << 5.0001 << 4 << -1;
    QTest::newRow("1.000 itens inteiros, 4 casas") << Aleatorios(1000, 7, false) << 1234567.8912 << 4 << -1;
    QTest::newRow("1.000 itens inteiros, 2 casas") << Aleatorios(1000, 8, false) << 7654321.09 << 2 << -1;
    QTest::newRow("1.000 itens fracionários, 4 casas") << Aleatorios(1000, 9, true) << 555555.5555 << 4 << -1;
    QTest::newRow("1.000 itens fracionários, 2 casas") << Aleatorios(1000, 10, true) << 98765.43 << 2 << -1;
    for (const unsigned semente : {11u, 12u, 13u}) {
        double lance = 0;
        const std::vector<D::Item> itens = Oitavos(1000, semente, lance);
        QTest::addRow("1.000 itens em oitavos, 2 casas, lance perto da referência (%u)", semente)
            << itens << lance << 2 << -1;
    }
}

void TestDistribuicao::exata() {
    QFETCH(std::vector<D::Item>, itens);
    QFETCH(double, lance);
    QFETCH(int, casas);
    QFETCH(int, maxDeslocados);

    const D::Resultado r = D::Distribui(itens, lance, casas);
    QVERIFY2(r.exato, qPrintable(r.motivo));
    QCOMPARE(r.precos.size(), itens.size());
    QCOMPARE(r.soma, Currency::FromDouble(lance));
    const double grade = casas == 2 ? 0.01 : 0.0001;
    for (size_t i = 0; i < itens.size(); ++i) {
        QVERIFY(r.precos[i] > 0);
        // on the grid of the chosen decimals
        const double passos = r.precos[i] / grade;
        QCOMPARE(std::round(passos) * grade, r.precos[i]);
        QCOMPARE(r.totais[i], Currency::FromDouble(R::TotalItem(itens[i].quantidade, r.precos[i])));
        QVERIFY(std::fabs(r.precos[i] - r.proporcionais[i]) <= r.maiorDesvio + 1e-12);
    }
    if (maxDeslocados >= 0)
        QVERIFY(r.itensDeslocados <= maxDeslocados);
    QVERIFY(PassaNoEncerramento(itens, r.precos, lance));
}

void TestDistribuicao::impossivel_data() {
    QTest::addColumn<std::vector<D::Item>>("itens");
    QTest::addColumn<double>("lance");
    QTest::addColumn<int>("casas");
    QTest::addColumn<QString>("motivo");
    QTest::addColumn<double>("abaixo");  // -1: none
    QTest::addColumn<double>("acima");

    QTest::newRow("múltiplos de 3 a 2 casas") << std::vector<D::Item>{{3, 10}, {6, 4}, {9, 1}} << 100.01 << 2
                                              << QStringLiteral("passos de 0,0300") << 99.99 << 100.02;
    QTest::newRow("um item de quantidade 3") << std::vector<D::Item>{{3, 10}} << 100.0 << 2
                                             << QStringLiteral("passos de 0,0300") << 99.99 << 100.02;
    QTest::newRow("abaixo dos preços mínimos")
        << std::vector<D::Item>{{10, 5}, {20, 1}} << 0.25 << 2 << QStringLiteral("menor que a soma dos itens")
        << -1.0 << 0.30;
    QTest::newRow("buraco junto ao mínimo (2 e 3)")
        << std::vector<D::Item>{{2, 1}, {3, 1}} << 0.0006 << 4 << QStringLiteral("nenhuma combinação")
        << 0.0005 << 0.0007;
    QTest::newRow("lance zero") << std::vector<D::Item>{{1, 1}} << 0.0 << 4
                                << QStringLiteral("não é maior que zero") << -1.0 << -1.0;
    QTest::newRow("sem preço de referência") << std::vector<D::Item>{{1, 1}, {2, 0}} << 10.0 << 4
                                             << QStringLiteral("o item 2 não tem preço") << -1.0 << -1.0;
    QTest::newRow("lance fora do intervalo")
        << std::vector<D::Item>{{1, 1}} << 1e300 << 4 << QStringLiteral("fora do intervalo") << -1.0 << -1.0;
}

void TestDistribuicao::impossivel() {
    QFETCH(std::vector<D::Item>, itens);
    QFETCH(double, lance);
    QFETCH(int, casas);
    QFETCH(QString, motivo);
    QFETCH(double, abaixo);
    QFETCH(double, acima);

    const D::Resultado r = D::Distribui(itens, lance, casas);
    QVERIFY(!r.exato);
    QVERIFY2(r.motivo.contains(motivo), qPrintable(r.motivo));
    QVERIFY(r.precos.empty());
    QCOMPARE(r.totalAbaixo.has_value(), abaixo >= 0);
    QCOMPARE(r.totalAcima.has_value(), acima >= 0);
    if (abaixo >= 0)
        QCOMPARE(*r.totalAbaixo, Currency::FromDouble(abaixo));
    if (acima >= 0)
        QCOMPARE(*r.totalAcima, Currency::FromDouble(acima));
}

// Small random lots against an enumeration of every price within four grid steps
// of the rounded proportional price: the rule finds the same smallest largest
// deviation and the same fewest moved items, or the lot has no solution there.
void TestDistribuicao::otimaContraBuscaCompleta_data() {
    QTest::addColumn<int>("casas");
    QTest::addColumn<bool>("fracionarias");
    QTest::newRow("inteiras, 4 casas") << 4 << false;
    QTest::newRow("inteiras, 2 casas") << 2 << false;
    QTest::newRow("fracionárias, 4 casas") << 4 << true;
    QTest::newRow("fracionárias, 2 casas") << 2 << true;
}

void TestDistribuicao::otimaContraBuscaCompleta() {
    QFETCH(int, casas);
    QFETCH(bool, fracionarias);
    std::mt19937 gerador(casas * 10 + fracionarias);
    std::uniform_int_distribution<int> tamanho(1, 4), quantidade(1, 9), preco(1, 3000), lanceCent(1, 20000);
    const long double escala = casas == 2 ? 100 : 10000;
    for (int caso = 0; caso < 150; ++caso) {
        std::vector<D::Item> itens(size_t(tamanho(gerador)));
        for (D::Item& it : itens) {
            it.quantidade = quantidade(gerador) + (fracionarias ? quantidade(gerador) * 0.125 : 0);
            it.referencia = preco(gerador) / 100.0;
        }
        const double lance = lanceCent(gerador) / 10000.0 * (casas == 2 ? 10 : 1) + 0.0001 * (caso % 3);
        const D::Resultado r = D::Distribui(itens, lance, casas);
        const int64_t alvo = Currency::FromDouble(lance).Scaled();

        long double ponderado = 0;
        for (const D::Item& it : itens)
            ponderado += (long double)it.quantidade * it.referencia;
        std::vector<long double> x;
        std::vector<long long> k0;
        for (const D::Item& it : itens) {
            x.push_back(it.referencia * (long double)lance / ponderado * escala);
            k0.push_back(std::max<long long>(1, std::llround(std::nearbyint(x.back()))));
        }
        // Enumerate k0 - 4 .. k0 + 4 for every item.
        long double melhor = INFINITY;
        int menosMovidos = 1 << 30;
        std::set<int64_t> alcancados;
        std::vector<int> d(itens.size(), -4);
        for (;;) {
            bool valido = true;
            int64_t soma = 0;
            long double desvio = 0;
            int movidos = 0;
            for (size_t i = 0; i < itens.size(); ++i) {
                const long long k = k0[i] + d[i];
                if (k < 1) {
                    valido = false;
                    break;
                }
                soma += TotalEscalado(itens[i].quantidade, k, casas);
                if (d[i] != 0)
                    desvio = std::max(desvio, std::fabs((long double)k - x[i]));
                movidos += d[i] != 0;
            }
            if (valido) {
                alcancados.insert(soma);
                if (soma == alvo && (desvio < melhor - 1e-9L ||
                                     (std::fabs(desvio - melhor) <= 1e-9L && movidos < menosMovidos))) {
                    melhor = desvio;
                    menosMovidos = movidos;
                }
            }
            size_t i = 0;
            while (i < d.size() && d[i] == 4)
                d[i++] = -4;
            if (i == d.size())
                break;
            ++d[i];
        }
        const QByteArray onde = QByteArray("caso ") + QByteArray::number(caso);
        if (melhor < 3.5L) {  // every solution that good lies inside the enumeration
            QVERIFY2(r.exato, onde + ' ' + r.motivo.toUtf8());
            QVERIFY2(std::fabs(DesvioDosMovidos(r, x, k0, casas) - melhor) < 1e-6L, onde);
            QCOMPARE(r.itensDeslocados, menosMovidos);
            QVERIFY2(PassaNoEncerramento(itens, r.precos, lance), onde);
        } else if (r.exato) {
            QVERIFY2(DesvioDosMovidos(r, x, k0, casas) >= melhor - 1e-6L || melhor == INFINITY, onde);
            QVERIFY2(PassaNoEncerramento(itens, r.precos, lance), onde);
        } else {
            QVERIFY2(melhor == INFINITY, onde + ' ' + r.motivo.toUtf8());
            // no total the enumeration reaches lies strictly between the nearest ones named
            const int64_t abaixo = r.totalAbaixo ? r.totalAbaixo->Scaled() : INT64_MIN;
            const int64_t acima = r.totalAcima ? r.totalAcima->Scaled() : INT64_MAX;
            QVERIFY2(abaixo < alvo && alvo < acima, onde);
            for (const int64_t t : alcancados)
                QVERIFY2(t <= abaixo || t >= acima, onde);
        }
    }
}

void TestDistribuicao::precoDaGradeEhOTextoConvertido() {
    for (long long k : {1LL, 3LL, 10LL, 12345LL, 99999LL, 123456789LL, 7777777777LL}) {
        for (int casas : {2, 4}) {
            const double p = D::PrecoDaGrade(k, casas);
            QCOMPARE(StrToFloat(D::TextoPreco(p, casas), FormatSettings::brazilian()), p);
        }
    }
    QCOMPARE(D::TextoPreco(D::PrecoDaGrade(123456, 4), 4), QStringLiteral("12,3456"));
    QCOMPARE(D::TextoPreco(D::PrecoDaGrade(5, 2), 2), QStringLiteral("0,05"));
}

// Lots read from the process data set, distributed and recorded through the
// recording rule; the filter and cursor of the data set survive the reading.
void TestDistribuicao::loteDoProcesso() {
    TMemoryDataSet ds;
    ProposalSchema::DeclareProcesso(ds);
    ds.CreateDataSet();
    const struct {
        int lote, item;
        double qtd, lance, preco;
    } linhas[] = {{1, 1, 3, 100, 10}, {1, 2, 150.5, 100, 0.25}, {2, 1, 2, 50.5, 7}, {2, 2, 1, 50.5, 0}};
    for (const auto& l : linhas) {
        ds.Append();
        ds.FieldByName(QStringLiteral("nro_lote"))->SetAsInteger(l.lote);
        ds.FieldByName(QStringLiteral("nro_item"))->SetAsInteger(l.item);
        ds.FieldByName(QStringLiteral("qtd_produto"))->SetAsFloat(l.qtd);
        ds.FieldByName(QStringLiteral("vlr_lance"))->SetAsFloat(l.lance);
        ds.FieldByName(QStringLiteral("des_marca"))->SetAsString(QStringLiteral("M%1").arg(l.item));
        if (l.preco > 0)
            ds.FieldByName(QStringLiteral("vlr_realinhamento"))->SetAsFloat(l.preco);
        ds.Post();
    }
    R::FiltraLote(ds, 2);
    ds.Next();
    const std::vector<D::LoteProcesso> lotes = D::LeLotes(ds);
    QVERIFY(ds.Filtered());
    QCOMPARE(ds.FieldByName(QStringLiteral("nro_item"))->AsInteger(), 2);
    QCOMPARE(lotes.size(), size_t(2));
    QCOMPARE(lotes[0].itens.size(), size_t(2));

    // Lot 2 has an item without a typed price: refused with its number.
    const D::Resultado recusado = D::DistribuiLote(lotes[1], nullptr, 4);
    QVERIFY(!recusado.exato);
    QVERIFY2(recusado.motivo.contains(QStringLiteral("item 2")), qPrintable(recusado.motivo));

    // With a prices file for lot 2, its brand is taken from the file.
    D::TabelaPrecos tabela;
    tabela.insert({2, 1}, {QStringLiteral("Arquivo"), 3});
    tabela.insert({2, 2}, {QStringLiteral("Outra"), 4});
    const D::Resultado r1 = D::DistribuiLote(lotes[0], nullptr, 2);
    const D::Resultado r2 = D::DistribuiLote(lotes[1], &tabela, 4);
    QVERIFY2(r1.exato, qPrintable(r1.motivo));
    QVERIFY2(r2.exato, qPrintable(r2.motivo));
    ds.SetFiltered(false);
    int gravados = 0;
    D::Aplica(ds, lotes[0], r1, nullptr, [&] { ++gravados; });
    D::Aplica(ds, lotes[1], r2, &tabela, [&] { ++gravados; });
    QCOMPARE(gravados, 4);
    ds.First();
    QCOMPARE(ds.FieldByName(QStringLiteral("des_marca"))->AsString(), QStringLiteral("M1"));
    ds.Last();
    QCOMPARE(ds.FieldByName(QStringLiteral("des_marca"))->AsString(), QStringLiteral("Outra"));
    TMemoryDataSet lote;
    ProposalSchema::DeclareLote(lote);
    R::MontaLotes(ds, lote);
    QVERIFY(R::ConfereLotes(ds, lote).isEmpty());
}

QTEST_GUILESS_MAIN(TestDistribuicao)
#include "tst_distribuicao.moc"
