#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include "app/OpenDialog.h"
#include "app/UNT_Mensagem1.h"
#include "app/UNT_QuorinRealinhamentoPreco.h"
#include "controls/DBGrid.h"
#include "controls/DataSetGridModel.h"
#include "controls/MaskEdit.h"
#include "controls/Memoedit.h"
#include "dataset/TMemoryDataSet.h"
#include "runtime/FormatSettings.h"

using namespace quorin;

namespace {

using Janela = TFRM_QuorinRealinhamentoPreco;

// Letters are allowed in the first twelve places (the alphanumeric CNPJ).
const QString mascaraCNPJ = QStringLiteral(">aa.aaa.aaa/aaaa-99;0; ");
const QString mascaraCPF = QStringLiteral("999.999.999-99;0; ");

// A shown, active window in the state right after start.
struct Aberta {
    Janela janela;
    Aberta() {
        janela.MensagemSeam = [](const QString& texto, bool, const QString&) {
            qWarning() << "mensagem inesperada:" << texto;
            return false;
        };
        janela.show();
        janela.activateWindow();
    }
    bool Pronta() { return QTest::qWaitForWindowActive(&janela); }
};

void Linha_Processo(TMemoryDataSet& ds, int lote, int item, const QString& produto, double quantidade,
                    double preco) {
    ds.Append();
    ds.FieldByName(QStringLiteral("nro_lote"))->SetAsInteger(lote);
    ds.FieldByName(QStringLiteral("nro_item"))->SetAsInteger(item);
    ds.FieldByName(QStringLiteral("cod_produto"))->SetAsInteger(10200 + lote * 10 + item);
    ds.FieldByName(QStringLiteral("des_produto"))->SetAsString(produto);
    ds.FieldByName(QStringLiteral("des_unidademedida"))->SetAsString(QStringLiteral("Unidade"));
    ds.FieldByName(QStringLiteral("qtd_produto"))->SetAsFloat(quantidade);
    if (preco > 0) {
        ds.FieldByName(QStringLiteral("vlr_realinhamento"))->SetAsFloat(preco);
        ds.FieldByName(QStringLiteral("vlr_total"))->SetAsFloat(preco * quantidade);
    }
    ds.Post();
}

void Linha_Lote(TMemoryDataSet& ds, int lote, const QString& descricao, double lance) {
    ds.Append();
    ds.FieldByName(QStringLiteral("NRO_LOTE"))->SetAsInteger(lote);
    ds.FieldByName(QStringLiteral("DES_LOTE"))->SetAsString(descricao);
    ds.FieldByName(QStringLiteral("vlr_lance"))->SetAsFloat(lance);
    ds.Post();
}

// Every control that the window's no-process state leaves disabled, enabled or
// untouched, in one place for the initial-state and reset tests.
void Confere_SemProcesso(Janela& w) {
    QCOMPARE(w.CMB_Identificacao->currentIndex(), 1);
    QCOMPARE(w.CMB_Identificacao->currentText(), QStringLiteral("C N P J"));
    QCOMPARE(w.MSK_CodigoNacional->EditMask(), mascaraCNPJ);
    QCOMPARE(w.MSK_CodigoNacional->Text(), QString());
    QCOMPARE(w.STT_CodigoNacional->text(), QStringLiteral(" C N P J"));
    QCOMPARE(w.STT_NomeFornecedor->text(), QStringLiteral(" Razão Social"));
    QCOMPARE(w.PNL_ValorTotal->text(), QStringLiteral("0,00 "));
    for (QLabel* vazio : {w.PNL_NomeFornecedor, w.PNL_AnoExercicioProcesso, w.PNL_NumeroProcesso,
                          w.PNL_DataProcesso, w.PNL_TipoApuracao, w.PNL_Modalidade, w.PNL_Sequencial,
                          w.PNL_Quantidade, w.LBL_NomeEntidade, w.LBL_NomeMunicipio, w.LBL_NumeroCNPJ})
        QVERIFY2(vazio->text().isEmpty(), qPrintable(vazio->objectName()));
    QVERIFY(w.RCH_Objeto->toPlainText().isEmpty());
    QVERIFY(w.RCH_Especificacao->toPlainText().isEmpty());
    QVERIFY(w.EDT_Marca->text().isEmpty());
    QVERIFY(w.MED_ValorUnitario->text().isEmpty());
    QCOMPARE(w.MED_ValorUnitario->Valor, QStringLiteral("0"));

    QVERIFY(w.BBT_Arquivo->isEnabled());
    QVERIFY(!w.BBT_Gravar->isEnabled());
    QVERIFY(!w.BBT_Relatorio->isEnabled());
    QVERIFY(!w.BBT_Encerrar->isEnabled());
    QVERIFY(!w.BBT_Limpar->isEnabled());
    QVERIFY(!w.SPB_Tutorial->isVisible());
    QVERIFY(!w.SPB_Tutorial->isEnabled());

    QVERIFY(w.PNL_Chave1->isEnabled());
    for (QWidget* filho : w.PNL_Chave1->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        QVERIFY2(!filho->isEnabled(), qPrintable(filho->objectName()));
    for (QWidget* painel : {w.PNL_Processo, w.PNL_ObjetoGeral, w.PNL_Lote, w.PNL_Grid, w.PNL_Item})
        QVERIFY2(!painel->isEnabled(), qPrintable(painel->objectName()));
    QVERIFY(w.PNL_Entidade->isEnabled());
    QVERIFY(w.PNL_Botoes->isEnabled());

    QVERIFY(!w.CDS_Processo->Active());
    QVERIFY(!w.CDS_Lote->Active());
    QCOMPARE(w.DST_Processo->rowCount(), 0);
    QCOMPARE(w.DST_Lote->rowCount(), 0);
    QVERIFY(!w.FLG_AcompanhaLote);
    QCOMPARE(w.focusWidget(), w.BBT_Arquivo);
}

}  // namespace

class TstJanelaPrincipal : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() {
        FormatSettings::setCurrent(FormatSettings::brazilian());
        QDir().mkpath(QStringLiteral(QUORIN_BINARY_DIR "/screenshots"));
    }

