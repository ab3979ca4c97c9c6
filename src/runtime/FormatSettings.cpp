#include "runtime/FormatSettings.h"

#include <algorithm>

namespace quorin {
namespace {

// Qt's date pattern letters become the ones FormatDateTime reads: months are "m",
// minutes "n", the 12-hour marker "am/pm"; a time zone is dropped.
QString FromQtPattern(const QString& qt) {
    QString out;
    for (qsizetype i = 0; i < qt.size();) {
        const QChar c = qt[i];
        qsizetype run = 1;
        while (i + run < qt.size() && qt[i + run] == c) {
            ++run;
        }
        if (c == u'\'') {
            // quoted text, '' is a literal quote
            qsizetype j = i + 1;
            QString lit;
            while (j < qt.size() && qt[j] != u'\'') {
                lit += qt[j++];
            }
            out += u'"' + lit + u'"';
            i = j + 1;
            continue;
        }
        switch (c.unicode()) {
        case u'M': out += QString(run, u'm'); break;
        case u'm': out += QString(run, u'n'); break;
        case u'H': out += QString(std::min<qsizetype>(run, 2), u'h'); break;
        case u'h': out += QString(std::min<qsizetype>(run, 2), u'h'); break;
        case u'A':
        case u'a': out += QStringLiteral("am/pm"); break;
        case u't': break;
        case u'y': out += run <= 2 ? QStringLiteral("yy") : QStringLiteral("yyyy"); break;
        default: out += QString(run, c); break;
        }
        i += run;
    }
    return out.trimmed();
}

QChar FirstSeparator(const QString& pattern, QChar fallback) {
    for (const QChar c : pattern) {
        if (!c.isLetter() && c != u'\'' && c != u'"' && !c.isSpace()) {
            return c;
        }
    }
    return fallback;
}

// Our patterns write the separators as "/" and ":".
QString WithGenericSeparators(QString pattern, QChar date, QChar time) {
    for (QChar& c : pattern) {
        if (c == date) {
            c = u'/';
        } else if (c == time) {
            c = u':';
        }
    }
    return pattern;
}

// Initialised once, thread-safely, from the system locale; replaced in place so
// that references handed out stay valid.
FormatSettings& Slot() {
    static FormatSettings slot = FormatSettings::fromLocale(QLocale::system());
    return slot;
}

}  // namespace

FormatSettings FormatSettings::brazilian() {
    FormatSettings fs;
    fs.shortMonthNames = {QStringLiteral("jan"), QStringLiteral("fev"), QStringLiteral("mar"),
                          QStringLiteral("abr"), QStringLiteral("mai"), QStringLiteral("jun"),
                          QStringLiteral("jul"), QStringLiteral("ago"), QStringLiteral("set"),
                          QStringLiteral("out"), QStringLiteral("nov"), QStringLiteral("dez")};
    fs.longMonthNames = {QStringLiteral("janeiro"),  QStringLiteral("fevereiro"), QStringLiteral("março"),
                         QStringLiteral("abril"),    QStringLiteral("maio"),      QStringLiteral("junho"),
                         QStringLiteral("julho"),    QStringLiteral("agosto"),    QStringLiteral("setembro"),
                         QStringLiteral("outubro"),  QStringLiteral("novembro"),  QStringLiteral("dezembro")};
    fs.shortDayNames = {QStringLiteral("dom"), QStringLiteral("seg"), QStringLiteral("ter"), QStringLiteral("qua"),
                        QStringLiteral("qui"), QStringLiteral("sex"), QStringLiteral("sáb")};
    fs.longDayNames = {QStringLiteral("domingo"),       QStringLiteral("segunda-feira"), QStringLiteral("terça-feira"),
                       QStringLiteral("quarta-feira"),  QStringLiteral("quinta-feira"),  QStringLiteral("sexta-feira"),
                       QStringLiteral("sábado")};
    return fs;
}

FormatSettings FormatSettings::fromLocale(const QLocale& locale) {
    if (locale.language() == QLocale::C) {
        return brazilian();
    }
    FormatSettings fs;
    fs.decimalSeparator = locale.decimalPoint().isEmpty() ? QChar(u',') : locale.decimalPoint()[0];
    fs.thousandSeparator = locale.groupSeparator().isEmpty() ? QChar(u'.') : locale.groupSeparator()[0];
    const QString qtShortDate = locale.dateFormat(QLocale::ShortFormat);
    const QString qtShortTime = locale.timeFormat(QLocale::ShortFormat);
    fs.dateSeparator = FirstSeparator(qtShortDate, u'/');
    fs.timeSeparator = FirstSeparator(qtShortTime, u':');
    fs.shortDateFormat = WithGenericSeparators(FromQtPattern(qtShortDate), fs.dateSeparator, fs.timeSeparator);
    fs.longDateFormat = FromQtPattern(locale.dateFormat(QLocale::LongFormat));
    fs.shortTimeFormat = WithGenericSeparators(FromQtPattern(qtShortTime), fs.dateSeparator, fs.timeSeparator);
    fs.longTimeFormat = WithGenericSeparators(FromQtPattern(locale.timeFormat(QLocale::LongFormat)),
                                              fs.dateSeparator, fs.timeSeparator);
    fs.timeAMString = locale.amText();
    fs.timePMString = locale.pmText();
    for (int m = 1; m <= 12; ++m) {
        fs.shortMonthNames << locale.monthName(m, QLocale::ShortFormat);
        fs.longMonthNames << locale.monthName(m, QLocale::LongFormat);
    }
    for (int d = 0; d < 7; ++d) {
        const int qtDay = d == 0 ? 7 : d;  // Qt counts from Monday = 1
        fs.shortDayNames << locale.dayName(qtDay, QLocale::ShortFormat);
        fs.longDayNames << locale.dayName(qtDay, QLocale::LongFormat);
    }
    fs.measurementSystem = locale.measurementSystem();
    return fs;
}

const FormatSettings& FormatSettings::current() { return Slot(); }

void FormatSettings::setCurrent(const FormatSettings& settings) { Slot() = settings; }

}  // namespace quorin
