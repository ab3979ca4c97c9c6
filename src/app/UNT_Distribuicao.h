#pragma once

#include <QDialog>
#include <QObject>
#include <vector>

#include "domain/Distribuicao.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace quorin {

class TFRM_QuorinRealinhamentoPreco;

/// The dialog that distributes the bid of one lot, or of every lot, over its items:
/// per lot the bid, the current sum and the difference; per item the quantity, the
/// reference price, the new price, the new total and the change. The prices come
/// from the domain rule (Distribuicao) for the chosen decimals and reference; the
/// dialog records nothing itself: Ok answers Accepted and the main window records
/// the exact lots.
class TFRM_Distribuicao : public QDialog {
    Q_OBJECT
  public:
    TFRM_Distribuicao(std::vector<Distribuicao::LoteProcesso> lotes, QWidget* parent = nullptr);

    QComboBox* CMB_Casas;
    QComboBox* CMB_Referencia;
    QLineEdit* EDT_Arquivo;
    QPushButton* BBT_Escolher;
    QTableWidget* TBL_Lotes;
    QTableWidget* TBL_Itens;
    QLabel* LBL_Situacao;
    QPushButton* BBT_Ok;
    QPushButton* BBT_Cancelar;

    const std::vector<Distribuicao::LoteProcesso>& Lotes() const { return lotes_; }
    const std::vector<Distribuicao::Resultado>& Resultados() const { return resultados_; }
    /// The prices file in force, or nullptr for the typed prices.
    const Distribuicao::TabelaPrecos* Tabela() const { return usaArquivo_ ? &tabela_ : nullptr; }
    int Casas() const;

    /// Recomputes every lot for the current choices (run by every change of them).
    void Recalcula();

  private:
    void LeArquivo();
    void MostraLote(int indice);

    std::vector<Distribuicao::LoteProcesso> lotes_;
    std::vector<Distribuicao::Resultado> resultados_;
    Distribuicao::TabelaPrecos tabela_;
    bool usaArquivo_ = false;
    QString erroArquivo_;
};

/// Hooks the distribution into the main window: the two commands in the context
/// menu of the lot and item grids, with their shortcuts, and the recording of the
/// prices the dialog accepted through the same rule as "Gravar".
class TDistribuicaoJanela : public QObject {
    Q_OBJECT
  public:
    explicit TDistribuicaoJanela(TFRM_QuorinRealinhamentoPreco& janela);

    QAction* ACT_DistribuirLote;
    QAction* ACT_DistribuirTodos;

    /// The current lot (todos false) or every lot: the dialog, then the recording.
    void Distribui(bool todos);

  private:
    void Grava(const TFRM_Distribuicao& dialogo);

    TFRM_QuorinRealinhamentoPreco& w_;
    bool abertaEncerrada_ = false;  ///< the file was opened already closed
};

namespace MensagensDistribuicao {
QString PropostaEncerrada();
QString SemIdentificacao();
}  // namespace MensagensDistribuicao

}  // namespace quorin
