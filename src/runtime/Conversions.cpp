#include "runtime/Conversions.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "runtime/Exceptions.h"

namespace quorin {
namespace {

bool IsBlank(QChar c) { return c.unicode() < 33; }

// Windows-1252 bytes 0x80..0x9F; the five unassigned ones keep their C1 code so
// that they travel unchanged.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Accepts [blanks] [sign] digits [separator digits] [e [sign] digits] [blanks].
bool ParseFloat(const QString& text, QChar decimal, double& out) {
    const QString t = text.trimmed();
    std::string ascii;
    ascii.reserve(static_cast<size_t>(t.size()));
    bool digitsSeen = false;
    bool pointSeen = false;
    bool expSeen = false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c.unicode() >= u'0' && c.unicode() <= u'9') {
            ascii.push_back(static_cast<char>(c.unicode()));
            digitsSeen = true;
        } else if ((c == u'+' || c == u'-') &&
                   (i == 0 || (expSeen && (t[i - 1] == u'e' || t[i - 1] == u'E')))) {
            if (c == u'-') {
                ascii.push_back('-');
            }
        } else if (c == decimal && !pointSeen && !expSeen) {
            ascii.push_back('.');
            pointSeen = true;
        } else if ((c == u'e' || c == u'E') && digitsSeen && !expSeen) {
            ascii.push_back('e');
            expSeen = true;
            digitsSeen = false;
        } else {
            return false;
        }
    }
    if (!digitsSeen) {
        return false;
    }
    double v = 0;
    const auto res = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v);
    if (res.ec != std::errc() || res.ptr != ascii.data() + ascii.size() || !std::isfinite(v)) {
        return false;
    }
    out = v;
    return true;
}

bool ParseInt64(const QString& text, int64_t& out) {
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        return false;
    }
    qsizetype i = 0;
    bool negative = false;
    if (t[0] == u'+' || t[0] == u'-') {
        negative = t[0] == u'-';
        ++i;
    }
    int base = 10;
    if (i < t.size() && t[i] == u'$') {
        base = 16;
        ++i;
    }
    if (i >= t.size()) {
        return false;
    }
    // Accumulate as a negative number so that the minimum value parses.
    int64_t value = 0;
    const int64_t min = std::numeric_limits<int64_t>::min();
    for (; i < t.size(); ++i) {
        const int digit = t[i].isDigit() && t[i].unicode() < 128 ? t[i].unicode() - u'0'
                          : base == 16 && t[i].toLower() >= u'a' && t[i].toLower() <= u'f'
                              ? t[i].toLower().unicode() - u'a' + 10
                              : -1;
        if (digit < 0 || digit >= base) {
            return false;
        }
        if (value < (min + digit) / base) {
            return false;
        }
        value = value * base - digit;
    }
    if (!negative) {
        if (value == min) {
            return false;
        }
        value = -value;
    }
    out = value;
    return true;
}

}  // namespace

int Windows1252Byte(char16_t u) {
    if (IsOwnWindows1252Byte(u)) {
        return u;
    }
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == u) {
            return 0x80 + i;
        }
    }
    return -1;
}


bool TryStrToFloat(const QString& text, double& result, const FormatSettings& settings) {
    return ParseFloat(text, settings.decimalSeparator, result);
}

double StrToFloat(const QString& text, const FormatSettings& settings) {
    double v = 0;
    if (!ParseFloat(text, settings.decimalSeparator, v)) {
        throw EConvertError(QStringLiteral("'%1' não é um valor numérico válido").arg(text));
    }
    return v;
}

bool TryStrToInt64(const QString& text, int64_t& result) { return ParseInt64(text, result); }

int64_t StrToInt64(const QString& text) {
    int64_t v = 0;
    if (!ParseInt64(text, v)) {
        throw EConvertError(QStringLiteral("'%1' não é um valor inteiro válido").arg(text));
    }
    return v;
}

bool TryStrToInt(const QString& text, int32_t& result) {
    int64_t v = 0;
    if (!ParseInt64(text, v) || v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
        return false;
    }
    result = static_cast<int32_t>(v);
    return true;
}

int32_t StrToInt(const QString& text) {
    int32_t v = 0;
    if (!TryStrToInt(text, v)) {
        throw EConvertError(QStringLiteral("'%1' não é um valor inteiro válido").arg(text));
    }
    return v;
}

QString TrimLeft(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    return text.mid(i);
}

QString TrimRight(const QString& text) {
    qsizetype n = text.size();
    while (n > 0 && IsBlank(text[n - 1])) {
        --n;
    }
    return text.left(n);
}

QString Trim(const QString& text) { return TrimLeft(TrimRight(text)); }

QByteArray ToWindows1252(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;  // one character outside the code page
            out.push_back('?');
            continue;
        }
        const int b = Windows1252Byte(c.unicode());
        out.push_back(b < 0 ? '?' : static_cast<char>(b));
    }
    return out;
}

QString FromWindows1252(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out += QChar(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : static_cast<char16_t>(b));
    }
    return out;
}

int CountOutsideWindows1252(const QString& text) {
    int count = 0;
    const qsizetype n = text.size();
    const QChar* units = text.constData();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = units[i];
        if (IsOwnWindows1252Byte(c.unicode())) {
            continue;
        }
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            ++count;
        } else if (Windows1252Byte(c.unicode()) < 0) {
            ++count;
        }
    }
    return count;
}

bool IsWindows1252(const QString& text) {
    for (const QChar c : text) {
        if (Windows1252Byte(c.unicode()) < 0) {
            return false;
        }
    }
    return true;
}

}  // namespace quorin
