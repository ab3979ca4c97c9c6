#include <QPushButton>
#include <QTest>
#include <stdexcept>

#include "app/Application.h"
#include "runtime/Exceptions.h"

using namespace quorin;

// An exception that an event handler does not catch is shown by the standard error
// display, and the message loop goes on.
class TstAplicacao : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void escapedExceptions_data() {
        QTest::addColumn<int>("tipo");
        QTest::addColumn<QString>("mensagem");
        QTest::newRow("do programa") << 0 << QStringLiteral("Valor inválido");
        QTest::newRow("padrão") << 1 << QStringLiteral("falhou");
        QTest::newRow("outra") << 2 << QString();
    }
    void escapedExceptions() {
        QFETCH(int, tipo);
        QFETCH(QString, mensagem);
        QStringList exibidas;
        TApplication::ShowException = [&](const QString& m) { exibidas << m; };
        int cliques = 0;
        QPushButton botao(QStringLiteral("Gravar"));
        QObject::connect(&botao, &QPushButton::clicked, [&] {
            ++cliques;
            if (tipo == 0)
                throw EConvertError(QStringLiteral("Valor inválido"));
            if (tipo == 1)
                throw std::runtime_error("falhou");
            throw 42;
        });
        botao.show();
        QVERIFY(QTest::qWaitForWindowExposed(&botao));
        QTest::mouseClick(&botao, Qt::LeftButton);
        QTest::mouseClick(&botao, Qt::LeftButton);
        QCOMPARE(cliques, 2);
        QCOMPARE(exibidas, (QStringList{mensagem, mensagem}));
        TApplication::ShowException = nullptr;
    }
};

int main(int argc, char** argv) {
    TApplication aplicacao(argc, argv);
    TstAplicacao teste;
    return QTest::qExec(&teste, argc, argv);
}

#include "tst_aplicacao.moc"