    void window() {
        Janela w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Velmora - Registro de Propostas"));
        QCOMPARE(w.size(), QSize(1009, 646));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(w.windowFlags() & Qt::WindowSystemMenuHint);
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(w.font().pixelSize(), 11);
        QVERIFY(!w.FLG_AcompanhaItem);
        QVERIFY(!w.FLG_AcompanhaLote);
        QVERIFY(!w.CDS_Processo->Active());
        QVERIFY(!w.CDS_Lote->Active());
        QCOMPARE(w.CDS_Processo->FieldCount(), 30);
        QCOMPARE(w.CDS_Lote->FieldCount(), 3);
    }

    void initialState() {
        Aberta a;
        QVERIFY(a.Pronta());
        Confere_SemProcesso(a.janela);
        QCOMPARE(QApplication::focusWidget(), a.janela.BBT_Arquivo);
        QVERIFY(a.janela.grab().save(QStringLiteral(QUORIN_BINARY_DIR "/screenshots/janela_principal.png")));
    }

    void geometry_data() {
        QTest::addColumn<QString>("nome");
        QTest::addColumn<QRect>("geometria");
        const struct {
            const char* nome;
            QRect geometria;
        } controles[] = {
            {"PNL_Entidade", {0, 0, 1009, 35}},
            {"PNL_Chave1", {0, 35, 1009, 46}},
            {"PNL_Processo", {0, 81, 1009, 43}},
            {"PNL_ObjetoGeral", {0, 124, 1009, 69}},
            {"PNL_Lote", {0, 193, 1009, 86}},
            {"PNL_Grid", {0, 279, 1009, 237}},
            {"PNL_Item", {0, 516, 1009, 95}},
            {"PNL_Botoes", {0, 611, 1009, 35}},
            {"LBL_NomeEntidade", {62, 2, 410, 14}},
            {"LBL_NomeMunicipio", {560, 2, 440, 14}},
            {"LBL_NumeroCNPJ", {470, 17, 100, 14}},
            {"STT_Identificacao", {5, 5, 80, 16}},
            {"CMB_Identificacao", {5, 20, 80, 21}},
            {"STT_CodigoNacional", {88, 5, 120, 16}},
            {"MSK_CodigoNacional", {88, 20, 120, 21}},
            {"STT_NomeFornecedor", {211, 5, 793, 16}},
            {"PNL_NomeFornecedor", {211, 20, 793, 21}},
            {"STT_AnoExercicioProcesso", {5, 5, 54, 15}},
            {"PNL_AnoExercicioProcesso", {5, 19, 54, 19}},
            {"STT_NumeroProcesso", {63, 5, 54, 15}},
            {"PNL_NumeroProcesso", {63, 19, 54, 19}},
            {"STT_DataProcesso", {121, 5, 76, 15}},
            {"PNL_DataProcesso", {121, 19, 76, 19}},
            {"STT_TipoApuracao", {201, 5, 295, 15}},
            {"PNL_TipoApuracao", {201, 19, 295, 19}},
            {"STT_Modalidade", {500, 5, 302, 15}},
            {"PNL_Modalidade", {500, 19, 302, 19}},
            {"STT_Sequencial", {806, 5, 64, 15}},
            {"PNL_Sequencial", {806, 19, 64, 19}},
            {"STT_Objeto", {5, 5, 999, 15}},
            {"PNL_Objeto", {5, 19, 999, 45}},
            {"RCH_Objeto", {1, 1, 997, 42}},
            {"DBG_Lote", {5, 5, 999, 76}},
            {"STT_Especificacao", {5, 5, 999, 15}},
            {"PNL_Especificacao", {5, 19, 999, 31}},
            {"RCH_Especificacao", {1, 1, 995, 28}},
            {"STT_Marca", {5, 54, 534, 16}},
            {"EDT_Marca", {5, 69, 534, 21}},
            {"STT_Quantidade", {543, 54, 120, 16}},
            {"PNL_Quantidade", {543, 69, 120, 21}},
            {"STT_ValorUnitario", {667, 54, 120, 16}},
            {"MED_ValorUnitario", {667, 69, 120, 21}},
            {"BBT_Gravar", {797, 65, 75, 25}},
            {"STT_ValorTotal", {884, 54, 120, 16}},
            {"PNL_ValorTotal", {884, 69, 120, 21}},
            {"BBT_Limpar", {5, 5, 110, 25}},
            {"BBT_Arquivo", {120, 5, 110, 25}},
            {"BBT_Relatorio", {235, 5, 110, 25}},
            {"BBT_Encerrar", {350, 5, 110, 25}},
            {"SPB_Tutorial", {894, 5, 110, 25}},
        };
        for (const auto& c : controles)
            QTest::newRow(c.nome) << QString::fromLatin1(c.nome) << c.geometria;
    }
    void geometry() {
        QFETCH(QString, nome);
        QFETCH(QRect, geometria);
        Aberta a;
        auto* controle = a.janela.findChild<QWidget*>(nome);
        QVERIFY(controle);
        QCOMPARE(controle->geometry(), geometria);
    }

