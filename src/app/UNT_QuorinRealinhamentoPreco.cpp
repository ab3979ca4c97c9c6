#include "app/UNT_QuorinRealinhamentoPreco.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QTextEdit>
#include <QToolButton>
#include <memory>
#include <utility>

#include "app/Fonte.h"
#include "app/OpenDialog.h"
#include "app/RascunhoJanela.h"
#include "app/UNT_Distribuicao.h"
#include "app/UNT_Mensagem1.h"
#include "app/UNT_Tutorial.h"
#include "app/ValuePanel.h"
#include "controls/DBGrid.h"
#include "controls/DataSetGridModel.h"
#include "controls/Edit.h"
#include "controls/MaskEdit.h"
#include "controls/Memoedit.h"
#include "dataset/ProposalSchema.h"
#include "report/RelatorioDados.h"
#include "report/UNT_QRP_Propostas.h"
#include "dataset/TMemoryDataSet.h"
#include "domain/Mensagens.h"
#include "domain/RegrasProposta.h"
#include "runtime/Conversions.h"
#include "runtime/DateTime.h"
#include "runtime/FormatFloat.h"

namespace quorin {

TFRM_QuorinRealinhamentoPreco* FRM_QuorinRealinhamentoPreco = nullptr;

namespace {

const QColor navy(0, 0, 128);
const QColor maroon(128, 0, 0);

const QString mascaraCPF = QStringLiteral("999.999.999-99;0; ");
// The first twelve places of a CNPJ may be letters (the alphanumeric CNPJ); a
// letter typed in lower case is shown and kept in upper case.
const QString mascaraCNPJ = QStringLiteral(">aa.aaa.aaa/aaaa-99;0; ");

// Colours apply to the active and inactive looks; a disabled control keeps the
// style's greyed text.
void Cor_Texto(QWidget* w, const QColor& cor) {
    QPalette paleta = w->palette();
    for (QPalette::ColorGroup grupo : {QPalette::Active, QPalette::Inactive}) {
        paleta.setColor(grupo, QPalette::WindowText, cor);
        paleta.setColor(grupo, QPalette::Text, cor);
    }
    w->setPalette(paleta);
}

QFrame* Painel(QWidget* parent, const char* nome, QFrame::Shadow bevel) {
    auto* painel = new QFrame(parent);
    painel->setObjectName(QLatin1String(nome));
    painel->setFrameStyle(QFrame::Panel | bevel);
    painel->setLineWidth(1);
    return painel;
}

QLabel* Rotulo(QWidget* parent, const char* nome, int x, int y, int w, int h, const QString& texto,
               const QFont& fonte, const QColor& cor, bool autoSize) {
    auto* rotulo = new QLabel(texto, parent);
    rotulo->setObjectName(QLatin1String(nome));
    rotulo->setTextFormat(Qt::PlainText);
    rotulo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    rotulo->setFont(fonte);
    Cor_Texto(rotulo, cor);
    rotulo->move(x, y);
    if (autoSize)
        rotulo->adjustSize();
    else
        rotulo->resize(w, h);
    return rotulo;
}

// A caption box: static text in a sunken border of fixed size; its caption begins
// with one blank.
QLabel* Legenda(QWidget* parent, const char* nome, int x, int y, int w, int h, const QString& texto,
                const QFont& fonte, const QColor& cor = navy) {
    auto* legenda = new QLabel(texto, parent);
    legenda->setObjectName(QLatin1String(nome));
    legenda->setTextFormat(Qt::PlainText);
    legenda->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    legenda->setLineWidth(1);
    legenda->setIndent(0);
    legenda->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    legenda->setFont(fonte);
    Cor_Texto(legenda, cor);
    legenda->setGeometry(x, y, w, h);
    return legenda;
}

// A value panel: a lowered bevel whose caption shows a value.
QLabel* Valor(QWidget* parent, const char* nome, int x, int y, int w, int h, Qt::Alignment alinhamento,
              const QFont& fonte, const QColor& cor) {
    auto* valor = new TValuePanel(parent);
    valor->setObjectName(QLatin1String(nome));
    valor->setText(QLatin1String(nome));
    valor->setAlignment(alinhamento | Qt::AlignVCenter);
    valor->setFont(fonte);
    Cor_Texto(valor, cor);
    valor->setGeometry(x, y, w, h);
    return valor;
}

QTextEdit* Texto_Rico(QWidget* parent, const char* nome, int x, int y, int w, int h) {
    auto* texto = new QTextEdit(parent);
    texto->setObjectName(QLatin1String(nome));
    texto->setGeometry(x, y, w, h);
    texto->setFrameStyle(QFrame::NoFrame);
    texto->setReadOnly(true);
    texto->setAcceptRichText(false);
    texto->setFocusPolicy(Qt::ClickFocus);
    texto->setTabChangesFocus(true);
    texto->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    texto->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    texto->setLineWrapMode(QTextEdit::WidgetWidth);
    // Background of the parent panel.
    QPalette paleta = texto->palette();
    for (QPalette::ColorGroup grupo : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        paleta.setColor(grupo, QPalette::Base, parent->palette().color(grupo, QPalette::Window));
    texto->setPalette(paleta);
    texto->viewport()->setAutoFillBackground(false);
    return texto;
}

QPushButton* Botao(QWidget* parent, const char* nome, int x, int y, int w, int h, const QString& texto,
                   QStyle::StandardPixmap glifo, QSize tamanhoGlifo = QSize(16, 16)) {
    auto* botao = new QPushButton(parent->style()->standardIcon(glifo), texto, parent);
    botao->setObjectName(QLatin1String(nome));
    botao->setGeometry(x, y, w, h);
    botao->setIconSize(tamanhoGlifo);
    botao->setAutoDefault(false);
    return botao;
}

}  // namespace

TFRM_QuorinRealinhamentoPreco::TFRM_QuorinRealinhamentoPreco(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("FRM_QuorinRealinhamentoPreco"));
    setWindowTitle(QStringLiteral("Velmora - Registro de Propostas"));
    setFont(Fonte(QStringLiteral("MS Sans Serif"), 11));
    setFixedSize(1009, 646);

