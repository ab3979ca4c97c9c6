#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <functional>

#include "JanelaDeTeste.h"
#include "app/UNT_Distribuicao.h"
#include "domain/Rascunho.h"
#include "domain/RegrasProposta.h"
#include "runtime/FormatSettings.h"

using namespace quorin;

namespace {

// Two lots: lot 1 of quantities 2 and 3 (bid 100), lot 2 of 150,5 kg and 1 unit
// (bid 321,4567); the supplier's document is 52998224725.
const QString kCpf = QStringLiteral("52998224725");

void EscreveDoisLotes(const QString& caminho, bool encerrado = false) {
    TMemoryDataSet ds;
    ProposalSchema::DeclareProcesso(ds);
    ds.CreateDataSet();
    const struct {
        int lote, item;
        double qtd, lance;
    } linhas[] = {{1, 1, 2, 100}, {1, 2, 3, 100}, {2, 1, 150.5, 321.4567}, {2, 2, 1, 321.4567}};
    for (const auto& l : linhas) {
        ds.Append();
        ds.FieldByName(QStringLiteral("nro_lote"))->SetAsInteger(l.lote);
        ds.FieldByName(QStringLiteral("nro_item"))->SetAsInteger(l.item);
        ds.FieldByName(QStringLiteral("qtd_produto"))->SetAsFloat(l.qtd);
        ds.FieldByName(QStringLiteral("vlr_lance"))->SetAsFloat(l.lance);
        ds.FieldByName(QStringLiteral("ano_exercicio"))->SetAsInteger(2026);
        ds.FieldByName(QStringLiteral("nro_processo"))->SetAsInteger(8);
        ds.FieldByName(QStringLiteral("nro_documento"))->SetAsString(kCpf);
        ds.FieldByName(QStringLiteral("flg_encerrado"))
            ->SetAsString(encerrado ? QStringLiteral("1") : QStringLiteral("0"));
        if (encerrado) {
            ds.FieldByName(QStringLiteral("vlr_realinhamento"))->SetAsFloat(1);
            ds.FieldByName(QStringLiteral("vlr_total"))->SetAsFloat(l.qtd);
        }
        ds.Post();
    }
    QFile::remove(caminho);
    ds.SaveToFile(caminho);
}

struct Janela : teste::PastaDeTeste, teste::TJanelaDeTeste {
    QString antes = QDir::currentPath();
    Janela() { qputenv("XDG_DATA_HOME", QFile::encodeName(pasta.filePath(QStringLiteral("dados")))); }
    ~Janela() { QDir::setCurrent(antes); }

    // Opened and identified, the focus in the lot grid.
    void Prepara(bool encerrado = false) {
        const QString kpz = pasta.filePath(QStringLiteral("PL_000008_2026.KPZ"));
        EscreveDoisLotes(kpz, encerrado);
        Abre(kpz);
        if (!encerrado)
            Identifica(kCpf);
    }

    // Runs `passo` on the dialog as soon as it is shown modally; false when none came.
    bool NoDialogo(std::function<void(TFRM_Distribuicao&)> passo, int tecla, Qt::KeyboardModifiers mod,
                   QWidget* alvo) {
        // Shortcuts go to the active window: wait until a closed dialog gave it back.
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w))
            return false;
        bool veio = false;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<TFRM_Distribuicao*>(QApplication::activeModalWidget());
            if (!d)
                return;
            veio = true;
            d->activateWindow();
            if (!QTest::qWaitForWindowActive(d))
                qWarning("the dialog did not become active");
            if (!QTest::qWaitFor([d] { return QApplication::activeWindow() == d; }))
                qWarning("the dialog is not the active window");
            passo(*d);
            if (d->isVisible())  // a failed check inside must not leave the dialog open
                d->reject();
        });
        QTest::keyClick(alvo, Qt::Key(tecla), mod);
        return veio;
    }

    double Campo(int lote, int item, const char* campo) {
        TMemoryDataSet& p = *w.CDS_Processo;
        const bool filtrado = p.Filtered();
        p.SetFiltered(false);
        double v = 0;
        for (p.First(); !p.Eof(); p.Next()) {
            if (p.FieldByName(QStringLiteral("nro_lote"))->AsInteger() == lote &&
                p.FieldByName(QStringLiteral("nro_item"))->AsInteger() == item)
                v = p.FieldByName(QLatin1String(campo))->AsFloat();
        }
        p.SetFiltered(filtrado);
        return v;
    }

    QList<int> LotesRecusados() {
        TMemoryDataSet& p = *w.CDS_Processo;
        const bool f = std::exchange(w.FLG_AcompanhaLote, false);
        const QList<int> r = RegrasProposta::ConfereLotes(p, *w.CDS_Lote);
        w.FLG_AcompanhaLote = f;
        return r;
    }
};

