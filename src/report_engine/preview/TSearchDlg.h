#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quorin {

/// The modal search dialog of the preview: the text to look for and whether
/// case counts. Cancelar marks it cancelled, Procurar not; both close it.
class TSearchDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TSearchDlg(QWidget* parent = nullptr);

    QString GetText() const;
    bool GetCase() const;

    QLabel* Label1;
    QLineEdit* Edit1;
    QCheckBox* CheckBox1;
    QPushButton* CancelButton;
    QPushButton* SearchButton;
    bool Cancelled = true;
};

}  // namespace quorin