    CDS_Processo = new TMemoryDataSet(this);
    CDS_Processo->setObjectName(QStringLiteral("CDS_Processo"));
    ProposalSchema::DeclareProcesso(*CDS_Processo);
    CDS_Lote = new TMemoryDataSet(this);
    CDS_Lote->setObjectName(QStringLiteral("CDS_Lote"));
    ProposalSchema::DeclareLote(*CDS_Lote);

    DST_Processo = new TDataSetGridModel(this);
    DST_Processo->setObjectName(QStringLiteral("DST_Processo"));
    DST_Processo->SetDataSet(CDS_Processo);
    DST_Lote = new TDataSetGridModel(this);
    DST_Lote->setObjectName(QStringLiteral("DST_Lote"));
    DST_Lote->SetDataSet(CDS_Lote);

    OPG_Arquivo = new TOpenDialog(this);
    OPG_Arquivo->setObjectName(QStringLiteral("OPG_Arquivo"));
    OPG_Arquivo->DefaultExt = QStringLiteral("*.KPZ");
    Rascunho_ = std::make_unique<TRascunhoJanela>(*this);

    Cria_Controles();
    Ajusta_Paineis();
    Define_OrdemTab();
    Distribuicao_ = new TDistribuicaoJanela(*this);

    connect(CDS_Processo, &TMemoryDataSet::AfterScroll, this,
            &TFRM_QuorinRealinhamentoPreco::CDS_ProcessoAfterScroll);
    connect(CDS_Lote, &TMemoryDataSet::AfterScroll, this,
            &TFRM_QuorinRealinhamentoPreco::CDS_LoteAfterScroll);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* agora) { Foco_Mudou(agora); });

    if (const QScreen* tela = QGuiApplication::primaryScreen()) {
        QRect quadro = frameGeometry();
        quadro.moveCenter(tela->availableGeometry().center());
        move(quadro.topLeft());
    }
}

TFRM_QuorinRealinhamentoPreco::~TFRM_QuorinRealinhamentoPreco() {
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
}

