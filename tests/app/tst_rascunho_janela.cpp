#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include "JanelaDeTeste.h"
#include "app/OpenDialog.h"
#include "app/UNT_Mensagem1.h"
#include "app/UNT_QuorinRealinhamentoPreco.h"
#include "controls/DBGrid.h"
#include "controls/DataSetGridModel.h"
#include "controls/MaskEdit.h"
#include "controls/Memoedit.h"
#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"
#include "domain/Rascunho.h"
#include "runtime/DateTime.h"
#include "runtime/FormatSettings.h"

using namespace quorin;

namespace {

const QString kExemplo = QStringLiteral(QUORIN_SOURCE_DIR "/exemplos/PL_001269_2009.KPZ");
const QString kCnpj = QStringLiteral("12123123000199");
const QString kOutro = QStringLiteral("52998224725");
const char* const kFilho = "QUORIN_RASCUNHO_FILHO";

using teste::Mensagem;

// One run of the window: its messages answered with `resposta`.
struct Sessao : teste::TJanelaDeTeste {
    // Gravar is enabled once the item grid has had the focus.
    void Grava(const QString& marca, const QString& preco) {
        if (!w.BBT_Gravar->isEnabled())
            w.DBG_Item->setFocus();
        TJanelaDeTeste::Grava(marca, preco);
    }
    void Abre_E_Identifica(const QString& caminho, const QString& documento) {
        Abre(caminho);
        Identifica(documento);
    }

    // The visible items as the grid shows them, with the brand: "item marca preço total".
    QStringList Itens() {
        QStringList linhas;
        const TDataSetGridModel* m = w.DST_Processo;
        TMemoryDataSet* ds = w.CDS_Processo;
        for (int r = 0; r < m->rowCount(); ++r) {
            linhas << QStringLiteral("%1 %2 %3 %4")
                          .arg(m->index(r, 0).data().toString().trimmed(),
                               ds->FieldByName(QStringLiteral("des_marca"))->DisplayTextAt(r + 1),
                               m->index(r, 5).data().toString(), m->index(r, 6).data().toString());
        }
        return linhas;
    }
    int Lote() const { return w.CDS_Lote->FieldByName(QStringLiteral("NRO_LOTE"))->AsInteger(); }
};

using teste::EscreveProcesso;

QStringList Rascunhos(const QString& dados) {
    return QDir(dados + QStringLiteral("/QuorinRealinhamentoPreco/rascunhos"))
        .entryList(QDir::Files, QDir::Name);
}

const QStringList kTresItens = {QStringLiteral("1 ALVORADA 9,8500 3.940,0000"),
                                QStringLiteral("2 TRAÇO FINO 8,3000 415,0000"),
                                QStringLiteral("3 METALMAX 12,4500 373,5000")};

// Records the first three items of the example as the supplier does.
void GravaTres(Sessao& s) {
    s.Grava(QStringLiteral("ALVORADA"), QStringLiteral("9,85"));
    s.Grava(QStringLiteral("TRAÇO FINO"), QStringLiteral("8,3"));
    s.Grava(QStringLiteral("METALMAX"), QStringLiteral("12,45"));
}

// The child of killedRightAfterGravar: records three items, says so after each
// Gravar returns, and waits to be killed.
int Filho(const QString& kpz) {
    FormatSettings::setCurrent(FormatSettings::brazilian());
    Sessao s;
    if (!s.Pronta())
        return 3;
    s.Abre_E_Identifica(kpz, kCnpj);
    const QString precos[][2] = {{QStringLiteral("ALVORADA"), QStringLiteral("9,85")},
                                 {QStringLiteral("TRAÇO FINO"), QStringLiteral("8,3")},
                                 {QStringLiteral("METALMAX"), QStringLiteral("12,45")}};
    int n = 0;
    for (const auto& p : precos) {
        s.Grava(p[0], p[1]);
        std::fprintf(stdout, "gravado %d\n", ++n);
        std::fflush(stdout);
    }
    for (;;)
        QThread::sleep(1);
}

}  // namespace

