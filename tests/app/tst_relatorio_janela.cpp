// "Relatorio" in the main window: the report of every lot whatever lot the window shows,
// the window's lot and item afterwards, two presses giving two independent reports.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QProcess>
#include <QTest>
#include <QRegularExpression>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "JanelaDeTeste.h"
#include "app/OpenDialog.h"
#include "app/UNT_QuorinRealinhamentoPreco.h"
#include "controls/DBGrid.h"
#include "controls/MaskEdit.h"
#include "controls/Memoedit.h"
#include "dataset/TMemoryDataSet.h"
#include "report_engine/canvas/TQREmfPlayer.h"
#include "report_engine/preview/QRPreviewDialogs.h"
#include "report_engine/preview/TQRStandardPreview.h"
#include "report_engine/preview/TQRStandardPreviewInterface.h"
#include "report_engine/export/QRExportFilters.h"
#include "report_engine/printer/TQRPrinter.h"
#include "runtime/FormatSettings.h"

using namespace quorin;

namespace {

const QString kExemplos = QStringLiteral(QUORIN_SOURCE_DIR "/exemplos/");

/// A preview that waits for the run to end and keeps the texts of every page.
struct TPreviewDeTeste : TQRPreviewInterface {
    static inline QList<QStringList> Relatorios;
    void ShowModal(TQRPrinter* printer) override {
        QElapsedTimer relogio;
        relogio.start();
        while (printer->GetStatus() != mpFinished && relogio.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QStringList textos;
        for (int n = 1; n <= printer->GetPageCount(); ++n)
            for (const auto& r : TQREmfPlayer::Texts(printer->GetPage(n)->Data())) textos << r.Text;
        Relatorios << textos;
    }
};

struct Janela : teste::PastaDeTeste, teste::TJanelaDeTeste {
    Janela() {
        qputenv("XDG_DATA_HOME", QFile::encodeName(pasta.filePath(QStringLiteral("dados"))));
        QFile::copy(kExemplos + "PL_001269_2009.KPZ", pasta.filePath("PL_001269_2009.KPZ"));
    }
    // The example, identified by its supplier's CNPJ.
    void Abre() {
        TJanelaDeTeste::Abre(pasta.filePath("PL_001269_2009.KPZ"));
        Identifica(QStringLiteral("12123123000199"));
    }
    int Lote() const { return w.CDS_Processo->FieldByName(QStringLiteral("nro_lote"))->AsInteger(); }
};

}  // namespace

class TstRelatorioJanela : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() {
        FormatSettings::setCurrent(FormatSettings::brazilian());
        RegisterPreviewClass([] { return std::make_unique<TPreviewDeTeste>(); });
    }

    void todos_os_lotes_e_a_janela_volta_ao_lote_2() {
        Janela j;
        QVERIFY(QTest::qWaitForWindowActive(&j.w));
        j.Abre();
        // The supplier prices the first item of lot 2 and "Gravar" moves to the second.
        j.w.DBG_Lote->setFocus();
        QVERIFY(j.w.CDS_Lote->Locate(QStringLiteral("NRO_LOTE"), 2));
        j.w.DBG_Item->setFocus();
        j.w.EDT_Marca->setFocus();
        j.w.EDT_Marca->setText(QStringLiteral("LIMPAMAIS"));
        j.w.MED_ValorUnitario->setFocus();
        j.w.MED_ValorUnitario->selectAll();
        QTest::keyClicks(j.w.MED_ValorUnitario, QStringLiteral("4,75"));
        QTest::mouseClick(j.w.BBT_Gravar, Qt::LeftButton);
        QCOMPARE(j.Lote(), 2);
        QCOMPARE(j.Item(), 2);
        QVERIFY(j.w.BBT_Relatorio->isEnabled());

        TPreviewDeTeste::Relatorios.clear();
        QTest::mouseClick(j.w.BBT_Relatorio, Qt::LeftButton);
        QCOMPARE(TPreviewDeTeste::Relatorios.size(), 1);
        const QStringList& textos = TPreviewDeTeste::Relatorios[0];
        for (const char* lote : {"0001 - MATERIAL DE EXPEDIENTE", "0002 - MATERIAL DE LIMPEZA",
                                 "0003 - GÊNEROS ALIMENTÍCIOS"})
            QVERIFY2(textos.contains(QString::fromUtf8(lote)), lote);
        QCOMPARE(textos.count(QStringLiteral("Total do Lote:")), 3);
        QVERIFY(textos.contains(QStringLiteral("PROCESSO LICITATÓRIO")));
        QVERIFY(textos.contains(QStringLiteral("12123123000199")));
        QVERIFY(textos.contains(QStringLiteral("LIMPAMAIS")));
        QVERIFY(textos.contains(QStringLiteral("570,00")));  // 120 × 4,75

        // The window shows lot 2 again, on its first item, and still only lot 2's items.
        QCOMPARE(j.Lote(), 2);
        QCOMPARE(j.Item(), 1);
        QCOMPARE(j.w.CDS_Processo->RecordCount(), 3);
        QVERIFY(!j.w.CDS_Processo->ControlsDisabled());

        // A second press builds a report of its own: same rows, same totals.
        QTest::mouseClick(j.w.BBT_Relatorio, Qt::LeftButton);
        QCOMPARE(TPreviewDeTeste::Relatorios.size(), 2);
        // The printed date and time are those of each run: a second may pass between them.
        const auto semRelogio = [](QStringList textos) {
            static const QRegularExpression relogio(QStringLiteral("\\d{2}:\\d{2}|\\d{2}/\\d{2}/\\d{4}"));
            textos.removeIf([](const QString& t) { return relogio.match(t).hasMatch(); });
            return textos;
        };
        QCOMPARE(semRelogio(TPreviewDeTeste::Relatorios[1]), semRelogio(TPreviewDeTeste::Relatorios[0]));
    }