void TFRM_QuorinRealinhamentoPreco::Cria_Controles() {
    const QFont sans11 = Fonte(QStringLiteral("MS Sans Serif"), 11);
    const QFont sans11b = Fonte(QStringLiteral("MS Sans Serif"), 11, true);
    const QFont arial11 = Fonte(QStringLiteral("Arial"), 11);
    const QFont arial11b = Fonte(QStringLiteral("Arial"), 11, true);
    const QFont arial12 = Fonte(QStringLiteral("Arial"), 12);
    const QFont arial12b = Fonte(QStringLiteral("Arial"), 12, true);

    // ---- PNL_Entidade
    PNL_Entidade = Painel(this, "PNL_Entidade", QFrame::Raised);
    LBL_Entidade = Rotulo(PNL_Entidade, "LBL_Entidade", 5, 2, 52, 15, QStringLiteral("Entidade:"), arial12,
                          maroon, true);
    LBL_NomeEntidade = Rotulo(PNL_Entidade, "LBL_NomeEntidade", 62, 2, 410, 14,
                              QStringLiteral("LBL_NomeEntidade"), arial12b, maroon, false);
    LBL_Municipio = Rotulo(PNL_Entidade, "LBL_Municipio", 500, 2, 55, 15, QStringLiteral("Município:"),
                           arial12, maroon, true);
    LBL_NomeMunicipio = Rotulo(PNL_Entidade, "LBL_NomeMunicipio", 560, 2, 440, 14,
                               QStringLiteral("LBL_NomeMunicipio"), arial12b, maroon, false);
    LBL_CNPJ =
        Rotulo(PNL_Entidade, "LBL_CNPJ", 438, 17, 28, 14, QStringLiteral("CNPJ:"), arial11, maroon, true);
    LBL_NumeroCNPJ =
        Rotulo(PNL_Entidade, "LBL_NumeroCNPJ", 470, 17, 100, 14, QStringLiteral("LBL_NumeroCNPJ"),
               Fonte(QStringLiteral("Arial"), 11, true), maroon, false);

    // ---- PNL_Chave1
    PNL_Chave1 = Painel(this, "PNL_Chave1", QFrame::Raised);
    STT_Identificacao =
        Legenda(PNL_Chave1, "STT_Identificacao", 5, 5, 80, 16, QStringLiteral(" Identificação"), sans11);
    CMB_Identificacao = new QComboBox(PNL_Chave1);
    CMB_Identificacao->setObjectName(QStringLiteral("CMB_Identificacao"));
    CMB_Identificacao->setEditable(false);
    CMB_Identificacao->addItems({QStringLiteral("C P F"), QStringLiteral("C N P J")});
    CMB_Identificacao->setGeometry(5, 20, 80, 21);
    STT_CodigoNacional = Legenda(PNL_Chave1, "STT_CodigoNacional", 88, 5, 120, 16, QString(), sans11);
    MSK_CodigoNacional = new TMaskEdit(PNL_Chave1);
    MSK_CodigoNacional->setObjectName(QStringLiteral("MSK_CodigoNacional"));
    MSK_CodigoNacional->setGeometry(88, 20, 120, 21);
    STT_NomeFornecedor = Legenda(PNL_Chave1, "STT_NomeFornecedor", 211, 5, 793, 16, QString(), sans11);
    PNL_NomeFornecedor =
        Valor(PNL_Chave1, "PNL_NomeFornecedor", 211, 20, 793, 21, Qt::AlignLeft, arial11b, navy);

    // ---- PNL_Processo
    PNL_Processo = Painel(this, "PNL_Processo", QFrame::Raised);
    struct Cabecalho {
        QLabel** legenda;
        const char* nomeLegenda;
        const char* texto;
        QLabel** valor;
        const char* nomeValor;
        int esquerda;
        int largura;
        Qt::Alignment alinhamento;
    };
    const Cabecalho cabecalhos[] = {
        {&STT_AnoExercicioProcesso, "STT_AnoExercicioProcesso", " Exercício", &PNL_AnoExercicioProcesso,
         "PNL_AnoExercicioProcesso", 5, 54, Qt::AlignHCenter},
        {&STT_NumeroProcesso, "STT_NumeroProcesso", " Processo", &PNL_NumeroProcesso, "PNL_NumeroProcesso",
         63, 54, Qt::AlignHCenter},
        {&STT_DataProcesso, "STT_DataProcesso", " Data", &PNL_DataProcesso, "PNL_DataProcesso", 121, 76,
         Qt::AlignHCenter},
        {&STT_TipoApuracao, "STT_TipoApuracao", " Tipo de Apuração", &PNL_TipoApuracao, "PNL_TipoApuracao",
         201, 295, Qt::AlignLeft},
        {&STT_Modalidade, "STT_Modalidade", " Modalidade", &PNL_Modalidade, "PNL_Modalidade", 500, 302,
         Qt::AlignLeft},
        {&STT_Sequencial, "STT_Sequencial", " Sequencial", &PNL_Sequencial, "PNL_Sequencial", 806, 64,
         Qt::AlignHCenter},
    };
    for (const Cabecalho& c : cabecalhos) {
        *c.legenda = Legenda(PNL_Processo, c.nomeLegenda, c.esquerda, 5, c.largura, 15,
                             QString::fromUtf8(c.texto), arial11);
        *c.valor =
            Valor(PNL_Processo, c.nomeValor, c.esquerda, 19, c.largura, 19, c.alinhamento, arial11b, navy);
    }

    // ---- PNL_ObjetoGeral
    PNL_ObjetoGeral = Painel(this, "PNL_ObjetoGeral", QFrame::Raised);
    PNL_Objeto = Painel(PNL_ObjetoGeral, "PNL_Objeto", QFrame::Sunken);
    PNL_Objeto->setGeometry(5, 19, 999, 45);
    PNL_Objeto->setFont(arial11b);
    Cor_Texto(PNL_Objeto, navy);
    RCH_Objeto = Texto_Rico(PNL_Objeto, "RCH_Objeto", 1, 1, 997, 42);
    STT_Objeto = Legenda(PNL_ObjetoGeral, "STT_Objeto", 5, 5, 999, 15, QStringLiteral(" Objeto"), arial11);

    // ---- PNL_Lote and PNL_Grid
    PNL_Lote = Painel(this, "PNL_Lote", QFrame::Raised);
    DBG_Lote = new TDBGrid(PNL_Lote);
    DBG_Lote->setObjectName(QStringLiteral("DBG_Lote"));
    DBG_Lote->setGeometry(5, 5, 999, 76);
    DST_Lote->SetColumns({
        {QStringLiteral("NRO_LOTE"), QStringLiteral("Número"), Qt::AlignHCenter, 55},
        {QStringLiteral("DES_LOTE"), QStringLiteral("Descrição"), Qt::AlignLeft, 821},
        {QStringLiteral("vlr_lance"), QStringLiteral("Valor do Lance"), Qt::AlignRight, 100},
    });
    DBG_Lote->SetDataSource(DST_Lote);

    PNL_Grid = Painel(this, "PNL_Grid", QFrame::Raised);
    DBG_Item = new TDBGrid(PNL_Grid);
    DBG_Item->setObjectName(QStringLiteral("DBG_Item"));
    DBG_Item->setGeometry(5, 5, 999, 226);
    DST_Processo->SetColumns({
        {QStringLiteral("nro_item"), QStringLiteral("Item"), Qt::AlignRight, 39},
        {QStringLiteral("cod_produto"), QStringLiteral("Código"), Qt::AlignRight, 41},
        {QStringLiteral("des_produto"), QStringLiteral("Descrição"), Qt::AlignLeft, 512},
        {QStringLiteral("des_unidademedida"), QStringLiteral("Unidade Medida"), Qt::AlignLeft, 90},
        {QStringLiteral("qtd_produto"), QStringLiteral("Quantidade"), Qt::AlignRight, 90},
        {QStringLiteral("vlr_realinhamento"), QStringLiteral("Valor Unitário"), Qt::AlignRight, 100},
        {QStringLiteral("vlr_total"), QStringLiteral("Valor Total"), Qt::AlignRight, 100},
    });
    DBG_Item->SetDataSource(DST_Processo);
    PNL_Grid->installEventFilter(this);

    for (TDBGrid* grade : {DBG_Lote, DBG_Item}) {
        grade->horizontalHeader()->setFont(sans11);
        grade->verticalHeader()->setDefaultSectionSize(QFontMetrics(sans11).height() + 4);
        grade->verticalHeader()->setMinimumSectionSize(QFontMetrics(sans11).height() + 2);
    }
    DBG_Lote->OnDrawColumnCell = [this](TDBGrid& g, const TGridDrawCell& c) { DBG_LoteDrawColumnCell(g, c); };
    DBG_Lote->OnKeyDown = [this](int& key, Qt::KeyboardModifiers shift) { DBG_LoteKeyDown(key, shift); };
    DBG_Item->OnDrawColumnCell = [this](TDBGrid& g, const TGridDrawCell& c) { DBG_ItemDrawColumnCell(g, c); };
    DBG_Item->OnKeyDown = [this](int& key, Qt::KeyboardModifiers shift) { DBG_ItemKeyDown(key, shift); };

    // ---- PNL_Item
    PNL_Item = Painel(this, "PNL_Item", QFrame::Raised);
    EDT_Marca = new TEdit(PNL_Item);
    EDT_Marca->setObjectName(QStringLiteral("EDT_Marca"));
    EDT_Marca->setGeometry(5, 69, 534, 21);
    EDT_Marca->setMaxLength(100);
    MED_ValorUnitario = new TMemoEdit(PNL_Item);
    MED_ValorUnitario->setObjectName(QStringLiteral("MED_ValorUnitario"));
    MED_ValorUnitario->setGeometry(667, 69, 120, 21);
    MED_ValorUnitario->SetMascara(QStringLiteral("###,###,###,###0.0000;0"));
    MED_ValorUnitario->setAlignment(Qt::AlignRight);
    MED_ValorUnitario->setMaxLength(20);
    MED_ValorUnitario->setText(QStringLiteral("0,0000"));
    BBT_Gravar =
        Botao(PNL_Item, "BBT_Gravar", 797, 65, 75, 25, QStringLiteral("Gravar"), QStyle::SP_DialogSaveButton);
    STT_Quantidade =
        Legenda(PNL_Item, "STT_Quantidade", 543, 54, 120, 16, QStringLiteral(" Quantidade"), sans11);
    STT_ValorUnitario =
        Legenda(PNL_Item, "STT_ValorUnitario", 667, 54, 120, 16, QStringLiteral(" Valor Unitário"), sans11);
    STT_Marca = Legenda(PNL_Item, "STT_Marca", 5, 54, 534, 16, QStringLiteral(" Marca"), sans11);
    STT_Especificacao =
        Legenda(PNL_Item, "STT_Especificacao", 5, 5, 999, 15, QStringLiteral(" Especificação"), arial11);
    PNL_Especificacao = Painel(PNL_Item, "PNL_Especificacao", QFrame::Sunken);
    PNL_Especificacao->setGeometry(5, 19, 999, 31);
    PNL_Especificacao->setFont(arial11b);
    Cor_Texto(PNL_Especificacao, navy);
    RCH_Especificacao = Texto_Rico(PNL_Especificacao, "RCH_Especificacao", 1, 1, 995, 28);
    PNL_Quantidade = Valor(PNL_Item, "PNL_Quantidade", 543, 69, 120, 21, Qt::AlignRight, sans11b, Qt::black);
    STT_ValorTotal =
        Legenda(PNL_Item, "STT_ValorTotal", 884, 54, 120, 16, QStringLiteral(" Valor Total"), sans11);
    PNL_ValorTotal = Valor(PNL_Item, "PNL_ValorTotal", 884, 69, 120, 21, Qt::AlignRight, sans11b, Qt::black);

    // ---- PNL_Botoes
    PNL_Botoes = Painel(this, "PNL_Botoes", QFrame::Raised);
    BBT_Limpar = Botao(PNL_Botoes, "BBT_Limpar", 5, 5, 110, 25, QStringLiteral("Limpar"),
                       QStyle::SP_DialogResetButton);
    BBT_Arquivo = Botao(PNL_Botoes, "BBT_Arquivo", 120, 5, 110, 25, QStringLiteral("Abrir Processo"),
                        QStyle::SP_DialogOpenButton);
    BBT_Relatorio = Botao(PNL_Botoes, "BBT_Relatorio", 235, 5, 110, 25, QStringLiteral("Relatorio"),
                          QStyle::SP_FileDialogDetailedView);
    BBT_Encerrar = Botao(PNL_Botoes, "BBT_Encerrar", 350, 5, 110, 25, QStringLiteral("Encerrar"),
                         QStyle::SP_DialogApplyButton, QSize(18, 19));
    SPB_Tutorial = new QToolButton(PNL_Botoes);
    SPB_Tutorial->setObjectName(QStringLiteral("SPB_Tutorial"));
    SPB_Tutorial->setText(QStringLiteral("F1 - Tutorial"));
    SPB_Tutorial->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    SPB_Tutorial->setIconSize(QSize(16, 16));
    SPB_Tutorial->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    SPB_Tutorial->setFocusPolicy(Qt::NoFocus);
    SPB_Tutorial->setGeometry(894, 5, 110, 25);
    SPB_Tutorial->setVisible(false);
    SPB_Tutorial->setEnabled(false);

    connect(BBT_Limpar, &QPushButton::clicked, this, &TFRM_QuorinRealinhamentoPreco::BBT_LimparClick);
    connect(BBT_Arquivo, &QPushButton::clicked, this, &TFRM_QuorinRealinhamentoPreco::BBT_ArquivoClick);
    connect(BBT_Relatorio, &QPushButton::clicked, this, &TFRM_QuorinRealinhamentoPreco::BBT_RelatorioClick);
    connect(BBT_Encerrar, &QPushButton::clicked, this, &TFRM_QuorinRealinhamentoPreco::BBT_EncerrarClick);
    connect(BBT_Gravar, &QPushButton::clicked, this, &TFRM_QuorinRealinhamentoPreco::BBT_GravarClick);
    connect(SPB_Tutorial, &QToolButton::clicked, this, &TFRM_QuorinRealinhamentoPreco::SPB_TutorialClick);
    connect(CMB_Identificacao, &QComboBox::activated, this, [this](int) { CMB_IdentificacaoClick(); });

    AoSair(PNL_Chave1, [this] { PNL_Chave1Exit(); });
    AoSair(MSK_CodigoNacional, [this] { MSK_CodigoNacionalExit(); });
    AoEntrar(DBG_Lote, [this] { DBG_LoteEnter(); });
    AoSair(DBG_Lote, [this] { DBG_LoteExit(); });
    AoEntrar(DBG_Item, [this] { DBG_ItemEnter(); });
    AoSair(DBG_Item, [this] { DBG_ItemExit(); });
    EnterPressesFocusedButton(this);
}

