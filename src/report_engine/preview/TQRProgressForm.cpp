#include "report_engine/preview/TQRProgressForm.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "report_engine/preview/QRPreviewStyle.h"
#include "report_engine/printer/TQRPrinter.h"

namespace quorin {

TQRProgressForm::TQRProgressForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
    setObjectName(QStringLiteral("QRProgressForm"));
    setWindowTitle(QStringLiteral("Printing progress"));
    setFont(PreviewFont());
    setFixedSize(149, 97);

    Gauge = new QProgressBar(this);
    Gauge->setObjectName(QStringLiteral("Gauge"));
    Gauge->setGeometry(16, 18, 114, 16);
    Gauge->setRange(0, 100);
    Gauge->setValue(0);
    Gauge->setTextVisible(false);
    Info = new QLabel(this);
    Info->setObjectName(QStringLiteral("Info"));
    Info->setGeometry(0, 44, 145, 13);
    Info->setAlignment(Qt::AlignCenter);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(36, 60, 75, 25);
    connect(CancelButton, &QPushButton::clicked, this, &TQRProgressForm::CancelButtonClick);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TQRProgressForm::CancelButtonClick() {
    if (QRPrinter != nullptr) QRPrinter->Cancel();
}

void TQRProgressForm::CMQRProgressUpdate() {
    if (QRPrinter == nullptr) return;
    const int progress = QRPrinter->GetProgress();
    if (progress % 5 != 0) return;
    Gauge->setValue(progress);
    Info->setText(QStringLiteral("%1% ").arg(progress) + QStringLiteral(" Completed"));
    // Let the window repaint and the Cancel button answer; notices that come
    // meanwhile only update the figures, without nesting further.
    if (updating_) return;
    updating_ = true;
    QCoreApplication::processEvents();
    updating_ = false;
}

bool TQRProgressForm::event(QEvent* event) {
    if (static_cast<int>(event->type()) == CM_QRPROGRESSUPDATE) {
        CMQRProgressUpdate();
        return true;
    }
    return QDialog::event(event);
}

}  // namespace quorin
