#include "app/RascunhoJanela.h"

#include <QHash>
#include <utility>

#include "app/UNT_QuorinRealinhamentoPreco.h"
#include "dataset/TMemoryDataSet.h"
#include "domain/RegrasProposta.h"

namespace quorin {

namespace R = RegrasProposta;

void TRascunhoJanela::ProcessoAberto(const QString& arquivo, bool encerrado) {
    ProcessoFechado();
    if (encerrado)
        return;
    pasta_ = TRascunho::PastaPadrao();
    processo_ = TRascunho::ResumoArquivo(arquivo);
    indisponivel_ = processo_.isEmpty();
}

void TRascunhoJanela::ProcessoFechado() {
    rascunho_.Fecha();
    pasta_.clear();
    processo_.clear();
    indisponivel_ = false;
    avisado_ = false;
}

void TRascunhoJanela::Identificado(const QString& documento) {
    if (processo_.isEmpty() || (rascunho_.EmUso() && rascunho_.Documento() == documento))
        return;
    rascunho_.Usa(pasta_, processo_, documento);
    indisponivel_ = !rascunho_.EmUso();
    const TLeituraRascunho leitura = TRascunho::Le(rascunho_.Caminho());
    if (!leitura.existe || leitura.itens.isEmpty() || leitura.processo != processo_ ||
        leitura.documento != documento)
        return;
    const QList<TItemRascunho> ultimos = leitura.UltimosPorItem();
    const QString texto =
        MensagensRascunho::RascunhoEncontrado(int(ultimos.size()), leitura.itens.constLast().quando);
    if (w_.Exibe_Mensagem(texto, true, QStringLiteral("CON"))) {
        Aplica(leitura.itens);
    } else if (!rascunho_.PoeDeLado()) {
        // The old draft could not be moved aside; appending to it would mix the
        // two, so this process keeps its prices in memory only.
        indisponivel_ = true;
    }
}

void TRascunhoJanela::Aplica(const QList<TItemRascunho>& itens) {
    TMemoryDataSet& processo = *w_.CDS_Processo;
    const bool acompanhaItem = std::exchange(w_.FLG_AcompanhaItem, false);
    const bool acompanhaLote = std::exchange(w_.FLG_AcompanhaLote, false);
    TBookmark marca = processo.GetBookmark();
    const QString filtro = processo.Filter();
    const bool filtrado = processo.Filtered();
    processo.SetFiltered(false);

    QHash<QPair<int, int>, int> posicao;
    TField* nroLote = processo.FieldByName(QStringLiteral("nro_lote"));
    TField* nroItem = processo.FieldByName(QStringLiteral("nro_item"));
    for (processo.First(); !processo.Eof(); processo.Next())
        posicao.insert({nroLote->AsInteger(), nroItem->AsInteger()}, processo.RecNo());
    for (const TItemRascunho& item : itens) {
        const auto achou = posicao.constFind({item.lote, item.item});
        if (achou == posicao.constEnd() || !R::PrecoAceito(item.preco))
            continue;
        processo.SetRecNo(achou.value());
        R::GravaItem(processo, item.marca, item.preco);
    }

    processo.SetFilter(filtro);
    processo.SetFiltered(filtrado);
    if (processo.BookmarkValid(marca))
        processo.GotoBookmark(marca);
    processo.FreeBookmark(marca);
    w_.FLG_AcompanhaItem = acompanhaItem;
    w_.FLG_AcompanhaLote = acompanhaLote;
}

void TRascunhoJanela::Gravado() {
    if (!rascunho_.EmUso() && !indisponivel_)
        return;  // no supplier identified, or a closed proposal
    const TMemoryDataSet& processo = *w_.CDS_Processo;
    TItemRascunho item;
    item.lote = processo.FieldByName(QStringLiteral("nro_lote"))->AsInteger();
    item.item = processo.FieldByName(QStringLiteral("nro_item"))->AsInteger();
    item.marca = processo.FieldByName(QStringLiteral("des_marca"))->AsString();
    item.preco = processo.FieldByName(QStringLiteral("vlr_realinhamento"))->AsFloat();
    item.total = processo.FieldByName(QStringLiteral("vlr_total"))->AsFloat();
    if (!indisponivel_ && rascunho_.Registra(item))
        return;
    indisponivel_ = true;
    if (!avisado_) {
        avisado_ = true;
        w_.Exibe_Mensagem(MensagensRascunho::RascunhoIndisponivel(), false, QStringLiteral("ADV"));
    }
}

void TRascunhoJanela::Encerrado() {
    rascunho_.Remove();
    ProcessoFechado();
}

}  // namespace quorin
