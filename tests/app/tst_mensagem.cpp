#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/UNT_Mensagem1.h"
#include "app/UNT_QuorinRealinhamentoPreco.h"
#include "domain/Mensagens.h"
#include "domain/RegrasProposta.h"
#include "runtime/FormatSettings.h"

using namespace quorin;

namespace {

// Runs Exibe_Mensagem with the real window; `inspect` sees the window while it is
// shown modally and must close it.
bool Mostra(TFRM_QuorinRealinhamentoPreco& janela, const QString& texto, bool cancelar, const QString& tipo,
            const std::function<void(TFRM_Mensagem1&)>& inspect) {
    bool visto = false;
    QTimer::singleShot(0, [&] {
        auto* dialogo = qobject_cast<TFRM_Mensagem1*>(QApplication::activeModalWidget());
        QVERIFY(dialogo);
        visto = true;
        inspect(*dialogo);
        // A failed check above returns early; never leave the modal loop running.
        if (dialogo->isVisible())
            dialogo->done(0);
    });
    const bool resultado = janela.Exibe_Mensagem(texto, cancelar, tipo);
    [&] { QVERIFY2(visto, "o diálogo não foi exibido"); }();
    return resultado;
}

QStringList IconesVisiveis(const TFRM_Mensagem1& d) {
    QStringList nomes;
    for (const QLabel* img : {d.IMG_Confirmacao, d.IMG_Erro, d.IMG_Informacao, d.IMG_Advertencia}) {
        if (img->isVisible())
            nomes << img->objectName();
    }
    return nomes;
}

}  // namespace

