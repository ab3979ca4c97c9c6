#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace quorin {

/// The platform message box through which the entry controls report their own input errors:
/// always the application's title as caption, an error icon and a single OK button. The box is
/// a replaceable function so that tests can read the text and answer it without a real dialog.
class PlatformMessageBox {
  public:
    /// Shows one error text; returns when the user has answered OK.
    using Handler = std::function<void(QWidget* parent, const QString& caption, const QString& text)>;

    /// Shows text with the application's title through the handler in force.
    static void Show(QWidget* parent, const QString& text);

    /// The caption the box carries: the application's display name.
    static QString ApplicationTitle();

    /// Replaces the handler and returns the previous one; an empty handler restores the default.
    static Handler SetHandler(Handler handler);

    /// The real dialog: a modal QMessageBox with the critical icon and an OK button.
    static void ShowDialog(QWidget* parent, const QString& caption, const QString& text);
};

}  // namespace quorin
