// quorin-pacote verificar: loads a packet with the process schema and sums it up.
#include <set>

#include "Rascunho.h"
#include "Subcommand.h"
#include "dataset/DataSetError.h"
#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"
#include "runtime/FormatFloat.h"

namespace quorin::pacote {

namespace {

const QString kUsage = QStringLiteral(
    "uso: quorin-pacote verificar ARQUIVO\n"
    "Confere um arquivo de processo (.KPZ) ou de proposta (.PRO): formato, soma de verificação e campos\n"
    "de CDS_Processo. Se estiver bom, mostra um resumo e sai com 0; senão mostra o erro e sai com 1.\n");

int Run(const Context& c) {
    if (c.args.size() != 1) {
        return UsageError(c, QStringLiteral("verificar"), QStringLiteral("verificar precisa de um ARQUIVO."));
    }
    const QString& input = c.args[0];
    TMemoryDataSet ds;
    ProposalSchema::DeclareProcesso(ds);
    try {
        ds.LoadFromFile(input);
    } catch (const Exception& e) {
        c.PrintFileError(input, e.message());
        return ExitBadInput;
    }
    std::set<int> lots;
    int closed = 0;
    for (ds.First(); !ds.Eof(); ds.Next()) {
        lots.insert(ds.FieldByName(QStringLiteral("nro_lote"))->AsInteger());
        closed += ds.FieldByName(QStringLiteral("flg_encerrado"))->AsString() == QStringLiteral("1") ? 1 : 0;
    }
    const int rows = ds.RecordCount();
    QString text = QStringLiteral("%1: arquivo válido\n").arg(input);
    text += QStringLiteral("Registros: %1\n").arg(rows);
    text += QStringLiteral("Lotes: %1\n").arg(lots.size());
    ds.First();
    if (rows > 0) {
        text += QStringLiteral("Processo: %1\n")
                    .arg(FormatFloat(QStringLiteral("000000 / "),
                                     ds.FieldByName(QStringLiteral("nro_processo"))->AsInteger()) +
                         FormatFloat(QStringLiteral("0000"),
                                     ds.FieldByName(QStringLiteral("ano_exercicio"))->AsInteger()));
        text += QStringLiteral("Fornecedor: %1 (documento %2)\n")
                    .arg(ds.FieldByName(QStringLiteral("des_nome"))->AsString(),
                         ds.FieldByName(QStringLiteral("nro_documento"))->AsString());
    }
    if (rows > 0 && closed == rows) {
        text += QStringLiteral("Encerrado: sim\n");
    } else if (closed == 0) {
        text += QStringLiteral("Encerrado: não\n");
    } else {
        text += QStringLiteral("Encerrado: não (%1 de %2 itens marcados como encerrados)\n")
                    .arg(closed)
                    .arg(rows);
    }
    text += DescreveRascunhos(input, ds);
    c.Print(text);
    return ExitOk;
}

const Registration registration{{QStringLiteral("verificar"),
                                 QStringLiteral("confere um arquivo de processo ou de proposta"), kUsage,
                                 Run}};

}  // namespace

}  // namespace quorin::pacote
