#pragma once

#include <QString>

namespace quorin {

class TMemoryDataSet;
class TQRP_Propostas;

/// The header values the report takes from the main window's display rather
/// than from the rows: entity, municipality, the entity's CNPJ label and the
/// kind of assessment, each already trimmed by the caller or trimmed here.
struct TCabecalhoRelatorio {
    QString Entidade;
    QString Municipio;
    QString CNPJ;
    QString TipoApuracao;
};

/// Appends one report row per visible row of the process data set, from its
/// current position to its end, with the 24 fields in the report's order and
/// kinds; texts longer than their report field are cut to its size. The
/// caller positions, filters and suspends the process data set. When the
/// report is empty and the process shows all its rows as it stores them, the
/// report keeps the process columns whose values arrive unchanged instead of
/// copying them, and a column of one value keeps it once (TMemoryDataSet::
/// AppendCopiesOf); the process may then be closed or changed.
void CopiaLinhasRelatorio(TMemoryDataSet& processo, TMemoryDataSet& relatorio, const TCabecalhoRelatorio& cabecalho);

/// The header values of a process or proposal file without a window: taken
/// from its first row as the window would show them.
TCabecalhoRelatorio CabecalhoDoArquivo(TMemoryDataSet& processo);

/// The title every proposal report carries, set by whoever fills the report.
QString TituloRelatorio();

/// Fills a new report from a process or proposal file without a window: the
/// title, its rows created, and every row of the process from its first with
/// the file's own header values. The process is left at its end.
void PreencheRelatorioDoArquivo(TQRP_Propostas& report, TMemoryDataSet& processo);

}  // namespace quorin
