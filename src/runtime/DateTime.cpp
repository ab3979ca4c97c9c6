#include "runtime/DateTime.h"

#include <cmath>

#include "runtime/Exceptions.h"

namespace quorin {
namespace {

const QDate kEpoch(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;

QString Pad(int value, int width) { return QString::number(value).rightJustified(width, u'0'); }

bool HasAmPm(const QString& pattern) {
    return pattern.contains(QStringLiteral("am/pm"), Qt::CaseInsensitive) ||
           pattern.contains(QStringLiteral("a/p"), Qt::CaseInsensitive) ||
           pattern.contains(QStringLiteral("ampm"), Qt::CaseInsensitive);
}

class Formatter {
public:
    Formatter(const QDateTime& dt, const FormatSettings& fs) : dt_(dt), fs_(fs) {}

    QString Run(const QString& pattern, int depth) {
        QString out;
        if (depth > 2) {
            return out;  // a regional pattern that names itself
        }
        const QDate date = dt_.date();
        const QTime time = dt_.time();
        const bool twelveHour = HasAmPm(pattern);
        bool lastWasHour = false;
        for (qsizetype i = 0; i < pattern.size();) {
            const QChar c = pattern[i];
            const QChar lower = c.toLower();
            qsizetype run = 1;
            while (i + run < pattern.size() && pattern[i + run].toLower() == lower) {
                ++run;
            }
            bool hourToken = false;
            if (c == u'\'' || c == u'"') {
                qsizetype j = i + 1;
                while (j < pattern.size() && pattern[j] != c) {
                    out += pattern[j++];
                }
                i = j + 1;
                continue;
            }
            if (lower == u'a') {
                const QStringView rest = QStringView(pattern).mid(i);
                if (rest.startsWith(u"am/pm", Qt::CaseInsensitive)) {
                    out += AmPm(time, QStringLiteral("am"), QStringLiteral("pm"));
                    i += 5;
                } else if (rest.startsWith(u"a/p", Qt::CaseInsensitive)) {
                    out += AmPm(time, QStringLiteral("a"), QStringLiteral("p"));
                    i += 3;
                } else if (rest.startsWith(u"ampm", Qt::CaseInsensitive)) {
                    out += time.hour() < 12 ? fs_.timeAMString : fs_.timePMString;
                    i += 4;
                } else {
                    out += c;
                    ++i;
                }
                continue;
            }
            switch (lower.unicode()) {
            case u'c':
                out += Run(fs_.shortDateFormat, depth + 1);
                if (time != QTime(0, 0)) {
                    out += u' ';
                    out += Run(fs_.longTimeFormat, depth + 1);
                }
                run = 1;
                break;
            case u'd':
                if (run == 1) {
                    out += QString::number(date.day());
                } else if (run == 2) {
                    out += Pad(date.day(), 2);
                } else if (run == 3) {
                    out += fs_.shortDayNames.value(date.dayOfWeek() % 7);
                } else if (run == 4) {
                    out += fs_.longDayNames.value(date.dayOfWeek() % 7);
                } else if (run == 5) {
                    out += Run(fs_.shortDateFormat, depth + 1);
                } else {
                    out += Run(fs_.longDateFormat, depth + 1);
                    run = 6;
                }
                break;
            case u'm':
                if (lastWasHour && run <= 2) {
                    out += run == 1 ? QString::number(time.minute()) : Pad(time.minute(), 2);
                } else if (run == 1) {
                    out += QString::number(date.month());
                } else if (run == 2) {
                    out += Pad(date.month(), 2);
                } else if (run == 3) {
                    out += fs_.shortMonthNames.value(date.month() - 1);
                } else {
                    out += fs_.longMonthNames.value(date.month() - 1);
                    run = 4;
                }
                break;
            case u'y':
                out += run <= 2 ? Pad(date.year() % 100, 2) : Pad(date.year(), 4);
                break;
            case u'h': {
                int hour = time.hour();
                if (twelveHour) {
                    hour = hour % 12 == 0 ? 12 : hour % 12;
                }
                out += run == 1 ? QString::number(hour) : Pad(hour, 2);
                run = std::min<qsizetype>(run, 2);
                hourToken = true;
                break;
            }
            case u'n':
                out += run == 1 ? QString::number(time.minute()) : Pad(time.minute(), 2);
                run = std::min<qsizetype>(run, 2);
                break;
            case u's':
                out += run == 1 ? QString::number(time.second()) : Pad(time.second(), 2);
                run = std::min<qsizetype>(run, 2);
                break;
            case u'z':
                out += run < 3 ? QString::number(time.msec()) : Pad(time.msec(), 3);
                run = run < 3 ? 1 : 3;
                break;
            case u't':
                out += Run(run == 1 ? fs_.shortTimeFormat : fs_.longTimeFormat, depth + 1);
                run = std::min<qsizetype>(run, 2);
                break;
            case u'/':
                out += fs_.dateSeparator;
                run = 1;
                break;
            case u':':
                out += fs_.timeSeparator;
                run = 1;
                break;
            default:
                out += c;
                run = 1;
                break;
            }
            // A minute "m" may follow the hour across separators and blanks.
            if (hourToken) {
                lastWasHour = true;
            } else if (lower.isLetter()) {
                lastWasHour = false;
            }
            i += run;
        }
        return out;
    }

private:
    static QString AmPm(const QTime& time, const QString& am, const QString& pm) { return time.hour() < 12 ? am : pm; }

    const QDateTime& dt_;
    const FormatSettings& fs_;
};

}  // namespace

constexpr double kMaxDays = 1e9;

double DateTimeToDays(const QDateTime& dateTime) {
    const qint64 days = kEpoch.daysTo(dateTime.date());
    const double fraction = dateTime.time().msecsSinceStartOfDay() / kMsPerDay;
    // Before the epoch the fraction still counts forwards from midnight:
    // -1,25 is 29/12/1899 06:00.
    return days < 0 ? static_cast<double>(days) - fraction : static_cast<double>(days) + fraction;
}

QDateTime DaysToDateTime(double days) {
    // A damaged file may hold any double: beyond some million years there is no date.
    if (!std::isfinite(days) || std::fabs(days) > kMaxDays) {
        return {};
    }
    const double whole = std::trunc(days);
    const double fraction = std::fabs(days - whole);
    qint64 ms = std::llround(fraction * kMsPerDay);
    qint64 dayCount = static_cast<qint64>(whole);
    if (ms >= static_cast<qint64>(kMsPerDay)) {
        ms -= static_cast<qint64>(kMsPerDay);
        dayCount += days < 0 ? -1 : 1;
    }
    return QDateTime(kEpoch.addDays(dayCount), QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

QString FormatDateTime(const QString& pattern, const QDateTime& dateTime, const FormatSettings& settings) {
    Formatter f(dateTime, settings);
    return f.Run(pattern.isEmpty() ? QStringLiteral("c") : pattern, 0);
}

QString DateTimeToStr(const QDateTime& dateTime, const FormatSettings& settings) {
    return FormatDateTime(QStringLiteral("c"), dateTime, settings);
}

QString DateToStr(const QDate& date, const FormatSettings& settings) {
    return FormatDateTime(QStringLiteral("ddddd"), QDateTime(date, QTime(0, 0)), settings);
}

QString TimeToStr(const QTime& time, const FormatSettings& settings) {
    return FormatDateTime(QStringLiteral("tt"), QDateTime(kEpoch, time), settings);
}

bool TryStrToDateTime(const QString& text, QDateTime& result, const FormatSettings& fs) {
    const QStringList parts = text.trimmed().split(u' ', Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts.size() > 2) {
        return false;
    }
    // The order of day, month and year follows the short date pattern.
    QString order;
    for (const QChar c : fs.shortDateFormat.toLower()) {
        if ((c == u'd' || c == u'm' || c == u'y') && !order.contains(c)) {
            order += c;
        }
    }
    if (order.size() != 3) {
        order = QStringLiteral("dmy");
    }
    QString datePart = parts[0];
    datePart.replace(fs.dateSeparator, u'/');
    const QStringList fields = datePart.split(u'/');
    if (fields.size() != 3) {
        return false;
    }
    int d = 0, m = 0, y = 0;
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const int v = fields[i].toInt(&ok);
        if (!ok || fields[i].isEmpty() || fields[i].size() > 4) {
            return false;
        }
        if (order[i] == u'd') {
            d = v;
        } else if (order[i] == u'm') {
            m = v;
        } else {
            y = fields[i].size() <= 2 ? (v < 50 ? 2000 + v : 1900 + v) : v;
        }
    }
    const QDate date(y, m, d);
    if (!date.isValid()) {
        return false;
    }
    QTime time(0, 0);
    if (parts.size() == 2) {
        QString timePart = parts[1];
        timePart.replace(fs.timeSeparator, u':');
        const QStringList t = timePart.split(u':');
        if (t.size() < 2 || t.size() > 3) {
            return false;
        }
        int hms[3] = {0, 0, 0};
        for (int i = 0; i < t.size(); ++i) {
            bool ok = false;
            hms[i] = t[i].toInt(&ok);
            if (!ok || t[i].isEmpty() || t[i].size() > 2) {
                return false;
            }
        }
        time = QTime(hms[0], hms[1], hms[2]);
        if (!time.isValid()) {
            return false;
        }
    }
    result = QDateTime(date, time);
    return true;
}

QDateTime StrToDateTime(const QString& text, const FormatSettings& settings) {
    QDateTime result;
    if (!TryStrToDateTime(text, result, settings)) {
        throw EConvertError(QStringLiteral("'%1' não é uma data válida").arg(text));
    }
    return result;
}

}  // namespace quorin
