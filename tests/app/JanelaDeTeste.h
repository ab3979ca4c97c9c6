#pragma once

// The main window driven as a supplier drives it, shared by the window tests.
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QList>
#include <QPushButton>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include "app/OpenDialog.h"
#include "app/UNT_QuorinRealinhamentoPreco.h"
#include "controls/DBGrid.h"
#include "controls/MaskEdit.h"
#include "controls/Memoedit.h"
#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"

namespace quorin::teste {

struct Mensagem {
    QString texto;
    bool cancelar;
    QString tipo;
};

// A folder of the test's own; as a base listed before the window, it outlives it.
struct PastaDeTeste {
    QTemporaryDir pasta;
};

// The window shown and active; the open dialog answered with a path, the document
// typed into the masked edit, brand and price typed and "Gravar" clicked; every
// message the window shows recorded and answered with `resposta`.
struct TJanelaDeTeste {
    TFRM_QuorinRealinhamentoPreco w;
    QList<Mensagem> mensagens;
    bool resposta = true;

    TJanelaDeTeste() {
        w.MensagemSeam = [this](const QString& texto, bool cancelar, const QString& tipo) {
            mensagens << Mensagem{texto, cancelar, tipo};
            return resposta;
        };
        w.show();
        w.activateWindow();
    }

    bool Pronta() { return QTest::qWaitForWindowActive(&w); }

    void Abre(const QString& caminho) {
        w.OPG_Arquivo->Responder = [caminho](TOpenDialog& d) {
            d.FileName = caminho;
            return true;
        };
        QTest::mouseClick(w.BBT_Arquivo, Qt::LeftButton);
    }

    // Types the document and leaves the field.
    void Identifica(const QString& documento) {
        w.MSK_CodigoNacional->setFocus();
        w.MSK_CodigoNacional->setCursorPosition(0);
        QTest::keyClicks(w.MSK_CodigoNacional, documento);
        w.CMB_Identificacao->setFocus();
    }

    // Brand, price, Gravar, for the item the panel shows.
    void Grava(const QString& marca, const QString& preco) {
        w.EDT_Marca->setFocus();
        w.EDT_Marca->setText(marca);
        w.MED_ValorUnitario->setFocus();
        w.MED_ValorUnitario->selectAll();
        QTest::keyClicks(w.MED_ValorUnitario, preco);
        QTest::mouseClick(w.BBT_Gravar, Qt::LeftButton);
    }

    int Item() const { return w.CDS_Processo->FieldByName(QStringLiteral("nro_item"))->AsInteger(); }
};

// A process file of one lot of two items (quantity 2, bid `lance`), item n of the
// supplier documentos[n-1].
inline void EscreveProcesso(const QString& caminho, const QStringList& documentos, double lance = 10) {
    TMemoryDataSet ds;
    ProposalSchema::DeclareProcesso(ds);
    ds.CreateDataSet();
    for (int item = 1; item <= 2; ++item) {
        ds.Append();
        ds.FieldByName(QStringLiteral("nro_lote"))->SetAsInteger(1);
        ds.FieldByName(QStringLiteral("nro_item"))->SetAsInteger(item);
        ds.FieldByName(QStringLiteral("qtd_produto"))->SetAsFloat(2);
        ds.FieldByName(QStringLiteral("vlr_lance"))->SetAsFloat(lance);
        ds.FieldByName(QStringLiteral("ano_exercicio"))->SetAsInteger(2026);
        ds.FieldByName(QStringLiteral("nro_processo"))->SetAsInteger(7);
        ds.FieldByName(QStringLiteral("nro_documento"))->SetAsString(documentos[item - 1]);
        ds.FieldByName(QStringLiteral("flg_encerrado"))->SetAsString(QStringLiteral("0"));
        ds.Post();
    }
    QFile::remove(caminho);
    ds.SaveToFile(caminho);
}

}  // namespace quorin::teste
