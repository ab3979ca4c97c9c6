#pragma once

#include <QChar>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace quorin {

/// The user's regional settings as the formatting routines see them: separators,
/// date and time patterns, month and day names, and the measurement system.
/// Read once from the system locale; the C/POSIX locale (nothing chosen) means
/// Brazilian Portuguese. Tests replace it with setCurrent().
struct FormatSettings {
    QChar decimalSeparator{u','};
    QChar thousandSeparator{u'.'};
    QChar dateSeparator{u'/'};
    QChar timeSeparator{u':'};
    /// Date and time patterns in the pattern language of FormatDateTime
    /// ("/" and ":" stand for the separators above).
    QString shortDateFormat{QStringLiteral("dd/mm/yyyy")};
    QString longDateFormat{QStringLiteral("dddd, d 'de' mmmm 'de' yyyy")};
    QString shortTimeFormat{QStringLiteral("hh:nn")};
    QString longTimeFormat{QStringLiteral("hh:nn:ss")};
    QString timeAMString;
    QString timePMString;
    QStringList shortMonthNames;  ///< 12 entries
    QStringList longMonthNames;   ///< 12 entries
    QStringList shortDayNames;    ///< 7 entries, Sunday first
    QStringList longDayNames;     ///< 7 entries, Sunday first
    QLocale::MeasurementSystem measurementSystem{QLocale::MetricSystem};

    /// The Brazilian settings the program is made for.
    static FormatSettings brazilian();
    /// Settings taken from a Qt locale (the C locale gives brazilian()).
    static FormatSettings fromLocale(const QLocale& locale);

    /// The settings in force; read from QLocale::system() on first use.
    static const FormatSettings& current();
    /// Replaces the settings in force (start-up and tests only; not thread-safe
    /// against concurrent formatting).
    static void setCurrent(const FormatSettings& settings);
};

}  // namespace quorin
