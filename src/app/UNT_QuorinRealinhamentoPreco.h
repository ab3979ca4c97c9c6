#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QToolButton;

namespace quorin {

class TDBGrid;
class TDataSetGridModel;
class TMaskEdit;
class TMemoEdit;
class TMemoryDataSet;
class TOpenDialog;
class TRascunhoJanela;
class TDistribuicaoJanela;
struct TGridDrawCell;

/// The program's one main window: the supplier's identification, the process
/// header, the lot and item grids over CDS_Lote and CDS_Processo, the item panel
/// with the brand and unit-price fields, and the command buttons. It owns its
/// controls, both data sets and the open-file dialog for the whole run.
class TFRM_QuorinRealinhamentoPreco : public QWidget {
    Q_OBJECT
  public:
    explicit TFRM_QuorinRealinhamentoPreco(QWidget* parent = nullptr);
    ~TFRM_QuorinRealinhamentoPreco() override;

    // ---- PNL_Entidade
    QFrame* PNL_Entidade;
    QLabel* LBL_Entidade;
    QLabel* LBL_NomeEntidade;
    QLabel* LBL_Municipio;
    QLabel* LBL_NomeMunicipio;
    QLabel* LBL_CNPJ;
    QLabel* LBL_NumeroCNPJ;
    // ---- PNL_Chave1
    QFrame* PNL_Chave1;
    QLabel* STT_Identificacao;
    QComboBox* CMB_Identificacao;
    QLabel* STT_CodigoNacional;
    TMaskEdit* MSK_CodigoNacional;
    QLabel* STT_NomeFornecedor;
    QLabel* PNL_NomeFornecedor;
    // ---- PNL_Processo
    QFrame* PNL_Processo;
    QLabel* STT_NumeroProcesso;
    QLabel* PNL_NumeroProcesso;
    QLabel* STT_AnoExercicioProcesso;
    QLabel* PNL_AnoExercicioProcesso;
    QLabel* STT_DataProcesso;
    QLabel* PNL_DataProcesso;
    QLabel* STT_TipoApuracao;
    QLabel* PNL_TipoApuracao;
    QLabel* STT_Modalidade;
    QLabel* PNL_Modalidade;
    QLabel* PNL_Sequencial;
    QLabel* STT_Sequencial;
    // ---- PNL_ObjetoGeral
    QFrame* PNL_ObjetoGeral;
    QFrame* PNL_Objeto;
    QTextEdit* RCH_Objeto;
    QLabel* STT_Objeto;
    // ---- PNL_Lote, PNL_Grid
    QFrame* PNL_Lote;
    TDBGrid* DBG_Lote;
    QFrame* PNL_Grid;
    TDBGrid* DBG_Item;
    // ---- PNL_Item
    QFrame* PNL_Item;
    QLineEdit* EDT_Marca;
    TMemoEdit* MED_ValorUnitario;
    QPushButton* BBT_Gravar;
    QLabel* STT_Quantidade;
    QLabel* STT_ValorUnitario;
    QLabel* STT_Marca;
    QLabel* STT_Especificacao;
    QFrame* PNL_Especificacao;
    QTextEdit* RCH_Especificacao;
    QLabel* PNL_Quantidade;
    QLabel* STT_ValorTotal;
    QLabel* PNL_ValorTotal;
    // ---- PNL_Botoes
    QFrame* PNL_Botoes;
    QPushButton* BBT_Arquivo;
    QPushButton* BBT_Relatorio;
    QPushButton* BBT_Encerrar;
    QPushButton* BBT_Limpar;
    QToolButton* SPB_Tutorial;

    // ---- non-visual parts
    TMemoryDataSet* CDS_Processo;
    TMemoryDataSet* CDS_Lote;
    TDataSetGridModel* DST_Processo;
    TDataSetGridModel* DST_Lote;
    TOpenDialog* OPG_Arquivo;
    /// Distributing a lot's bid over its items: context menu of both grids.
    TDistribuicaoJanela* Distribuicao_ = nullptr;