    // The whole road: every price recorded, the real preview filling and paging,
    // saved as a page file and as PDF, closed; then the proposal closes.
    void do_preco_ao_pdf_pela_visualizacao() {
        RegisterStandardPreview();
        RegisterStandardExportFilters();
        Janela j;
        QVERIFY(QTest::qWaitForWindowActive(&j.w));
        QStringList mensagens;
        j.w.MensagemSeam = [&](const QString& texto, bool, const QString&) {
            mensagens << texto;
            return true;
        };
        j.Abre();
        j.w.DBG_Item->setFocus();
        const char* precos[][2] = {{"ALVORADA", "9,85"},   {"TRAÇO FINO", "8,3"},  {"METALMAX", "12,45"},
                                   {"KRAFTPEL", "5,4"},    {"LIMPAMAIS", "4,75"},  {"FORTESACO", "6,25"},
                                   {"ESPUMIX", "0,9"},     {"GRÃO NOBRE", "14,9"}, {"DOCE VALE", "3,19"},
                                   {"SOJA BOA", "1,4787"}};
        for (const auto& p : precos) j.Grava(QString::fromUtf8(p[0]), QString::fromLatin1(p[1]));
        QVERIFY(mensagens.isEmpty());

        const QString qrp = j.pasta.filePath("proposta.qrp");
        const QString pdf = j.pasta.filePath("proposta.pdf");
        int salvar = 0;
        TQRPreviewDialogs::SaveFile = [&](QWidget*, const QString&, const QString&, const QString&,
                                          const QStringList&, QString& fileName, int& filterIndex) {
            fileName = salvar == 0 ? qrp : pdf;
            filterIndex = salvar == 0 ? 1 : 6;
            ++salvar;
            return true;
        };
        QStringList erros;
        TQRPreviewDialogs::MessageBox = [&](QWidget*, const QString&, const QString& text) { erros << text; };
        QString paginas;
        QTimer::singleShot(0, [&] {
            auto* preview = qobject_cast<TQRStandardPreview*>(QApplication::activeModalWidget());
            QVERIFY(preview);
            QTRY_VERIFY_WITH_TIMEOUT(preview->QRPrinter()->GetStatus() == mpFinished, 30000);
            QTRY_COMPARE(preview->StatusPanelText(1), QStringLiteral("Página 1 de 2"));
            QTest::mouseClick(preview->ToolButton2, Qt::LeftButton);  // next page
            paginas = preview->StatusPanelText(1);
            QVERIFY(preview->grab().save(QStringLiteral(QUORIN_BINARY_DIR "/screenshots/relatorio_visualizacao.png")));
            QTest::mouseClick(preview->SaveReport, Qt::LeftButton);
            QTest::mouseClick(preview->SaveReport, Qt::LeftButton);
            QTest::mouseClick(preview->ExitButton, Qt::LeftButton);
        });
        QTest::mouseClick(j.w.BBT_Relatorio, Qt::LeftButton);
        TQRPreviewDialogs::Reset();
        RegisterPreviewClass([] { return std::make_unique<TPreviewDeTeste>(); });

        QVERIFY2(erros.isEmpty(), qPrintable(erros.join('\n')));
        QCOMPARE(paginas, QStringLiteral("Página 2 de 2"));
        QVERIFY(QFileInfo(qrp).size() > 0);
        QProcess pdftotext;
        pdftotext.start("pdftotext", {"-layout", "-enc", "UTF-8", pdf, "-"});
        if (!pdftotext.waitForFinished(30000)) QSKIP("pdftotext não está instalado");
        const QString texto = QString::fromUtf8(pdftotext.readAllStandardOutput());
        for (const char* t : {"0001 - MATERIAL DE EXPEDIENTE", "0003 - GÊNEROS ALIMENTÍCIOS", "TRAÇO FINO",
                              "1,4787", "4.836,50", "3.332,53", "Total da Proposta:", "9.419,03"})
            QVERIFY2(texto.contains(QString::fromUtf8(t)), t);

        // The proposal still closes as before.
        QTest::mouseClick(j.w.BBT_Encerrar, Qt::LeftButton);
        QCOMPARE(mensagens.size(), 1);
        QVERIFY(mensagens[0].contains(QStringLiteral("foi gravado com êxito")));
    }
};

QTEST_MAIN(TstRelatorioJanela)
#include "tst_relatorio_janela.moc"
