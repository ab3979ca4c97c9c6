#pragma once

#include <QString>
#include <stdexcept>

namespace quorin {

/// Base of the program's own exceptions. The message is user-facing Portuguese text;
/// what() gives it in UTF-8 for logs and test output.
class Exception : public std::runtime_error {
public:
    explicit Exception(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const noexcept { return message_; }

private:
    QString message_;
};

/// A text that does not convert to the number or date that was asked for.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

}  // namespace quorin
