#include <QTest>

#include "controls/MaskEdit.h"

using namespace quorin;

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