    void captionsAndFonts_data() {
        QTest::addColumn<QString>("nome");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<bool>("negrito");
        QTest::addColumn<QColor>("cor");
        const QColor navy(0, 0, 128), maroon(128, 0, 0);
        QTest::newRow("LBL_Entidade") << "LBL_Entidade"
                                      << "Entidade:" << 12 << false << maroon;
        QTest::newRow("LBL_Municipio") << "LBL_Municipio"
                                       << "Município:" << 12 << false << maroon;
        QTest::newRow("LBL_CNPJ") << "LBL_CNPJ"
                                  << "CNPJ:" << 11 << false << maroon;
        QTest::newRow("LBL_NomeEntidade") << "LBL_NomeEntidade"
                                          << "" << 12 << true << maroon;
        QTest::newRow("STT_Identificacao") << "STT_Identificacao"
                                           << " Identificação" << 11 << false << navy;
        QTest::newRow("STT_AnoExercicioProcesso") << "STT_AnoExercicioProcesso"
                                                  << " Exercício" << 11 << false << navy;
        QTest::newRow("STT_TipoApuracao") << "STT_TipoApuracao"
                                          << " Tipo de Apuração" << 11 << false << navy;
        QTest::newRow("STT_Sequencial") << "STT_Sequencial"
                                        << " Sequencial" << 11 << false << navy;
        QTest::newRow("PNL_Sequencial") << "PNL_Sequencial"
                                        << "" << 11 << true << navy;
        QTest::newRow("PNL_NomeFornecedor") << "PNL_NomeFornecedor"
                                            << "" << 11 << true << navy;
        QTest::newRow("STT_Objeto") << "STT_Objeto"
                                    << " Objeto" << 11 << false << navy;
        QTest::newRow("STT_Especificacao") << "STT_Especificacao"
                                           << " Especificação" << 11 << false << navy;
        QTest::newRow("STT_ValorUnitario") << "STT_ValorUnitario"
                                           << " Valor Unitário" << 11 << false << navy;
        QTest::newRow("PNL_ValorTotal") << "PNL_ValorTotal"
                                        << "0,00 " << 11 << true << QColor(Qt::black);
    }
    void captionsAndFonts() {
        QFETCH(QString, nome);
        QFETCH(QString, texto);
        QFETCH(int, pixels);
        QFETCH(bool, negrito);
        QFETCH(QColor, cor);
        Aberta a;
        auto* rotulo = a.janela.findChild<QLabel*>(nome);
        QVERIFY(rotulo);
        QCOMPARE(rotulo->text(), texto);
        QCOMPARE(rotulo->font().pixelSize(), pixels);
        QCOMPARE(rotulo->font().bold(), negrito);
        QCOMPARE(rotulo->palette().color(QPalette::Active, QPalette::WindowText), cor);
    }

