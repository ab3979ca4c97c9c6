#include "controls/PlatformMessageBox.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <utility>

namespace quorin {
namespace {

PlatformMessageBox::Handler& CurrentHandler() {
    static PlatformMessageBox::Handler handler = &PlatformMessageBox::ShowDialog;
    return handler;
}

}  // namespace

void PlatformMessageBox::Show(QWidget* parent, const QString& text) {
    // A copy, so that a handler that replaces itself while it runs stays alive until it returns.
    const Handler handler = CurrentHandler();
    handler(parent, ApplicationTitle(), text);
}

QString PlatformMessageBox::ApplicationTitle() {
    return QGuiApplication::applicationDisplayName();
}

PlatformMessageBox::Handler PlatformMessageBox::SetHandler(Handler handler) {
    Handler previous = std::move(CurrentHandler());
    CurrentHandler() = handler ? std::move(handler) : Handler(&PlatformMessageBox::ShowDialog);
    return previous;
}

void PlatformMessageBox::ShowDialog(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

}  // namespace quorin
