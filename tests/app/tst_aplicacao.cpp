#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
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

    // Qt's own texts come in Portuguese: the edit menu and the open dialog.
    void standardTextsInPortuguese() {
        QLineEdit edit;
        std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QStringList textos;
        for (const QAction* acao : menu->actions())
            if (!acao->isSeparator())
                textos << acao->text().remove(u'&').section(u'\t', 0, 0);
        QCOMPARE(textos.first(), QStringLiteral("Desfazer"));
        QVERIFY2(textos.contains(QStringLiteral("Colar")), qPrintable(textos.join(u'|')));

        QFileDialog dialogo;
        dialogo.setOption(QFileDialog::DontUseNativeDialog);
        const QLabel* rotulo = dialogo.findChild<QLabel*>(QStringLiteral("lookInLabel"));
        QVERIFY(rotulo);
        QVERIFY2(rotulo->text() != QStringLiteral("Look in:"), qPrintable(rotulo->text()));
    }
};

int main(int argc, char** argv) {
    TApplication aplicacao(argc, argv);
    TstAplicacao teste;
    return QTest::qExec(&teste, argc, argv);
}

#include "tst_aplicacao.moc"