class TstMensagem : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() {
        FormatSettings::setCurrent(FormatSettings::brazilian());
        QDir().mkpath(QStringLiteral(QUORIN_BINARY_DIR "/screenshots"));
    }

    void kinds_data() {
        QTest::addColumn<QString>("tipo");
        QTest::addColumn<QString>("icone");
        QTest::addColumn<QString>("titulo");
        QTest::newRow("CON") << "CON"
                             << "IMG_Confirmacao"
                             << "Confirmação . . .";
        QTest::newRow("ERR") << "ERR"
                             << "IMG_Erro"
                             << "Erro . . .";
        QTest::newRow("INF") << "INF"
                             << "IMG_Informacao"
                             << "Informação . . .";
        QTest::newRow("ADV") << "ADV"
                             << "IMG_Advertencia"
                             << "Advertência . . .";
        // The codes are compared case-sensitively: anything else shows no icon and
        // keeps the design-time caption.
        QTest::newRow("con minúsculo") << "con"
                                       << ""
                                       << "Q V R";
        QTest::newRow("vazio") << ""
                               << ""
                               << "Q V R";
    }
    void kinds() {
        QFETCH(QString, tipo);
        QFETCH(QString, icone);
        QFETCH(QString, titulo);
        TFRM_QuorinRealinhamentoPreco janela;
        Mostra(janela, QStringLiteral("O C N P J informado não foi encontrado no arquivo."), false, tipo,
               [&](TFRM_Mensagem1& d) {
                   QCOMPARE(d.windowTitle(), titulo);
                   QCOMPARE(IconesVisiveis(d), icone.isEmpty() ? QStringList() : QStringList{icone});
                   QCOMPARE(d.LBL_Mensagem->text(),
                            QStringLiteral("O C N P J informado não foi encontrado no arquivo."));
                   QVERIFY(d.BBT_Ok->isVisible());
                   if (!icone.isEmpty()) {
                       const QString arquivo =
                           QStringLiteral(QUORIN_BINARY_DIR "/screenshots/mensagem_%1.png").arg(tipo);
                       QVERIFY(d.grab().save(arquivo));
                   }
                   d.BBT_Ok->click();
               });
    }

    void iconSizes() {
        TFRM_Mensagem1 d;
        QCOMPARE(d.IMG_Confirmacao->geometry(), QRect(5, 5, 38, 39));
        QCOMPARE(d.IMG_Informacao->geometry(), QRect(5, 5, 38, 41));
        QCOMPARE(d.IMG_Erro->geometry(), QRect(5, 5, 38, 40));
        QCOMPARE(d.IMG_Advertencia->geometry(), QRect(5, 5, 38, 39));
        // Four distinct pictures whose grey background is not painted.
        const QImage a = d.IMG_Confirmacao->pixmap().toImage();
        const QImage b = d.IMG_Advertencia->pixmap().toImage();
        QVERIFY(a != b);
        QVERIFY(d.IMG_Erro->pixmap().toImage() != d.IMG_Informacao->pixmap().toImage());
        QVERIFY(d.IMG_Confirmacao->pixmap().hasAlpha() || !d.IMG_Confirmacao->pixmap().mask().isNull());
        QCOMPARE(qAlpha(a.pixel(0, 0)), 0);
    }

    void okAlone() {
        TFRM_QuorinRealinhamentoPreco janela;
        const bool resultado =
            Mostra(janela, QStringLiteral("Aviso"), false, QStringLiteral("ADV"), [](TFRM_Mensagem1& d) {
                QVERIFY(!d.BBT_Cancelar->isVisible());
                QCOMPARE(d.BBT_Ok->geometry(), QRect(141, 5, 80, 25));
                QCOMPARE(d.focusWidget(), d.BBT_Ok);
                // Without the cancel button Escape does nothing.
                QTest::keyClick(d.focusWidget(), Qt::Key_Escape);
                QVERIFY(d.isVisible());
                // The close box ends it with Cancel.
                d.close();
                QVERIFY(!d.isVisible());
                QCOMPARE(d.result(), TFRM_Mensagem1::mrCancel);
            });
        QVERIFY(!resultado);
    }

    void okAndCancel_data() {
        QTest::addColumn<QString>("acao");
        QTest::addColumn<bool>("esperado");
        QTest::newRow("Enter sobre Cancelar") << "enter" << false;
        QTest::newRow("Escape") << "escape" << false;
        QTest::newRow("clique em Ok") << "ok" << true;
        QTest::newRow("Enter sobre Ok") << "enter-ok" << true;
        QTest::newRow("Enter do teclado numérico sobre Ok") << "keypad-ok" << true;
        QTest::newRow("caixa de fechar") << "close" << false;
    }
    void okAndCancel() {
        QFETCH(QString, acao);
        QFETCH(bool, esperado);
        TFRM_QuorinRealinhamentoPreco janela;
        const bool resultado =
            Mostra(janela, QStringLiteral("Confirma?"), true, QStringLiteral("CON"), [&](TFRM_Mensagem1& d) {
                QVERIFY(d.BBT_Cancelar->isVisible());
                QCOMPARE(d.BBT_Ok->geometry(), QRect(96, 5, 80, 25));
                QCOMPARE(d.BBT_Cancelar->geometry(), QRect(186, 5, 80, 25));
                QCOMPARE(d.focusWidget(), d.BBT_Cancelar);
                QCOMPARE(d.BBT_Cancelar->nextInFocusChain(), d.BBT_Ok);
                if (acao == QLatin1String("enter")) {
                    QTest::keyClick(d.BBT_Cancelar, Qt::Key_Return);
                } else if (acao == QLatin1String("escape")) {
                    QTest::keyClick(d.focusWidget(), Qt::Key_Escape);
                } else if (acao == QLatin1String("ok")) {
                    QVERIFY(d.grab().save(
                        QStringLiteral(QUORIN_BINARY_DIR "/screenshots/mensagem_com_cancelar.png")));
                    QTest::mouseClick(d.BBT_Ok, Qt::LeftButton);
                } else if (acao == QLatin1String("enter-ok")) {
                    d.BBT_Ok->setFocus();
                    QTest::keyClick(d.BBT_Ok, Qt::Key_Return);
                } else if (acao == QLatin1String("keypad-ok")) {
                    d.BBT_Ok->setFocus();
                    QTest::keyClick(d.BBT_Ok, Qt::Key_Enter, Qt::KeypadModifier);
                } else {
                    d.close();
                }
                QVERIFY(!d.isVisible());
            });
        QCOMPARE(resultado, esperado);
    }

    // A short text keeps the window at its size; a taller one makes it grow, never past the
    // screen: beyond that the text scrolls inside it. The label always holds the whole text.
    void longTextStaysReadable_data() {
        QTest::addColumn<int>("lotes");
        QTest::newRow("um lote") << 1;
        QTest::newRow("sessenta lotes") << 60;
        QTest::newRow("quatrocentos lotes") << 400;
        QTest::newRow("três mil lotes") << 3000;
    }
    void longTextStaysReadable() {
        QFETCH(int, lotes);
        TFRM_QuorinRealinhamentoPreco janela;
        QList<int> recusados;
        for (int i = 1; i <= lotes; ++i)
            recusados << i;
        const QString texto = Mensagens::EncerramentoRecusado(RegrasProposta::ListaLotesRecusados(recusados));
        Mostra(janela, texto, false, QStringLiteral("ADV"), [&](TFRM_Mensagem1& d) {
            QCOMPARE(d.LBL_Mensagem->text(), texto);
            QVERIFY(d.LBL_Mensagem->wordWrap());
            QCOMPARE(d.LBL_Mensagem->alignment(), Qt::AlignCenter);
            QCOMPARE(d.LBL_Mensagem->palette().color(QPalette::WindowText), QColor(Qt::red));
            const int precisa = d.LBL_Mensagem->heightForWidth(307);
            QCOMPARE(d.LBL_Mensagem->width(), 307);
            QVERIFY(d.LBL_Mensagem->height() >= precisa);
            QCOMPARE(d.minimumSize(), d.maximumSize());
            const QRect tela = d.screen()->availableGeometry();
            QVERIFY(tela.contains(d.frameGeometry()));
            QCOMPARE(d.PNL_Botoes->geometry().bottom(), d.height() - 1);
            QVERIFY(d.BBT_Ok->isVisible());
            if (precisa <= 71) {
                QCOMPARE(d.LBL_Mensagem->geometry(), QRect(50, 0, 307, 71));
                QCOMPARE(d.size(), QSize(362, 106));
                QCOMPARE(d.SCR_Mensagem, nullptr);
            } else if (precisa + 35 + 60 <= tela.height()) {
                // The window grows to hold the whole text.
                QCOMPARE(d.SCR_Mensagem, nullptr);
                QCOMPARE(d.height(), precisa + 35);
            } else {
                // Scrolled inside: the last words come into view.
                QVERIFY(d.SCR_Mensagem);
                QScrollBar* barra = d.SCR_Mensagem->verticalScrollBar();
                QVERIFY(barra->maximum() > 0);
                barra->setValue(barra->maximum());
                QCOMPARE(barra->value() + d.SCR_Mensagem->viewport()->height(), d.LBL_Mensagem->height());
                QVERIFY(d.grab().save(QStringLiteral(QUORIN_BINARY_DIR "/screenshots/mensagem_longa.png")));
            }
            if (lotes == 3000)
                QVERIFY(d.SCR_Mensagem);
            d.BBT_Ok->click();
        });
    }

    void freshWindowPerCall() {
        TFRM_QuorinRealinhamentoPreco janela;
        QPointer<TFRM_Mensagem1> primeiro;
        Mostra(janela, QStringLiteral("Primeira"), true, QStringLiteral("ADV"), [&](TFRM_Mensagem1& d) {
            primeiro = &d;
            d.BBT_Ok->click();
        });
        QVERIFY(primeiro.isNull());
        Mostra(janela, QStringLiteral("Segunda"), false, QStringLiteral("xyz"), [&](TFRM_Mensagem1& d) {
            QCOMPARE(d.windowTitle(), QStringLiteral("Q V R"));
            QVERIFY(IconesVisiveis(d).isEmpty());
            QCOMPARE(d.BBT_Ok->x(), 141);
            QVERIFY(!d.BBT_Cancelar->isVisible());
            d.BBT_Ok->click();
        });
    }

    void windowLayout() {
        TFRM_Mensagem1 d;
        QCOMPARE(d.size(), QSize(362, 106));
        QCOMPARE(d.minimumSize(), d.maximumSize());
        QVERIFY(!(d.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(d.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(d.windowTitle(), QStringLiteral("Q V R"));
        QCOMPARE(d.palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(d.PNL_Botoes->geometry(), QRect(0, 71, 362, 35));
        QVERIFY(d.BBT_Ok->isDefault());
        QVERIFY(d.TipoMensagem.isEmpty());
        QVERIFY(!d.ExibeCancelar);
        QCOMPARE(d.BBT_Ok->text(), QStringLiteral("Ok"));
        QCOMPARE(d.BBT_Cancelar->text(), QStringLiteral("Cancelar"));
    }
};

QTEST_MAIN(TstMensagem)
#include "tst_mensagem.moc"
