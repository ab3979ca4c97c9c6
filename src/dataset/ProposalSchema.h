#pragma once

#include <QString>

namespace quorin {

class TMemoryDataSet;

/// The ProposalSchema class declares the fields of the program's data sets: the
/// process data set (one row per item, also the schema of process and proposal
/// files), the lot data set built from it, and the report's data set. Each
/// function expects a closed data set, replaces its declared fields and sets
/// its index.
class ProposalSchema {
  public:
    /// CDS_Processo: 30 fields, index "NRO_LOTE; NRO_ITEM".
    static void DeclareProcesso(TMemoryDataSet& dataSet);
    /// Gives the fields of a data set loaded with the file's own fields the
    /// display formats CDS_Processo declares for them (the money fields'
    /// "#,##0.0000"), matched by name and type, so writing it out treats
    /// them as the program does.
    static void ApplyDisplayFormats(TMemoryDataSet& dataSet);
    /// CDS_Lote: NRO_LOTE ("0000", centred), DES_LOTE, vlr_lance; index "NRO_LOTE".
    static void DeclareLote(TMemoryDataSet& dataSet);
    /// CDS_Relatorio: the report's 24 fields, index "NRO_LOTE; NRO_ITEM".
    static void DeclareRelatorio(TMemoryDataSet& dataSet);

    static QString ProcessoIndex() { return QStringLiteral("NRO_LOTE; NRO_ITEM"); }
    static QString LoteIndex() { return QStringLiteral("NRO_LOTE"); }
};

}  // namespace quorin
