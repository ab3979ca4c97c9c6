#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include "JanelaDeTeste.h"
#include "app/OpenDialog.h"
#include "app/UNT_QuorinRealinhamentoPreco.h"
#include "controls/DBGrid.h"
#include "controls/DataSetGridModel.h"
#include "controls/MaskEdit.h"
#include "controls/Memoedit.h"
#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"
#include "runtime/Exceptions.h"
#include "runtime/FormatSettings.h"

#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quorin;

namespace {

using Janela = TFRM_QuorinRealinhamentoPreco;

const QString kExemplos = QStringLiteral(QUORIN_SOURCE_DIR "/exemplos/");
const QString kCnpj = QStringLiteral("12123123000199");
const QString kCpf = QStringLiteral("52998224725");
const QString kRecusa = QStringLiteral(
    "Atenção! O somatório dos valores realinhados dos itens não confere com o valor da proposta %1. "
    "Portanto, o encerramento não será realizado.");

using teste::Mensagem;

// The window shown and active, its message and open dialogs answered by the test,
// and a folder of its own holding copies of the example files.
struct Fluxo : teste::PastaDeTeste, teste::TJanelaDeTeste {
    QString antes = QDir::currentPath();

    Fluxo() {
        // Drafts of typed prices go to a data folder of this flow's own.
        qputenv("XDG_DATA_HOME", QFile::encodeName(pasta.filePath(QStringLiteral("dados"))));
        for (const char* nome : {"PL_001269_2009.KPZ", "PL_000042_2010.KPZ"})
            QFile::copy(kExemplos + QLatin1String(nome), pasta.filePath(QLatin1String(nome)));
    }
    ~Fluxo() { QDir::setCurrent(antes); }

    bool Pronta() { return pasta.isValid() && TJanelaDeTeste::Pronta(); }

    // A name without a folder is one of the copies.
    void Abre(const QString& arquivo) {
        TJanelaDeTeste::Abre(QFileInfo(arquivo).isAbsolute() ? arquivo : pasta.filePath(arquivo));
    }

    QString Atual(const char* campo) const {
        return w.CDS_Processo->FieldByName(QLatin1String(campo))->DisplayText();
    }
    int Lote() const { return w.CDS_Lote->FieldByName(QStringLiteral("NRO_LOTE"))->AsInteger(); }
};

// A process file of one lot whose supplier has the given document.
QString Processo_Com_Documento(const QString& pasta, const QString& documento) {
    const QString caminho = pasta + QStringLiteral("/PL_000007_2026.KPZ");
    teste::EscreveProcesso(caminho, {documento, documento});
    return caminho;
}

const QByteArray kPropostaAnterior = "a proposta gravada antes";

// Opens the process of `pasta`, prices both items and presses Encerrar where the
// proposal cannot be written: the failure names the file and says why, no
// success is shown and the window stays open.
void EncerraSemEspaco(const QString& pasta, const QString& motivo) {
    Fluxo f;
    QVERIFY(f.Pronta());
    f.Abre(pasta + QStringLiteral("/PL_000007_2026.KPZ"));
    for (f.w.CDS_Processo->First(); !f.w.CDS_Processo->Eof(); f.w.CDS_Processo->Next()) {
        f.w.CDS_Processo->Edit();
        f.w.CDS_Processo->FieldByName(QStringLiteral("vlr_realinhamento"))->SetAsFloat(2.5);
        f.w.CDS_Processo->FieldByName(QStringLiteral("vlr_total"))->SetAsFloat(5);
        f.w.CDS_Processo->Post();
    }
    QString erro;
    try {
        f.w.BBT_EncerrarClick();
    } catch (const Exception& e) {
        erro = e.message();
    }
    QCOMPARE(erro, QStringLiteral("Não foi possível gravar o arquivo \"PRP_000007_2026_.PRO\": ") + motivo);
    QVERIFY(f.mensagens.isEmpty());
    QVERIFY(f.w.isVisible());
}

void ConfereProposta(const QString& pasta) {
    QFile anterior(pasta + QStringLiteral("/PRP_000007_2026_.PRO"));
    QVERIFY(anterior.open(QIODevice::ReadOnly));
    QCOMPARE(anterior.readAll(), kPropostaAnterior);
    QStringList arquivos = QDir(pasta).entryList(QDir::Files | QDir::Hidden);
    arquivos.removeAll(QStringLiteral("enche"));
    QCOMPARE(arquivos, (QStringList{QStringLiteral("PL_000007_2026.KPZ"), QStringLiteral("PRP_000007_2026_.PRO")}));
}

void GravaPropostaAnterior(const QString& pasta) {
    QFile anterior(pasta + QStringLiteral("/PRP_000007_2026_.PRO"));
    QVERIFY(anterior.open(QIODevice::WriteOnly));
    anterior.write(kPropostaAnterior);
}

}  // namespace

