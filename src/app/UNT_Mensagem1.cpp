#include "app/UNT_Mensagem1.h"

#include <QApplication>
#include <algorithm>
#include <QBitmap>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>

#include "app/Fonte.h"
#include "controls/Edit.h"

namespace quorin {

TFRM_Mensagem1* FRM_Mensagem1 = nullptr;

namespace {

enum class Simbolo { Confirmacao, Informacao, Erro, Advertencia };

// The pictures are drawn as 24-bit bitmaps on the light grey of the classic dialog
// face; that grey is then masked out, so only the symbol itself is painted.
QPixmap Desenha_Icone(Simbolo simbolo, int largura, int altura) {
    const QColor fundo(212, 208, 200);
    QImage imagem(largura, altura, QImage::Format_RGB888);
    imagem.fill(fundo);
    {
        QPainter p(&imagem);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF caixa(2, (altura - 34) / 2.0, 34, 34);
        QFont fonte(QStringLiteral("Liberation Serif"));
        fonte.setBold(true);
        switch (simbolo) {
            case Simbolo::Confirmacao:
            case Simbolo::Informacao:
            case Simbolo::Erro: {
                const QColor cor = simbolo == Simbolo::Confirmacao  ? QColor(0, 128, 0)
                                   : simbolo == Simbolo::Informacao ? QColor(0, 64, 192)
                                                                    : QColor(200, 0, 0);
                p.setPen(QPen(QColor(40, 40, 40), 1));
                p.setBrush(cor);
                p.drawEllipse(caixa);
                p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
                if (simbolo == Simbolo::Erro) {
                    const QPointF c = caixa.center();
                    p.drawLine(c + QPointF(-8, -8), c + QPointF(8, 8));
                    p.drawLine(c + QPointF(-8, 8), c + QPointF(8, -8));
                } else {
                    fonte.setPixelSize(26);
                    p.setFont(fonte);
                    p.drawText(caixa, Qt::AlignCenter,
                               simbolo == Simbolo::Confirmacao ? QStringLiteral("?") : QStringLiteral("i"));
                }
                break;
            }
            case Simbolo::Advertencia: {
                QPainterPath triangulo;
                triangulo.moveTo(19, caixa.top());
                triangulo.lineTo(caixa.right(), caixa.bottom());
                triangulo.lineTo(caixa.left(), caixa.bottom());
                triangulo.closeSubpath();
                p.setPen(QPen(QColor(40, 40, 40), 1));
                p.setBrush(QColor(255, 210, 0));
                p.drawPath(triangulo);
                fonte.setPixelSize(24);
                p.setFont(fonte);
                p.setPen(Qt::black);
                p.drawText(caixa.adjusted(0, 8, 0, 0), Qt::AlignCenter, QStringLiteral("!"));
                break;
            }
        }
    }
    QPixmap picture = QPixmap::fromImage(imagem);
    picture.setMask(QBitmap::fromImage(imagem.createMaskFromColor(fundo.rgb(), Qt::MaskInColor)));
    return picture;
}

QLabel* Cria_Imagem(QWidget* parent, Simbolo simbolo, int largura, int altura) {
    auto* imagem = new QLabel(parent);
    imagem->setPixmap(Desenha_Icone(simbolo, largura, altura));
    imagem->setGeometry(5, 5, largura, altura);
    imagem->setAttribute(Qt::WA_TranslucentBackground);
    imagem->setVisible(false);
    return imagem;
}

}  // namespace

TFRM_Mensagem1::TFRM_Mensagem1(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("FRM_Mensagem1"));
    setWindowTitle(QStringLiteral("Q V R"));
    setFixedSize(362, 106);
    setFont(Fonte(QStringLiteral("MS Sans Serif"), 11));
    QPalette paleta = palette();
    paleta.setColor(QPalette::Window, Qt::white);
    setPalette(paleta);
    setAutoFillBackground(true);

    LBL_Mensagem = new QLabel(this);
    LBL_Mensagem->setObjectName(QStringLiteral("LBL_Mensagem"));
    LBL_Mensagem->setGeometry(50, 0, 307, 71);
    LBL_Mensagem->setAlignment(Qt::AlignCenter);
    LBL_Mensagem->setWordWrap(true);
    LBL_Mensagem->setTextFormat(Qt::PlainText);
    LBL_Mensagem->setFont(Fonte(QStringLiteral("Arial"), 12));
    QPalette vermelho = LBL_Mensagem->palette();
    vermelho.setColor(QPalette::WindowText, Qt::red);
    LBL_Mensagem->setPalette(vermelho);
    LBL_Mensagem->setText(QStringLiteral("Mensagem"));

    IMG_Confirmacao = Cria_Imagem(this, Simbolo::Confirmacao, 38, 39);
    IMG_Confirmacao->setObjectName(QStringLiteral("IMG_Confirmacao"));
    IMG_Informacao = Cria_Imagem(this, Simbolo::Informacao, 38, 41);
    IMG_Informacao->setObjectName(QStringLiteral("IMG_Informacao"));
    IMG_Erro = Cria_Imagem(this, Simbolo::Erro, 38, 40);
    IMG_Erro->setObjectName(QStringLiteral("IMG_Erro"));
    IMG_Advertencia = Cria_Imagem(this, Simbolo::Advertencia, 38, 39);
    IMG_Advertencia->setObjectName(QStringLiteral("IMG_Advertencia"));