void TFRM_QuorinRealinhamentoPreco::Ajusta_Paineis() {
    // Docking: four panels stacked from the top, two from the bottom, and PNL_Grid
    // taking what is left in between.
    const int largura = width();
    int topo = 0;
    for (auto [painel, altura] : {std::pair{PNL_Entidade, 35},
                                  {PNL_Chave1, 46},
                                  {PNL_Processo, 43},
                                  {PNL_ObjetoGeral, 69},
                                  {PNL_Lote, 86}}) {
        painel->setGeometry(0, topo, largura, altura);
        topo += altura;
    }
    int base = height();
    for (auto [painel, altura] : {std::pair{PNL_Botoes, 35}, {PNL_Item, 95}}) {
        base -= altura;
        painel->setGeometry(0, base, largura, altura);
    }
    PNL_Grid->setGeometry(0, topo, largura, std::max(0, base - topo));
}

void TFRM_QuorinRealinhamentoPreco::Define_OrdemTab() {
    // Panels in their tab order, and inside each panel its controls in theirs; the
    // caption boxes, value panels and labels are no tab stops.
    const QWidget* ordem[] = {CMB_Identificacao, MSK_CodigoNacional, DBG_Lote,   DBG_Item,
                              EDT_Marca,         MED_ValorUnitario,  BBT_Gravar, BBT_Arquivo,
                              BBT_Relatorio,     BBT_Encerrar,       BBT_Limpar};
    for (size_t i = 0; i + 1 < std::size(ordem); ++i)
        setTabOrder(const_cast<QWidget*>(ordem[i]), const_cast<QWidget*>(ordem[i + 1]));
}

