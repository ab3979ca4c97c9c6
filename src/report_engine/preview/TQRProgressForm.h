#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace quorin {

class TQRPrinter;

/// The small window that shows the progress of a report printed directly and
/// lets the user cancel it. It receives the printer's progress notices.
class TQRProgressForm : public QDialog {
    Q_OBJECT
  public:
    explicit TQRProgressForm(QWidget* parent = nullptr);

    /// The printer whose progress is shown and which Cancel stops.
    TQRPrinter* QRPrinter = nullptr;

    QProgressBar* Gauge;
    QLabel* Info;
    QPushButton* CancelButton;

    void CancelButtonClick();

  protected:
    bool event(QEvent* event) override;

  private:
    void CMQRProgressUpdate();
    bool updating_ = false;
};

}  // namespace quorin
