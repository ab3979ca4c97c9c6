#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "runtime/FormatSettings.h"

namespace quorin {

/// Text to number with the regional decimal separator; blanks around the number are
/// allowed, grouping separators are not. Failures raise EConvertError with a
/// Portuguese message naming the text.
double StrToFloat(const QString& text, const FormatSettings& settings = FormatSettings::current());
bool TryStrToFloat(const QString& text, double& result,
                   const FormatSettings& settings = FormatSettings::current());
/// Decimal (or "$"-prefixed hexadecimal) 32-bit integer.
int32_t StrToInt(const QString& text);
bool TryStrToInt(const QString& text, int32_t& result);
int64_t StrToInt64(const QString& text);
bool TryStrToInt64(const QString& text, int64_t& result);

/// Removes leading and trailing characters below code 33 (blanks and controls).
QString Trim(const QString& text);
QString TrimLeft(const QString& text);
QString TrimRight(const QString& text);

/// Windows-1252, the code page of the files that ask for a byte encoding. A
/// character outside it becomes "?".
QByteArray ToWindows1252(const QString& text);
/// The Windows-1252 byte of one UTF-16 code unit; -1 for one outside the code page.
int Windows1252Byte(char16_t unit);
/// True for a UTF-16 code unit that is its own byte in Windows-1252: ASCII and
/// Latin-1 outside its 0x80-0x9F block, as most characters of a text are.
inline bool IsOwnWindows1252Byte(char16_t unit) {
    return unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF);
}
QString FromWindows1252(const QByteArray& bytes);
/// True when every character of the text exists in Windows-1252.
bool IsWindows1252(const QString& text);
/// How many characters of text ToWindows1252 writes as "?" (a surrogate pair is one).
int CountOutsideWindows1252(const QString& text);

}  // namespace quorin
