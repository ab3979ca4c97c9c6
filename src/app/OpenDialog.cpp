#include "app/OpenDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace quorin {

TOpenDialog::TOpenDialog(QWidget* owner) : QObject(owner), owner_(owner) {}

TOpenDialog::~TOpenDialog() = default;

bool TOpenDialog::Execute() {
    bool chosen = false;
    if (Responder) {
        chosen = Responder(*this);
    } else {
        QFileDialog dialog(owner_, QString(), QDir::currentPath(), Filter);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        QString suffix = DefaultExt;
        suffix.remove(QStringLiteral("*.")).remove(u'*');
        dialog.setDefaultSuffix(suffix);
        if (!FileName.isEmpty())
            dialog.selectFile(FileName);
        chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
        if (chosen)
            FileName = dialog.selectedFiles().constFirst();
    }
    if (chosen && !FileName.isEmpty()) {
        const QFileInfo file(FileName);
        FileName = file.absoluteFilePath();
        QDir::setCurrent(file.absolutePath());
    }
    return chosen && !FileName.isEmpty();
}

}  // namespace quorin