void TFRM_QuorinRealinhamentoPreco::AoEntrar(QWidget* controle, std::function<void()> handler) {
    aoEntrar_.insert(controle, std::move(handler));
}

void TFRM_QuorinRealinhamentoPreco::AoSair(QWidget* controle, std::function<void()> handler) {
    aoSair_.insert(controle, std::move(handler));
}

void TFRM_QuorinRealinhamentoPreco::Foco_Mudou(QWidget* agora) {
    // The focus coming back to the control it was already going to (after a modal
    // message shown by an exit handler, or after another window) is no new change.
    if (!agora || agora->window() != this || agora == destinoFoco_)
        return;
    destinoFoco_ = agora;
    // A handler that moves the focus while it runs starts a change of its own, which
    // ends the processing of the change it interrupted.
    const int geracao = ++geracaoFoco_;

    // Exits from the innermost control outwards, up to the first container that also
    // holds the new control; the logical focus climbs with them, so a change started
    // by a handler does not run the exits already run.
    for (QWidget* w = focoAtual_; w && w != this && w != agora && !w->isAncestorOf(agora);) {
        QWidget* pai = w->parentWidget();
        focoAtual_ = pai;
        const auto saida = aoSair_.constFind(w);
        if (saida != aoSair_.constEnd()) {
            saida.value()();
            if (Foco_Interrompido(geracao))
                return;
        }
        w = pai;
    }
    // Enters from the outermost container that did not hold the focus inwards.
    QList<QWidget*> entradas;
    const QWidget* antes = focoAtual_;
    for (QWidget* w = agora; w && w != this && w != antes && !(antes && w->isAncestorOf(antes));
         w = w->parentWidget())
        entradas.prepend(w);
    for (QWidget* w : entradas) {
        focoAtual_ = w;
        const auto entrada = aoEntrar_.constFind(w);
        if (entrada != aoEntrar_.constEnd()) {
            entrada.value()();
            if (Foco_Interrompido(geracao))
                return;
        }
    }
    focoAtual_ = agora;
}

bool TFRM_QuorinRealinhamentoPreco::Foco_Interrompido(int geracao) {
    if (geracao != geracaoFoco_)
        return true;
    // After a modal message this window may not be active again yet, so a handler's
    // setFocus reaches only the window's own focus widget, without a focus signal.
    QWidget* real = focusWidget();
    if (real && real != destinoFoco_) {
        Foco_Mudou(real);
        return true;
    }
    return false;
}

bool TFRM_QuorinRealinhamentoPreco::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PNL_Grid && event->type() == QEvent::Resize)
        PNL_GridResize();
    return QWidget::eventFilter(watched, event);
}

void TFRM_QuorinRealinhamentoPreco::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFRM_QuorinRealinhamentoPreco::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TFRM_QuorinRealinhamentoPreco::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Ajusta_Paineis();
}

bool TFRM_QuorinRealinhamentoPreco::Exibe_Mensagem(const QString& texto, bool exibeCancelar,
                                                   const QString& tipo) {
    if (MensagemSeam)
        return MensagemSeam(texto, exibeCancelar, tipo);
    auto mensagem = std::make_unique<TFRM_Mensagem1>(nullptr);
    mensagem->ExibeCancelar = exibeCancelar;
    mensagem->LBL_Mensagem->setText(texto);
    mensagem->TipoMensagem = tipo;
    const int resultado = mensagem->exec();
    mensagem.reset();
    return resultado == TFRM_Mensagem1::mrOk;
}

void TFRM_QuorinRealinhamentoPreco::Habilita_Painel(QWidget* painel, bool habilitado) {
    for (QObject* filho : painel->children()) {
        if (auto* controle = qobject_cast<QWidget*>(filho); controle && !controle->isWindow())
            controle->setEnabled(habilitado);
    }
    painel->setEnabled(habilitado);
}

