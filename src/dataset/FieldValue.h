#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <variant>

namespace quorin {

/// One stored value of a row. monostate is null; small integers and integers
/// are int32_t; floats and time stamps (days since 1899-12-30) are double;
/// texts and memos are QString; blobs are their bytes.
using TFieldValue = std::variant<std::monostate, int32_t, double, QString, QByteArray>;

inline bool IsNullValue(const TFieldValue& value) {
    return std::holds_alternative<std::monostate>(value);
}

}  // namespace quorin
