#pragma once

#include <QDialog>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;
class QScrollArea;

namespace quorin {

/// The program's own modal message window: an icon and a caption chosen by a
/// three-letter kind code ("CON", "ERR", "INF", "ADV"), the message in red, an Ok
/// button and, on request, a Cancelar button. Closed with Ok the modal result is
/// mrOk (1); Cancelar and the close box give mrCancel (2).
class TFRM_Mensagem1 : public QDialog {
    Q_OBJECT
  public:
    static constexpr int mrOk = 1;
    static constexpr int mrCancel = 2;

    explicit TFRM_Mensagem1(QWidget* owner = nullptr);
    ~TFRM_Mensagem1() override;

    QString TipoMensagem;
    bool ExibeCancelar = false;

    QLabel* LBL_Mensagem;
    QLabel* IMG_Confirmacao;
    QLabel* IMG_Informacao;
    QLabel* IMG_Erro;
    QLabel* IMG_Advertencia;
    QFrame* PNL_Botoes;
    QPushButton* BBT_Cancelar;
    QPushButton* BBT_Ok;
    /// Holds LBL_Mensagem when the text is taller than the screen lets the window grow.
    QScrollArea* SCR_Mensagem = nullptr;

    void FormShow();

    void reject() override;

  private:
    void Ajusta_Tamanho();

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

/// Exported like every window of the program; the message operation creates a
/// fresh window per call and does not use it.
extern TFRM_Mensagem1* FRM_Mensagem1;

}  // namespace quorin
