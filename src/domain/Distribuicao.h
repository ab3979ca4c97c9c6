#pragma once

#include <QHash>
#include <QPair>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "runtime/Currency.h"

namespace quorin {

class TMemoryDataSet;

/// Distributes the bid of a lot over its items: unit prices on a grid of 0,01 or
/// 0,0001 whose item totals, computed exactly as recording a price computes them
/// (RegrasProposta::TotalItem, then Currency), add up to the bid to the last
/// ten-thousandth, so that the lot passes the closing.
///
/// The proportional price of item i is pi_i = r_i x B / sum(q_j x r_j), with r the
/// reference prices, q the quantities and B the bid. Every price p_i is a grid
/// point k_i / 10^casas with k_i >= 1 (a price above zero). Among all such prices
/// whose totals add up to the bid, the rule chooses, in this order:
///   1. the smallest largest deviation |p_i - pi_i| among the items it moves off
///      their rounded proportional price (the grid point nearest pi_i, at least one
///      grid step). An item left there is as near as its grid allows; counting it
///      would let one item priced below a step decide for all the others;
///   2. then the fewest items moved;
///   3. then the first solution the search meets.
/// When the table of step 2 would pass a size budget, step 2 is skipped and the
/// result is any exact one with the deviation of step 1.
/// The search is exact: every candidate price is tried through the real item
/// total, and the sums are Currency integers. It looks at prices up to a number of
/// grid steps from the proportional price that grows until a solution is found or
/// the search would pass a size budget; within that range a lot it calls
/// impossible has no solution, and the nearest totals it names are reachable.
/// A result is never a nearly-reconciling one: it is exact or it is refused.
namespace Distribuicao {

/// Decimals of the prices: 4 (the field's precision) or 2.
inline constexpr int CasasPadrao = 4;

struct Item {
    double quantidade = 0;
    double referencia = 0;  ///< reference unit price, above zero
};

struct Resultado {
    bool exato = false;
    /// Why the lot cannot be distributed (Portuguese), empty when exact.
    QString motivo;
    /// Per item, in the order given: the new unit price, its item total and the
    /// proportional price it stays near. Empty when not exact.
    std::vector<double> precos;
    std::vector<Currency> totais;
    std::vector<double> proporcionais;
    Currency lance;           ///< the bid as the closing compares it
    Currency soma;            ///< sum of the totals (the bid when exact)
    double maiorDesvio = 0;   ///< max |p_i - pi_i| over every item
    int itensDeslocados = 0;  ///< items off their rounded proportional price
    /// When not exact: the nearest totals the items can reach below and above
    /// the bid (none below a bid under the minimum prices).
    std::optional<Currency> totalAbaixo;
    std::optional<Currency> totalAcima;
};

/// The price of grid point k: the double nearest k / 10^casas, the same number the
/// decimal text of that price converts to.
double PrecoDaGrade(long long k, int casas);

/// Distributes `lance` over `itens` with prices of `casas` decimals (2 or 4).
Resultado Distribui(const std::vector<Item>& itens, double lance, int casas = CasasPadrao);

/// The price text a prices file carries: decimal comma, exactly `casas` decimals.
QString TextoPreco(double preco, int casas);

// ---- over the process data set

struct ItemProcesso {
    int nroItem = 0;
    int recNo = 0;  ///< row number with no filter in force
    double quantidade = 0;
    double preco = 0;  ///< the typed price (vlr_realinhamento, null as 0)
    Currency total;    ///< the recorded total as the closing reads it
    QString marca;
};

struct LoteProcesso {
    int nroLote = 0;
    double lance = 0;
    std::vector<ItemProcesso> itens;  ///< in item order
    /// Sum of the recorded totals, as the closing sums them.
    Currency Soma() const;
};

/// Every lot of `processo` with its items, in lot and item order. Walks every row
/// with the filter off and leaves filter and cursor as they were (the display
/// must be suspended by a caller that shows the data set).
std::vector<LoteProcesso> LeLotes(TMemoryDataSet& processo);

/// One row of a prices file (nro_lote;nro_item;des_marca;vlr_realinhamento).
struct PrecoArquivo {
    QString marca;
    double preco = 0;
};
using TabelaPrecos = QHash<QPair<int, int>, PrecoArquivo>;

/// Reads a prices file in the form quorin-pacote preencher reads; raises the
/// interchange's error (ECsvError, naming line and column) for a bad file.
TabelaPrecos LePrecos(const QString& arquivo);

/// The reference of each item: its typed price, or the file's price when a table
/// is given. An item missing from the table gets 0 (which the rule refuses).
std::vector<Item> Referencias(const LoteProcesso& lote, const TabelaPrecos* tabela);

/// Distributes one lot: Referencias, then Distribui against the lot's bid. The
/// reason names the item without a reference price.
Resultado DistribuiLote(const LoteProcesso& lote, const TabelaPrecos* tabela, int casas);

/// Records an exact result into `processo` (no filter in force) through
/// RegrasProposta::GravaItem, item by item: the brand kept, or the file's when
/// the table has the item. `gravado` runs after each row is posted.
void Aplica(TMemoryDataSet& processo, const LoteProcesso& lote, const Resultado& resultado,
            const TabelaPrecos* tabela, const std::function<void()>& gravado = {});

}  // namespace Distribuicao
}  // namespace quorin