    /// While true, every move of the CDS_Processo cursor refills the item panel.
    bool FLG_AcompanhaItem = false;
    /// While true, every move of the CDS_Lote cursor re-filters the items to that lot.
    bool FLG_AcompanhaLote = false;

    /// Replaces the message window (tests): receives text, show-cancel flag and kind
    /// code, answers as Ok (true) or Cancel (false).
    std::function<bool(const QString& texto, bool exibeCancelar, const QString& tipo)> MensagemSeam;

    /// Runs the handler whenever the focus enters (leaves) the control or a control
    /// inside it, in the sense of this window: activating another window, or a modal
    /// message, is no leaving. Replaces the handler the control had.
    void AoEntrar(QWidget* controle, std::function<void()> handler);
    void AoSair(QWidget* controle, std::function<void()> handler);

    // ---- operations
    bool Exibe_Mensagem(const QString& texto, bool exibeCancelar, const QString& tipo);
    void Habilita_Painel(QWidget* painel, bool habilitado);
    /// The total of the visible items in PNL_ValorTotal; BBT_Relatorio enabled when above 0.
    void Atualiza_TotalLote();
    /// Fills the item panel from the current row, while FLG_AcompanhaItem is set.
    void Exibe_Item(TMemoryDataSet* dataSet);

    // ---- event handlers
    void FormShow();
    void FormClose();
    void PNL_Chave1Exit();
    void PNL_GridResize();
    void BBT_LimparClick();
    void SPB_TutorialClick();
    void CMB_IdentificacaoClick();
    void MSK_CodigoNacionalExit();
    void BBT_ArquivoClick();
    void DBG_LoteDrawColumnCell(TDBGrid& grid, const TGridDrawCell& cell);
    void DBG_LoteEnter();
    void DBG_LoteExit();
    void DBG_LoteKeyDown(int& key, Qt::KeyboardModifiers shift);
    void DBG_ItemDrawColumnCell(TDBGrid& grid, const TGridDrawCell& cell);
    void DBG_ItemEnter();
    void DBG_ItemExit();
    void DBG_ItemKeyDown(int& key, Qt::KeyboardModifiers shift);
    void CDS_ProcessoAfterScroll(TMemoryDataSet* dataSet);
    void CDS_LoteAfterScroll(TMemoryDataSet* dataSet);
    void BBT_GravarClick();
    void BBT_RelatorioClick();
    void BBT_EncerrarClick();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    friend class TDistribuicaoJanela;  // records through the draft like "Gravar"
    void Filtra_LoteAtual();
    /// Opening freezes both grids until the supplier is identified. An opening (or
    /// a reset) while an earlier one still waits must not freeze them a second
    /// time, or one identification would no longer release them.
    void Suspende_Grades();
    void Libera_Grades();
    bool FLG_GradesSuspensas = false;

    /// The draft of the typed prices (journal in the user's data folder).
    std::unique_ptr<TRascunhoJanela> Rascunho_;

    void Cria_Controles();
    void Ajusta_Paineis();
    void Define_OrdemTab();
    void Foco_Mudou(QWidget* agora);
    bool Foco_Interrompido(int geracao);

    // Enter and exit in the sense of the window: the control that last took the
    // focus inside this window, and the handlers run when the focus enters or
    // leaves a control (or a panel around it). Activating other windows does not
    // count as leaving.
    QPointer<QWidget> focoAtual_;
    QPointer<QWidget> destinoFoco_;
    int geracaoFoco_ = 0;
    QHash<QWidget*, std::function<void()>> aoEntrar_;
    QHash<QWidget*, std::function<void()>> aoSair_;
};

/// The main window of the running program (set by the program entry).
extern TFRM_QuorinRealinhamentoPreco* FRM_QuorinRealinhamentoPreco;

}  // namespace quorin