    PNL_Botoes = new QFrame(this);
    PNL_Botoes->setObjectName(QStringLiteral("PNL_Botoes"));
    PNL_Botoes->setFrameStyle(QFrame::Panel | QFrame::Raised);
    PNL_Botoes->setGeometry(0, 71, 362, 35);
    PNL_Botoes->setAutoFillBackground(true);
    QPalette face = PNL_Botoes->palette();
    face.setColor(QPalette::Window, QApplication::palette().color(QPalette::Window));
    PNL_Botoes->setPalette(face);

    // Created in tab order: Cancelar first, so that it takes the focus whenever it
    // is shown.
    BBT_Cancelar = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                                   QStringLiteral("Cancelar"), PNL_Botoes);
    BBT_Cancelar->setObjectName(QStringLiteral("BBT_Cancelar"));
    BBT_Cancelar->setGeometry(186, 5, 80, 25);
    BBT_Ok =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("Ok"), PNL_Botoes);
    BBT_Ok->setObjectName(QStringLiteral("BBT_Ok"));
    BBT_Ok->setGeometry(96, 5, 80, 25);
    BBT_Ok->setDefault(true);
    setTabOrder(BBT_Cancelar, BBT_Ok);

    connect(BBT_Ok, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(BBT_Cancelar, &QPushButton::clicked, this, [this] { done(mrCancel); });
    EnterPressesFocusedButton(this);
}

TFRM_Mensagem1::~TFRM_Mensagem1() = default;

void TFRM_Mensagem1::FormShow() {
    BBT_Cancelar->setVisible(ExibeCancelar);
    BBT_Ok->move(ExibeCancelar ? 96 : 141, BBT_Ok->y());

    IMG_Confirmacao->setVisible(TipoMensagem == QLatin1String("CON"));
    IMG_Erro->setVisible(TipoMensagem == QLatin1String("ERR"));
    IMG_Informacao->setVisible(TipoMensagem == QLatin1String("INF"));
    IMG_Advertencia->setVisible(TipoMensagem == QLatin1String("ADV"));

    Ajusta_Tamanho();

    if (TipoMensagem == QLatin1String("CON"))
        setWindowTitle(QStringLiteral("Confirmação . . ."));
    else if (TipoMensagem == QLatin1String("ERR"))
        setWindowTitle(QStringLiteral("Erro . . ."));
    else if (TipoMensagem == QLatin1String("INF"))
        setWindowTitle(QStringLiteral("Informação . . ."));
    else if (TipoMensagem == QLatin1String("ADV"))
        setWindowTitle(QStringLiteral("Advertência . . ."));
}

// A text the label's 71 pixels hold keeps the window at its size. A taller one makes the
// window grow, and never past the screen: beyond that the text scrolls inside the window, so
// every word of it can be read (a refusal may list hundreds of lots).
void TFRM_Mensagem1::Ajusta_Tamanho() {
    if (SCR_Mensagem)
        return;
    const int largura = LBL_Mensagem->width();
    const int altura = LBL_Mensagem->heightForWidth(largura);
    if (altura <= LBL_Mensagem->height())
        return;
    const int botoes = PNL_Botoes->height();
    const QScreen* tela = screen() ? screen() : QGuiApplication::primaryScreen();
    // The title bar and the frame the window manager adds take some of the screen too.
    const int limite = (tela ? tela->availableGeometry().height() : 600) - 60 - botoes;
    int extra = 0;
    int area = altura;
    if (altura > limite) {
        area = std::max(limite, LBL_Mensagem->height());
        SCR_Mensagem = new QScrollArea(this);
        SCR_Mensagem->setObjectName(QStringLiteral("SCR_Mensagem"));
        SCR_Mensagem->setFrameShape(QFrame::NoFrame);
        SCR_Mensagem->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        SCR_Mensagem->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        SCR_Mensagem->setPalette(palette());
        SCR_Mensagem->viewport()->setAutoFillBackground(false);
        SCR_Mensagem->setFocusPolicy(Qt::NoFocus);
        extra = SCR_Mensagem->verticalScrollBar()->sizeHint().width();
        SCR_Mensagem->setGeometry(LBL_Mensagem->x(), 0, largura + extra, area);
        SCR_Mensagem->setWidget(LBL_Mensagem);
        LBL_Mensagem->setGeometry(0, 0, largura, altura);
        SCR_Mensagem->show();
    } else {
        LBL_Mensagem->resize(largura, altura);
    }
    setFixedSize(width() + extra, area + botoes);
    PNL_Botoes->setGeometry(0, area, width(), botoes);
    for (QPushButton* botao : {BBT_Ok, BBT_Cancelar})
        botao->move(botao->x() + extra / 2, botao->y());
}

void TFRM_Mensagem1::reject() {
    done(mrCancel);
}

void TFRM_Mensagem1::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        FormShow();
        (BBT_Cancelar->isVisibleTo(this) ? BBT_Cancelar : BBT_Ok)->setFocus(Qt::TabFocusReason);
        if (const QScreen* tela = QGuiApplication::primaryScreen()) {
            QRect quadro = frameGeometry();
            quadro.moveCenter(tela->availableGeometry().center());
            move(quadro.topLeft());
        }
    }
    QDialog::showEvent(event);
}

void TFRM_Mensagem1::keyPressEvent(QKeyEvent* event) {
    // Escape belongs to the cancel button alone: with Cancelar hidden it does nothing.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (BBT_Cancelar->isVisible() && BBT_Cancelar->isEnabled())
            BBT_Cancelar->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace quorin
