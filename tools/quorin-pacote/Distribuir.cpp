// quorin-pacote distribuir: distributes each lot's bid over its items, exactly, and
// writes the prices as a file that preencher records.
#include "Subcommand.h"
#include "dataset/CsvInterchange.h"
#include "dataset/DataSetError.h"
#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"
#include "domain/Distribuicao.h"
#include "domain/Mensagens.h"
#include "runtime/FormatFloat.h"

namespace quorin::pacote {

namespace {

namespace D = Distribuicao;

const QString kName = QStringLiteral("distribuir");

const QString kUsage = QStringLiteral(
    "uso: quorin-pacote distribuir PROCESSO --documento DOC [--referencia PRECOS.csv] [--casas 2|4]\n"
    "                              --saida PRECOS.csv\n"
    "Distribui o lance de cada lote pelos seus itens: calcula preços unitários, com 2 ou 4 casas\n"
    "decimais, cujos totais (quantidade x preço, como a janela grava) somam exatamente o lance, cada\n"
    "preço o mais perto possível do preço proporcional à referência. Grava os preços dos lotes\n"
    "resolvidos em PRECOS.csv, no formato que \"preencher\" lê, e mostra uma linha por lote.\n\n"
    "  --documento DOC       CPF ou CNPJ do fornecedor, que precisa constar do arquivo\n"
    "  --referencia ARQUIVO  preços de referência (nro_lote;nro_item;des_marca;vlr_realinhamento),\n"
    "                        por exemplo a proposta original; sem ele valem os preços já digitados\n"
    "  --casas 2|4           casas decimais dos preços (padrão 4)\n"
    "  --saida ARQUIVO       o arquivo de preços a gravar\n\n"
    "Saída: 0 todos os lotes exatos; 1 arquivo de entrada inválido; 2 algum lote impossível (os\n"
    "outros ficam no arquivo) ou documento não encontrado; 64 uso incorreto.\n");

struct Arguments {
    QString processo;
    QString documento;
    QString referencia;
    QString casas = QStringLiteral("4");
    QString saida;
};

QString Dinheiro(Currency c) {
    return FormatFloat(QStringLiteral("#,##0.0000"), c.ToDouble());
}

int Run(const Context& c) {
    Arguments a;
    QString problem;
    if (!ParseOptions(c.args, a.processo,
                      {{"--documento", &a.documento},
                       {"--referencia", &a.referencia},
                       {"--casas", &a.casas},
                       {"--saida", &a.saida}},
                      problem))
        return UsageError(c, kName, problem);
    if (a.processo.isEmpty() || a.documento.isEmpty() || a.saida.isEmpty())
        return UsageError(c, kName, QStringLiteral("distribuir precisa de PROCESSO, --documento e --saida."));
    if (a.casas != QStringLiteral("2") && a.casas != QStringLiteral("4"))
        return UsageError(c, kName, QStringLiteral("--casas aceita 2 ou 4."));
    const int casas = a.casas.toInt();

    TMemoryDataSet processo;
    ProposalSchema::DeclareProcesso(processo);
    try {
        processo.LoadFromFile(a.processo);
    } catch (const Exception& e) {
        c.PrintFileError(a.processo, e.message());
        return ExitBadInput;
    }
    D::TabelaPrecos tabela;
    if (!a.referencia.isEmpty()) {
        try {
            tabela = D::LePrecos(a.referencia);
        } catch (const Exception& e) {
            c.PrintFileError(a.referencia, e.message());
            return ExitBadInput;
        }
    }
    const QString documento = SoDocumento(a.documento);
    if (!processo.Locate(QStringLiteral("nro_documento"), documento)) {
        const QString tipo = documento.size() == 11 ? QStringLiteral("C P F") : QStringLiteral("C N P J");
        c.PrintError(Mensagens::DocumentoNaoEncontrado(tipo));
        return ExitRefused;
    }
    if (processo.FieldByName(QStringLiteral("flg_encerrado"))->AsString() == QStringLiteral("1")) {
        c.PrintError(
            QStringLiteral("%1: a proposta já está encerrada e não pode ser redistribuída.").arg(a.processo));
        return ExitRefused;
    }

    TMemoryDataSet saida;
    saida.AddSmallintField(QStringLiteral("nro_lote"));
    saida.AddSmallintField(QStringLiteral("nro_item"));
    saida.AddMemoField(QStringLiteral("des_marca"));
    saida.AddFloatField(QStringLiteral("vlr_realinhamento"));
    saida.CreateDataSet();

    const D::TabelaPrecos* referencia = a.referencia.isEmpty() ? nullptr : &tabela;
    bool algumImpossivel = false;
    QString linhas;
    for (const D::LoteProcesso& lote : D::LeLotes(processo)) {
        const D::Resultado r = D::DistribuiLote(lote, referencia, casas);
        if (!r.exato) {
            algumImpossivel = true;
            QString linha = QStringLiteral("Lote %1: impossível: %2").arg(lote.nroLote).arg(r.motivo);
            if (r.totalAbaixo || r.totalAcima) {
                linha += QStringLiteral(" Totais mais próximos: abaixo %1, acima %2.")
                             .arg(r.totalAbaixo ? Dinheiro(*r.totalAbaixo) : QStringLiteral("nenhum"),
                                  r.totalAcima ? Dinheiro(*r.totalAcima) : QStringLiteral("nenhum"));
            }
            linhas += linha + u'\n';
            continue;
        }
        linhas += QStringLiteral(
                      "Lote %1: exato: %2 itens somam %3; %4 fora do preço proporcional "
                      "arredondado; maior desvio %5.\n")
                      .arg(lote.nroLote)
                      .arg(lote.itens.size())
                      .arg(Dinheiro(r.soma))
                      .arg(r.itensDeslocados)
                      .arg(FormatFloat(QStringLiteral("0.0000"), r.maiorDesvio));
        for (size_t i = 0; i < lote.itens.size(); ++i) {
            const D::ItemProcesso& it = lote.itens[i];
            QString marca = it.marca;
            if (referencia) {
                const auto achado = referencia->constFind({lote.nroLote, it.nroItem});
                if (achado != referencia->constEnd())
                    marca = achado->marca;
            }
            saida.Append();
            saida.FieldByName(QStringLiteral("nro_lote"))->SetAsInteger(lote.nroLote);
            saida.FieldByName(QStringLiteral("nro_item"))->SetAsInteger(it.nroItem);
            saida.FieldByName(QStringLiteral("des_marca"))->SetAsString(marca);
            saida.FieldByName(QStringLiteral("vlr_realinhamento"))->SetAsFloat(r.precos[i]);
            saida.Post();
        }
    }
    try {
        TCsvInterchange::ExportFile(saida, a.saida);
    } catch (const Exception& e) {
        c.PrintError(e.message());
        return ExitBadInput;
    }
    c.Print(linhas);
    return algumImpossivel ? ExitRefused : ExitOk;
}

const Registration registration{
    {kName, QStringLiteral("distribui o lance de cada lote pelos itens, exatamente"), kUsage, Run}};

}  // namespace

}  // namespace quorin::pacote
