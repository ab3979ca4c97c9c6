// quorin-pacote rascunho: writes the draft of a process file and supplier as the
// prices CSV that "preencher" reads.
#include "Rascunho.h"

#include <QSet>

#include "Subcommand.h"
#include "dataset/CsvInterchange.h"
#include "dataset/TMemoryDataSet.h"
#include "domain/Rascunho.h"
#include "runtime/DateTime.h"
#include "runtime/Exceptions.h"
#include "runtime/SafeFile.h"

namespace quorin::pacote {

namespace {

const QString kName = QStringLiteral("rascunho");

const QString kUsage = QStringLiteral(
    "uso: quorin-pacote rascunho PROCESSO --documento DOC [--saida PRECOS.csv]\n"
    "Escreve os itens do rascunho que a janela do programa guardou para o arquivo de processo PROCESSO e o\n"
    "fornecedor DOC (as marcas e preços gravados e ainda não encerrados) no CSV de preços que \"preencher\"\n"
    "lê, para que a proposta também possa ser terminada pela linha de comando. Cada item aparece uma vez,\n"
    "com o último valor gravado.\n\n"
    "  --documento DOC   CPF ou CNPJ do fornecedor (a pontuação é ignorada)\n"
    "  --saida ARQUIVO   onde gravar o CSV (sem esta opção, na saída padrão)\n\n"
    "Os rascunhos ficam na pasta de dados do usuário (em Linux, ~/.local/share/QuorinRealinhamentoPreco/\n"
    "rascunhos, ou $XDG_DATA_HOME/QuorinRealinhamentoPreco/rascunhos).\n"
    "Saída: 0 rascunho escrito; 1 sem rascunho, arquivo ilegível ou erro de gravação; 64 uso incorreto.\n");

QString Quando(const QDateTime& quando) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy hh:nn"), quando.toLocalTime());
}

int Run(const Context& c) {
    QString processo, documento, saida;
    bool temDocumento = false;
    QString problem;
    if (!ParseOptions(c.args, processo, {{"--documento", &documento, &temDocumento}, {"--saida", &saida}},
                      problem)) {
        return UsageError(c, kName, problem);
    }
    documento = SoDocumento(documento);
    if (processo.isEmpty() || !temDocumento) {
        return UsageError(c, kName, QStringLiteral("rascunho precisa de PROCESSO e --documento."));
    }

    const QByteArray resumo = TRascunho::ResumoArquivo(processo);
    if (resumo.isEmpty()) {
        c.PrintError(QStringLiteral("%1: não foi possível ler o arquivo.").arg(processo));
        return ExitBadInput;
    }
    const TLeituraRascunho leitura =
        TRascunho::Le(TRascunho::CaminhoRascunho(TRascunho::PastaPadrao(), resumo, documento));
    if (!leitura.existe || leitura.itens.isEmpty() || leitura.processo != resumo ||
        leitura.documento != documento) {
        c.PrintError(QStringLiteral("%1: não há rascunho deste arquivo para o documento %2.")
                         .arg(processo, documento));
        return ExitBadInput;
    }

    TMemoryDataSet precos;
    TField* lote = precos.AddSmallintField(QStringLiteral("nro_lote"));
    TField* item = precos.AddSmallintField(QStringLiteral("nro_item"));
    TField* marca = precos.AddMemoField(QStringLiteral("des_marca"));
    TField* preco = precos.AddFloatField(QStringLiteral("vlr_realinhamento"));
    precos.CreateDataSet();
    for (const TItemRascunho& i : leitura.UltimosPorItem()) {
        precos.Append();
        lote->SetAsInteger(i.lote);
        item->SetAsInteger(i.item);
        marca->SetAsString(i.marca);
        preco->SetAsFloat(i.preco);
        precos.Post();
    }
    const QByteArray csv = TCsvInterchange::Export(precos);
    if (saida.isEmpty()) {
        c.WriteBytes(csv);
        return ExitOk;
    }
    try {
        WriteFileSafely(saida, csv);
    } catch (const Exception& e) {
        c.PrintError(e.message());
        return ExitBadInput;
    }
    return ExitOk;
}

const Registration registration{
    {kName, QStringLiteral("escreve o rascunho guardado pela janela como CSV de preços"), kUsage, Run}};

}  // namespace

QString DescreveRascunhos(const QString& arquivo, TMemoryDataSet& ds) {
    const QByteArray resumo = TRascunho::ResumoArquivo(arquivo);
    if (resumo.isEmpty()) {
        return {};
    }
    const QString pasta = TRascunho::PastaPadrao();
    QString texto;
    QSet<QString> vistos;
    TField* nroDocumento = ds.FieldByName(QStringLiteral("nro_documento"));
    for (ds.First(); !ds.Eof(); ds.Next()) {
        const QString documento = nroDocumento->AsString();
        if (vistos.contains(documento)) {
            continue;
        }
        vistos.insert(documento);
        const TLeituraRascunho leitura = TRascunho::Le(TRascunho::CaminhoRascunho(pasta, resumo, documento));
        if (!leitura.existe || leitura.itens.isEmpty() || leitura.processo != resumo) {
            continue;
        }
        const int itens = int(leitura.UltimosPorItem().size());
        texto += QStringLiteral("Rascunho: %1 %2, último em %3 (documento %4)\n")
                     .arg(itens)
                     .arg(itens == 1 ? QStringLiteral("item gravado") : QStringLiteral("itens gravados"),
                          Quando(leitura.itens.constLast().quando), documento);
    }
    return texto;
}

}  // namespace quorin::pacote
