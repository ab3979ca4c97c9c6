#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include "app/UNT_QuorinRealinhamentoPreco.h"
#include "app/UNT_Tutorial.h"
#include "runtime/FormatSettings.h"

using namespace quorin;

class TstTutorial : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() {
        FormatSettings::setCurrent(FormatSettings::brazilian());
        QDir().mkpath(QStringLiteral(QUORIN_BINARY_DIR "/screenshots"));
    }

    void textAsStored() {
        QFile arquivo(QStringLiteral(QUORIN_TEST_DATA_DIR "/tutorial.txt"));
        QVERIFY(arquivo.open(QIODevice::ReadOnly));
        const QString esperado = QString::fromUtf8(arquivo.readAll());
        TFRM_Tutorial t;
        const QString texto = t.RCH_Tutorial->toPlainText();
        QCOMPARE(texto, esperado);
        const QStringList linhas = texto.split(u'\n');
        QCOMPARE(linhas.size(), 60);
        QCOMPARE(linhas.first(), QStringLiteral("TavelRegistraPropostas: Programa para digitação de "));
        QVERIFY(linhas.last().isEmpty());
        QVERIFY(texto.endsWith(u'\n'));
    }

    void layout() {
        TFRM_Tutorial t;
        QCOMPARE(t.windowTitle(), QStringLiteral("Tutorial"));
        QCOMPARE(t.size(), QSize(360, 547));
        QCOMPARE(t.minimumSize(), t.maximumSize());
        QVERIFY(!(t.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(t.PNL_Tutorial->geometry(), QRect(0, 0, 360, 512));
        QCOMPARE(t.RCH_Tutorial->geometry(), QRect(5, 5, 350, 501));
        QCOMPARE(t.PNL_Botoes->geometry(), QRect(0, 512, 360, 35));
        QCOMPARE(t.BBT_Fechar->geometry(), QRect(130, 5, 75, 25));
        QCOMPARE(t.BBT_Fechar->text(), QStringLiteral("&Fechar"));
        QVERIFY(!t.BBT_Fechar->isDefault());
        QCOMPARE(t.RCH_Tutorial->font().pixelSize(), 12);
        QCOMPARE(t.RCH_Tutorial->palette().color(QPalette::Text), QColor(128, 0, 0));
        QCOMPARE(t.RCH_Tutorial->palette().color(QPalette::Base), t.palette().color(QPalette::ToolTipBase));
        QCOMPARE(t.RCH_Tutorial->lineWrapMode(), QTextEdit::WidgetWidth);
    }

    // Opened from the main window: a fresh window each time, text at the top and
    // focused, read-only but selectable, Escape and Enter do not close it.
    void openedByTheTutorialButton() {
        TFRM_QuorinRealinhamentoPreco janela;
        for (int vez = 0; vez < 2; ++vez) {
            bool visto = false;
            const auto verifica = [&](TFRM_Tutorial* t) {
                QVERIFY(t);
                QCOMPARE(QApplication::activeModalWidget(), t);
                visto = true;
                QCOMPARE(t->focusWidget(), t->RCH_Tutorial);
                QScrollBar* barra = t->RCH_Tutorial->verticalScrollBar();
                QVERIFY(barra->maximum() > 0);
                QCOMPARE(barra->value(), 0);

                const QString antes = t->RCH_Tutorial->toPlainText();
                QTest::keyClicks(t->RCH_Tutorial, QStringLiteral("abc"));
                QTest::keyClick(t->RCH_Tutorial, Qt::Key_Delete);
                QCOMPARE(t->RCH_Tutorial->toPlainText(), antes);

                QTest::keyClick(t->RCH_Tutorial, Qt::Key_A, Qt::ControlModifier);
                QCOMPARE(t->RCH_Tutorial->textCursor().selectedText().size(), antes.size());
                t->RCH_Tutorial->copy();
                QCOMPARE(QApplication::clipboard()->text(), antes);

                QTest::keyClick(t->RCH_Tutorial, Qt::Key_End, Qt::ControlModifier);
                QVERIFY(barra->value() > 0);

                QTest::keyClick(t->RCH_Tutorial, Qt::Key_Escape);
                QTest::keyClick(t->RCH_Tutorial, Qt::Key_Return);
                QVERIFY(t->isVisible());
                if (vez == 0) {
                    barra->setValue(0);
                    QVERIFY(t->grab().save(QStringLiteral(QUORIN_BINARY_DIR "/screenshots/tutorial.png")));
                    QTest::mouseClick(t->BBT_Fechar, Qt::LeftButton);
                } else {
                    t->close();
                }
                QVERIFY(!t->isVisible());
            };
            QTimer::singleShot(0, [&] {
                verifica(FRM_Tutorial);
                // A failed check must not leave the modal loop running.
                if (FRM_Tutorial && FRM_Tutorial->isVisible())
                    FRM_Tutorial->done(0);
            });
            janela.SPB_TutorialClick();
            QVERIFY(visto);
            QCOMPARE(FRM_Tutorial, nullptr);
        }
    }
};

QTEST_MAIN(TstTutorial)
#include "tst_tutorial.moc"