void TFRM_QuorinRealinhamentoPreco::FormShow() {
    BBT_LimparClick();
}

void TFRM_QuorinRealinhamentoPreco::FormClose() {
    CDS_Processo->Close();
    CDS_Lote->Close();
}

void TFRM_QuorinRealinhamentoPreco::PNL_Chave1Exit() {
    BBT_Limpar->setEnabled(true);
}

void TFRM_QuorinRealinhamentoPreco::PNL_GridResize() {
    DBG_Item->resize(DBG_Item->width(), PNL_Grid->height() - 10);
}

void TFRM_QuorinRealinhamentoPreco::BBT_LimparClick() {
    CDS_Processo->Close();
    CDS_Lote->Close();
    Rascunho_->ProcessoFechado();
    // No process shows empty grids, even when an opening was still waiting.
    Libera_Grades();

    MSK_CodigoNacional->Clear();

    for (QLabel* valor : {PNL_NomeFornecedor, PNL_AnoExercicioProcesso, PNL_NumeroProcesso, PNL_DataProcesso,
                          PNL_TipoApuracao, PNL_Modalidade, PNL_Sequencial})
        valor->setText(QString());

    RCH_Objeto->clear();
    RCH_Especificacao->clear();
    EDT_Marca->clear();

    PNL_Quantidade->setText(QString());
    MED_ValorUnitario->setText(QString());

    PNL_ValorTotal->setText(QStringLiteral("0,00 "));

    LBL_NomeEntidade->setText(QString());
    LBL_NomeMunicipio->setText(QString());
    LBL_NumeroCNPJ->setText(QString());

    BBT_Gravar->setEnabled(false);
    BBT_Arquivo->setEnabled(true);
    BBT_Relatorio->setEnabled(false);
    BBT_Encerrar->setEnabled(false);

    for (QWidget* painel : {PNL_Chave1, PNL_Processo, PNL_ObjetoGeral, PNL_Lote, PNL_Item, PNL_Grid})
        Habilita_Painel(painel, false);

    CMB_Identificacao->setCurrentIndex(1);
    CMB_IdentificacaoClick();

    BBT_Limpar->setEnabled(false);
    PNL_Chave1->setEnabled(true);
    FLG_AcompanhaLote = false;
    BBT_Arquivo->setFocus(Qt::OtherFocusReason);
}

void TFRM_QuorinRealinhamentoPreco::CMB_IdentificacaoClick() {
    STT_CodigoNacional->setText(QLatin1Char(' ') + CMB_Identificacao->currentText());
    if (CMB_Identificacao->currentIndex() == 0) {
        MSK_CodigoNacional->SetEditMask(mascaraCPF);
        STT_NomeFornecedor->setText(QStringLiteral(" Nome"));
    } else {
        MSK_CodigoNacional->SetEditMask(mascaraCNPJ);
        STT_NomeFornecedor->setText(QStringLiteral(" Razão Social"));
    }
}

void TFRM_QuorinRealinhamentoPreco::SPB_TutorialClick() {
    FRM_Tutorial = new TFRM_Tutorial(nullptr);
    FRM_Tutorial->exec();
    delete FRM_Tutorial;
    FRM_Tutorial = nullptr;
}

namespace R = RegrasProposta;

namespace {

const QString tipoAdvertencia = QStringLiteral("ADV");

QString Texto(const TMemoryDataSet* ds, const char* campo) {
    return ds->FieldByName(QLatin1String(campo))->AsString();
}

int Inteiro(const TMemoryDataSet* ds, const char* campo) {
    return ds->FieldByName(QLatin1String(campo))->AsInteger();
}

double Numero(const TMemoryDataSet* ds, const char* campo) {
    return ds->FieldByName(QLatin1String(campo))->AsFloat();
}

}  // namespace

void TFRM_QuorinRealinhamentoPreco::Suspende_Grades() {
    if (FLG_GradesSuspensas)
        return;
    CDS_Lote->DisableControls();
    CDS_Processo->DisableControls();
    FLG_GradesSuspensas = true;
}

void TFRM_QuorinRealinhamentoPreco::Libera_Grades() {
    if (!FLG_GradesSuspensas)
        return;
    CDS_Lote->EnableControls();
    CDS_Processo->EnableControls();
    FLG_GradesSuspensas = false;
}

void TFRM_QuorinRealinhamentoPreco::MSK_CodigoNacionalExit() {
    const QString documento = MSK_CodigoNacional->Text();
    if (documento.mid(1, 2).remove(u' ').isEmpty())
        return;
    if (CDS_Processo->Active() && CDS_Processo->Locate(QStringLiteral("nro_documento"), documento)) {
        Rascunho_->Identificado(documento);
        Libera_Grades();
        DBG_Lote->setFocus(Qt::OtherFocusReason);
        return;
    }
    Exibe_Mensagem(Mensagens::DocumentoNaoEncontrado(STT_CodigoNacional->text()), false, tipoAdvertencia);
    MSK_CodigoNacional->Clear();
    MSK_CodigoNacional->setFocus(Qt::OtherFocusReason);
}

