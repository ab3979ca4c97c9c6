// quorin-pacote preencher: records brands and prices from a CSV into a process
// file and closes the proposal with the same rules as the main window.
#include <QDir>
#include <QFileInfo>
#include <QHash>

#include "Subcommand.h"
#include "dataset/CsvInterchange.h"
#include "dataset/CsvReader.h"
#include "dataset/DataSetError.h"
#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"
#include "domain/Mensagens.h"
#include "domain/Rascunho.h"
#include "domain/RegrasProposta.h"

namespace quorin::pacote {

namespace {

namespace R = RegrasProposta;

const QString kName = QStringLiteral("preencher");

const QString kUsage = QStringLiteral(
    "uso: quorin-pacote preencher PROCESSO --documento DOC --precos PRECOS.csv\n"
    "Grava marca e preço unitário realinhado dos itens do arquivo de processo PROCESSO, como na janela\n"
    "do programa, e encerra a proposta: confere lote a lote que a soma dos itens é exatamente o valor do\n"
    "lance e grava PRP_<processo>_<ano>_<documento>.PRO na pasta do arquivo de processo.\n\n"
    "  --documento DOC   CPF ou CNPJ do fornecedor, que precisa constar do arquivo (a pontuação é ignorada)\n"
    "  --precos ARQUIVO  CSV com as colunas nro_lote;nro_item;des_marca;vlr_realinhamento (vírgula "
    "decimal)\n\n"
    "Saída: 0 proposta gravada; 1 arquivo de entrada inválido; 2 recusado pelas regras da proposta\n"
    "(documento não encontrado, preço zero ou negativo, lote que não confere); 64 uso incorreto.\n");

struct Arguments {
    QString processo;
    QString documento;
    QString precos;
};

bool ParseArguments(const QStringList& args, Arguments& a, QString& problem) {
    if (!ParseOptions(args, a.processo, {{"--documento", &a.documento}, {"--precos", &a.precos}}, problem)) {
        return false;
    }
    if (a.processo.isEmpty() || a.documento.isEmpty() || a.precos.isEmpty()) {
        problem = QStringLiteral("preencher precisa de PROCESSO, --documento e --precos.");
        return false;
    }
    return true;
}

int Run(const Context& c) {
    Arguments a;
    QString problem;
    if (!ParseArguments(c.args, a, problem)) {
        return UsageError(c, kName, problem);
    }

    TMemoryDataSet processo;
    ProposalSchema::DeclareProcesso(processo);
    try {
        processo.LoadFromFile(a.processo);
    } catch (const Exception& e) {
        c.PrintFileError(a.processo, e.message());
        return ExitBadInput;
    }

    // The prices, converted by the interchange form; the reader gives each row's line.
    TMemoryDataSet precos;
    precos.AddSmallintField(QStringLiteral("nro_lote"));
    precos.AddSmallintField(QStringLiteral("nro_item"));
    precos.AddMemoField(QStringLiteral("des_marca"));
    precos.AddFloatField(QStringLiteral("vlr_realinhamento"));
    std::vector<TCsvReader::Record> registros;
    try {
        const QByteArray bytes = TCsvInterchange::ReadFile(a.precos);
        TCsvInterchange::Import(precos, bytes);
        registros = TCsvReader::Parse(bytes);
    } catch (const Exception& e) {
        c.PrintFileError(a.precos, e.message());
        return ExitBadInput;
    }

    const QString documento = SoDocumento(a.documento);
    if (!processo.Locate(QStringLiteral("nro_documento"), documento)) {
        const QString tipo = documento.size() == 11 ? QStringLiteral("C P F") : QStringLiteral("C N P J");
        c.PrintError(Mensagens::DocumentoNaoEncontrado(tipo));
        return ExitRefused;
    }

    // Every item by lot and item number; positions stay put while rows are posted,
    // since the index keys never change.
    QHash<QPair<int, int>, int> posicao;
    TField* nroLote = processo.FieldByName(QStringLiteral("nro_lote"));
    TField* nroItem = processo.FieldByName(QStringLiteral("nro_item"));
    for (processo.First(); !processo.Eof(); processo.Next()) {
        posicao.insert({nroLote->AsInteger(), nroItem->AsInteger()}, processo.RecNo());
    }

    int row = 0;
    for (precos.First(); !precos.Eof(); precos.Next(), ++row) {
        const int linha = row + 1 < int(registros.size()) && !registros[size_t(row) + 1].empty()
                              ? registros[size_t(row) + 1].front().line
                              : row + 2;
        const int lote = precos.FieldByName(QStringLiteral("nro_lote"))->AsInteger();
        const int item = precos.FieldByName(QStringLiteral("nro_item"))->AsInteger();
        const auto found = posicao.constFind({lote, item});
        if (found == posicao.constEnd()) {
            c.PrintError(QStringLiteral("%1, linha %2: o item %3 do lote %4 não existe no processo.")
                             .arg(a.precos)
                             .arg(linha)
                             .arg(item)
                             .arg(lote));
            return ExitBadInput;
        }
        const double preco = precos.FieldByName(QStringLiteral("vlr_realinhamento"))->AsFloat();
        if (!R::PrecoAceito(preco)) {
            c.PrintError(QStringLiteral("%1, linha %2: %3")
                             .arg(a.precos)
                             .arg(linha)
                             .arg(Mensagens::ValorUnitarioInvalido()));
            return ExitRefused;
        }
        processo.SetRecNo(found.value());
        R::GravaItem(processo, precos.FieldByName(QStringLiteral("des_marca"))->AsString(), preco);
    }

    TMemoryDataSet lote;
    ProposalSchema::DeclareLote(lote);
    R::MontaLotes(processo, lote);
    const QList<int> recusados = R::ConfereLotes(processo, lote);
    if (!recusados.isEmpty()) {
        c.PrintError(Mensagens::EncerramentoRecusado(R::ListaLotesRecusados(recusados)));
        return ExitRefused;
    }

    R::MarcaEncerrado(processo);
    processo.First();
    const QString nome = R::NomeArquivoProposta(processo, documento);
    const QString destino = QFileInfo(a.processo).absoluteDir().filePath(nome);
    try {
        processo.SaveToFile(destino);
    } catch (const Exception& e) {
        c.PrintError(e.message());
        return ExitBadInput;
    }
    // The proposal is written: a draft the window kept for it is done with.
    TRascunho rascunho;
    rascunho.Usa(TRascunho::PastaPadrao(), TRascunho::ResumoArquivo(a.processo), documento);
    rascunho.Remove();
    c.Print(QDir::toNativeSeparators(destino) + u'\n');
    return ExitOk;
}

const Registration registration{
    {kName, QStringLiteral("grava marcas e preços de um CSV e encerra a proposta"), kUsage, Run}};

}  // namespace

}  // namespace quorin::pacote