QString Celula(QTableWidget* t, int linha, int coluna) {
    return t->item(linha, coluna) ? t->item(linha, coluna)->text() : QString();
}

}  // namespace

class TstDistribuicaoJanela : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() {
        FormatSettings::setCurrent(FormatSettings::brazilian());
        QDir().mkpath(QStringLiteral(QUORIN_BINARY_DIR "/screenshots"));
    }

    // Both grids carry the two commands in their context menu, each with its
    // shortcut shown; the menu opened from the keyboard runs the first one.
    void menuDeContexto() {
        Janela j;
        QVERIFY(j.Pronta());
        j.Prepara();
        for (TDBGrid* grade : {j.w.DBG_Lote, j.w.DBG_Item}) {
            QCOMPARE(grade->contextMenuPolicy(), Qt::ActionsContextMenu);
            const QList<QAction*> acoes = grade->actions();
            QCOMPARE(acoes.size(), 2);
            QCOMPARE(acoes[0]->text(), QStringLiteral("Distribuir o lance do lote…"));
            QCOMPARE(acoes[0]->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));
            QCOMPARE(acoes[1]->text(), QStringLiteral("Distribuir o lance de todos os lotes…"));
            QCOMPARE(acoes[1]->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+D")));
        }
        j.w.DBG_Lote->setFocus();
        bool menu = false, dialogo = false;
        QTimer::singleShot(50, [&] {
            auto* m = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!m)
                return;
            menu = true;
            QVERIFY(m->grab().save(QStringLiteral(QUORIN_BINARY_DIR "/screenshots/distribuicao_menu.png")));
            QTimer::singleShot(50, [&] {
                if (auto* d = qobject_cast<TFRM_Distribuicao*>(QApplication::activeModalWidget())) {
                    dialogo = d->Lotes().size() == 1;
                    QTest::keyClick(d, Qt::Key_Escape);
                }
            });
            QTest::keyClick(m, Qt::Key_Down);
            QTest::keyClick(m, Qt::Key_Return);
        });
        QContextMenuEvent pedido(QContextMenuEvent::Keyboard, QPoint(10, 10),
                                 j.w.DBG_Lote->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(j.w.DBG_Lote, &pedido);
        QVERIFY(menu);
        QTRY_VERIFY(dialogo);
    }

    // Ctrl+D on the item grid: the dialog shows the lot with its bid, sum and
    // difference and the new prices; 2 decimals chosen with the keyboard, Enter
    // records them, and the lot closes exactly; the draft keeps every item.
    void distribuiOLoteComAsTeclas() {
        Janela j;
        QVERIFY(j.Pronta());
        j.Prepara();
        j.w.DBG_Item->setFocus();
        j.Grava(QStringLiteral("Marca A"), QStringLiteral("20"));
        j.Grava(QStringLiteral("Marca B"), QStringLiteral("19,9"));  // 40 + 59,7 = 99,7: not the bid
        QCOMPARE(j.LotesRecusados(), (QList<int>{1, 2}));
        j.w.DBG_Lote->setFocus();
        j.w.CDS_Lote->First();
        j.w.DBG_Item->setFocus();

        QString lance, soma, diferenca, situacao, novoPreco, textoSituacao;
        const bool veio = j.NoDialogo(
            [&](TFRM_Distribuicao& d) {
                QCOMPARE(d.TBL_Lotes->rowCount(), 1);
                lance = Celula(d.TBL_Lotes, 0, 1);
                soma = Celula(d.TBL_Lotes, 0, 2);
                diferenca = Celula(d.TBL_Lotes, 0, 3);
                d.CMB_Casas->setFocus();
                QTest::keyClick(d.CMB_Casas, Qt::Key_Down);  // 2 decimals
                situacao = Celula(d.TBL_Lotes, 0, 4);
                novoPreco = Celula(d.TBL_Itens, 0, 3);
                textoSituacao = d.LBL_Situacao->text();
                QVERIFY(
                    d.grab().save(QStringLiteral(QUORIN_BINARY_DIR "/screenshots/distribuicao_dialogo.png")));
                QTest::keyClick(d.focusWidget(), Qt::Key_Return);
            },
            Qt::Key_D, Qt::ControlModifier, j.w.DBG_Item);
        QVERIFY(veio);
        QCOMPARE(lance, QStringLiteral("100,0000"));
        QCOMPARE(soma, QStringLiteral("99,7000"));
        QCOMPARE(diferenca, QStringLiteral("+0,3000"));
        QCOMPARE(situacao, QStringLiteral("Exato"));
        QVERIFY2(textoSituacao.contains(QStringLiteral("somam exatamente o lance, 100,0000")),
                 qPrintable(textoSituacao));
        // Prices near 20 x 100 / 99,7 and 19,9 x 100 / 99,7 with two decimals.
        QCOMPARE(novoPreco, QStringLiteral("20,0600"));
        const double p1 = j.Campo(1, 1, "vlr_realinhamento"), p2 = j.Campo(1, 2, "vlr_realinhamento");
        QCOMPARE(p1, 20.06);
        QCOMPARE(2 * p1 + 3 * p2, 100.0);
        QCOMPARE(j.LotesRecusados(), QList<int>{2});  // lot 2 was not touched
        QCOMPARE(j.w.PNL_ValorTotal->text(), QStringLiteral("100,00 "));
        QVERIFY(j.w.BBT_Encerrar->isEnabled());

        // The brands stay; the draft holds what was recorded.
        TMemoryDataSet& p = *j.w.CDS_Processo;
        p.First();
        QCOMPARE(p.FieldByName(QStringLiteral("des_marca"))->AsString(), QStringLiteral("Marca A"));
        const QList<TItemRascunho> itens =
            TRascunho::Le(
                TRascunho::CaminhoRascunho(
                    TRascunho::PastaPadrao(),
                    TRascunho::ResumoArquivo(j.pasta.filePath(QStringLiteral("PL_000008_2026.KPZ"))), kCpf))
                .UltimosPorItem();
        QVERIFY(std::any_of(itens.begin(), itens.end(), [&](const TItemRascunho& it) {
            return it.lote == 1 && it.item == 1 && it.preco == p1;
        }));
    }

    // Ctrl+Shift+D with a prices file as reference: every lot distributed, brands
    // from the file, and "Encerrar" writes the proposal.
    void todosOsLotesComArquivoDePrecos() {
        Janela j;
        QVERIFY(j.Pronta());
        j.Prepara();
        const QString precos = j.pasta.filePath(QStringLiteral("original.csv"));
        QFile f(precos);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(
            "nro_lote;nro_item;des_marca;vlr_realinhamento\r\n1;1;ALFA;21\r\n1;2;BETA;20\r\n"
            "2;1;GAMA;2,1\r\n2;2;DELTA;7\r\n");
        f.close();
        j.w.DBG_Lote->setFocus();
        int lotes = 0;
        QString exatos;
        const bool veio = j.NoDialogo(
            [&](TFRM_Distribuicao& d) {
                lotes = d.TBL_Lotes->rowCount();
                d.CMB_Referencia->setFocus();
                QTest::keyClick(d.CMB_Referencia, Qt::Key_Down);                    // a prices file
                QCOMPARE(Celula(d.TBL_Lotes, 0, 4), QStringLiteral("Impossível"));  // no file named yet
                QTest::keyClick(d.CMB_Referencia, Qt::Key_Tab);
                QCOMPARE(d.focusWidget(), d.EDT_Arquivo);
                QTest::keyClicks(d.EDT_Arquivo, precos);
                QTest::keyClick(d.EDT_Arquivo, Qt::Key_Tab);
                exatos = Celula(d.TBL_Lotes, 0, 4) + u' ' + Celula(d.TBL_Lotes, 1, 4);
                QTest::keyClick(d.focusWidget(), Qt::Key_Return);
            },
            Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier, j.w.DBG_Lote);
        QVERIFY(veio);
        QCOMPARE(lotes, 2);
        QCOMPARE(exatos, QStringLiteral("Exato Exato"));
        QVERIFY(j.LotesRecusados().isEmpty());
        TMemoryDataSet& p = *j.w.CDS_Processo;
        p.SetFiltered(false);
        p.Last();
        QCOMPARE(p.FieldByName(QStringLiteral("des_marca"))->AsString(), QStringLiteral("DELTA"));
        j.w.BBT_EncerrarClick();
        QVERIFY(!j.mensagens.isEmpty());
        QCOMPARE(j.mensagens.last().tipo, QStringLiteral("INF"));
        QVERIFY(QFile::exists(
            j.pasta.filePath(QStringLiteral("PRP_000008_2026_") + kCpf + QStringLiteral(".PRO"))));
    }

    // Cancelar changes nothing; neither does Escape.
    void cancelarNaoMudaNada() {
        Janela j;
        QVERIFY(j.Pronta());
        j.Prepara();
        j.w.DBG_Item->setFocus();
        j.Grava(QStringLiteral("A"), QStringLiteral("20"));
        j.Grava(QStringLiteral("B"), QStringLiteral("19,9"));
        j.w.DBG_Item->setFocus();
        for (const int tecla : {int(Qt::Key_Escape), int(Qt::Key_Space)}) {
            const bool veio = j.NoDialogo(
                [&](TFRM_Distribuicao& d) {
                    if (tecla == Qt::Key_Space)
                        d.BBT_Cancelar->setFocus();
                    QTest::keyClick(d.focusWidget(), Qt::Key(tecla));
                    QVERIFY(!d.isVisible());
                    QCOMPARE(d.result(), int(QDialog::Rejected));
                },
                Qt::Key_D, Qt::ControlModifier, j.w.DBG_Item);
            QVERIFY2(veio, qPrintable(QString::number(tecla)));
            QCOMPARE(j.Campo(1, 1, "vlr_realinhamento"), 20.0);
            QCOMPARE(j.Campo(1, 2, "vlr_realinhamento"), 19.9);
        }
    }

    // A proposal opened closed is not redistributed: a warning, no dialog.
    void propostaEncerrada() {
        Janela j;
        QVERIFY(j.Pronta());
        j.Prepara(true);
        j.w.DBG_Lote->setFocus();
        const bool veio =
            j.NoDialogo([](TFRM_Distribuicao&) {}, Qt::Key_D, Qt::ControlModifier, j.w.DBG_Lote);
        QVERIFY(!veio);
        QCOMPARE(j.mensagens.size(), 1);
        QCOMPARE(j.mensagens[0].texto, MensagensDistribuicao::PropostaEncerrada());
        QCOMPARE(j.mensagens[0].tipo, QStringLiteral("ADV"));
        QCOMPARE(j.Campo(1, 1, "vlr_realinhamento"), 1.0);
    }
};

QTEST_MAIN(TstDistribuicaoJanela)
#include "tst_distribuicao_janela.moc"