void TFRM_QuorinRealinhamentoPreco::BBT_ArquivoClick() {
    if (!OPG_Arquivo->Execute())
        return;
    try {
        Suspende_Grades();
        CDS_Processo->Close();
        CDS_Processo->SetFiltered(false);
        CDS_Processo->SetFilter(QString());
        CDS_Processo->LoadFromFile(OPG_Arquivo->FileName);

        LBL_NomeEntidade->setText(Texto(CDS_Processo, "des_tipoentidade"));
        LBL_NomeMunicipio->setText(Texto(CDS_Processo, "des_municipio"));

        const bool encerrado = Texto(CDS_Processo, "flg_encerrado") == QStringLiteral("1");
        if (encerrado) {
            const QString documento = Texto(CDS_Processo, "nro_documento");
            CMB_Identificacao->setCurrentIndex(Trim(documento).size() == 11 ? 0 : 1);
            CMB_IdentificacaoClick();
            MSK_CodigoNacional->SetText(documento);
            PNL_NomeFornecedor->setText(u' ' + Texto(CDS_Processo, "des_nome"));
        }

        BBT_Relatorio->setEnabled(true);
        BBT_Encerrar->setEnabled(true);

        PNL_AnoExercicioProcesso->setText(
            FormatFloat(QStringLiteral("0000"), Inteiro(CDS_Processo, "ano_exercicio")));
        PNL_TipoApuracao->setText(u' ' + Texto(CDS_Processo, "des_tipoapuracao"));
        RCH_Objeto->setPlainText(u' ' + Texto(CDS_Processo, "des_objeto"));
        PNL_NumeroProcesso->setText(
            FormatFloat(QStringLiteral("000000"), Inteiro(CDS_Processo, "nro_processo")));
        PNL_DataProcesso->setText(
            FormatDateTime(QStringLiteral("dd/mm/yyyy"),
                           CDS_Processo->FieldByName(QStringLiteral("dat_processo"))->AsDateTime()));
        PNL_Modalidade->setText(u' ' + Texto(CDS_Processo, "des_modalidadelicitacao"));
        PNL_Sequencial->setText(
            u' ' + FormatFloat(QStringLiteral("000000"), Inteiro(CDS_Processo, "seq_modalidadelicitacao")));

        // The lot build walks every item; neither cursor reaction may run meanwhile.
        // Opening does not change the gates, so they come back as they were.
        const bool acompanhaLote = std::exchange(FLG_AcompanhaLote, false);
        const bool acompanhaItem = std::exchange(FLG_AcompanhaItem, false);
        R::MontaLotes(*CDS_Processo, *CDS_Lote);
        FLG_AcompanhaLote = acompanhaLote;
        FLG_AcompanhaItem = acompanhaItem;

        CDS_Lote->First();
        CDS_Processo->First();
        for (QWidget* painel : {PNL_Processo, PNL_ObjetoGeral, PNL_Lote, PNL_Item, PNL_Grid})
            Habilita_Painel(painel, true);
        BBT_Gravar->setEnabled(false);
        Habilita_Painel(PNL_Chave1, true);

        Rascunho_->ProcessoAberto(OPG_Arquivo->FileName, encerrado);
        if (Texto(CDS_Processo, "flg_encerrado") == QStringLiteral("1")) {
            Libera_Grades();
            DBG_Lote->setFocus(Qt::OtherFocusReason);
        } else {
            MSK_CodigoNacional->setFocus(Qt::OtherFocusReason);
        }
    } catch (const std::exception&) {
        Exibe_Mensagem(Mensagens::ErroLeituraArquivo(), false, tipoAdvertencia);
        Libera_Grades();
        BBT_LimparClick();
    }
}

void TFRM_QuorinRealinhamentoPreco::Atualiza_TotalLote() {
    const Currency total = R::TotalVisivel(*CDS_Processo);
    PNL_ValorTotal->setText(R::TextoTotalLote(total));
    BBT_Relatorio->setEnabled(total.GreaterThan(0));
}

void TFRM_QuorinRealinhamentoPreco::Filtra_LoteAtual() {
    R::FiltraLote(*CDS_Processo, Inteiro(CDS_Lote, "NRO_LOTE"));
}

void TFRM_QuorinRealinhamentoPreco::DBG_LoteDrawColumnCell(TDBGrid& grid, const TGridDrawCell& cell) {
    if (cell.RecNo % 2 == 1 || cell.Selected())
        return;
    // "$00E2F8DA": blue E2, green F8, red DA.
    cell.Canvas->fillRect(cell.Rect, QColor(0xDA, 0xF8, 0xE2));
    grid.DefaultDrawColumnCell(cell);
}

void TFRM_QuorinRealinhamentoPreco::DBG_LoteEnter() {
    RCH_Especificacao->clear();
    EDT_Marca->clear();
    PNL_Quantidade->setText(QString());
    MED_ValorUnitario->setText(QString());
    MED_ValorUnitario->Valor = QStringLiteral("0");
    PNL_ValorTotal->setText(QString());
    BBT_Gravar->setEnabled(false);
    if (CDS_Lote->IsEmpty())
        return;
    FLG_AcompanhaLote = true;
    Filtra_LoteAtual();
    Atualiza_TotalLote();
}

void TFRM_QuorinRealinhamentoPreco::DBG_LoteExit() {
    FLG_AcompanhaLote = false;
}

void TFRM_QuorinRealinhamentoPreco::DBG_LoteKeyDown(int& key, Qt::KeyboardModifiers shift) {
    if ((shift & Qt::ControlModifier) && key == Qt::Key_Delete)
        key = 0;
}

void TFRM_QuorinRealinhamentoPreco::DBG_ItemDrawColumnCell(TDBGrid& grid, const TGridDrawCell& cell) {
    DBG_LoteDrawColumnCell(grid, cell);
}

void TFRM_QuorinRealinhamentoPreco::DBG_ItemEnter() {
    if (CDS_Processo->IsEmpty())
        return;
    FLG_AcompanhaItem = true;
    BBT_Gravar->setEnabled(true);
    Exibe_Item(CDS_Processo);
}

void TFRM_QuorinRealinhamentoPreco::DBG_ItemExit() {
    FLG_AcompanhaItem = false;
}