    void valueAlignments() {
        Janela w;
        QCOMPARE(w.PNL_AnoExercicioProcesso->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QCOMPARE(w.PNL_TipoApuracao->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
        QCOMPARE(w.PNL_Sequencial->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QCOMPARE(w.PNL_NomeFornecedor->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
        QCOMPARE(w.PNL_Quantidade->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        QCOMPARE(w.PNL_ValorTotal->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        QCOMPARE(w.MED_ValorUnitario->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        QCOMPARE(w.MED_ValorUnitario->Mascara(), QStringLiteral("###,###,###,###0.0000;0"));
        QCOMPARE(w.EDT_Marca->maxLength(), 100);
        QVERIFY(w.RCH_Objeto->isReadOnly());
        QVERIFY(w.RCH_Especificacao->isReadOnly());
        QVERIFY(!(w.RCH_Objeto->focusPolicy() & Qt::TabFocus));
        QCOMPARE(w.BBT_Arquivo->text(), QStringLiteral("Abrir Processo"));
        QCOMPARE(w.BBT_Relatorio->text(), QStringLiteral("Relatorio"));
        QCOMPARE(w.BBT_Encerrar->iconSize(), QSize(18, 19));
        QCOMPARE(w.SPB_Tutorial->text(), QStringLiteral("F1 - Tutorial"));
        QCOMPARE(w.SPB_Tutorial->focusPolicy(), Qt::NoFocus);
    }

    void gridColumns() {
        Janela w;
        const auto titulos = [](TDataSetGridModel* m) {
            QStringList t;
            for (const TGridColumn& c : m->Columns())
                t << c.FieldName + u'|' + c.Title + u'|' + QString::number(c.Width);
            return t;
        };
        QCOMPARE(titulos(w.DST_Lote), (QStringList{"NRO_LOTE|Número|55", "DES_LOTE|Descrição|821",
                                                   "vlr_lance|Valor do Lance|100"}));
        QCOMPARE(titulos(w.DST_Processo),
                 (QStringList{"nro_item|Item|39", "cod_produto|Código|41", "des_produto|Descrição|512",
                              "des_unidademedida|Unidade Medida|90", "qtd_produto|Quantidade|90",
                              "vlr_realinhamento|Valor Unitário|100", "vlr_total|Valor Total|100"}));
        QCOMPARE(w.DST_Lote->Columns()[0].TitleAlignment, Qt::AlignHCenter);
        QCOMPARE(w.DST_Processo->Columns()[2].TitleAlignment, Qt::AlignLeft);
        QCOMPARE(w.DST_Processo->Columns()[6].TitleAlignment, Qt::AlignRight);
        QCOMPARE(w.DBG_Lote->DataSource()->DataSet(), w.CDS_Lote);
        QCOMPARE(w.DBG_Item->DataSource()->DataSet(), w.CDS_Processo);
        QCOMPARE(w.DBG_Item->columnWidth(2), 512);
    }

    void tabOrder() {
        Janela w;
        QList<QWidget*> ordem;
        QWidget* atual = w.CMB_Identificacao;
        do {
            if ((atual->focusPolicy() & Qt::TabFocus) && atual->window() == &w && atual != &w)
                ordem << atual;
            atual = atual->nextInFocusChain();
        } while (atual != w.CMB_Identificacao);
        const QList<QWidget*> esperada{w.CMB_Identificacao, w.MSK_CodigoNacional, w.DBG_Lote,   w.DBG_Item,
                                       w.EDT_Marca,         w.MED_ValorUnitario,  w.BBT_Gravar, w.BBT_Arquivo,
                                       w.BBT_Relatorio,     w.BBT_Encerrar,       w.BBT_Limpar};
        // Grids keep Tab for moving between their cells, so only the chain is compared.
        QCOMPARE(ordem, esperada);
    }

    void identificationSwitch() {
        Aberta a;
        Janela& w = a.janela;
        QVERIFY(a.Pronta());
        w.Habilita_Painel(w.PNL_Chave1, true);
        w.CMB_Identificacao->setFocus();
        QTest::keyClick(w.CMB_Identificacao, Qt::Key_Up);
        QCOMPARE(w.CMB_Identificacao->currentIndex(), 0);
        QCOMPARE(w.STT_CodigoNacional->text(), QStringLiteral(" C P F"));
        QCOMPARE(w.STT_NomeFornecedor->text(), QStringLiteral(" Nome"));
        QCOMPARE(w.MSK_CodigoNacional->EditMask(), mascaraCPF);

        w.MSK_CodigoNacional->setFocus();
        w.MSK_CodigoNacional->setCursorPosition(0);
        QTest::keyClicks(w.MSK_CodigoNacional, QStringLiteral("123456789012"));
        QCOMPARE(w.MSK_CodigoNacional->Text(), QStringLiteral("12345678901"));
        QCOMPARE(w.MSK_CodigoNacional->displayText(), QStringLiteral("123.456.789-01"));

        // Back to CNPJ: the digits stay, under the new mask. The kind is switched
        // from the code, since leaving the field would look the number up.
        w.CMB_Identificacao->setCurrentIndex(1);
        w.CMB_IdentificacaoClick();
        QCOMPARE(w.STT_CodigoNacional->text(), QStringLiteral(" C N P J"));
        QCOMPARE(w.STT_NomeFornecedor->text(), QStringLiteral(" Razão Social"));
        QCOMPARE(w.MSK_CodigoNacional->Text(), QStringLiteral("12345678901"));
        QCOMPARE(w.MSK_CodigoNacional->displayText(), QStringLiteral("12.345.678/901 -  "));
    }

    // Everything the workflow changes goes back to the no-process state, except the
    // item gate, which the reset leaves alone.
    void resetAfterChanges() {
        Aberta a;
        Janela& w = a.janela;
        QVERIFY(a.Pronta());
        for (QWidget* painel :
             {w.PNL_Chave1, w.PNL_Processo, w.PNL_ObjetoGeral, w.PNL_Lote, w.PNL_Grid, w.PNL_Item})
            w.Habilita_Painel(painel, true);
        w.CMB_Identificacao->setCurrentIndex(0);
        w.CMB_IdentificacaoClick();
        w.MSK_CodigoNacional->SetText(QStringLiteral("12345678901"));
        for (QLabel* valor :
             {w.PNL_NomeFornecedor, w.PNL_AnoExercicioProcesso, w.PNL_NumeroProcesso, w.PNL_DataProcesso,
              w.PNL_TipoApuracao, w.PNL_Modalidade, w.PNL_Sequencial, w.PNL_Quantidade, w.PNL_ValorTotal,
              w.LBL_NomeEntidade, w.LBL_NomeMunicipio, w.LBL_NumeroCNPJ})
            valor->setText(QStringLiteral("x"));
        w.RCH_Objeto->setPlainText(QStringLiteral(" Objeto"));
        w.RCH_Especificacao->setPlainText(QStringLiteral("Especificação"));
        w.EDT_Marca->setText(QStringLiteral("Marca"));
        w.MED_ValorUnitario->setText(QStringLiteral("12,5"));
        for (QPushButton* b : {w.BBT_Gravar, w.BBT_Relatorio, w.BBT_Encerrar, w.BBT_Limpar})
            b->setEnabled(true);
        w.BBT_Arquivo->setEnabled(false);
        w.CDS_Processo->CreateDataSet();
        Linha_Processo(*w.CDS_Processo, 1, 1, QStringLiteral("Papel"), 3, 12.5);
        w.CDS_Lote->CreateDataSet();
        Linha_Lote(*w.CDS_Lote, 1, QStringLiteral("Papelaria"), 37.5);
        w.FLG_AcompanhaLote = true;
        w.FLG_AcompanhaItem = true;
        QCOMPARE(w.DST_Lote->rowCount(), 1);

        QTest::mouseClick(w.BBT_Limpar, Qt::LeftButton);
        Confere_SemProcesso(w);
        QVERIFY(w.FLG_AcompanhaItem);
    }

    void limparAfterLeavingChave1() {
        Aberta a;
        Janela& w = a.janela;
        QVERIFY(a.Pronta());
        w.Habilita_Painel(w.PNL_Chave1, true);
        w.CMB_Identificacao->setFocus();
        QCOMPARE(QApplication::focusWidget(), w.CMB_Identificacao);
        QVERIFY(!w.BBT_Limpar->isEnabled());
        // Moving inside the panel is no exit.
        QTest::keyClick(w.CMB_Identificacao, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w.MSK_CodigoNacional);
        QVERIFY(!w.BBT_Limpar->isEnabled());
        w.BBT_Arquivo->setFocus();
        QVERIFY(w.BBT_Limpar->isEnabled());
    }

    // An exit handler that shows a real message and sends the focus back: the
    // exit runs once and the focus never left the panel.
    void exitHandlerKeepingTheFocus() {
        Aberta a;
        Janela& w = a.janela;
        QVERIFY(a.Pronta());
        w.MensagemSeam = nullptr;
        w.Habilita_Painel(w.PNL_Chave1, true);
        int saidas = 0;
        w.AoSair(w.MSK_CodigoNacional, [&] {
            ++saidas;
            QTimer::singleShot(0, [] {
                if (auto* d = qobject_cast<TFRM_Mensagem1*>(QApplication::activeModalWidget()))
                    d->BBT_Ok->click();
            });
            w.Exibe_Mensagem(QStringLiteral("O C N P J informado não foi encontrado no arquivo."), false,
                             QStringLiteral("ADV"));
            w.MSK_CodigoNacional->setFocus();
        });
        w.MSK_CodigoNacional->setFocus();
        QCOMPARE(QApplication::focusWidget(), w.MSK_CodigoNacional);
        w.BBT_Arquivo->setFocus();
        QCOMPARE(w.focusWidget(), w.MSK_CodigoNacional);
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(QApplication::focusWidget(), w.MSK_CodigoNacional);
        QCOMPARE(saidas, 1);
        QVERIFY(!w.BBT_Limpar->isEnabled());
    }

    // An exit handler that moves the focus on to another panel: each exit and enter
    // runs once.
    void exitHandlerMovingTheFocus() {
        Aberta a;
        Janela& w = a.janela;
        QVERIFY(a.Pronta());
        w.Habilita_Painel(w.PNL_Chave1, true);
        w.Habilita_Painel(w.PNL_Lote, true);
        int saidas = 0, entradas = 0;
        w.AoSair(w.MSK_CodigoNacional, [&] {
            ++saidas;
            w.DBG_Lote->setFocus();
        });
        w.AoEntrar(w.DBG_Lote, [&] { ++entradas; });
        w.MSK_CodigoNacional->setFocus();
        w.BBT_Arquivo->setFocus();
        QCOMPARE(QApplication::focusWidget(), w.DBG_Lote);
        QCOMPARE(saidas, 1);
        QCOMPARE(entradas, 1);
        QVERIFY(w.BBT_Limpar->isEnabled());
    }

    void gridHeightFollowsItsPanel() {
        Aberta a;
        Janela& w = a.janela;
        QVERIFY(a.Pronta());
        QCOMPARE(w.DBG_Item->height(), w.PNL_Grid->height() - 10);
        w.PNL_Grid->resize(w.PNL_Grid->width(), 300);
        QCOMPARE(w.DBG_Item->height(), 290);
        QCOMPARE(w.DBG_Item->width(), 999);
        QCOMPARE(w.DBG_Item->pos(), QPoint(5, 5));
    }

    void closingDiscardsWithoutAsking() {
        Aberta a;
        Janela& w = a.janela;
        QVERIFY(a.Pronta());
        bool perguntou = false;
        w.MensagemSeam = [&](const QString&, bool, const QString&) { return perguntou = true; };
        w.CDS_Processo->CreateDataSet();
        Linha_Processo(*w.CDS_Processo, 1, 1, QStringLiteral("Papel"), 3, 12.5);
        w.CDS_Lote->CreateDataSet();
        QVERIFY(w.close());
        QVERIFY(!w.CDS_Processo->Active());
        QVERIFY(!w.CDS_Lote->Active());
        QVERIFY(!perguntou);
    }

    void openDialogSeam() {
        Janela w;
        QTemporaryDir pasta;
        QVERIFY(pasta.isValid());
        const QString antes = QDir::currentPath();
        w.OPG_Arquivo->Responder = [](TOpenDialog&) { return false; };
        QVERIFY(!w.OPG_Arquivo->Execute());
        QCOMPARE(QDir::currentPath(), antes);
        const QString arquivo = pasta.filePath(QStringLiteral("PL_000001_2010.KPZ"));
        w.OPG_Arquivo->Responder = [&](TOpenDialog& d) {
            d.FileName = arquivo;
            return true;
        };
        QVERIFY(w.OPG_Arquivo->Execute());
        QCOMPARE(w.OPG_Arquivo->FileName, arquivo);
        QCOMPARE(QDir::current().canonicalPath(), QDir(pasta.path()).canonicalPath());
        QDir::setCurrent(antes);
        QCOMPARE(w.OPG_Arquivo->DefaultExt, QStringLiteral("*.KPZ"));
        QVERIFY(w.OPG_Arquivo->Filter.isEmpty());
    }

    // A screenshot with the grids filled, so the columns and formats can be seen.
    void screenshotWithData() {
        Aberta a;
        Janela& w = a.janela;
        QVERIFY(a.Pronta());
        for (QWidget* painel :
             {w.PNL_Chave1, w.PNL_Processo, w.PNL_ObjetoGeral, w.PNL_Lote, w.PNL_Grid, w.PNL_Item})
            w.Habilita_Painel(painel, true);
        w.LBL_NomeEntidade->setText(QStringLiteral("Prefeitura Municipal"));
        w.LBL_NomeMunicipio->setText(QStringLiteral("Vila Serena"));
        w.PNL_NomeFornecedor->setText(QStringLiteral(" Papelaria Central Ltda"));
        w.PNL_AnoExercicioProcesso->setText(QStringLiteral("2009"));
        w.PNL_NumeroProcesso->setText(QStringLiteral("001269"));
        w.PNL_DataProcesso->setText(QStringLiteral("15/03/2009"));
        w.PNL_TipoApuracao->setText(QStringLiteral(" Menor Preço por Lote"));
        w.PNL_Modalidade->setText(QStringLiteral(" Pregão Presencial"));
        w.PNL_Sequencial->setText(QStringLiteral(" 000007"));
        w.RCH_Objeto->setPlainText(QStringLiteral(" Aquisição de material de expediente e de limpeza."));
        w.MSK_CodigoNacional->SetText(QStringLiteral("12345678000199"));
        w.CDS_Lote->CreateDataSet();
        Linha_Lote(*w.CDS_Lote, 1, QStringLiteral("Material de expediente"), 1234.5);
        Linha_Lote(*w.CDS_Lote, 2, QStringLiteral("Material de limpeza"), 980);
        Linha_Lote(*w.CDS_Lote, 3, QStringLiteral("Informática"), 15000);
        w.CDS_Lote->First();
        w.CDS_Processo->CreateDataSet();
        Linha_Processo(*w.CDS_Processo, 1, 1, QStringLiteral("Papel alcalino A4, 75 g/m²"), 120, 21.5);
        Linha_Processo(*w.CDS_Processo, 1, 2, QStringLiteral("Caneta esferográfica azul"), 500, 0);
        Linha_Processo(*w.CDS_Processo, 1, 3, QStringLiteral("Grampeador de mesa"), 12.5, 0);
        Linha_Processo(*w.CDS_Processo, 2, 1, QStringLiteral("Detergente neutro 500 ml"), 48, 0);
        w.CDS_Processo->First();
        w.PNL_ValorTotal->setText(QStringLiteral("2.580,00 "));
        QCOMPARE(w.DST_Processo->data(w.DST_Processo->index(0, 5)).toString(), QStringLiteral("21,5000"));
        QCOMPARE(w.DST_Processo->data(w.DST_Processo->index(0, 4)).toString(), QStringLiteral("120"));
        QCOMPARE(w.DST_Lote->data(w.DST_Lote->index(2, 0)).toString(), QStringLiteral("0003"));
        QVERIFY(w.grab().save(QStringLiteral(QUORIN_BINARY_DIR "/screenshots/janela_principal_dados.png")));
    }
};

QTEST_MAIN(TstJanelaPrincipal)
#include "tst_janela_principal.moc"
