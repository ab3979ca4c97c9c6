#pragma once

#include <QList>
#include <QString>

#include "runtime/Currency.h"

namespace quorin {

class TMemoryDataSet;

/// The rules of a proposal, over the process data set (one row per item) and the
/// lot data set built from it. The main window calls them from its handlers in
/// the order its steps require; the command-line tool calls the same functions.
namespace RegrasProposta {

/// Longest brand kept in des_marca.
inline constexpr int TamanhoMarca = 60;

/// The lot description: "Valor Global" when the award type is exactly "1",
/// otherwise the item row's own lot description.
QString DescricaoLote(const QString& idtTipoApuracao, const QString& desLote);

/// Creates `lote` empty and appends one row per distinct nro_lote of `processo`,
/// in index order, each lot taking its description and bid from its first item.
/// `processo` must be open with every row visible. Afterwards both cursors are on
/// their first rows.
void MontaLotes(TMemoryDataSet& processo, TMemoryDataSet& lote);

/// Switches the filter off, sets it to "nro_lote = N" and switches it on: every
/// step puts the item cursor on the first visible row.
void FiltraLote(TMemoryDataSet& processo, int nroLote);

/// Sum of vlr_total over the visible rows, each total rounded to four decimals
/// (a null counts as 0). The cursor returns to the row it was on.
Currency TotalVisivel(TMemoryDataSet& processo);

/// The lot total as the item panel shows it: "#,##0.00 " with a trailing blank.
QString TextoTotalLote(Currency total);

/// The brand as stored: trimmed of characters below code 33, at most 60 characters.
QString NormalizaMarca(const QString& marca);

/// A price can be recorded only when it is above zero.
inline bool PrecoAceito(double preco) { return preco > 0; }

/// The item total as recording stores it: quantity x price in long double, kept as
/// a double (not cut to four decimals; sums convert it with Currency).
double TotalItem(double quantidade, double preco);

/// Stores brand, price and total (TotalItem) in the current row of `processo` and
/// posts it. The caller has checked PrecoAceito.
void GravaItem(TMemoryDataSet& processo, const QString& marca, double preco);

/// Whether the visible items (one lot's) fail the closing: an item whose price is
/// not above zero, or totals whose Currency sum is not exactly the bid.
bool LoteRecusado(TMemoryDataSet& processo, double lance);

/// "no lote: 3" or "nos lotes: 1, 4"; empty for no lot.
QString ListaLotesRecusados(const QList<int>& lotes);

/// Reconciles every lot of `lote` against the items of `processo`, filtering
/// `processo` to each lot in turn; returns the failed lots in lot order. The
/// filter of `processo` is left as it was.
QList<int> ConfereLotes(TMemoryDataSet& processo, TMemoryDataSet& lote);

/// Sets flg_encerrado to "1" on every row, with no filter in force.
void MarcaEncerrado(TMemoryDataSet& processo);

/// "PRP_<process>_<year>_<document>.PRO", joined as given.
QString NomeArquivoProposta(const QString& processo, const QString& ano, const QString& documento);
/// The same from the current row: process "000000", year "0000".
QString NomeArquivoProposta(const TMemoryDataSet& processo, const QString& documento);

}  // namespace RegrasProposta
}  // namespace quorin
