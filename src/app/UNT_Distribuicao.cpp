#include "app/UNT_Distribuicao.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <utility>

#include "app/RascunhoJanela.h"
#include "app/UNT_QuorinRealinhamentoPreco.h"
#include "controls/DBGrid.h"
#include "dataset/TMemoryDataSet.h"
#include "runtime/Exceptions.h"
#include "runtime/FormatFloat.h"

namespace quorin {

namespace D = Distribuicao;

QString MensagensDistribuicao::PropostaEncerrada() {
    return QStringLiteral("A proposta já está encerrada e não pode ser redistribuída.");
}

QString MensagensDistribuicao::SemIdentificacao() {
    return QStringLiteral("Identifique o fornecedor antes de distribuir o lance.");
}

namespace {

QString Valor(double v) {
    return FormatFloat(QStringLiteral("#,##0.0000"), v);
}
QString Valor(Currency c) {
    return Valor(c.ToDouble());
}
QString Sinal(Currency c) {
    return (c > Currency() ? QStringLiteral("+") : QString()) + Valor(c);
}

QTableWidgetItem* Celula(const QString& texto, bool numero = true) {
    auto* c = new QTableWidgetItem(texto);
    c->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    c->setTextAlignment(numero ? (Qt::AlignRight | Qt::AlignVCenter) : (Qt::AlignLeft | Qt::AlignVCenter));
    return c;
}

QTableWidget* NovaTabela(QWidget* pai, const char* nome, const QStringList& colunas) {
    auto* t = new QTableWidget(0, int(colunas.size()), pai);
    t->setObjectName(QLatin1String(nome));
    t->setHorizontalHeaderLabels(colunas);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setTabKeyNavigation(false);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

}  // namespace

TFRM_Distribuicao::TFRM_Distribuicao(std::vector<D::LoteProcesso> lotes, QWidget* parent)
    : QDialog(parent), lotes_(std::move(lotes)) {
    setObjectName(QStringLiteral("FRM_Distribuicao"));
    setWindowTitle(lotes_.size() == 1 ? QStringLiteral("Distribuir o lance do lote")
                                      : QStringLiteral("Distribuir o lance de todos os lotes"));
    resize(860, 560);

    auto* casas = new QLabel(QStringLiteral("&Casas decimais:"), this);
    CMB_Casas = new QComboBox(this);
    CMB_Casas->setObjectName(QStringLiteral("CMB_Casas"));
    CMB_Casas->addItems({QStringLiteral("4"), QStringLiteral("2")});
    casas->setBuddy(CMB_Casas);
    auto* referencia = new QLabel(QStringLiteral("&Referência:"), this);
    CMB_Referencia = new QComboBox(this);
    CMB_Referencia->setObjectName(QStringLiteral("CMB_Referencia"));
    CMB_Referencia->addItems({QStringLiteral("Preços digitados"), QStringLiteral("Arquivo de preços")});
    referencia->setBuddy(CMB_Referencia);
    auto* arquivo = new QLabel(QStringLiteral("&Arquivo:"), this);
    EDT_Arquivo = new QLineEdit(this);
    EDT_Arquivo->setObjectName(QStringLiteral("EDT_Arquivo"));
    EDT_Arquivo->setPlaceholderText(QStringLiteral("lote;item;marca;preço (.csv)"));
    arquivo->setBuddy(EDT_Arquivo);
    BBT_Escolher = new QPushButton(QStringLiteral("Esc&olher…"), this);
    BBT_Escolher->setObjectName(QStringLiteral("BBT_Escolher"));
    BBT_Escolher->setAutoDefault(false);

    auto* opcoes = new QHBoxLayout;
    opcoes->addWidget(casas);
    opcoes->addWidget(CMB_Casas);
    opcoes->addSpacing(16);
    opcoes->addWidget(referencia);
    opcoes->addWidget(CMB_Referencia);
    opcoes->addSpacing(16);
    opcoes->addWidget(arquivo);
    opcoes->addWidget(EDT_Arquivo, 1);
    opcoes->addWidget(BBT_Escolher);

    auto* lotesRotulo = new QLabel(QStringLiteral("&Lotes:"), this);
    TBL_Lotes = NovaTabela(this, "TBL_Lotes",
                           {QStringLiteral("Lote"), QStringLiteral("Lance"), QStringLiteral("Soma atual"),
                            QStringLiteral("Diferença"), QStringLiteral("Situação")});
    lotesRotulo->setBuddy(TBL_Lotes);
    auto* itensRotulo = new QLabel(QStringLiteral("&Itens do lote:"), this);
    TBL_Itens = NovaTabela(
        this, "TBL_Itens",
        {QStringLiteral("Item"), QStringLiteral("Quantidade"), QStringLiteral("Preço de referência"),
         QStringLiteral("Novo preço"), QStringLiteral("Novo total"), QStringLiteral("Variação")});
    itensRotulo->setBuddy(TBL_Itens);
    LBL_Situacao = new QLabel(this);
    LBL_Situacao->setObjectName(QStringLiteral("LBL_Situacao"));
    LBL_Situacao->setWordWrap(true);

    BBT_Ok = new QPushButton(QStringLiteral("Ok"), this);
    BBT_Ok->setObjectName(QStringLiteral("BBT_Ok"));
    BBT_Ok->setDefault(true);
    BBT_Cancelar = new QPushButton(QStringLiteral("Cancelar"), this);
    BBT_Cancelar->setObjectName(QStringLiteral("BBT_Cancelar"));
    BBT_Cancelar->setAutoDefault(false);
    auto* botoes = new QHBoxLayout;
    botoes->addStretch(1);
    botoes->addWidget(BBT_Ok);
    botoes->addWidget(BBT_Cancelar);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(opcoes);
    layout->addWidget(lotesRotulo);
    layout->addWidget(TBL_Lotes, 2);
    layout->addWidget(itensRotulo);
    layout->addWidget(TBL_Itens, 3);
    layout->addWidget(LBL_Situacao);
    layout->addLayout(botoes);

    connect(CMB_Casas, &QComboBox::currentIndexChanged, this, [this] { Recalcula(); });
    connect(CMB_Referencia, &QComboBox::currentIndexChanged, this, [this] { LeArquivo(); });
    connect(EDT_Arquivo, &QLineEdit::editingFinished, this, [this] {
        if (CMB_Referencia->currentIndex() == 1)
            LeArquivo();
    });
    connect(BBT_Escolher, &QPushButton::clicked, this, [this] {
        const QString nome =
            QFileDialog::getOpenFileName(this, QStringLiteral("Arquivo de preços"), EDT_Arquivo->text(),
                                         QStringLiteral("Preços (*.csv);;Todos (*)"));
        if (nome.isEmpty())
            return;
        EDT_Arquivo->setText(nome);
        CMB_Referencia->setCurrentIndex(1);
        LeArquivo();
    });
    connect(TBL_Lotes, &QTableWidget::currentCellChanged, this, [this](int linha) { MostraLote(linha); });
    connect(BBT_Ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(BBT_Cancelar, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(CMB_Casas, CMB_Referencia);
    setTabOrder(CMB_Referencia, EDT_Arquivo);
    setTabOrder(EDT_Arquivo, BBT_Escolher);
    setTabOrder(BBT_Escolher, TBL_Lotes);
    setTabOrder(TBL_Lotes, TBL_Itens);
    setTabOrder(TBL_Itens, BBT_Ok);
    setTabOrder(BBT_Ok, BBT_Cancelar);

    Recalcula();
    TBL_Lotes->setFocus(Qt::OtherFocusReason);
}

int TFRM_Distribuicao::Casas() const {
    return CMB_Casas->currentIndex() == 1 ? 2 : 4;
}

void TFRM_Distribuicao::LeArquivo() {
    usaArquivo_ = CMB_Referencia->currentIndex() == 1;
    erroArquivo_.clear();
    tabela_.clear();
    if (usaArquivo_) {
        try {
            if (EDT_Arquivo->text().trimmed().isEmpty())
                erroArquivo_ = QStringLiteral("Informe o arquivo de preços de referência.");
            else
                tabela_ = D::LePrecos(EDT_Arquivo->text().trimmed());
        } catch (const Exception& e) {
            erroArquivo_ = QStringLiteral("O arquivo de preços não pôde ser lido: ") + e.message();
        }
    }
    Recalcula();
}

void TFRM_Distribuicao::Recalcula() {
    resultados_.clear();
    const int atual = std::max(0, TBL_Lotes->currentRow());
    TBL_Lotes->setRowCount(int(lotes_.size()));
    int exatos = 0;
    for (size_t i = 0; i < lotes_.size(); ++i) {
        const D::LoteProcesso& lote = lotes_[i];
        D::Resultado r;
        if (!erroArquivo_.isEmpty())
            r.motivo = erroArquivo_;
        else
            r = D::DistribuiLote(lote, Tabela(), Casas());
        exatos += r.exato ? 1 : 0;
        const int linha = int(i);
        const Currency lance = Currency::FromDouble(lote.lance);
        TBL_Lotes->setItem(linha, 0, Celula(QString::number(lote.nroLote)));
        TBL_Lotes->setItem(linha, 1, Celula(Valor(lance)));
        TBL_Lotes->setItem(linha, 2, Celula(Valor(lote.Soma())));
        TBL_Lotes->setItem(linha, 3, Celula(Sinal(lance - lote.Soma())));
        TBL_Lotes->setItem(linha, 4,
                           Celula(r.exato ? QStringLiteral("Exato") : QStringLiteral("Impossível"), false));
        resultados_.push_back(std::move(r));
    }
    TBL_Lotes->resizeColumnsToContents();
    BBT_Ok->setEnabled(exatos > 0);
    if (!lotes_.empty()) {
        TBL_Lotes->setCurrentCell(std::min(atual, int(lotes_.size()) - 1), 0);
        MostraLote(TBL_Lotes->currentRow());
    }
}

void TFRM_Distribuicao::MostraLote(int indice) {
    TBL_Itens->setRowCount(0);
    if (indice < 0 || size_t(indice) >= lotes_.size() || resultados_.size() != lotes_.size())
        return;
    const D::LoteProcesso& lote = lotes_[size_t(indice)];
    const D::Resultado& r = resultados_[size_t(indice)];
    const std::vector<D::Item> referencias = D::Referencias(lote, Tabela());
    TBL_Itens->setRowCount(int(lote.itens.size()));
    for (size_t i = 0; i < lote.itens.size(); ++i) {
        const int linha = int(i);
        TBL_Itens->setItem(linha, 0, Celula(QString::number(lote.itens[i].nroItem)));
        TBL_Itens->setItem(linha, 1, Celula(Valor(lote.itens[i].quantidade)));
        TBL_Itens->setItem(linha, 2, Celula(Valor(referencias[i].referencia)));
        if (r.exato) {
            TBL_Itens->setItem(linha, 3, Celula(Valor(r.precos[i])));
            TBL_Itens->setItem(linha, 4, Celula(Valor(r.totais[i])));
            TBL_Itens->setItem(linha, 5,
                               Celula(Sinal(Currency::FromDouble(r.precos[i]) -
                                            Currency::FromDouble(referencias[i].referencia))));
        } else {
            for (int c = 3; c < 6; ++c)
                TBL_Itens->setItem(linha, c, Celula(QStringLiteral("–")));
        }
    }
    TBL_Itens->resizeColumnsToContents();

    QString texto = QStringLiteral("Lote %1: ").arg(lote.nroLote);
    if (r.exato) {
        texto += QStringLiteral(
                     "os novos totais somam exatamente o lance, %1; %2 item(ns) fora do preço "
                     "proporcional arredondado; maior desvio do preço proporcional %3.")
                     .arg(Valor(r.soma))
                     .arg(r.itensDeslocados)
                     .arg(Valor(r.maiorDesvio));
    } else {
        texto += QStringLiteral("não é possível distribuir: ") + r.motivo;
        if (r.totalAbaixo || r.totalAcima)
            texto += QStringLiteral(" Totais alcançáveis mais próximos: abaixo %1, acima %2.")
                         .arg(r.totalAbaixo ? Valor(*r.totalAbaixo) : QStringLiteral("nenhum"),
                              r.totalAcima ? Valor(*r.totalAcima) : QStringLiteral("nenhum"));
        texto += QStringLiteral(" Este lote não será alterado.");
    }
    LBL_Situacao->setText(texto);
}

// ---- the main window's side

TDistribuicaoJanela::TDistribuicaoJanela(TFRM_QuorinRealinhamentoPreco& janela)
    : QObject(&janela), w_(janela) {
    ACT_DistribuirLote = new QAction(QStringLiteral("Distribuir o lance do lote…"), this);
    ACT_DistribuirLote->setObjectName(QStringLiteral("ACT_DistribuirLote"));
    ACT_DistribuirLote->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    ACT_DistribuirTodos = new QAction(QStringLiteral("Distribuir o lance de todos os lotes…"), this);
    ACT_DistribuirTodos->setObjectName(QStringLiteral("ACT_DistribuirTodos"));
    ACT_DistribuirTodos->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    for (QAction* acao : {ACT_DistribuirLote, ACT_DistribuirTodos}) {
        acao->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        acao->setShortcutVisibleInContextMenu(true);
    }
    for (TDBGrid* grade : {w_.DBG_Lote, w_.DBG_Item}) {
        grade->setContextMenuPolicy(Qt::ActionsContextMenu);
        grade->addAction(ACT_DistribuirLote);
        grade->addAction(ACT_DistribuirTodos);
    }
    connect(ACT_DistribuirLote, &QAction::triggered, this, [this] { Distribui(false); });
    connect(ACT_DistribuirTodos, &QAction::triggered, this, [this] { Distribui(true); });
    // A file that comes in closed stays a closed proposal; a refused closing, which
    // marks the rows in memory only, does not make one.
    connect(w_.CDS_Processo, &TMemoryDataSet::opened, this, [this] {
        abertaEncerrada_ =
            !w_.CDS_Processo->IsEmpty() &&
            w_.CDS_Processo->FieldByName(QStringLiteral("flg_encerrado"))->AsString() == QStringLiteral("1");
    });
}

void TDistribuicaoJanela::Distribui(bool todos) {
    TMemoryDataSet& processo = *w_.CDS_Processo;
    if (!processo.Active() || processo.IsEmpty() || !w_.CDS_Lote->Active() || w_.CDS_Lote->IsEmpty())
        return;
    if (abertaEncerrada_) {
        w_.Exibe_Mensagem(MensagensDistribuicao::PropostaEncerrada(), false, QStringLiteral("ADV"));
        return;
    }
    if (processo.ControlsDisabled()) {
        w_.Exibe_Mensagem(MensagensDistribuicao::SemIdentificacao(), false, QStringLiteral("ADV"));
        return;
    }

    // Reading every item moves the cursor: neither reaction may run meanwhile.
    const bool acompanhaItem = std::exchange(w_.FLG_AcompanhaItem, false);
    const bool acompanhaLote = std::exchange(w_.FLG_AcompanhaLote, false);
    processo.DisableControls();
    std::vector<D::LoteProcesso> lotes = D::LeLotes(processo);
    processo.EnableControls();
    w_.FLG_AcompanhaItem = acompanhaItem;
    w_.FLG_AcompanhaLote = acompanhaLote;
    if (!todos) {
        const int atual = w_.CDS_Lote->FieldByName(QStringLiteral("NRO_LOTE"))->AsInteger();
        std::erase_if(lotes, [atual](const D::LoteProcesso& l) { return l.nroLote != atual; });
    }
    if (lotes.empty())
        return;

    QWidget* foco = QApplication::focusWidget();
    TFRM_Distribuicao dialogo(std::move(lotes), &w_);
    if (dialogo.exec() == QDialog::Accepted)
        Grava(dialogo);
    if (foco)
        foco->setFocus(Qt::OtherFocusReason);
}

void TDistribuicaoJanela::Grava(const TFRM_Distribuicao& dialogo) {
    TMemoryDataSet& processo = *w_.CDS_Processo;
    const bool acompanhaItem = std::exchange(w_.FLG_AcompanhaItem, false);
    const bool acompanhaLote = std::exchange(w_.FLG_AcompanhaLote, false);
    processo.DisableControls();
    const QString filtro = processo.Filter();
    const bool filtrado = processo.Filtered();
    TBookmark marca = processo.GetBookmark();
    {
        // Whatever recording raises, the window gets its filter, row and grids back.
        struct TRestaura {
            TMemoryDataSet& p;
            const QString& filtro;
            bool filtrado;
            TBookmark& marca;
            ~TRestaura() {
                p.SetFiltered(false);
                p.SetFilter(filtro);
                p.SetFiltered(filtrado);
                p.GotoBookmark(marca);
                p.FreeBookmark(marca);
                p.EnableControls();
            }
        } restaura{processo, filtro, filtrado, marca};
        processo.SetFiltered(false);
        for (size_t i = 0; i < dialogo.Lotes().size(); ++i) {
            D::Aplica(processo, dialogo.Lotes()[i], dialogo.Resultados()[i], dialogo.Tabela(),
                      [this] { w_.Rascunho_->Gravado(); });
        }
    }
    w_.FLG_AcompanhaItem = acompanhaItem;
    w_.FLG_AcompanhaLote = acompanhaLote;
    // As after "Gravar": the panel shows the current item again, the lot total is
    // refreshed and the proposal may be closed.
    if (w_.FLG_AcompanhaItem)
        w_.Exibe_Item(&processo);
    w_.Atualiza_TotalLote();
    w_.BBT_Encerrar->setEnabled(true);
}

}  // namespace quorin
