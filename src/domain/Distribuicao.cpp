#include "domain/Distribuicao.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>

#include "dataset/CsvInterchange.h"
#include "dataset/TMemoryDataSet.h"
#include "domain/RegrasProposta.h"
#include "runtime/Exceptions.h"
#include "runtime/FormatFloat.h"
#include "runtime/FormatSettings.h"
#include "runtime/Rounding.h"

namespace quorin::Distribuicao {

namespace {

// Every candidate price of every item is an "event": moving that item from its
// rounded proportional grid point k0 to grid point k, at the cost |k - x| (x the
// proportional price in grid steps). Taking the events in the order of their cost,
// the smallest prefix with which the residue (bid minus the sum at k0) is a sum of
// one offset per item gives the smallest largest deviation; the prefix is found
// with an exponential and then a binary search, each step an exact subset-sum over
// offsets in units of their gcd, as a bitset. The fewest moved items then come
// from a count DP over the same offsets.

// Largest bitset width (bits) and count-DP table (cells) the search builds.
constexpr int64_t kLarguraMaxima = int64_t(1) << 26;
constexpr int64_t kCelulasMaximas = int64_t(1) << 25;
// Largest set of per-item bitsets (64-bit words) any solution is read back from.
constexpr int64_t kPalavrasMaximas = int64_t(1) << 24;
// Deepest search, in grid steps from the proportional price, and most events.
constexpr long long kProfundidadeMaxima = 1 << 16;
constexpr size_t kEventosMaximos = size_t(1) << 22;
// Deviations (in grid steps) closer than this are the same deviation.
constexpr long double kEmpate = 1e-9L;
// Word operations one reachability check may cost before the search stops deepening.
constexpr long double kTrabalhoMaximo = 1 << 23;
// Largest grid point considered: far above any price, far below overflow.
constexpr long double kGradeMaxima = 1e15L;

struct Evento {
    long double custo;
    int item;
    long long k;
    int64_t delta;  // total at k minus total at k0, scaled Currency
};

struct Caso {
    double q;
    long double x;  // proportional price in grid steps
    long long k0;
    int64_t t0;
    long long profundidade = 0;  // events generated up to k0 +- profundidade
};

int64_t Total(double q, long long k, int casas) {
    return Currency::FromDouble(RegrasProposta::TotalItem(q, PrecoDaGrade(k, casas))).Scaled();
}

long double Escala(int casas) {
    return casas == 2 ? 100.0L : 10000.0L;
}

QString Dinheiro(Currency c) {
    return FormatFloat(QStringLiteral("#,##0.0000"), c.ToDouble());
}

// One item's options in a prefix: offsets (scaled) with their grid points; the
// first option is always staying at k0 (offset 0).
struct Opcoes {
    int item;
    std::vector<std::pair<int64_t, long long>> op;
};

struct Montagem {
    std::vector<Opcoes> itens;  // items with at least one move
    int64_t g = 0;              // gcd of all offsets (0: no move at all)
    int64_t base = 0;           // sum of the smallest offsets, in units of g
    int64_t largura = 0;        // bits of the reachable-offset window
};

Montagem Monta(const std::vector<Evento>& eventos, size_t prefixo, const std::vector<Caso>& casos) {
    std::vector<size_t> ordem(prefixo);
    std::iota(ordem.begin(), ordem.end(), size_t(0));
    std::sort(ordem.begin(), ordem.end(), [&](size_t a, size_t b) {
        return eventos[a].item != eventos[b].item ? eventos[a].item < eventos[b].item
                                                  : eventos[a].k < eventos[b].k;
    });
    Montagem m;
    for (size_t i = 0; i < ordem.size();) {
        Opcoes o;
        o.item = eventos[ordem[i]].item;
        o.op.push_back({0, casos[size_t(o.item)].k0});
        for (; i < ordem.size() && eventos[ordem[i]].item == o.item; ++i) {
            const Evento& e = eventos[ordem[i]];
            o.op.push_back({e.delta, e.k});
            m.g = std::gcd(m.g, e.delta < 0 ? -e.delta : e.delta);
        }
        m.itens.push_back(std::move(o));
    }
    if (m.g == 0)
        return m;
    int64_t largura = 0;
    for (const Opcoes& o : m.itens) {
        int64_t menor = 0, maior = 0;
        for (const auto& [d, k] : o.op) {
            menor = std::min(menor, d / m.g);
            maior = std::max(maior, d / m.g);
        }
        m.base += menor;
        largura += maior - menor;
        if (largura >= kLarguraMaxima) {
            m.largura = kLarguraMaxima;
            return m;
        }
    }
    m.largura = largura + 1;
    return m;
}

enum class Resposta { Sim, Nao, Grande };

using Bits = std::vector<uint64_t>;

void DeslocaOu(Bits& destino, const Bits& origem, size_t palavras, int64_t s) {
    const size_t ws = size_t(s) / 64;
    const unsigned bs = unsigned(s % 64);
    for (size_t i = 0; i < palavras; ++i) {
        const uint64_t v = origem[i];
        if (v == 0)
            continue;
        if (i + ws < destino.size())
            destino[i + ws] |= v << bs;
        if (bs != 0 && i + ws + 1 < destino.size())
            destino[i + ws + 1] |= v >> (64 - bs);
    }
}

// Span (largest minus smallest offset, in units of g) of every item after each one:
// from position p after item j the target is reachable only if alvo - p lies within
// the span still to come, so positions outside [alvo - resto[j], alvo] are dropped.
std::vector<int64_t> Restos(const Montagem& m) {
    std::vector<int64_t> resto(m.itens.size() + 1, 0);
    for (size_t j = m.itens.size(); j-- > 0;) {
        int64_t menor = 0, maior = 0;
        for (const auto& op : m.itens[j].op) {
            menor = std::min(menor, op.first / m.g);
            maior = std::max(maior, op.first / m.g);
        }
        resto[j] = resto[j + 1] + (maior - menor);
    }
    return resto;
}

// The reachable offsets (in units of g, shifted by -base) of the prefix; with a
// target position, only those from which the target can still be reached.
Bits Alcance(const Montagem& m, int64_t alvo = -1) {
    const size_t palavras = size_t(m.largura + 63) / 64;
    Bits atual(palavras, 0), proximo(palavras, 0);
    atual[0] = 1;
    const std::vector<int64_t> resto = alvo >= 0 ? Restos(m) : std::vector<int64_t>();
    int64_t alcance = 0;  // highest position that may be set
    size_t inicio = 0;    // words below are zero
    for (size_t j = 0; j < m.itens.size(); ++j) {
        const Opcoes& o = m.itens[j];
        int64_t menor = 0;
        for (const auto& op : o.op)
            menor = std::min(menor, op.first / m.g);
        size_t fim = std::min(palavras, size_t(alcance / 64 + 1));
        std::fill(proximo.begin() + std::ptrdiff_t(inicio), proximo.end(), 0);
        int64_t maior = 0;
        for (const auto& op : o.op) {
            const int64_t s = op.first / m.g - menor;
            maior = std::max(maior, s);
            const size_t ws = size_t(s) / 64;
            const unsigned bs = unsigned(s % 64);
            for (size_t i = inicio; i < fim; ++i) {
                const uint64_t v = atual[i];
                if (v == 0)
                    continue;
                if (i + ws < palavras)
                    proximo[i + ws] |= v << bs;
                if (bs != 0 && i + ws + 1 < palavras)
                    proximo[i + ws + 1] |= v >> (64 - bs);
            }
        }
        alcance += maior;
        if (alvo >= 0) {
            alcance = std::min(alcance, alvo);
            const int64_t piso = alvo - resto[j + 1];
            const size_t novoInicio = piso > 0 ? size_t(piso / 64) : 0;
            std::fill(proximo.begin() + std::ptrdiff_t(inicio),
                      proximo.begin() + std::ptrdiff_t(std::max(inicio, novoInicio)), 0);
            inicio = std::max(inicio, novoInicio);
        }
        std::swap(atual, proximo);
    }
    return atual;
}

bool Bit(const Bits& b, int64_t pos) {
    return (b[size_t(pos) / 64] >> (pos % 64)) & 1;
}

Resposta Alcanca(const Montagem& m, int64_t residuo) {
    if (m.g == 0)
        return residuo == 0 ? Resposta::Sim : Resposta::Nao;
    if (residuo % m.g != 0)
        return Resposta::Nao;
    if (m.largura >= kLarguraMaxima)
        return Resposta::Grande;
    const int64_t pos = residuo / m.g - m.base;
    if (pos < 0 || pos >= m.largura)
        return Resposta::Nao;
    return Bit(Alcance(m, pos), pos) ? Resposta::Sim : Resposta::Nao;
}

// The grid points of the fewest moved items reaching the residue, in the options of
// the prefix; false when the table would be too large.
bool MenosMovidos(const Montagem& m, int64_t residuo, std::vector<long long>& k) {
    const int64_t alvo = residuo / m.g - m.base;
    const size_t n = m.itens.size();
    if (alvo < 0 || alvo >= m.largura || int64_t(n) * m.largura > kCelulasMaximas)
        return false;
    constexpr uint16_t kInf = std::numeric_limits<uint16_t>::max();
    const size_t largura = size_t(m.largura);
    std::vector<uint16_t> atual(largura, kInf), proximo(largura);
    std::vector<uint8_t> escolha(n * largura, 0xFF);
    atual[0] = 0;
    const std::vector<int64_t> resto = Restos(m);
    int64_t alcance = 0, piso = 0;  // positions set lie in [piso, alcance]
    for (size_t j = 0; j < n; ++j) {
        const Opcoes& o = m.itens[j];
        int64_t menor = 0, maior = 0;
        for (const auto& op : o.op)
            menor = std::min(menor, op.first / m.g);
        std::fill(proximo.begin() + std::ptrdiff_t(piso), proximo.end(), kInf);
        for (size_t c = 0; c < o.op.size() && c < 0xFF; ++c) {
            const int64_t s = o.op[c].first / m.g - menor;
            maior = std::max(maior, s);
            const uint16_t custo = c == 0 ? 0 : 1;
            // Only positions from which the target is still reachable.
            const int64_t de = std::max(piso, alvo - resto[j] - s > 0 ? alvo - resto[j] - s : 0);
            for (int64_t p = de; p <= alcance && p + s <= alvo; ++p) {
                if (atual[size_t(p)] == kInf)
                    continue;
                const uint16_t v = uint16_t(atual[size_t(p)] + custo);
                if (v < proximo[size_t(p + s)]) {
                    proximo[size_t(p + s)] = v;
                    escolha[j * largura + size_t(p + s)] = uint8_t(c);
                }
            }
        }
        alcance = std::min<int64_t>({alcance + maior, m.largura - 1, alvo});
        piso = std::max<int64_t>(piso, alvo - resto[j + 1]);
        std::swap(atual, proximo);
    }
    if (alvo < 0 || alvo >= m.largura || atual[size_t(alvo)] == kInf)
        return false;
    int64_t pos = alvo;
    for (size_t j = n; j-- > 0;) {
        const Opcoes& o = m.itens[j];
        int64_t menor = 0;
        for (const auto& op : o.op)
            menor = std::min(menor, op.first / m.g);
        const uint8_t c = escolha[j * largura + size_t(pos)];
        k[size_t(o.item)] = o.op[c].second;
        pos -= o.op[c].first / m.g - menor;
    }
    return true;
}

// Any grid points reaching the residue. The reachable sets after every item are
// kept only at every K-th item (K about the square root of the item count); the
// backtrack rebuilds the K sets of one stretch at a time from its checkpoint.
bool QualquerSolucao(const Montagem& m, int64_t residuo, std::vector<long long>& k) {
    const size_t n = m.itens.size();
    const size_t palavras = size_t(m.largura + 63) / 64;
    const int64_t alvo = residuo / m.g - m.base;
    if (alvo < 0 || alvo >= m.largura)
        return false;
    const size_t passo = std::max<size_t>(1, size_t(std::sqrt(double(n))));
    const size_t marcos = n / passo + 1;
    if (int64_t(marcos + passo + 2) * int64_t(palavras) > kPalavrasMaximas)
        return false;
    // Highest position that may be set after j items; beyond the target none is of use.
    std::vector<int64_t> menores(n, 0), alcance(n + 1, 0);
    for (size_t j = 0; j < n; ++j) {
        int64_t maior = 0;
        for (const auto& op : m.itens[j].op) {
            menores[j] = std::min(menores[j], op.first / m.g);
            maior = std::max(maior, op.first / m.g);
        }
        alcance[j + 1] = std::min(alvo, alcance[j] + maior - menores[j]);
    }
    const auto avanca = [&](const Bits& de, Bits& para, size_t j) {
        const size_t usadas = size_t(alcance[j] / 64 + 1), novas = size_t(alcance[j + 1] / 64 + 1);
        std::fill(para.begin(), para.begin() + std::ptrdiff_t(novas), 0);
        for (const auto& op : m.itens[j].op)
            DeslocaOu(para, de, usadas, op.first / m.g - menores[j]);
        // Bits past the target are of no use and must not linger for a later reuse.
        if (alvo % 64 != 63 && novas == size_t(alvo / 64 + 1))
            para[novas - 1] &= (uint64_t(1) << (alvo % 64 + 1)) - 1;
    };

    std::vector<Bits> marco(marcos);
    Bits atual(palavras, 0), proximo(palavras, 0);
    atual[0] = 1;
    marco[0] = atual;
    for (size_t j = 0; j < n; ++j) {
        avanca(atual, proximo, j);
        std::swap(atual, proximo);
        if ((j + 1) % passo == 0)
            marco[(j + 1) / passo] = atual;
    }
    if (!Bit(atual, alvo))
        return false;

    int64_t pos = alvo;
    std::vector<Bits> trecho(passo + 1, Bits(palavras, 0));
    for (size_t s = (n - 1) / passo + 1; s-- > 0;) {
        const size_t de = s * passo, ate = std::min(n, de + passo);
        trecho[0] = marco[s];
        for (size_t j = de; j < ate; ++j)
            avanca(trecho[j - de], trecho[j - de + 1], j);
        for (size_t j = ate; j-- > de;) {
            const Opcoes& o = m.itens[j];
            for (const auto& op : o.op) {
                const int64_t anterior = pos - (op.first / m.g - menores[j]);
                if (anterior >= 0 && anterior <= alcance[j] && Bit(trecho[j - de], anterior)) {
                    k[size_t(o.item)] = op.second;
                    pos = anterior;
                    break;
                }
            }
        }
    }
    return pos == 0;
}

// Adds the events of every item from its current depth to `profundidade`.
void Aprofunda(std::vector<Evento>& eventos, std::vector<Caso>& casos, long long profundidade, int casas) {
    for (size_t i = 0; i < casos.size(); ++i) {
        Caso& c = casos[i];
        for (long long d = c.profundidade + 1; d <= profundidade; ++d) {
            for (const long long k : {c.k0 - d, c.k0 + d}) {
                if (k < 1 || static_cast<long double>(k) > kGradeMaxima)
                    continue;
                eventos.push_back(
                    {std::fabs(static_cast<long double>(k) - c.x), int(i), k, Total(c.q, k, casas) - c.t0});
            }
        }
        c.profundidade = profundidade;
    }
    std::stable_sort(eventos.begin(), eventos.end(), [](const Evento& a, const Evento& b) {
        if (a.custo != b.custo)
            return a.custo < b.custo;
        return a.item != b.item ? a.item < b.item : a.k < b.k;
    });
}

Resultado Recusa(Resultado r, const QString& motivo) {
    r.exato = false;
    r.motivo = motivo;
    r.precos.clear();
    r.totais.clear();
    r.proporcionais.clear();
    return r;
}

QString Passo(int64_t g) {
    return Dinheiro(Currency::FromScaled(g));
}

Resultado DistribuiExato(const std::vector<Item>& itens, double lance, int casas) {
    Resultado r;
    if (itens.empty())
        return Recusa(r, QStringLiteral("o lote não tem itens."));
    if (!std::isfinite(lance) || !(lance > 0))
        return Recusa(r, QStringLiteral("o lance do lote não é maior que zero."));
    r.lance = Currency::FromDouble(lance);
    const int64_t alvo = r.lance.Scaled();

    long double ponderado = 0;
    for (size_t i = 0; i < itens.size(); ++i) {
        const Item& it = itens[i];
        if (!std::isfinite(it.quantidade) || it.quantidade < 0)
            return Recusa(r, QStringLiteral("o item %1 tem uma quantidade inválida.").arg(i + 1));
        if (!std::isfinite(it.referencia) || !(it.referencia > 0))
            return Recusa(r,
                          QStringLiteral("o item %1 não tem preço de referência maior que zero.").arg(i + 1));
        ponderado += static_cast<long double>(it.quantidade) * static_cast<long double>(it.referencia);
    }
    if (!(ponderado > 0))
        return Recusa(r, QStringLiteral("nenhum item do lote tem quantidade."));

    const long double escala = Escala(casas);
    std::vector<Caso> casos(itens.size());
    int64_t minimo = 0, soma0 = 0;
    for (size_t i = 0; i < itens.size(); ++i) {
        Caso& c = casos[i];
        c.q = itens[i].quantidade;
        c.x = static_cast<long double>(itens[i].referencia) * static_cast<long double>(lance) / ponderado *
              escala;
        if (!(c.x < kGradeMaxima))
            return Recusa(r,
                          QStringLiteral("o preço proporcional do item %1 está fora do intervalo de valores "
                                         "monetários.")
                              .arg(i + 1));
        c.k0 = std::max<long long>(1, static_cast<long long>(RoundHalfEven(c.x)));
        c.t0 = Total(c.q, c.k0, casas);
        minimo += Total(c.q, 1, casas);
        soma0 += c.t0;
    }
    const QString menorPreco = casas == 2 ? QStringLiteral("0,01") : QStringLiteral("0,0001");
    if (alvo < minimo) {
        r.totalAcima = Currency::FromScaled(minimo);
        return Recusa(r,
                      QStringLiteral("o lance %1 é menor que a soma dos itens ao menor preço possível (%2), "
                                     "%3.")
                          .arg(Dinheiro(r.lance), menorPreco, Dinheiro(Currency::FromScaled(minimo))));
    }

    const int64_t residuo = alvo - soma0;
    std::vector<long long> k(casos.size());
    for (size_t i = 0; i < casos.size(); ++i)
        k[i] = casos[i].k0;

    if (residuo != 0) {
        std::vector<Evento> eventos;
        long long profundidade = 1;
        Aprofunda(eventos, casos, profundidade, casas);
        // Exponential search for a reaching prefix, deepening the events when the
        // whole list does not reach.
        size_t falha = 0, acerto = 0;  // prefixes known not to reach / to reach
        bool grande = false;
        const auto busca = [&](size_t p) {
            for (;;) {
                p = std::min(p, eventos.size());
                const Montagem montagem = Monta(eventos, p, casos);
                const Resposta a = Alcanca(montagem, residuo);
                if (a == Resposta::Sim) {
                    acerto = p;
                    return;
                }
                if (a == Resposta::Grande) {
                    grande = true;
                    return;
                }
                falha = p;
                if (p < eventos.size()) {
                    p *= 2;
                    continue;
                }
                // Deeper only while the next full check stays within the work budget:
                // twice the options over a window twice as wide.
                const long double trabalho =
                    (2.0L * eventos.size() + casos.size()) * 2.0L * montagem.largura / 64;
                if (profundidade >= kProfundidadeMaxima || eventos.size() * 3 > kEventosMaximos ||
                    trabalho > kTrabalhoMaximo)
                    return;
                profundidade *= 2;
                Aprofunda(eventos, casos, profundidade, casas);
                // Events of equal cost may interleave old and new ones: only the empty
                // prefix is still known not to reach.
                falha = 0;
                ++p;
            }
        };
        busca(1);
        if (acerto == 0) {
            // Nearest reachable totals among the prefix the search last built completely.
            const Montagem m = Monta(eventos, grande ? falha : eventos.size(), casos);
            if (m.g != 0 && m.largura < kLarguraMaxima) {
                const Bits b = Alcance(m);
                const int64_t abaixo =
                    (residuo >= 0 ? residuo / m.g : -((-residuo + m.g - 1) / m.g)) - m.base;
                for (int64_t pos = std::min(abaixo, m.largura - 1); pos >= 0; --pos) {
                    if (Bit(b, pos) && soma0 + (pos + m.base) * m.g < alvo) {
                        r.totalAbaixo = Currency::FromScaled(soma0 + (pos + m.base) * m.g);
                        break;
                    }
                }
                for (int64_t pos = std::max<int64_t>(abaixo, 0); pos < m.largura; ++pos) {
                    if (Bit(b, pos) && soma0 + (pos + m.base) * m.g > alvo) {
                        r.totalAcima = Currency::FromScaled(soma0 + (pos + m.base) * m.g);
                        break;
                    }
                }
            }
            if (grande)
                return Recusa(r, QStringLiteral("o lote é grande demais para a busca exata dos preços com "
                                                "estas casas decimais (com 4 casas a busca é menor)."));
            if (m.g > 1 && residuo % m.g != 0)
                return Recusa(
                    r, QStringLiteral("com %1 casas decimais os totais dos itens só variam em passos de "
                                      "%2, e o lance %3 não fica em nenhum desses passos.")
                           .arg(casas)
                           .arg(Passo(m.g), Dinheiro(r.lance)));
            return Recusa(
                r, QStringLiteral("nenhuma combinação de preços com %1 casas decimais soma exatamente o "
                                  "lance %2.")
                       .arg(casas)
                       .arg(Dinheiro(r.lance)));
        }
        // Binary search for the smallest reaching prefix. Every event of depth d + 1
        // costs at least d + 0.5; an item held at the lowest price (its proportional
        // price below half a step) has events of depth d dearer than that, so when
        // the deviation found reaches d + 0.5 the events are deepened to it and the
        // search runs again over them.
        size_t hi = 0;
        long double limite = 0;
        for (;;) {
            size_t lo = falha;  // lo does not reach, hi does
            hi = acerto;
            while (hi - lo > 1) {
                const size_t mid = lo + (hi - lo) / 2;
                if (Alcanca(Monta(eventos, mid, casos), residuo) == Resposta::Sim)
                    hi = mid;
                else
                    lo = mid;
            }
            // Every event no dearer than the chosen largest deviation may move, at no
            // cost to it: they are the options for the fewest moved items. Deviations
            // come from a long double proportional price: two that are equal in exact
            // arithmetic may differ in the last bits, and count as equal.
            limite = eventos[hi - 1].custo + kEmpate;
            if (limite < static_cast<long double>(profundidade) + 0.5L)
                break;
            profundidade = std::max(profundidade * 2, static_cast<long long>(std::ceil(limite)));
            Aprofunda(eventos, casos, profundidade, casas);
            falha = 0;
            acerto = eventos.size();  // the whole deeper list reaches: it holds the prefix found
        }
        while (hi < eventos.size() && eventos[hi].custo <= limite)
            ++hi;
        const Montagem m = Monta(eventos, hi, casos);
        if (!MenosMovidos(m, residuo, k) && !QualquerSolucao(m, residuo, k))
            return Recusa(r, QStringLiteral("o lote é grande demais para a busca exata dos preços com estas "
                                            "casas decimais (com 4 casas a busca é menor)."));
    }

    r.precos.resize(casos.size());
    r.totais.resize(casos.size());
    r.proporcionais.resize(casos.size());
    Currency soma;
    long double desvio = 0;
    for (size_t i = 0; i < casos.size(); ++i) {
        r.precos[i] = PrecoDaGrade(k[i], casas);
        r.totais[i] = Currency::FromDouble(RegrasProposta::TotalItem(casos[i].q, r.precos[i]));
        r.proporcionais[i] = static_cast<double>(casos[i].x / escala);
        soma += r.totais[i];
        desvio = std::max(desvio, std::fabs(static_cast<long double>(k[i]) - casos[i].x));
        if (k[i] != casos[i].k0)
            ++r.itensDeslocados;
    }
    r.soma = soma;
    r.maiorDesvio = static_cast<double>(desvio / escala);
    // The closing's own comparison, as a last guard: never a nearly-reconciling result.
    if (soma.DiffersFrom(lance))
        return Recusa(r, QStringLiteral("a soma dos itens não confere com o lance."));
    r.exato = true;
    return r;
}

}  // namespace

double PrecoDaGrade(long long k, int casas) {
    return static_cast<double>(k) / (casas == 2 ? 100.0 : 10000.0);
}

Resultado Distribui(const std::vector<Item>& itens, double lance, int casas) {
    if (casas != 2 && casas != 4)
        casas = CasasPadrao;
    try {
        return DistribuiExato(itens, lance, casas);
    } catch (const EConvertError&) {
        Resultado r;
        r.motivo = QStringLiteral("os valores do lote estão fora do intervalo de valores monetários.");
        return r;
    }
}

QString TextoPreco(double preco, int casas) {
    return FormatFloat(casas == 2 ? QStringLiteral("0.00") : QStringLiteral("0.0000"), preco,
                       FormatSettings::brazilian());
}

// ---- over the process data set

Currency LoteProcesso::Soma() const {
    Currency soma;
    for (const ItemProcesso& it : itens)
        soma += it.total;
    return soma;
}

std::vector<LoteProcesso> LeLotes(TMemoryDataSet& processo) {
    const QString filtro = processo.Filter();
    const bool filtrado = processo.Filtered();
    TBookmark marca = processo.GetBookmark();
    processo.SetFiltered(false);
    TField* nroLote = processo.FieldByName(QStringLiteral("nro_lote"));
    TField* nroItem = processo.FieldByName(QStringLiteral("nro_item"));
    TField* qtd = processo.FieldByName(QStringLiteral("qtd_produto"));
    TField* lance = processo.FieldByName(QStringLiteral("vlr_lance"));
    TField* preco = processo.FieldByName(QStringLiteral("vlr_realinhamento"));
    TField* total = processo.FieldByName(QStringLiteral("vlr_total"));
    TField* desMarca = processo.FieldByName(QStringLiteral("des_marca"));
    std::vector<LoteProcesso> lotes;
    for (processo.First(); !processo.Eof(); processo.Next()) {
        const int numero = nroLote->AsInteger();
        if (lotes.empty() || lotes.back().nroLote != numero) {
            lotes.push_back({});
            lotes.back().nroLote = numero;
            lotes.back().lance = lance->AsFloat();  // the lot's bid is its first item's
        }
        ItemProcesso it;
        it.nroItem = nroItem->AsInteger();
        it.recNo = processo.RecNo();
        it.quantidade = qtd->AsFloat();
        it.preco = preco->AsFloat();
        it.total = Currency::FromDouble(total->AsFloat());
        it.marca = desMarca->AsString();
        lotes.back().itens.push_back(std::move(it));
    }
    processo.SetFilter(filtro);
    processo.SetFiltered(filtrado);
    processo.GotoBookmark(marca);
    processo.FreeBookmark(marca);
    return lotes;
}

TabelaPrecos LePrecos(const QString& arquivo) {
    TMemoryDataSet precos;
    precos.AddSmallintField(QStringLiteral("nro_lote"));
    precos.AddSmallintField(QStringLiteral("nro_item"));
    precos.AddMemoField(QStringLiteral("des_marca"));
    precos.AddFloatField(QStringLiteral("vlr_realinhamento"));
    TCsvInterchange::Import(precos, TCsvInterchange::ReadFile(arquivo));
    TabelaPrecos tabela;
    TField* lote = precos.FieldByName(QStringLiteral("nro_lote"));
    TField* item = precos.FieldByName(QStringLiteral("nro_item"));
    TField* marca = precos.FieldByName(QStringLiteral("des_marca"));
    TField* preco = precos.FieldByName(QStringLiteral("vlr_realinhamento"));
    for (precos.First(); !precos.Eof(); precos.Next())
        tabela.insert({lote->AsInteger(), item->AsInteger()}, {marca->AsString(), preco->AsFloat()});
    return tabela;
}

std::vector<Item> Referencias(const LoteProcesso& lote, const TabelaPrecos* tabela) {
    std::vector<Item> itens;
    itens.reserve(lote.itens.size());
    for (const ItemProcesso& it : lote.itens) {
        double referencia = it.preco;
        if (tabela) {
            const auto achado = tabela->constFind({lote.nroLote, it.nroItem});
            referencia = achado == tabela->constEnd() ? 0 : achado->preco;
        }
        itens.push_back({it.quantidade, referencia});
    }
    return itens;
}

Resultado DistribuiLote(const LoteProcesso& lote, const TabelaPrecos* tabela, int casas) {
    const std::vector<Item> itens = Referencias(lote, tabela);
    for (size_t i = 0; i < itens.size(); ++i) {
        if (!(itens[i].referencia > 0) || !std::isfinite(itens[i].referencia)) {
            Resultado r;
            r.motivo = tabela ? QStringLiteral("o item %1 não tem preço maior que zero no arquivo de preços.")
                                    .arg(lote.itens[i].nroItem)
                              : QStringLiteral("o item %1 ainda não tem preço digitado maior que zero.")
                                    .arg(lote.itens[i].nroItem);
            return r;
        }
    }
    Resultado r = Distribui(itens, lote.lance, casas);
    // The reasons name items by their number in the lot, not their position.
    if (!r.exato && r.motivo.startsWith(QStringLiteral("o item "))) {
        for (size_t i = 0; i < itens.size(); ++i) {
            const QString posicao = QStringLiteral("o item %1 ").arg(i + 1);
            if (r.motivo.startsWith(posicao)) {
                r.motivo.replace(0, posicao.size(), QStringLiteral("o item %1 ").arg(lote.itens[i].nroItem));
                break;
            }
        }
    }
    return r;
}

void Aplica(TMemoryDataSet& processo, const LoteProcesso& lote, const Resultado& resultado,
            const TabelaPrecos* tabela, const std::function<void()>& gravado) {
    if (!resultado.exato || resultado.precos.size() != lote.itens.size())
        return;
    for (size_t i = 0; i < lote.itens.size(); ++i) {
        const ItemProcesso& it = lote.itens[i];
        QString marca = it.marca;
        if (tabela) {
            const auto achado = tabela->constFind({lote.nroLote, it.nroItem});
            if (achado != tabela->constEnd())
                marca = achado->marca;
        }
        processo.SetRecNo(it.recNo);
        RegrasProposta::GravaItem(processo, marca, resultado.precos[i]);
        if (gravado)
            gravado();
    }
}

}  // namespace quorin::Distribuicao
