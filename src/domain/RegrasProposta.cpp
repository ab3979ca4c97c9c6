#include "domain/RegrasProposta.h"

#include <QSet>

#include "dataset/TMemoryDataSet.h"
#include "domain/Mensagens.h"
#include "runtime/Conversions.h"
#include "runtime/Exceptions.h"
#include "runtime/FormatFloat.h"

namespace quorin {

QString Mensagens::DocumentoNaoEncontrado(const QString& tipoDocumento) {
    return QStringLiteral("O ") + Trim(tipoDocumento) + QStringLiteral(" informado não foi encontrado no arquivo.");
}

QString Mensagens::EncerramentoRecusado(const QString& listaLotes) {
    return QStringLiteral(
               "Atenção! O somatório dos valores realinhados dos itens não confere com o valor da proposta ") +
           listaLotes + QStringLiteral(". Portanto, o encerramento não será realizado.");
}

QString Mensagens::PropostaGravada(const QString& nomeArquivo) {
    return QStringLiteral("O arquivo\n") + nomeArquivo + QStringLiteral("\nfoi gravado com êxito.\nO programa será encerrado.");
}

namespace RegrasProposta {

QString DescricaoLote(const QString& idtTipoApuracao, const QString& desLote) {
    return idtTipoApuracao == QStringLiteral("1") ? QStringLiteral("Valor Global") : desLote;
}

void MontaLotes(TMemoryDataSet& processo, TMemoryDataSet& lote) {
    lote.Close();
    lote.CreateDataSet();
    TField* nroLote = processo.FieldByName(QStringLiteral("nro_lote"));
    TField* idt = processo.FieldByName(QStringLiteral("idt_tipoapuracao"));
    TField* desLote = processo.FieldByName(QStringLiteral("des_lote"));
    TField* lance = processo.FieldByName(QStringLiteral("vlr_lance"));
    TField* loteNro = lote.FieldByName(QStringLiteral("NRO_LOTE"));
    TField* loteDes = lote.FieldByName(QStringLiteral("DES_LOTE"));
    TField* loteLance = lote.FieldByName(QStringLiteral("vlr_lance"));

    // The lots already appended; the same answer as looking each one up in `lote`,
    // without a search per item.
    QSet<int> vistos;
    for (processo.First(); !processo.Eof(); processo.Next()) {
        const int numero = nroLote->AsInteger();
        if (vistos.contains(numero)) {
            continue;
        }
        vistos.insert(numero);
        lote.Append();
        loteNro->SetAsInteger(numero);
        loteDes->SetAsString(DescricaoLote(idt->AsString(), desLote->AsString()));
        if (lance->IsNull()) {
            loteLance->Clear();
        } else {
            loteLance->SetAsFloat(lance->AsFloat());
        }
        lote.Post();
    }
    lote.First();
    processo.First();
}

void FiltraLote(TMemoryDataSet& processo, int nroLote) {
    // Straight from one lot to the other: switching the filter off first would show
    // every item of the process for a moment, which costs the process, not the lot.
    const QString filtro = QStringLiteral("nro_lote = ") + QString::number(nroLote);
    if (processo.Filtered()) {
        if (processo.Filter() == filtro)
            processo.First();  // the lot already in force: back to its first item
        else
            processo.SetFilter(filtro);
        return;
    }
    processo.SetFilter(filtro);
    processo.SetFiltered(true);
}

Currency TotalVisivel(TMemoryDataSet& processo) {
    Currency total;
    TBookmark marca = processo.GetBookmark();
    TField* vlrTotal = processo.FieldByName(QStringLiteral("vlr_total"));
    for (processo.First(); !processo.Eof(); processo.Next()) {
        total += Currency::FromDouble(vlrTotal->AsFloat());
    }
    processo.GotoBookmark(marca);
    processo.FreeBookmark(marca);
    return total;
}

QString TextoTotalLote(Currency total) { return FormatFloat(QStringLiteral("#,##0.00 "), total.ToDouble()); }

QString NormalizaMarca(const QString& marca) { return Trim(marca).left(TamanhoMarca); }

double TotalItem(double quantidade, double preco) {
    return static_cast<double>(static_cast<long double>(quantidade) * static_cast<long double>(preco));
}

void GravaItem(TMemoryDataSet& processo, const QString& marca, double preco) {
    processo.Edit();
    processo.FieldByName(QStringLiteral("des_marca"))->SetAsString(NormalizaMarca(marca));
    processo.FieldByName(QStringLiteral("vlr_realinhamento"))->SetAsFloat(preco);
    const double quantidade = processo.FieldByName(QStringLiteral("qtd_produto"))->AsFloat();
    processo.FieldByName(QStringLiteral("vlr_total"))->SetAsFloat(TotalItem(quantidade, preco));
    processo.Post();
}

bool LoteRecusado(TMemoryDataSet& processo, double lance) {
    TField* preco = processo.FieldByName(QStringLiteral("vlr_realinhamento"));
    TField* vlrTotal = processo.FieldByName(QStringLiteral("vlr_total"));
    bool recusado = false;
    Currency soma;
    for (processo.First(); !processo.Eof(); processo.Next()) {
        if (!(preco->AsFloat() > 0)) {
            recusado = true;
        }
        try {
            soma += Currency::FromDouble(vlrTotal->AsFloat());
        } catch (const EConvertError&) {
            // Totals beyond the money range can never add up to a bid.
            recusado = true;
        }
    }
    try {
        return recusado || soma.DiffersFrom(lance);
    } catch (const EConvertError&) {
        return true;  // a bid beyond the money range
    }
}

QString ListaLotesRecusados(const QList<int>& lotes) {
    if (lotes.isEmpty()) {
        return {};
    }
    QStringList numeros;
    for (const int n : lotes) {
        numeros << QString::number(n);
    }
    return (lotes.size() > 1 ? QStringLiteral("nos lotes: ") : QStringLiteral("no lote: ")) +
           numeros.join(QStringLiteral(", "));
}

QList<int> ConfereLotes(TMemoryDataSet& processo, TMemoryDataSet& lote) {
    const QString filtro = processo.Filter();
    const bool filtrado = processo.Filtered();
    TField* nroLote = lote.FieldByName(QStringLiteral("NRO_LOTE"));
    TField* lance = lote.FieldByName(QStringLiteral("vlr_lance"));
    QList<int> recusados;
    for (lote.First(); !lote.Eof(); lote.Next()) {
        FiltraLote(processo, nroLote->AsInteger());
        if (LoteRecusado(processo, lance->AsFloat())) {
            recusados << nroLote->AsInteger();
        }
    }
    processo.SetFiltered(false);
    processo.SetFilter(filtro);
    processo.SetFiltered(filtrado);
    return recusados;
}

void MarcaEncerrado(TMemoryDataSet& processo) {
    processo.SetFiltered(false);
    processo.SetFilter(QString());
    TField* encerrado = processo.FieldByName(QStringLiteral("flg_encerrado"));
    for (processo.First(); !processo.Eof(); processo.Next()) {
        processo.Edit();
        encerrado->SetAsString(QStringLiteral("1"));
        processo.Post();
    }
}

QString NomeArquivoProposta(const QString& processo, const QString& ano, const QString& documento) {
    return QStringLiteral("PRP_") + processo + u'_' + ano + u'_' + documento + QStringLiteral(".PRO");
}

QString NomeArquivoProposta(const TMemoryDataSet& processo, const QString& documento) {
    const int numero = processo.FieldByName(QStringLiteral("nro_processo"))->AsInteger();
    const int ano = processo.FieldByName(QStringLiteral("ano_exercicio"))->AsInteger();
    return NomeArquivoProposta(FormatFloat(QStringLiteral("000000"), numero), FormatFloat(QStringLiteral("0000"), ano),
                               documento);
}

}  // namespace RegrasProposta
}  // namespace quorin
