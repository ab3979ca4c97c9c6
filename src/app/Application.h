#pragma once

#include <QApplication>
#include <QString>
#include <exception>
#include <functional>

namespace quorin {

/// The application object. Every event goes through notify, so an exception that an
/// event handler does not catch ends up here: it is shown by the standard error
/// display and the message loop goes on.
class TApplication : public QApplication {
    Q_OBJECT
  public:
    TApplication(int& argc, char** argv);
    ~TApplication() override;

    bool notify(QObject* receiver, QEvent* event) override;

    /// Shows an escaped exception: the program's own and the standard exceptions
    /// with their message, anything else with an empty one.
    static void HandleException(std::exception_ptr exception);
    /// The message an escaped exception is shown with.
    static QString MessageOf(std::exception_ptr exception);

    /// Replaces the error box (tests); receives the message that would be shown.
    static std::function<void(const QString& message)> ShowException;
};

}  // namespace quorin