class TstRascunhoJanela : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString pasta;  // this test's folder: the process file and the data folder
    QString kpz;
    QString dados;
    QString antes = QDir::currentPath();

  private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir.isValid());
        FormatSettings::setCurrent(FormatSettings::brazilian());
    }
    void init() {
        pasta = dir.filePath(QString::fromLatin1(QTest::currentTestFunction()));
        QVERIFY(QDir().mkpath(pasta));
        kpz = pasta + QStringLiteral("/PL_001269_2009.KPZ");
        QVERIFY(QFile::copy(kExemplo, kpz));
        dados = pasta + QStringLiteral("/dados");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dados));
    }
    void cleanup() { QDir::setCurrent(antes); }

    // Three items recorded, the window destroyed without closing: the same file and
    // supplier get them back, totals and lot total included, and go on recording.
    void acceptedDraftRestoresTheItems() {
        {
            Sessao s;
            QVERIFY(s.Pronta());
            s.Abre_E_Identifica(kpz, kCnpj);
            GravaTres(s);
            QVERIFY(s.mensagens.isEmpty());
            QCOMPARE(s.Itens().mid(0, 3), kTresItens);
        }
        const QStringList arquivos = Rascunhos(dados);
        QCOMPARE(arquivos.size(), 1);
        const TLeituraRascunho lido =
            TRascunho::Le(dados + QStringLiteral("/QuorinRealinhamentoPreco/rascunhos/") + arquivos[0]);
        QCOMPARE(lido.itens.size(), 3);

        Sessao s;
        QVERIFY(s.Pronta());
        s.Abre_E_Identifica(kpz, kCnpj);
        QCOMPARE(s.mensagens.size(), 1);
        QCOMPARE(s.mensagens[0].tipo, QStringLiteral("CON"));
        QVERIFY(s.mensagens[0].cancelar);
        QCOMPARE(
            s.mensagens[0].texto,
            QStringLiteral("Existe um rascunho deste processo com 3 itens gravados (último em %1). "
                           "Deseja continuar de onde parou?")
                .arg(FormatDateTime(QStringLiteral("dd/mm/yyyy hh:nn"), lido.itens[2].quando.toLocalTime())));
        QVERIFY(QRegularExpression(QStringLiteral("\\(último em \\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d\\)"))
                    .match(s.mensagens[0].texto)
                    .hasMatch());

        // Where identification leaves the window: the lot grid on lot 1, its first
        // item current, the panel cleared; the grids and the lot total follow the draft.
        QCOMPARE(QApplication::focusWidget(), s.w.DBG_Lote);
        QCOMPARE(s.Lote(), 1);
        QCOMPARE(s.Item(), 1);
        QVERIFY(s.w.EDT_Marca->text().isEmpty());
        QVERIFY(!s.w.BBT_Gravar->isEnabled());
        QCOMPARE(s.Itens().mid(0, 3), kTresItens);
        QCOMPARE(s.Itens()[3], QStringLiteral("4   "));
        QCOMPARE(s.w.PNL_ValorTotal->text(), QStringLiteral("4.728,50 "));
        QVERIFY(s.w.BBT_Relatorio->isEnabled());
        QVERIFY(!s.w.CDS_Processo->ControlsDisabled());

        // Recording goes on into the same draft.
        s.w.DBG_Item->setFocus();
        s.w.CDS_Processo->SetRecNo(4);
        s.Grava(QStringLiteral("KRAFTPEL"), QStringLiteral("5,4"));
        QCOMPARE(s.mensagens.size(), 1);
        QCOMPARE(Rascunhos(dados), arquivos);
        QCOMPARE(TRascunho::Le(dados + QStringLiteral("/QuorinRealinhamentoPreco/rascunhos/") + arquivos[0])
                     .itens.size(),
                 4);
    }

    // The offer in the real message window, raised while the focus leaves the
    // document field: Ok restores the items and the lot grid gets the focus.
    void offerInTheMessageWindow() {
        {
            Sessao s;
            QVERIFY(s.Pronta());
            s.Abre_E_Identifica(kpz, kCnpj);
            GravaTres(s);
        }
        Sessao s;
        s.w.MensagemSeam = nullptr;
        QVERIFY(s.Pronta());
        s.Abre(kpz);
        QString titulo;
        bool cancelarVisivel = false;
        QTimer vigia;
        vigia.setInterval(10);
        connect(&vigia, &QTimer::timeout, this, [&] {
            auto* d = qobject_cast<TFRM_Mensagem1*>(QApplication::activeModalWidget());
            if (!d || !d->isVisible())
                return;
            vigia.stop();
            titulo = d->windowTitle();
            cancelarVisivel = d->BBT_Cancelar->isVisible();
            d->grab().save(QStringLiteral(QUORIN_BINARY_DIR "/screenshots/rascunho_oferta.png"));
            d->BBT_Ok->click();
        });
        vigia.start();
        s.Identifica(kCnpj);
        QTRY_COMPARE(titulo, QStringLiteral("Confirmação . . ."));
        QVERIFY(cancelarVisivel);
        // Once the window is active again, its focus is on the lot grid.
        s.w.activateWindow();
        QTRY_COMPARE(QApplication::focusWidget(), s.w.DBG_Lote);
        QCOMPARE(s.Itens().mid(0, 3), kTresItens);
        QCOMPARE(s.w.PNL_ValorTotal->text(), QStringLiteral("4.728,50 "));
        QVERIFY(s.w.grab().save(QStringLiteral(QUORIN_BINARY_DIR "/screenshots/rascunho_retomado.png")));
    }

    // Cancelar restores nothing and keeps the old draft aside; a new one starts.
    void cancelledDraftIsKeptAside() {
        {
            Sessao s;
            QVERIFY(s.Pronta());
            s.Abre_E_Identifica(kpz, kCnpj);
            GravaTres(s);
        }
        {
            Sessao s;
            s.resposta = false;
            QVERIFY(s.Pronta());
            s.Abre_E_Identifica(kpz, kCnpj);
            QCOMPARE(s.mensagens.size(), 1);
            QCOMPARE(s.mensagens[0].tipo, QStringLiteral("CON"));
            QCOMPARE(s.Itens()[0], QStringLiteral("1   "));
            QCOMPARE(s.w.PNL_ValorTotal->text(), QStringLiteral("0,00 "));
            QCOMPARE(QApplication::focusWidget(), s.w.DBG_Lote);

            const QStringList arquivos = Rascunhos(dados);
            QCOMPARE(arquivos.size(), 1);
            QVERIFY(arquivos[0].contains(QStringLiteral(".anterior-")));
            QCOMPARE(
                TRascunho::Le(dados + QStringLiteral("/QuorinRealinhamentoPreco/rascunhos/") + arquivos[0])
                    .itens.size(),
                3);
            s.Grava(QStringLiteral("NOVA"), QStringLiteral("1"));
            QCOMPARE(Rascunhos(dados).size(), 2);
        }
        Sessao s;
        QVERIFY(s.Pronta());
        s.Abre_E_Identifica(kpz, kCnpj);
        QCOMPARE(s.mensagens.size(), 1);
        QVERIFY(s.mensagens[0].texto.startsWith(
            QStringLiteral("Existe um rascunho deste processo com 1 item gravado (último em ")));
        QCOMPARE(s.Itens()[0], QStringLiteral("1 NOVA 1,0000 400,0000"));
    }

    // Killed with SIGKILL right after Gravar returned: every recorded item is back.
    void killedRightAfterGravarLosesNothing() {
        QProcess filho;
        QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
        ambiente.insert(QLatin1String(kFilho), kpz);
        filho.setProcessEnvironment(ambiente);
        filho.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        filho.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(filho.waitForStarted());
        QByteArray saida;
        while (!saida.contains("gravado 3\n") && filho.waitForReadyRead(30000))
            saida += filho.readAllStandardOutput();
        QVERIFY2(saida.contains("gravado 3\n"), saida.constData());
        filho.kill();
        QVERIFY(filho.waitForFinished());
        QCOMPARE(filho.exitStatus(), QProcess::CrashExit);

        Sessao s;
        QVERIFY(s.Pronta());
        s.Abre_E_Identifica(kpz, kCnpj);
        QCOMPARE(s.mensagens.size(), 1);
        QCOMPARE(s.Itens().mid(0, 3), kTresItens);
        QCOMPARE(s.w.PNL_ValorTotal->text(), QStringLiteral("4.728,50 "));
    }

    // A draft belongs to the file's bytes and the supplier: another file under the
    // same name, or another supplier of the same file, is never offered it.
    void offeredOnlyToTheSameFileAndSupplier() {
        const QString arquivo = pasta + QStringLiteral("/PL_000007_2026.KPZ");
        EscreveProcesso(arquivo, {kCnpj, kOutro});
        {
            Sessao s;
            QVERIFY(s.Pronta());
            s.Abre_E_Identifica(arquivo, kCnpj);
            s.Grava(QStringLiteral("A"), QStringLiteral("2,5"));
        }
        {
            Sessao s;  // the other supplier of the same file
            QVERIFY(s.Pronta());
            s.Abre_E_Identifica(arquivo, kOutro);
            QVERIFY(s.mensagens.isEmpty());
            QCOMPARE(s.Itens()[0], QStringLiteral("1   "));
        }
        {
            Sessao s;  // the same supplier: offered
            s.resposta = false;
            QVERIFY(s.Pronta());
            s.Abre_E_Identifica(arquivo, kCnpj);
            QCOMPARE(s.mensagens.size(), 1);
            s.Grava(QStringLiteral("B"), QStringLiteral("2,5"));
        }
        EscreveProcesso(arquivo, {kCnpj, kOutro}, 12);  // same name, other bytes
        Sessao s;
        QVERIFY(s.Pronta());
        s.Abre_E_Identifica(arquivo, kCnpj);
        QVERIFY(s.mensagens.isEmpty());
        QCOMPARE(s.Itens()[0], QStringLiteral("1   "));
    }

    // A refused closing keeps the draft; a written proposal ends it, and neither
    // the process file nor the proposal file offers a draft afterwards.
    void closingEndsTheDraft() {
        const QString arquivo = pasta + QStringLiteral("/PL_000007_2026.KPZ");
        EscreveProcesso(arquivo, {kCnpj, kCnpj});
        {
            Sessao s;
            QVERIFY(s.Pronta());
            s.Abre_E_Identifica(arquivo, kCnpj);
            s.Grava(QStringLiteral("A"), QStringLiteral("2,5"));
            QTest::mouseClick(s.w.BBT_Encerrar, Qt::LeftButton);
            QCOMPARE(s.mensagens.size(), 1);
            QCOMPARE(s.mensagens[0].tipo, QStringLiteral("ADV"));
            QCOMPARE(Rascunhos(dados).size(), 1);
        }
        {
            Sessao s;
            QVERIFY(s.Pronta());
            s.Abre_E_Identifica(arquivo, kCnpj);
            QCOMPARE(s.mensagens.size(), 1);
            QCOMPARE(s.mensagens[0].tipo, QStringLiteral("CON"));
            s.w.DBG_Item->setFocus();
            s.w.CDS_Processo->SetRecNo(2);
            s.Grava(QStringLiteral("B"), QStringLiteral("2,5"));
            QTest::mouseClick(s.w.BBT_Encerrar, Qt::LeftButton);
            QCOMPARE(s.mensagens.size(), 2);
            QCOMPARE(s.mensagens[1].tipo, QStringLiteral("INF"));
            QVERIFY(Rascunhos(dados).isEmpty());
        }
        for (const QString& aberto :
             {arquivo, pasta + QStringLiteral("/PRP_000007_2026_") + kCnpj + ".PRO"}) {
            Sessao s;
            QVERIFY(s.Pronta());
            s.Abre_E_Identifica(aberto, kCnpj);
            QVERIFY(s.mensagens.isEmpty());
            s.w.DBG_Item->setFocus();
            s.Grava(QStringLiteral("C"), QStringLiteral("3"));
            QVERIFY(s.mensagens.isEmpty());
        }
        // Only the reopened process file starts a draft again; the closed proposal keeps none.
        QCOMPARE(Rascunhos(dados).size(), 1);
    }

    // A data folder that cannot be written: one warning per process, and recording
    // goes on exactly as without a draft.
    void unwritableDataFolderWarnsOnce() {
        QFile bloqueio(dados);
        QVERIFY(bloqueio.open(QIODevice::WriteOnly));  // a file where the folder should be
        bloqueio.close();
        const QString aviso = QStringLiteral(
            "Não foi possível gravar o rascunho deste processo. Os preços digitados ficarão guardados "
            "somente "
            "até o programa ser fechado.");
        Sessao s;
        QVERIFY(s.Pronta());
        s.Abre_E_Identifica(kpz, kCnpj);
        GravaTres(s);
        QCOMPARE(s.mensagens.size(), 1);
        QCOMPARE(s.mensagens[0].tipo, QStringLiteral("ADV"));
        QVERIFY(!s.mensagens[0].cancelar);
        QCOMPARE(s.mensagens[0].texto, aviso);
        QCOMPARE(s.Itens().mid(0, 3), kTresItens);
        QCOMPARE(s.Item(), 4);
        QCOMPARE(s.w.PNL_ValorTotal->text(), QStringLiteral("4.728,50 "));
        QCOMPARE(QApplication::focusWidget(), s.w.EDT_Marca);

        // Another opening is another process: told once more.
        s.Abre_E_Identifica(kpz, kCnpj);
        s.Grava(QStringLiteral("X"), QStringLiteral("1"));
        s.Grava(QStringLiteral("Y"), QStringLiteral("1"));
        QCOMPARE(s.mensagens.size(), 2);
        QCOMPARE(s.mensagens[1].texto, aviso);
    }

    // Both new messages fit the message window's label (a longer text would be
    // cut off), in the window the supplier sees.
    void messagesFitTheMessageWindow() {
        QDir().mkpath(QStringLiteral(QUORIN_BINARY_DIR "/screenshots"));
        const QDateTime quando(QDate(2026, 12, 10), QTime(17, 45));
        const struct {
            QString texto;
            bool cancelar;
            const char* tipo;
        } casos[] = {
            {MensagensRascunho::RascunhoEncontrado(1234, quando), true, "CON"},
            {MensagensRascunho::RascunhoIndisponivel(), false, "ADV"},
        };
        for (const auto& c : casos) {
            TFRM_Mensagem1 d;
            d.ExibeCancelar = c.cancelar;
            d.LBL_Mensagem->setText(c.texto);
            d.TipoMensagem = QLatin1String(c.tipo);
            d.show();
            QVERIFY(QTest::qWaitForWindowExposed(&d));
            QVERIFY2(d.LBL_Mensagem->heightForWidth(d.LBL_Mensagem->width()) <= d.LBL_Mensagem->height(),
                     qPrintable(c.texto));
            QVERIFY(d.grab().save(
                QStringLiteral(QUORIN_BINARY_DIR "/screenshots/rascunho_%1.png").arg(QLatin1String(c.tipo))));
        }
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kFilho))
        return Filho(qEnvironmentVariable(kFilho));
    TstRascunhoJanela teste;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&teste, argc, argv);
}

#include "tst_rascunho_janela.moc"
