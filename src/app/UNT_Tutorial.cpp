#include "app/UNT_Tutorial.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <QStyle>
#include <QTextEdit>

#include "app/Fonte.h"

namespace quorin {

TFRM_Tutorial* FRM_Tutorial = nullptr;

namespace {

// One entry per line of the guide; the blanks at the ends of the lines are part of
// the stored text.
const char16_t* const linhasTutorial[] = {
    u"TavelRegistraPropostas: Programa para digitação de ",
    u"propostas para Cotação de Preços ou Processos ",
    u"Licitatórios.",
    u"",
    u"Sequência operacional",
    u"",
    u"1. Selecionar a finalidade para as propostas: Cotação de ",
    u"Preços ou Processo Licitatótio.",
    u"2. Selecionar a identificação ( natureza jurídica ) do ",
    u"Fornecedor: CNPJ para as Pessoas Jurídicas ou CNPF ",
    u"para as Pessoas Físicas.",
    u"3. Digitar o número do CNPJ ou do CNPF do Fornecedor.",
    u"4. Digitar o Nome ou a Razão Social do Fornecedor.",
    u"5. Clicar o botão Confirmar para a confirmação dos dados ",
    u"informados.",
    u"6. Clicar o botão Limpar para reiniciar a operação: voltar ao ",
    u"item 1.",
    u"7. Clicar o botão Abrir Cotação ou Abrir Processo para ",
    u"selecionar e abrir o arquivo com os itens da Cotação de ",
    u"Preços ou do Processo Licitatório. O nome do arquivo tem ",
    u"a seguinte composição: PL_000001_2010.KPZ, onde:",
    u"- PL ou CP: identifica se o arquivo pertence a um Processo ",
    u"Licitatório ou Cotação de Preços;",
    u"- 000001: identifica o número do Processo Licitatório ou da ",
    u"Cotação de Preços;",
    u"- 2010: identifica o ano do exercício do Processo Licitatório ",
    u"ou da Cotação de Preços;",
    u"- KPZ: extensão do nome do arquivo.",
    u"8. Selecionar os itens através do grid.",
    u"9. Digitar a Marca do produto descrito.",
    u"10. Digitar a Quantidade proposta para o item.",
    u"11. Digitar o Valor Unitário proposto para o item.",
    u"12. Clicar o botão Gravar para confirmar os dados digitados ",
    u"para o item.",
    u"13. Repetir os itens 8, 9, 10, 11 e 12 deste tutorial para ",
    u"todos os itens da Cotação de Preços ou do Processo ",
    u"Licitatório.",
    u"14. Clicar o botão Relatório para emitir um relatório para ",
    u"controle e conferências das propostas digitadas.",
    u"15. Clicar o botão Abrir Propostas para abrir um arquivo já ",
    u"começado de propostas de uma Cotação de Preços ou de ",
    u"uma Processo Licitatório e dar continuidade à digitação. O ",
    u"nome do arquivo tem a seguinte composição: PL_000001_",
    u"2010_12123123000199.PRO, onde",
    u"- PL ou CP: identifica se o arquivo pertence a um Processo ",
    u"Licitatório ou Cotação de Preços;",
    u"- 000001: identifica o número do Processo Licitatório ou da ",
    u"Cotação de Preços;",
    u"- 2010: identifica o ano do exercício do Processo Licitatório ",
    u"ou da Cotação de Preços;",
    u"- 12123123000199: identifica o número do CNPJ ou do ",
    u"CNPF do Fornecedor;",
    u"- PRO: extensão do nome do arquivo.",
    u"16. Clicar o botão Encerrar para finalizar a digitação das ",
    u"propostas e gravar o arquivo que deverá ser enviado para o ",
    u"órgão público solicitante. O arquivo será gravado na ",
    u"mesma pasta aonde se encontra o programa ",
    u"TavelRegistraProposta.exe e o nome tem a mesma ",
    u"composição descrita no item 15 deste tutorial.",
    u"",
};

}  // namespace

QString TFRM_Tutorial::Texto() {
    QStringList linhas;
    for (const char16_t* linha : linhasTutorial)
        linhas << QString::fromUtf16(linha);
    return linhas.join(u'\n');
}

TFRM_Tutorial::TFRM_Tutorial(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("FRM_Tutorial"));
    setWindowTitle(QStringLiteral("Tutorial"));
    setFixedSize(360, 547);
    setFont(Fonte(QStringLiteral("MS Sans Serif"), 11));

    PNL_Tutorial = new QFrame(this);
    PNL_Tutorial->setObjectName(QStringLiteral("PNL_Tutorial"));
    PNL_Tutorial->setFrameStyle(QFrame::Panel | QFrame::Raised);
    PNL_Tutorial->setGeometry(0, 0, 360, 512);

    RCH_Tutorial = new QTextEdit(PNL_Tutorial);
    RCH_Tutorial->setObjectName(QStringLiteral("RCH_Tutorial"));
    RCH_Tutorial->setGeometry(5, 5, 350, 501);
    RCH_Tutorial->setAcceptRichText(false);
    RCH_Tutorial->setReadOnly(true);
    RCH_Tutorial->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    RCH_Tutorial->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RCH_Tutorial->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RCH_Tutorial->setLineWrapMode(QTextEdit::WidgetWidth);
    RCH_Tutorial->setTabChangesFocus(true);
    RCH_Tutorial->setFont(Fonte(QStringLiteral("Arial"), 12));
    QPalette paleta = RCH_Tutorial->palette();
    paleta.setColor(QPalette::Base, paleta.color(QPalette::ToolTipBase));
    paleta.setColor(QPalette::Text, QColor(128, 0, 0));
    RCH_Tutorial->setPalette(paleta);
    RCH_Tutorial->setPlainText(Texto());

    PNL_Botoes = new QFrame(this);
    PNL_Botoes->setObjectName(QStringLiteral("PNL_Botoes"));
    PNL_Botoes->setFrameStyle(QFrame::Panel | QFrame::Raised);
    PNL_Botoes->setGeometry(0, 512, 360, 35);

    BBT_Fechar = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton),
                                 QStringLiteral("&Fechar"), PNL_Botoes);
    BBT_Fechar->setObjectName(QStringLiteral("BBT_Fechar"));
    BBT_Fechar->setGeometry(130, 5, 75, 25);
    connect(BBT_Fechar, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(RCH_Tutorial, BBT_Fechar);
    RCH_Tutorial->setFocus(Qt::OtherFocusReason);

    if (const QScreen* tela = QGuiApplication::primaryScreen()) {
        QRect quadro = frameGeometry();
        quadro.moveCenter(tela->availableGeometry().center());
        move(quadro.topLeft());
    }
}

TFRM_Tutorial::~TFRM_Tutorial() = default;

void TFRM_Tutorial::keyPressEvent(QKeyEvent* event) {
    // Fechar is neither the default nor the cancel button: Escape and Enter do not
    // close the window.
    if (event->modifiers() == Qt::NoModifier &&
        (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace quorin
