#pragma once

#include <QDialog>
#include <QString>

class QFrame;
class QPushButton;
class QTextEdit;

namespace quorin {

/// The fixed, read-only help window with the step-by-step operating guide.
class TFRM_Tutorial : public QDialog {
    Q_OBJECT
  public:
    explicit TFRM_Tutorial(QWidget* owner = nullptr);
    ~TFRM_Tutorial() override;

    /// The guide exactly as the window shows it (60 lines, ending with a line break).
    static QString Texto();

    QFrame* PNL_Tutorial;
    QTextEdit* RCH_Tutorial;
    QFrame* PNL_Botoes;
    QPushButton* BBT_Fechar;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

/// The instance that the main window's tutorial button creates for one showing.
extern TFRM_Tutorial* FRM_Tutorial;

}  // namespace quorin
