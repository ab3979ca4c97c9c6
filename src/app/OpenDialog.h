#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QFileDialog;
class QWidget;

namespace quorin {

/// The open-file dialog of the main window. Execute shows it (or asks the test
/// seam Responder instead); when a file is chosen, FileName holds its path and the
/// process's working directory becomes that file's folder.
class TOpenDialog : public QObject {
    Q_OBJECT
  public:
    explicit TOpenDialog(QWidget* owner);
    ~TOpenDialog() override;

    /// Empty: every file is listed.
    QString Filter;
    QString DefaultExt;
    QString FileName;

    /// Replaces the real dialog: sets FileName and answers whether a file was chosen.
    std::function<bool(TOpenDialog& dialog)> Responder;

    bool Execute();

  private:
    QWidget* owner_;
};

}  // namespace quorin