void TFRM_QuorinRealinhamentoPreco::DBG_ItemKeyDown(int& key, Qt::KeyboardModifiers shift) {
    DBG_LoteKeyDown(key, shift);
}

void TFRM_QuorinRealinhamentoPreco::CDS_ProcessoAfterScroll(TMemoryDataSet* dataSet) {
    Exibe_Item(dataSet);
}

void TFRM_QuorinRealinhamentoPreco::Exibe_Item(TMemoryDataSet* dataSet) {
    if (CDS_Processo->IsEmpty() || !FLG_AcompanhaItem)
        return;
    RCH_Especificacao->setPlainText(Texto(dataSet, "des_especificacao"));
    EDT_Marca->setText(Texto(dataSet, "des_marca"));
    PNL_Quantidade->setText(FormatFloat(QStringLiteral("#,##0.0000 "), Numero(dataSet, "qtd_produto")));
    MED_ValorUnitario->setText(
        FormatFloat(QStringLiteral("#,##0.0000"), Numero(dataSet, "vlr_realinhamento")));
}

void TFRM_QuorinRealinhamentoPreco::CDS_LoteAfterScroll(TMemoryDataSet*) {
    if (!FLG_AcompanhaLote || CDS_Lote->IsEmpty())
        return;
    Filtra_LoteAtual();
    Atualiza_TotalLote();
}

void TFRM_QuorinRealinhamentoPreco::BBT_GravarClick() {
    const double preco = StrToFloat(MED_ValorUnitario->Valor);
    if (!R::PrecoAceito(preco)) {
        Exibe_Mensagem(Mensagens::ValorUnitarioInvalido(), false, tipoAdvertencia);
        MED_ValorUnitario->setFocus(Qt::OtherFocusReason);
        return;
    }
    R::GravaItem(*CDS_Processo, EDT_Marca->text(), preco);
    Rascunho_->Gravado();

    FLG_AcompanhaItem = true;
    CDS_Processo->Next();
    if (CDS_Processo->Eof()) {
        CDS_Processo->First();
        FLG_AcompanhaLote = true;
        CDS_Lote->Next();
        if (CDS_Lote->Eof())
            CDS_Lote->First();
        FLG_AcompanhaLote = false;
    }
    FLG_AcompanhaItem = false;

    Atualiza_TotalLote();
    BBT_Encerrar->setEnabled(true);
    EDT_Marca->setFocus(Qt::OtherFocusReason);
}

void TFRM_QuorinRealinhamentoPreco::BBT_RelatorioClick() {
    // Owned by the window, and destroyed here once its preview has closed and its run has ended.
    std::unique_ptr<TQRP_Propostas> QRP_Propostas(new TQRP_Propostas(this));
    QRP_Propostas->QRL_Titulo1->SetCaption(TituloRelatorio());
    TMemoryDataSet* CDS_Relatorio = QRP_Propostas->CDS_Relatorio;
    CDS_Relatorio->CreateDataSet();

    CDS_Processo->DisableControls();
    CDS_Processo->SetFiltered(false);
    {
        // Whatever the copy raises, the window gets its lot and its grids back.
        struct TRestore {
            TMemoryDataSet* processo;
            ~TRestore() {
                processo->SetFiltered(true);
                processo->EnableControls();
                processo->First();
            }
        } restore{CDS_Processo};
        CDS_Processo->First();
        CopiaLinhasRelatorio(*CDS_Processo, *CDS_Relatorio,
                             {LBL_NomeEntidade->text(), LBL_NomeMunicipio->text(), LBL_NumeroCNPJ->text(),
                              PNL_TipoApuracao->text()});
    }

    QRP_Propostas->PreviewModal();
    QRP_Propostas->WaitForRun();
    CDS_Relatorio->Close();
    // A run that stopped on an error (a total beyond the money range, a full disk) says why.
    const QString erro = QRP_Propostas->LastRunError();
    if (!erro.isEmpty())
        Exibe_Mensagem(QStringLiteral("O relatório não pôde ser gerado por completo.\n") + erro, false,
                       QStringLiteral("ERR"));
}

void TFRM_QuorinRealinhamentoPreco::BBT_EncerrarClick() {
    FLG_AcompanhaItem = false;
    FLG_AcompanhaLote = true;  // each lot move below filters the items to that lot
    CDS_Processo->DisableControls();
    const QString filtro = CDS_Processo->Filter();
    const bool filtrado = CDS_Processo->Filtered();
    CDS_Processo->SetFiltered(false);

    QList<int> recusados;
    for (CDS_Lote->First(); !CDS_Lote->Eof(); CDS_Lote->Next()) {
        if (R::LoteRecusado(*CDS_Processo, Numero(CDS_Lote, "vlr_lance")))
            recusados << Inteiro(CDS_Lote, "NRO_LOTE");
    }
    const bool passou = recusados.isEmpty();
    if (!passou)
        Exibe_Mensagem(Mensagens::EncerramentoRecusado(R::ListaLotesRecusados(recusados)), false,
                       tipoAdvertencia);

    R::MarcaEncerrado(*CDS_Processo);
    CDS_Processo->SetFilter(filtro);
    CDS_Processo->SetFiltered(filtrado);
    CDS_Processo->EnableControls();

    FLG_AcompanhaItem = true;
    FLG_AcompanhaLote = true;
    CDS_Processo->First();

    if (!passou)
        return;
    const QString nome = R::NomeArquivoProposta(
        Trim(PNL_NumeroProcesso->text()), Trim(PNL_AnoExercicioProcesso->text()), MSK_CodigoNacional->Text());
    CDS_Processo->SaveToFile(nome);
    Rascunho_->Encerrado();
    Exibe_Mensagem(Mensagens::PropostaGravada(nome), false, QStringLiteral("INF"));
    close();
}

}  // namespace quorin
