// quorin-pacote exportar: every row and every field of a packet as CSV.
#include "Subcommand.h"
#include "dataset/CsvInterchange.h"
#include "dataset/DataSetError.h"
#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"

namespace quorin::pacote {

namespace {

const QString kUsage = QStringLiteral(
    "uso: quorin-pacote exportar ARQUIVO [SAIDA.csv]\n"
    "Escreve todos os registros e todos os campos de um arquivo de processo (.KPZ) ou de proposta (.PRO)\n"
    "como CSV (UTF-8, separador \";\", vírgula decimal). Sem SAIDA.csv, escreve na saída padrão.\n");

int Run(const Context& c) {
    if (c.args.isEmpty() || c.args.size() > 2) {
        return UsageError(c, QStringLiteral("exportar"),
                          QStringLiteral("exportar precisa de ARQUIVO e, se quiser, SAIDA.csv."));
    }
    const QString& input = c.args[0];
    TMemoryDataSet ds;  // no declared fields: every field of the file
    try {
        ds.LoadFromFile(input);
    } catch (const Exception& e) {
        c.PrintFileError(input, e.message());
        return ExitBadInput;
    }
    ProposalSchema::ApplyDisplayFormats(ds);  // money fields keep their four decimals
    if (c.args.size() == 1) {
        c.WriteBytes(TCsvInterchange::Export(ds));
        return ExitOk;
    }
    try {
        TCsvInterchange::ExportFile(ds, c.args[1]);
    } catch (const Exception& e) {
        c.PrintError(e.message());
        return ExitBadInput;
    }
    return ExitOk;
}

const Registration registration{{QStringLiteral("exportar"),
                                 QStringLiteral("escreve um arquivo de processo ou de proposta como CSV"),
                                 kUsage, Run}};

}  // namespace

}  // namespace quorin::pacote
