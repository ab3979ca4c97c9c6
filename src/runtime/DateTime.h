#pragma once

#include <QDateTime>
#include <QString>

#include "runtime/FormatSettings.h"

namespace quorin {

/// Date and time as days since 1899-12-30 with the time of day as the fraction
/// (the form the page file header and date fields store). Local time. A day
/// count that is not finite, or beyond a billion days, is no date (invalid).
double DateTimeToDays(const QDateTime& dateTime);
QDateTime DaysToDateTime(double days);

/// Formats a date and time with a pattern: d dd ddd dddd ddddd (short date)
/// dddddd (long date), m mm mmm mmmm (minutes right after h/hh), yy yyyy, h hh,
/// n nn, s ss, z zzz, t (short time), tt (long time), c (short date, then the long
/// time unless it is midnight), am/pm and a/p, "/" and ":" as the separators,
/// quoted text. An empty pattern means "c".
QString FormatDateTime(const QString& pattern, const QDateTime& dateTime,
                       const FormatSettings& settings = FormatSettings::current());

/// The default text of a time stamp: "c".
QString DateTimeToStr(const QDateTime& dateTime, const FormatSettings& settings = FormatSettings::current());
QString DateToStr(const QDate& date, const FormatSettings& settings = FormatSettings::current());
QString TimeToStr(const QTime& time, const FormatSettings& settings = FormatSettings::current());

/// Reads a date in the order of the short date format, with an optional time
/// ("15/03/2009", "15/03/2009 14:30", "15/03/2009 14:30:05"). Raises EConvertError.
QDateTime StrToDateTime(const QString& text, const FormatSettings& settings = FormatSettings::current());
bool TryStrToDateTime(const QString& text, QDateTime& result,
                      const FormatSettings& settings = FormatSettings::current());

}  // namespace quorin
