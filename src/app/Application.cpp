#include "app/Application.h"

#include <QMessageBox>

#include "runtime/Exceptions.h"

namespace quorin {

std::function<void(const QString&)> TApplication::ShowException;

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("QuorinRealinhamentoPreco"));
}

TApplication::~TApplication() = default;

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException(std::current_exception());
        return true;
    }
}

QString TApplication::MessageOf(std::exception_ptr exception) {
    try {
        std::rethrow_exception(exception);
    } catch (const Exception& e) {
        return e.message();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QString();
    }
}

void TApplication::HandleException(std::exception_ptr exception) {
    const QString message = MessageOf(exception);
    if (ShowException) {
        ShowException(message);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), message, QMessageBox::Ok);
    box.exec();
}

}  // namespace quorin
