// quorin-pacote importar: a process file from a CSV of the interchange form.
#include "Subcommand.h"
#include "dataset/CsvInterchange.h"
#include "dataset/DataSetError.h"
#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"

namespace quorin::pacote {

namespace {

const QString kUsage = QStringLiteral(
    "uso: quorin-pacote importar ENTRADA.csv SAIDA\n"
    "Grava em SAIDA um arquivo de processo (.KPZ) com os campos de CDS_Processo, lidos de um CSV\n"
    "(UTF-8, separador \";\", vírgula decimal, datas dd/mm/aaaa; cabeçalho com os nomes dos campos\n"
    "em qualquer ordem). Falta de coluna ou valor que não converte é erro, com a linha e a coluna.\n");

int Run(const Context& c) {
    if (c.args.size() != 2) {
        return UsageError(c, QStringLiteral("importar"),
                          QStringLiteral("importar precisa de ENTRADA.csv e SAIDA."));
    }
    const QString& input = c.args[0];
    const QString& output = c.args[1];
    TMemoryDataSet ds;
    ProposalSchema::DeclareProcesso(ds);
    try {
        TCsvInterchange::ImportFile(ds, input);
    } catch (const Exception& e) {
        c.PrintFileError(input, e.message());
        return ExitBadInput;
    }
    try {
        ds.SaveToFile(output);
    } catch (const Exception& e) {
        c.PrintError(e.message());
        return ExitBadInput;
    }
    c.Print(QStringLiteral("%1: %2 registros gravados.\n").arg(output).arg(ds.RecordCount()));
    return ExitOk;
}

const Registration registration{{QStringLiteral("importar"),
                                 QStringLiteral("cria um arquivo de processo a partir de um CSV"), kUsage,
                                 Run}};

}  // namespace

}  // namespace quorin::pacote
