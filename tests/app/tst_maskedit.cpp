#include <QTest>

#include "controls/Edit.h"
#include "controls/MaskEdit.h"

using namespace quorin;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Qt::FocusReason)

namespace {
const QString cpf = QStringLiteral("999.999.999-99;0; ");
const QString cnpj = QStringLiteral("99.999.999/9999-99;0; ");
}  // namespace

class TstMaskEdit : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void typing_data() {
        QTest::addColumn<QString>("mascara");
        QTest::addColumn<QString>("teclas");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("exibido");
        QTest::newRow("CPF completo") << cpf << "12345678901"
                                      << "12345678901"
                                      << "123.456.789-01";
        QTest::newRow("CPF parcial") << cpf << "1234"
                                     << "1234"
                                     << "123.4  .   -  ";
        QTest::newRow("CPF além do fim") << cpf << "1234567890123"
                                         << "12345678901"
                                         << "123.456.789-01";
        QTest::newRow("letras recusadas") << cpf << "1a2b3"
                                          << "123"
                                          << "123.   .   -  ";
        QTest::newRow("pontuação digitada") << cpf << "123.456"
                                            << "123456"
                                            << "123.456.   -  ";
        QTest::newRow("CNPJ completo") << cnpj << "12345678000199"
                                       << "12345678000199"
                                       << "12.345.678/0001-99";
        QTest::newRow("vazio") << cnpj << ""
                               << ""
                               << "  .   .   /    -  ";
    }
    void typing() {
        QFETCH(QString, mascara);
        QFETCH(QString, teclas);
        QFETCH(QString, texto);
        QFETCH(QString, exibido);
        TMaskEdit edit;
        edit.SetEditMask(mascara);
        edit.show();
        edit.setFocus();
        edit.setCursorPosition(0);
        QTest::keyClicks(&edit, teclas);
        QCOMPARE(edit.Text(), texto);
        QCOMPARE(edit.displayText(), exibido);
    }

    // The field keeps its digits when the kind switches, as far as the new mask
    // has positions for them.
    void switchingMasks_data() {
        QTest::addColumn<QString>("de");
        QTest::addColumn<QString>("para");
        QTest::addColumn<QString>("digitos");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("exibido");
        QTest::newRow("CPF para CNPJ") << cpf << cnpj << "12345678901"
                                       << "12345678901"
                                       << "12.345.678/901 -  ";
        QTest::newRow("CNPJ para CPF") << cnpj << cpf << "12345678000199"
                                       << "12345678000"
                                       << "123.456.780-00";
        QTest::newRow("vazio") << cnpj << cpf << ""
                               << ""
                               << "   .   .   -  ";
    }
    void switchingMasks() {
        QFETCH(QString, de);
        QFETCH(QString, para);
        QFETCH(QString, digitos);
        QFETCH(QString, texto);
        QFETCH(QString, exibido);
        TMaskEdit edit;
        edit.SetEditMask(de);
        edit.SetText(digitos);
        QCOMPARE(edit.Text(), digitos);
        edit.SetEditMask(para);
        QCOMPARE(edit.Text(), texto);
        QCOMPARE(edit.displayText(), exibido);
    }

    // Every entry not made by the mouse selects the text, the caret on the first open
    // position, so what is typed replaces it: also an activation of the window that hands
    // the field a focus the program gave it while another window was up (the open dialog,
    // a message). The focus coming back to a field that lost it to another window or a
    // popup leaves it as the user left it; a click places the caret.
    void focusEntry_data() {
        QTest::addColumn<bool>("mascara");
        QTest::addColumn<int>("saida");  // how the field lost the focus before (-1: it never had it)
        QTest::addColumn<Qt::FocusReason>("entrada");
        QTest::addColumn<bool>("seleciona");
        const struct {
            const char* nome;
            int saida;
            Qt::FocusReason entrada;
            bool seleciona;
        } casos[] = {
            {"Tab", -1, Qt::TabFocusReason, true},
            {"Shift+Tab", -1, Qt::BacktabFocusReason, true},
            {"pelo programa", -1, Qt::OtherFocusReason, true},
            {"ativação após o programa escolher o campo", -1, Qt::ActiveWindowFocusReason, true},
            {"popup após o programa escolher o campo", -1, Qt::PopupFocusReason, true},
            {"ativação após sair por Tab", Qt::TabFocusReason, Qt::ActiveWindowFocusReason, true},
            {"programa após outra janela", Qt::ActiveWindowFocusReason, Qt::OtherFocusReason, true},
            {"volta de outra janela", Qt::ActiveWindowFocusReason, Qt::ActiveWindowFocusReason, false},
            {"volta de um popup", Qt::PopupFocusReason, Qt::PopupFocusReason, false},
            {"clique", -1, Qt::MouseFocusReason, false},
        };
        for (bool mascara : {true, false})
            for (const auto& c : casos)
                QTest::newRow(qPrintable(QString::fromUtf8(c.nome) + (mascara ? u" (máscara)"_s : u" (marca)"_s)))
                    << mascara << c.saida << c.entrada << c.seleciona;
    }
    void focusEntry() {
        QFETCH(bool, mascara);
        QFETCH(int, saida);
        QFETCH(Qt::FocusReason, entrada);
        QFETCH(bool, seleciona);
        TMaskEdit mask;
        mask.SetEditMask(cnpj);
        TEdit marca;
        QLineEdit& campo = mascara ? static_cast<QLineEdit&>(mask) : marca;
        if (mascara)
            mask.SetText(QStringLiteral("121"));
        else
            marca.setText(QStringLiteral("Marca X"));
        campo.show();
        const int fim = mascara ? 4 : int(campo.text().size());  // right after what was typed
        if (saida >= 0) {
            QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
            QCoreApplication::sendEvent(&campo, &in);
            campo.setCursorPosition(fim);
            QFocusEvent out(QEvent::FocusOut, Qt::FocusReason(saida));
            QCoreApplication::sendEvent(&campo, &out);
        } else {
            campo.setCursorPosition(fim);
        }
        QFocusEvent in(QEvent::FocusIn, entrada);
        QCoreApplication::sendEvent(&campo, &in);
        if (seleciona) {
            QCOMPARE(campo.selectedText(), campo.displayText());
            if (mascara)
                QCOMPARE(campo.cursorPosition(), 0);
        } else {
            QVERIFY(!campo.hasSelectedText());
            QCOMPARE(campo.cursorPosition(), fim);
        }
        QTest::keyClicks(&campo, mascara ? QStringLiteral("12123123000199") : QStringLiteral("Y"));
        const QString esperado = mascara ? (seleciona ? u"12123123000199"_s : u"12112123123000"_s)
                                         : (seleciona ? u"Y"_s : u"Marca XY"_s);
        QCOMPARE(mascara ? mask.Text() : marca.text(), esperado);
    }

    void assignedTextAndClear() {
        TMaskEdit edit;
        edit.SetEditMask(cnpj);
        QCOMPARE(edit.Capacity(), 14);
        edit.SetText(QStringLiteral("12.345.678/0001-99"));
        QCOMPARE(edit.Text(), QStringLiteral("12345678000199"));
        // A skipped position stays a blank inside the text; trailing blanks are dropped.
        edit.SetText(QStringLiteral("1 3"));
        QCOMPARE(edit.Text(), QStringLiteral("1 3"));
        edit.Clear();
        QCOMPARE(edit.Text(), QString());
        QCOMPARE(edit.displayText(), QStringLiteral("  .   .   /    -  "));
    }
};

QTEST_MAIN(TstMaskEdit)
#include "tst_maskedit.moc"