class TstFluxo : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() {
        FormatSettings::setCurrent(FormatSettings::brazilian());
        QDir().mkpath(QStringLiteral(QUORIN_BINARY_DIR "/screenshots"));
    }

    // Open, identify, browse, record every item, close: the proposal file row by row.
    void wholeProposal() {
        Fluxo f;
        Janela& w = f.w;
        QVERIFY(f.Pronta());
        f.Abre(QStringLiteral("PL_001269_2009.KPZ"));
        QVERIFY(f.mensagens.isEmpty());
        QCOMPARE(QDir::current().canonicalPath(), QDir(f.pasta.path()).canonicalPath());

        // Awaiting identification: header filled, grids frozen, focus on the document.
        QCOMPARE(w.LBL_NomeEntidade->text(), QStringLiteral("PREFEITURA MUNICIPAL DE SANTA RITA DO VALE"));
        QCOMPARE(w.LBL_NomeMunicipio->text(), QStringLiteral("SANTA RITA DO VALE"));
        QCOMPARE(w.PNL_AnoExercicioProcesso->text(), QStringLiteral("2009"));
        QCOMPARE(w.PNL_NumeroProcesso->text(), QStringLiteral("001269"));
        QCOMPARE(w.PNL_DataProcesso->text(), QStringLiteral("15/03/2009"));
        QCOMPARE(w.PNL_Sequencial->text(), QStringLiteral(" 000007"));
        QCOMPARE(w.PNL_TipoApuracao->text(), QStringLiteral(" MENOR PREÇO POR LOTE"));
        QCOMPARE(w.PNL_Modalidade->text(), QStringLiteral(" PREGÃO PRESENCIAL"));
        QVERIFY(w.RCH_Objeto->toPlainText().startsWith(QStringLiteral(" Registro de preços")));
        QVERIFY(w.PNL_NomeFornecedor->text().isEmpty());
        QVERIFY(w.BBT_Relatorio->isEnabled());
        QVERIFY(w.BBT_Encerrar->isEnabled());
        QVERIFY(!w.BBT_Gravar->isEnabled());
        QVERIFY(!w.BBT_Limpar->isEnabled());
        QCOMPARE(w.CDS_Lote->RecordCount(), 3);
        QVERIFY(w.CDS_Processo->ControlsDisabled());
        QVERIFY(w.CDS_Lote->ControlsDisabled());
        QCOMPARE(QApplication::focusWidget(), w.MSK_CodigoNacional);

        // Identified: grids released, the lot grid filters the items to lot 1.
        f.Identifica(kCnpj);
        QVERIFY(f.mensagens.isEmpty());
        QCOMPARE(QApplication::focusWidget(), w.DBG_Lote);
        QVERIFY(!w.CDS_Processo->ControlsDisabled());
        QVERIFY(!w.CDS_Lote->ControlsDisabled());
        QVERIFY(w.BBT_Limpar->isEnabled());
        QCOMPARE(w.CDS_Processo->Filter(), QStringLiteral("nro_lote = 1"));
        QCOMPARE(w.DST_Processo->rowCount(), 4);
        QCOMPARE(w.DST_Lote->rowCount(), 3);
        QCOMPARE(w.PNL_ValorTotal->text(), QStringLiteral("0,00 "));
        QVERIFY(!w.BBT_Relatorio->isEnabled());

        // Moving in the lot grid filters the items to the new lot.
        w.DBG_Lote->setCurrentIndex(w.DST_Lote->index(2, 0));
        QCOMPARE(f.Lote(), 3);
        QCOMPARE(w.DST_Processo->rowCount(), 3);
        w.DBG_Lote->setCurrentIndex(w.DST_Lote->index(0, 0));

        // The item grid fills the panel from the current item.
        w.DBG_Item->setFocus();
        QVERIFY(w.BBT_Gravar->isEnabled());
        QCOMPARE(w.PNL_Quantidade->text(), QStringLiteral("400,0000 "));
        QCOMPARE(w.MED_ValorUnitario->text(), QStringLiteral("0,0000"));
        QVERIFY(w.RCH_Especificacao->toPlainText().startsWith(QStringLiteral("Papel alcalino")));
        QVERIFY(w.grab().save(QStringLiteral(QUORIN_BINARY_DIR "/screenshots/fluxo_identificado.png")));

        const struct {
            int lote, item;
            const char* marca;
            const char* preco;
            const char* total;  // the lot total after the item
        } precos[] = {
            {1, 1, "ALVORADA", "9,85", "3.940,00 "},  {1, 2, "  TRAÇO FINO  ", "8,3", "4.355,00 "},
            {1, 3, "METALMAX", "12,45", "4.728,50 "}, {1, 4, "KRAFTPEL", "5,4", "0,00 "},
            {2, 1, "LIMPAMAIS", "4,75", "570,00 "},   {2, 2, "FORTESACO", "6,25", "1.070,00 "},
            {2, 3, "ESPUMIX", "0,9", "0,00 "},        {3, 1, "GRÃO NOBRE", "14,9", "2.242,45 "},
            {3, 2, "DOCE VALE", "3,19", "3.199,45 "}, {3, 3, "SOJA BOA", "1,4787", "4.836,50 "},
        };
        for (const auto& p : precos) {
            QCOMPARE(f.Lote(), p.lote);
            QCOMPARE(f.Item(), p.item);
            f.Grava(QString::fromUtf8(p.marca), QLatin1String(p.preco));
            QVERIFY(f.mensagens.isEmpty());
            QCOMPARE(w.PNL_ValorTotal->text(), QLatin1String(p.total));
            QCOMPARE(QApplication::focusWidget(), w.EDT_Marca);
        }
        // After the last item of the last lot: back to the first item of the first lot,
        // the panel showing it.
        QCOMPARE(f.Lote(), 1);
        QCOMPARE(f.Item(), 1);
        QCOMPARE(w.EDT_Marca->text(), QStringLiteral("ALVORADA"));
        QCOMPARE(w.MED_ValorUnitario->text(), QStringLiteral("9,8500"));
        QCOMPARE(f.Atual("vlr_total"), QStringLiteral("3.940,0000"));

        QTest::mouseClick(w.BBT_Encerrar, Qt::LeftButton);
        const QString nome = QStringLiteral("PRP_001269_2009_12123123000199.PRO");
        QCOMPARE(f.mensagens.size(), 1);
        QCOMPARE(f.mensagens[0].tipo, QStringLiteral("INF"));
        QVERIFY(!f.mensagens[0].cancelar);
        QCOMPARE(f.mensagens[0].texto,
                 QStringLiteral("O arquivo\n") + nome +
                     QStringLiteral("\nfoi gravado com êxito.\nO programa será encerrado."));
        QVERIFY(!w.isVisible());

        TMemoryDataSet proposta;
        ProposalSchema::DeclareProcesso(proposta);
        proposta.LoadFromFile(f.pasta.filePath(nome));
        QStringList linhas;
        for (proposta.First(); !proposta.Eof(); proposta.Next()) {
            QCOMPARE(proposta.FieldByName(QStringLiteral("flg_encerrado"))->AsString(), QStringLiteral("1"));
            linhas << QStringLiteral("%1.%2 %3 %4 %5")
                          .arg(proposta.FieldByName(QStringLiteral("nro_lote"))->AsInteger())
                          .arg(proposta.FieldByName(QStringLiteral("nro_item"))->AsInteger())
                          .arg(proposta.FieldByName(QStringLiteral("des_marca"))->AsString(),
                               proposta.FieldByName(QStringLiteral("vlr_realinhamento"))->DisplayText(),
                               proposta.FieldByName(QStringLiteral("vlr_total"))->DisplayText());
        }
        QCOMPARE(linhas, QStringList({QStringLiteral("1.1 ALVORADA 9,8500 3.940,0000"),
                                      QStringLiteral("1.2 TRAÇO FINO 8,3000 415,0000"),
                                      QStringLiteral("1.3 METALMAX 12,4500 373,5000"),
                                      QStringLiteral("1.4 KRAFTPEL 5,4000 108,0000"),
                                      QStringLiteral("2.1 LIMPAMAIS 4,7500 570,0000"),
                                      QStringLiteral("2.2 FORTESACO 6,2500 500,0000"),
                                      QStringLiteral("2.3 ESPUMIX 0,9000 180,0000"),
                                      QStringLiteral("3.1 GRÃO NOBRE 14,9000 2.242,4500"),
                                      QStringLiteral("3.2 DOCE VALE 3,1900 957,0000"),
                                      QStringLiteral("3.3 SOJA BOA 1,4787 133,0830")}));

        // Opened again, the proposal restores the supplier: identified at once.
        Fluxo g;
        QVERIFY(g.Pronta());
        g.Abre(f.pasta.filePath(nome));
        QCOMPARE(g.w.CMB_Identificacao->currentIndex(), 1);
        QCOMPARE(g.w.MSK_CodigoNacional->Text(), kCnpj);
        QCOMPARE(g.w.MSK_CodigoNacional->displayText(), QStringLiteral("12.123.123/0001-99"));
        QCOMPARE(g.w.PNL_NomeFornecedor->text(), QStringLiteral(" PAPELARIA E DISTRIBUIDORA BOA VISTA LTDA"));
        QCOMPARE(QApplication::focusWidget(), g.w.DBG_Lote);
        QVERIFY(!g.w.CDS_Processo->ControlsDisabled());
        QVERIFY(!g.w.BBT_Limpar->isEnabled());
        QCOMPARE(g.w.PNL_ValorTotal->text(), QStringLiteral("4.836,50 "));
        QVERIFY(g.w.BBT_Relatorio->isEnabled());
    }

    // The command-line companion closes the example; the window reopens the result
    // straight into the identified state.
    void proposalFromTheCommandLine() {
        Fluxo f;
        QVERIFY(f.Pronta());
        QProcess pacote;
        pacote.start(QStringLiteral(QUORIN_PACOTE),
                     {QStringLiteral("preencher"), f.pasta.filePath(QStringLiteral("PL_001269_2009.KPZ")),
                      QStringLiteral("--documento"), kCnpj, QStringLiteral("--precos"),
                      kExemplos + QStringLiteral("precos_exemplo.csv")});
        QVERIFY(pacote.waitForFinished(60000));
        QCOMPARE(pacote.exitCode(), 0);
        f.Abre(QStringLiteral("PRP_001269_2009_12123123000199.PRO"));
        QVERIFY(f.mensagens.isEmpty());
        QCOMPARE(f.w.MSK_CodigoNacional->Text(), kCnpj);
        QCOMPARE(QApplication::focusWidget(), f.w.DBG_Lote);
        QVERIFY(!f.w.CDS_Processo->ControlsDisabled());
        QCOMPARE(f.w.PNL_ValorTotal->text(), QStringLiteral("4.836,50 "));
    }

    void closedPersonFileSelectsCpf() {
        Fluxo f;
        QVERIFY(f.Pronta());
        TMemoryDataSet ds;
        ProposalSchema::DeclareProcesso(ds);
        ds.LoadFromFile(f.pasta.filePath(QStringLiteral("PL_000042_2010.KPZ")));
        for (ds.First(); !ds.Eof(); ds.Next()) {
            ds.Edit();
            ds.FieldByName(QStringLiteral("flg_encerrado"))->SetAsString(QStringLiteral("1"));
            ds.Post();
        }
        ds.SaveToFile(f.pasta.filePath(QStringLiteral("encerrado.PRO")));
        f.Abre(QStringLiteral("encerrado.PRO"));
        QCOMPARE(f.w.CMB_Identificacao->currentIndex(), 0);
        QCOMPARE(f.w.STT_NomeFornecedor->text(), QStringLiteral(" Nome"));
        QCOMPARE(f.w.MSK_CodigoNacional->displayText(), QStringLiteral("529.982.247-25"));
        QCOMPARE(f.w.PNL_NomeFornecedor->text(), QStringLiteral(" MARIA APARECIDA DOS SANTOS"));
        QCOMPARE(f.w.CDS_Lote->FieldByName(QStringLiteral("DES_LOTE"))->AsString(),
                 QStringLiteral("Valor Global"));
        QCOMPARE(QApplication::focusWidget(), f.w.DBG_Lote);
    }

    void unreadableFiles_data() {
        QTest::addColumn<QByteArray>("conteudo");
        QTest::newRow("not a data packet") << QByteArray("nro_lote;nro_item\r\n1;1\r\n");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("a field missing") << QByteArray("*");  // written below
        // Neither may hold the window: the warning comes at once.
        QTest::newRow("a pipe") << QByteArray("pipe");
        QTest::newRow("a link to /dev/zero") << QByteArray("zero");
    }

    void unreadableFiles() {
        QFETCH(QByteArray, conteudo);
        Fluxo f;
        QVERIFY(f.Pronta());
        const QString arquivo = f.pasta.filePath(QStringLiteral("ruim.KPZ"));
        if (conteudo == "*") {
            TMemoryDataSet semMarca;
            semMarca.AddSmallintField(QStringLiteral("nro_lote"));
            semMarca.AddSmallintField(QStringLiteral("nro_item"));
            semMarca.CreateDataSet();
            semMarca.SaveToFile(arquivo);
        } else if (conteudo == "pipe") {
            QCOMPARE(::mkfifo(QFile::encodeName(arquivo).constData(), 0600), 0);
        } else if (conteudo == "zero") {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), arquivo));
        } else {
            QFile file(arquivo);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(conteudo);
        }
        // A good file first, so that the failure has something to reset.
        f.Abre(QStringLiteral("PL_001269_2009.KPZ"));
        f.Abre(arquivo);
        QCOMPARE(f.mensagens.size(), 1);
        QCOMPARE(f.mensagens[0].texto,
                 QStringLiteral("Ocorreu um erro na leitura do arquivo. Verifique as versões "
                                "do Brisca e do QuorinRealinhamentoPreco."));
        QCOMPARE(f.mensagens[0].tipo, QStringLiteral("ADV"));
        QVERIFY(!f.mensagens[0].cancelar);
        QVERIFY(!f.w.CDS_Processo->Active());
        QVERIFY(!f.w.CDS_Processo->ControlsDisabled());
        QVERIFY(!f.w.PNL_Lote->isEnabled());
        QVERIFY(!f.w.BBT_Encerrar->isEnabled());
        QVERIFY(f.w.PNL_AnoExercicioProcesso->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), f.w.BBT_Arquivo);

        // A later opening and identification show both grids normally.
        f.mensagens.clear();
        f.Abre(QStringLiteral("PL_001269_2009.KPZ"));
        f.Identifica(kCnpj);
        QVERIFY(f.mensagens.isEmpty());
        QVERIFY(!f.w.CDS_Processo->ControlsDisabled());
        QCOMPARE(f.w.DST_Processo->rowCount(), 4);
    }

    void cancelledDialogChangesNothing() {
        Fluxo f;
        QVERIFY(f.Pronta());
        f.w.OPG_Arquivo->Responder = [](TOpenDialog&) { return false; };
        QTest::mouseClick(f.w.BBT_Arquivo, Qt::LeftButton);
        QVERIFY(!f.w.CDS_Processo->Active());
        QVERIFY(!f.w.CDS_Processo->ControlsDisabled());
        QVERIFY(f.mensagens.isEmpty());
    }

    void identification_data() {
        QTest::addColumn<QString>("digitado");
        QTest::addColumn<QString>("mensagem");
        QTest::newRow("one digit changed") << "12123123000198"
                                           << "O C N P J informado não foi encontrado no arquivo.";
        QTest::newRow("valid check digits, not in the file")
            << "11222333000181"
            << "O C N P J informado não foi encontrado no arquivo.";
        QTest::newRow("one digit only") << "1"
                                        << "";
        QTest::newRow("nothing typed") << ""
                                       << "";
    }

    void identification() {
        QFETCH(QString, digitado);
        QFETCH(QString, mensagem);
        Fluxo f;
        QVERIFY(f.Pronta());
        f.Abre(QStringLiteral("PL_001269_2009.KPZ"));
        f.Identifica(digitado);
        QVERIFY(f.w.CDS_Processo->ControlsDisabled());
        if (mensagem.isEmpty()) {
            QVERIFY(f.mensagens.isEmpty());
            return;
        }
        QCOMPARE(f.mensagens.size(), 1);
        QCOMPARE(f.mensagens[0].texto, mensagem);
        QCOMPARE(f.mensagens[0].tipo, QStringLiteral("ADV"));
        QCOMPARE(f.w.MSK_CodigoNacional->Text(), QString());
        QCOMPARE(QApplication::focusWidget(), f.w.MSK_CodigoNacional);
    }

    void secondOpeningWhileAwaitingIdentification() {
        Fluxo f;
        QVERIFY(f.Pronta());
        f.Abre(QStringLiteral("PL_001269_2009.KPZ"));
        f.Abre(QStringLiteral("PL_000042_2010.KPZ"));
        f.w.CMB_Identificacao->setCurrentIndex(0);
        f.w.CMB_IdentificacaoClick();
        f.Identifica(kCpf);
        QVERIFY(f.mensagens.isEmpty());
        QVERIFY(!f.w.CDS_Processo->ControlsDisabled());
        QVERIFY(!f.w.CDS_Lote->ControlsDisabled());
        QCOMPARE(f.w.DST_Lote->rowCount(), 1);
        QCOMPARE(f.w.DST_Processo->rowCount(), 2);
    }

    void alphanumericCnpj() {
        Fluxo f;
        QVERIFY(f.Pronta());
        f.Abre(Processo_Com_Documento(f.pasta.path(), QStringLiteral("12ABC34501DE35")));
        f.Identifica(QStringLiteral("12abc34501de35"));
        QCOMPARE(f.w.MSK_CodigoNacional->displayText(), QStringLiteral("12.ABC.345/01DE-35"));
        QVERIFY(f.mensagens.isEmpty());
        QCOMPARE(QApplication::focusWidget(), f.w.DBG_Lote);
        // Letters in the two check places are refused.
        f.w.MSK_CodigoNacional->SetText(QStringLiteral("12ABC34501DEXY"));
        QCOMPARE(f.w.MSK_CodigoNacional->Text(), QStringLiteral("12ABC34501DE"));
    }

    void recordingRefusesPriceZero() {
        Fluxo f;
        QVERIFY(f.Pronta());
        f.Abre(QStringLiteral("PL_001269_2009.KPZ"));
        f.Identifica(kCnpj);
        f.w.DBG_Item->setFocus();
        f.Grava(QStringLiteral("X"), QStringLiteral("0,0000"));
        QCOMPARE(f.mensagens.size(), 1);
        QCOMPARE(f.mensagens[0].texto, QStringLiteral("O valor unitário deve ser maior que 0 ( zero )."));
        QCOMPARE(QApplication::focusWidget(), f.w.MED_ValorUnitario);
        QCOMPARE(f.Item(), 1);
        QVERIFY(f.w.CDS_Processo->FieldByName(QStringLiteral("des_marca"))->IsNull());
        QVERIFY(f.w.CDS_Processo->FieldByName(QStringLiteral("vlr_total"))->IsNull());
    }

    void refusedClosingWritesNothing() {
        Fluxo f;
        QVERIFY(f.Pronta());
        f.Abre(QStringLiteral("PL_001269_2009.KPZ"));
        f.Identifica(kCnpj);
        f.w.DBG_Item->setFocus();
        // Lot 1 matches its bid exactly; lots 2 and 3 stay without prices.
        for (const char* preco : {"9,85", "8,3", "12,45", "5,4"})
            f.Grava(QString(), QLatin1String(preco));
        QCOMPARE(f.Lote(), 2);
        QTest::mouseClick(f.w.BBT_Encerrar, Qt::LeftButton);
        QCOMPARE(f.mensagens.size(), 1);
        QCOMPARE(f.mensagens[0].texto, kRecusa.arg(QStringLiteral("nos lotes: 2, 3")));
        QVERIFY(f.w.isVisible());
        QVERIFY(QDir(f.pasta.path()).entryList({QStringLiteral("PRP_*")}).isEmpty());
        // The walk ends on the last lot; the items stay filtered as before (lot 2) and
        // stand on their first row.
        QCOMPARE(f.Lote(), 3);
        QCOMPARE(f.w.CDS_Processo->Filter(), QStringLiteral("nro_lote = 2"));
        QCOMPARE(f.w.CDS_Processo->RecNo(), 1);
        QVERIFY(f.w.FLG_AcompanhaItem);
        QVERIFY(f.w.FLG_AcompanhaLote);
        QVERIFY(!f.w.CDS_Processo->ControlsDisabled());
    }

    void closingWithoutIdentification() {
        Fluxo f;
        QVERIFY(f.Pronta());
        f.Abre(Processo_Com_Documento(f.pasta.path(), kCpf));
        // The items of the only lot, recorded while no lot filter is in force.
        f.w.CDS_Lote->DisableControls();
        for (f.w.CDS_Processo->First(); !f.w.CDS_Processo->Eof(); f.w.CDS_Processo->Next()) {
            f.w.CDS_Processo->Edit();
            f.w.CDS_Processo->FieldByName(QStringLiteral("vlr_realinhamento"))->SetAsFloat(2.5);
            f.w.CDS_Processo->FieldByName(QStringLiteral("vlr_total"))->SetAsFloat(5);
            f.w.CDS_Processo->Post();
        }
        f.w.CDS_Lote->EnableControls();
        QTest::mouseClick(f.w.BBT_Encerrar, Qt::LeftButton);
        QCOMPARE(f.mensagens.size(), 1);
        QCOMPARE(f.mensagens[0].tipo, QStringLiteral("INF"));
        QVERIFY(QFileInfo::exists(f.pasta.filePath(QStringLiteral("PRP_000007_2026_.PRO"))));
    }

    void failedSaveIsNoSuccess() {
        Fluxo f;
        QVERIFY(f.Pronta());
        f.Abre(Processo_Com_Documento(f.pasta.path(), kCpf));
        for (f.w.CDS_Processo->First(); !f.w.CDS_Processo->Eof(); f.w.CDS_Processo->Next()) {
            f.w.CDS_Processo->Edit();
            f.w.CDS_Processo->FieldByName(QStringLiteral("vlr_realinhamento"))->SetAsFloat(2.5);
            f.w.CDS_Processo->FieldByName(QStringLiteral("vlr_total"))->SetAsFloat(5);
            f.w.CDS_Processo->Post();
        }
        // A folder where the proposal file should go: the save cannot replace it.
        QVERIFY(QDir(f.pasta.path()).mkdir(QStringLiteral("PRP_000007_2026_.PRO")));
        QVERIFY_THROWS_EXCEPTION(std::exception, f.w.BBT_EncerrarClick());
        QVERIFY(f.mensagens.isEmpty());
        QVERIFY(f.w.isVisible());
        QVERIFY(QFileInfo(f.pasta.filePath(QStringLiteral("PRP_000007_2026_.PRO"))).isDir());
    }

    // Closing into a folder that cannot take the proposal: once with a file-size
    // limit (this test run again in a child process) and, as root, on a full tmpfs.
    void fullDiskKeepsTheEarlierProposal() {
        const QString filho = qEnvironmentVariable("QUORIN_PASTA_LIMITADA");
        if (!filho.isEmpty()) {
            EncerraSemEspaco(filho, QStringLiteral("o arquivo excede o tamanho permitido."));
            return;
        }
        QTemporaryDir pasta;
        Processo_Com_Documento(pasta.path(), kCpf);
        GravaPropostaAnterior(pasta.path());
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUORIN_PASTA_LIMITADA"), pasta.path());
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.setChildProcessModifier([] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limite{200, 200};
            setrlimit(RLIMIT_FSIZE, &limite);
        });
        p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("fullDiskKeepsTheEarlierProposal")});
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, p.readAll().constData());
        ConfereProposta(pasta.path());

        if (::geteuid() != 0)
            return;
        QTemporaryDir montagem;
        const QByteArray ponto = QFile::encodeName(montagem.path());
        if (::mount("tmpfs", ponto.constData(), "tmpfs", 0, "size=128k") != 0)
            return;
        Processo_Com_Documento(montagem.path(), kCpf);
        GravaPropostaAnterior(montagem.path());
        {
            QFile enche(montagem.filePath(QStringLiteral("enche")));
            if (enche.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
                const QByteArray bloco(4096, 'f');
                while (enche.write(bloco) == bloco.size()) {
                }
            }
        }
        EncerraSemEspaco(montagem.path(), QStringLiteral("não há espaço livre no disco."));
        ConfereProposta(montagem.path());
        QDir::setCurrent(QDir::tempPath());
        ::umount(ponto.constData());
    }

    // The document field takes typing however it was entered: by the program after
    // opening, and by a click in the middle of the empty mask.
    void documentTakesTypingWhereverEntered_data() {
        QTest::addColumn<bool>("clique");
        QTest::newRow("focus given by the opening") << false;
        QTest::newRow("click in the middle") << true;
    }
    void documentTakesTypingWhereverEntered() {
        QFETCH(bool, clique);
        Fluxo f;
        QVERIFY(f.Pronta());
        f.Abre(QStringLiteral("PL_001269_2009.KPZ"));
        QCOMPARE(QApplication::focusWidget(), f.w.MSK_CodigoNacional);
        if (clique) {
            f.w.BBT_Encerrar->setFocus();
            QTest::mouseClick(f.w.MSK_CodigoNacional, Qt::LeftButton, {},
                              QPoint(f.w.MSK_CodigoNacional->width() / 2, f.w.MSK_CodigoNacional->height() / 2));
            QCOMPARE(f.w.MSK_CodigoNacional->cursorPosition(), 0);
        }
        QTest::keyClicks(QApplication::focusWidget(), kCnpj);
        QCOMPARE(f.w.MSK_CodigoNacional->Text(), kCnpj);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(f.mensagens.isEmpty());
        QCOMPARE(QApplication::focusWidget(), f.w.DBG_Lote);
        QVERIFY(!f.w.CDS_Processo->ControlsDisabled());

        // A click beyond the digits typed puts the caret right after them.
        f.w.MSK_CodigoNacional->SetText(QStringLiteral("121"));
        f.w.BBT_Encerrar->setFocus();
        QTest::mouseClick(f.w.MSK_CodigoNacional, Qt::LeftButton, {},
                          QPoint(f.w.MSK_CodigoNacional->width() - 8, f.w.MSK_CodigoNacional->height() / 2));
        QCOMPARE(f.w.MSK_CodigoNacional->cursorPosition(), 4);  // "12.1|"
    }

    // Gravar hands the next item's brand over selected: typing replaces it.
    void brandIsReplacedAfterGravar() {
        Fluxo f;
        QVERIFY(f.Pronta());
        f.Abre(QStringLiteral("PL_001269_2009.KPZ"));
        f.Identifica(kCnpj);
        f.w.DBG_Item->setFocus();
        f.Grava(QStringLiteral("ALVORADA"), QStringLiteral("9,85"));
        f.Grava(QStringLiteral("TRACO FINO"), QStringLiteral("8,3"));
        QTest::mouseClick(f.w.DBG_Item->viewport(), Qt::LeftButton, {},
                          QPoint(20, f.w.DBG_Item->rowViewportPosition(0) + 5));
        QCOMPARE(f.Item(), 1);
        QTest::mouseClick(f.w.BBT_Gravar, Qt::LeftButton);
        QCOMPARE(f.Item(), 2);
        QCOMPARE(QApplication::focusWidget(), f.w.EDT_Marca);
        QTest::keyClicks(f.w.EDT_Marca, QStringLiteral("NOVA"));
        QCOMPARE(f.w.EDT_Marca->text(), QStringLiteral("NOVA"));
        // A click places the caret and selects nothing.
        f.w.BBT_Encerrar->setFocus();
        QTest::mouseClick(f.w.EDT_Marca, Qt::LeftButton, {}, QPoint(f.w.EDT_Marca->width() - 5, 10));
        QVERIFY(!f.w.EDT_Marca->hasSelectedText());
    }

    // Enter presses the focused button; Ctrl+Tab and Ctrl+Shift+Tab leave a grid.
    void keyboardWays() {
        Fluxo f;
        QVERIFY(f.Pronta());
        QCOMPARE(QApplication::focusWidget(), f.w.BBT_Arquivo);
        int dialogos = 0;
        const QString caminho = f.pasta.filePath(QStringLiteral("PL_001269_2009.KPZ"));
        f.w.OPG_Arquivo->Responder = [&](TOpenDialog& d) {
            ++dialogos;
            d.FileName = caminho;
            return true;
        };
        QTest::keyClick(f.w.BBT_Arquivo, Qt::Key_Return);
        QCOMPARE(dialogos, 1);
        f.w.BBT_Arquivo->setFocus();
        QTest::keyClick(f.w.BBT_Arquivo, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(dialogos, 2);
        f.Identifica(kCnpj);

        QCOMPARE(QApplication::focusWidget(), f.w.DBG_Lote);
        QTest::keyClick(f.w.DBG_Lote, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), f.w.DBG_Item);
        QTest::keyClick(f.w.DBG_Item, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), f.w.EDT_Marca);
        f.w.DBG_Item->setFocus();
        QTest::keyClick(f.w.DBG_Item, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), f.w.DBG_Lote);
        // A plain Tab still moves inside the grid.
        QTest::keyClick(f.w.DBG_Lote, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), f.w.DBG_Lote);

        // Alt+letter types nothing into the price.
        f.w.DBG_Item->setFocus();
        f.w.MED_ValorUnitario->setFocus();
        const QString antes = f.w.MED_ValorUnitario->text();
        for (Qt::Key tecla : {Qt::Key_A, Qt::Key_B, Qt::Key_X})
            QTest::keyClick(f.w.MED_ValorUnitario, tecla, Qt::AltModifier);
        QCOMPARE(f.w.MED_ValorUnitario->text(), antes);
    }

    // The lot chosen stays painted as selected while the item grid has the focus.
    void currentLotStaysSelected_data() {
        QTest::addColumn<bool>("teclado");
        QTest::newRow("lot chosen with the mouse") << false;
        QTest::newRow("lot chosen with the keyboard") << true;
    }
    void currentLotStaysSelected() {
        Fluxo f;
        QVERIFY(f.Pronta());
        f.Abre(QStringLiteral("PL_001269_2009.KPZ"));
        f.Identifica(kCnpj);
        QFETCH(bool, teclado);
        if (teclado)
            QTest::keyClick(f.w.DBG_Lote, Qt::Key_Down);
        else
            QTest::mouseClick(f.w.DBG_Lote->viewport(), Qt::LeftButton, {},
                              QPoint(100, f.w.DBG_Lote->rowViewportPosition(1) + 5));
        QCOMPARE(f.Lote(), 2);
        QTest::mouseClick(f.w.DBG_Item->viewport(), Qt::LeftButton, {},
                          QPoint(100, f.w.DBG_Item->rowViewportPosition(1) + 5));
        QCOMPARE(QApplication::focusWidget(), f.w.DBG_Item);
        QCOMPARE(f.Lote(), 2);
        const QColor selecao = f.w.DBG_Lote->palette().color(QPalette::Inactive, QPalette::Highlight);
        for (TDBGrid* grade : {f.w.DBG_Lote, f.w.DBG_Item}) {
            const QImage imagem = grade->viewport()->grab().toImage();
            const int x = grade->columnViewportPosition(1) + grade->columnWidth(1) - 5;
            QCOMPARE(imagem.pixelColor(x, grade->rowViewportPosition(1) + 2), selecao);
            QVERIFY(imagem.pixelColor(x, grade->rowViewportPosition(0) + 2) != selecao);
        }
        QVERIFY(f.w.grab().save(QStringLiteral(QUORIN_BINARY_DIR "/screenshots/fluxo_lote_atual.png")));
    }

    void gridsStripeAndKeepTheirRows() {
        Fluxo f;
        QVERIFY(f.Pronta());
        f.Abre(QStringLiteral("PL_001269_2009.KPZ"));
        f.Identifica(kCnpj);
        const QImage lotes = f.w.DBG_Lote->viewport()->grab().toImage();
        const int x = f.w.DBG_Lote->columnViewportPosition(1) + f.w.DBG_Lote->columnWidth(1) - 5;
        auto cor = [&](int linha) {
            return lotes.pixelColor(x, f.w.DBG_Lote->rowViewportPosition(linha) + 2);
        };
        QCOMPARE(cor(1), QColor(218, 248, 226));   // row 2 is light green
        QVERIFY(cor(2) != QColor(218, 248, 226));  // row 3 keeps the normal background
        QVERIFY(cor(0) != QColor(218, 248, 226));  // the selected row keeps the selection

        // Ctrl+Delete is swallowed in both grids.
        for (TDBGrid* grade : {f.w.DBG_Lote, f.w.DBG_Item}) {
            int tecla = Qt::Key_Delete;
            grade->OnKeyDown(tecla, Qt::ControlModifier);
            QCOMPARE(tecla, 0);
            tecla = Qt::Key_Delete;
            grade->OnKeyDown(tecla, Qt::NoModifier);
            QCOMPARE(tecla, int(Qt::Key_Delete));
        }
        QCOMPARE(f.w.CDS_Lote->RecordCount(), 3);
    }

    void resetWhileAwaitingIdentificationEmptiesTheGrids() {
        Fluxo f;
        QVERIFY(f.Pronta());
        f.Abre(QStringLiteral("PL_001269_2009.KPZ"));
        f.Identifica(kCnpj);
        f.Abre(QStringLiteral("PL_000042_2010.KPZ"));
        f.w.BBT_LimparClick();
        QCOMPARE(f.w.DST_Lote->rowCount(), 0);
        QCOMPARE(f.w.DST_Processo->rowCount(), 0);
        QVERIFY(!f.w.CDS_Processo->ControlsDisabled());
    }
};

QTEST_MAIN(TstFluxo)
#include "tst_fluxo.moc"
