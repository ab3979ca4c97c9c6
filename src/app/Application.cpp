#include "app/Application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include "runtime/Exceptions.h"

namespace quorin {

std::function<void(const QString&)> TApplication::ShowException;

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("QuorinRealinhamentoPreco"));
    // The program speaks Brazilian Portuguese whatever the system's language: Qt's
    // own dialogs and menus (open dialog, the edits' context menu) too.
    auto* qt = new QTranslator(this);
    if (qt->load(QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("qt"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(qt);
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
