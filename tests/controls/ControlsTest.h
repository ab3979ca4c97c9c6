#pragma once

// Shared by the entry-control tests: typing scripted keys into a real widget and recording what
// the platform message box was asked to show.

#include <QApplication>
#include <QClipboard>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <QtTest>

#include "controls/PlatformMessageBox.h"

namespace controls_test {

/// Types a key script into the widget: plain characters are typed one by one, and the tokens
/// {BS} {DEL} {HOME} {END} {LEFT} {RIGHT} {ENTER} {PASTE} (Ctrl+V) {SPACE} press those keys.
inline void Type(QWidget* widget, const QString& script) {
    static const QList<std::pair<QString, std::pair<Qt::Key, Qt::KeyboardModifiers>>> tokens = {
        {QStringLiteral("{BS}"), {Qt::Key_Backspace, Qt::NoModifier}},
        {QStringLiteral("{DEL}"), {Qt::Key_Delete, Qt::NoModifier}},
        {QStringLiteral("{HOME}"), {Qt::Key_Home, Qt::NoModifier}},
        {QStringLiteral("{END}"), {Qt::Key_End, Qt::NoModifier}},
        {QStringLiteral("{LEFT}"), {Qt::Key_Left, Qt::NoModifier}},
        {QStringLiteral("{RIGHT}"), {Qt::Key_Right, Qt::NoModifier}},
        {QStringLiteral("{ENTER}"), {Qt::Key_Return, Qt::NoModifier}},
        {QStringLiteral("{PASTE}"), {Qt::Key_V, Qt::ControlModifier}},
        {QStringLiteral("{SPACE}"), {Qt::Key_Space, Qt::NoModifier}},
    };
    for (qsizetype i = 0; i < script.size();) {
        bool matched = false;
        for (const auto& [token, key] : tokens) {
            if (QStringView(script).mid(i).startsWith(token)) {
                QTest::keyClick(widget, key.first, key.second);
                i += token.size();
                matched = true;
                break;
            }
        }
        if (matched) {
            continue;
        }
        const QChar c = script.at(i++);
        if (c.unicode() < 128) {
            QTest::keyClick(widget, static_cast<char>(c.unicode()));
        } else {
            // Latin-1 letters and signs: Qt's key code is the upper-case character's code.
            QTest::sendKeyEvent(QTest::Click, widget, static_cast<Qt::Key>(c.toUpper().unicode()), QString(c),
                                Qt::NoModifier);
        }
    }
}

/// Replaces the platform message box for its lifetime and records every message.
class MessageRecorder {
  public:
    struct Message {
        QString caption;
        QString text;
        QPointer<QWidget> focus;  ///< the focus widget while the box was showing
    };

    MessageRecorder() {
        previous_ = quorin::PlatformMessageBox::SetHandler(
            [this](QWidget*, const QString& caption, const QString& text) {
                messages.append({caption, text, QApplication::focusWidget()});
            });
    }
    ~MessageRecorder() { quorin::PlatformMessageBox::SetHandler(previous_); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    QStringList texts() const {
        QStringList out;
        for (const Message& m : messages) {
            out << m.text;
        }
        return out;
    }

    QList<Message> messages;

  private:
    quorin::PlatformMessageBox::Handler previous_;
};

/// Shows the window and waits until it is active, so that focus events arrive offscreen.
inline bool ShowActive(QWidget* window) {
    window->show();
    QApplication::setActiveWindow(window);
    return QTest::qWaitForWindowActive(window);
}

}  // namespace controls_test
