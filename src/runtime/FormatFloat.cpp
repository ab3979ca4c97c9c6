#include "runtime/FormatFloat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace quorin {
namespace {

// A finite non-negative number as decimal digits: value = 0.d1 d2 d3 ... x 10^exponent.
// No leading or trailing zeros in digits; zero has no digits.
struct Decimal {
    std::string digits;
    int exponent = 0;

    bool IsZero() const { return digits.empty(); }

    // The shortest digits that read back as |value|.
    static Decimal FromDouble(double value) {
        Decimal d;
        value = std::fabs(value);
        if (value == 0.0) {
            return d;
        }
        // Every number a report prints passes here: read the text in place.
        char buf[64];
        const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
        const char* e = std::find(buf, res.ptr, 'e');
        d.digits.reserve(static_cast<size_t>(e - buf));
        for (const char* p = buf; p < e; ++p) {
            if (*p != '.') {
                d.digits.push_back(*p);
            }
        }
        const char* exponent = e + 1;
        if (exponent < res.ptr && *exponent == '+') {
            ++exponent;
        }
        std::from_chars(exponent, res.ptr, d.exponent);
        ++d.exponent;
        d.StripTrailingZeros();
        return d;
    }

    void StripTrailingZeros() {
        while (!digits.empty() && digits.back() == '0') {
            digits.pop_back();
        }
        if (digits.empty()) {
            exponent = 0;
        }
    }

    // Keeps the first `keep` digits, rounding half away from zero on the next one.
    void RoundToDigits(int keep) {
        if (keep >= static_cast<int>(digits.size())) {
            return;
        }
        if (keep < 0) {
            digits.clear();
            exponent = 0;
            return;
        }
        const bool up = digits[static_cast<size_t>(keep)] >= '5';
        digits.resize(static_cast<size_t>(keep));
        if (up) {
            int i = keep - 1;
            while (i >= 0 && digits[static_cast<size_t>(i)] == '9') {
                digits[static_cast<size_t>(i)] = '0';
                --i;
            }
            if (i >= 0) {
                ++digits[static_cast<size_t>(i)];
            } else {
                digits.insert(digits.begin(), '1');
                ++exponent;
            }
        }
        StripTrailingZeros();
    }

    void RoundToDecimals(int decimals) { RoundToDigits(exponent + decimals); }

    // Digit at position p counted from the first one (0-based); '0' beyond the ends.
    char At(int p) const {
        return p >= 0 && p < static_cast<int>(digits.size()) ? digits[static_cast<size_t>(p)] : '0';
    }
};

QString NonFinite(double value) {
    if (std::isnan(value)) {
        return QStringLiteral("NAN");
    }
    return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

// What one section of a picture asks for.
struct Section {
    QString text;
    int intPlaceholders = 0;  // "0" and "#" before the decimal point
    int minIntDigits = 0;     // positions from the first "0" to the decimal point
    int minDecimals = 0;      // up to the last "0" after the decimal point
    int maxDecimals = 0;      // every placeholder after the decimal point
    bool grouping = false;
    bool scientific = false;

    explicit Section(const QString& s) : text(s) {
        bool afterPoint = false;
        int firstZero = -1;
        QChar quote;
        for (qsizetype i = 0; i < s.size(); ++i) {
            const QChar c = s[i];
            if (!quote.isNull()) {
                if (c == quote) {
                    quote = QChar();
                }
                continue;
            }
            if (c == u'\'' || c == u'"') {
                quote = c;
            } else if (c == u'0' || c == u'#') {
                if (afterPoint) {
                    ++maxDecimals;
                    if (c == u'0') {
                        minDecimals = maxDecimals;
                    }
                } else {
                    if (c == u'0' && firstZero < 0) {
                        firstZero = intPlaceholders;
                    }
                    ++intPlaceholders;
                }
            } else if (c == u'.') {
                afterPoint = true;
            } else if (c == u',' && !afterPoint) {
                grouping = true;
            } else if ((c == u'E' || c == u'e') && i + 1 < s.size() && (s[i + 1] == u'+' || s[i + 1] == u'-')) {
                scientific = true;
                break;  // the zeros after it are exponent digits
            }
        }
        if (firstZero >= 0) {
            minIntDigits = intPlaceholders - firstZero;
        }
    }
};

QStringList SplitSections(const QString& picture) {
    if (!picture.contains(u';')) {
        return {picture};  // the common picture: one section
    }
    QStringList sections;
    QString current;
    QChar quote;
    for (const QChar c : picture) {
        if (!quote.isNull()) {
            if (c == quote) {
                quote = QChar();
            }
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u';') {
            sections << current;
            current.clear();
            if (sections.size() == 3) {
                return sections;
            }
            continue;
        }
        current += c;
    }
    sections << current;
    return sections;
}

// Writes the number `d` (already rounded) through the section's picture.
QString Render(const Section& sec, const Decimal& d, bool minus, const FormatSettings& fs) {
    std::string intDigits;
    std::string fracDigits;
    int exponentValue = 0;
    if (sec.scientific) {
        // The mantissa keeps as many integer digits as the picture has positions.
        if (!d.IsZero()) {
            exponentValue = d.exponent - sec.intPlaceholders;
        }
        for (int p = 0; p < sec.intPlaceholders; ++p) {
            intDigits.push_back(d.IsZero() ? '0' : d.At(p));
        }
        int significantFrac = d.IsZero() ? 0 : static_cast<int>(d.digits.size()) - sec.intPlaceholders;
        const int fracCount = std::max(sec.minDecimals, std::min(sec.maxDecimals, significantFrac));
        for (int p = 0; p < fracCount; ++p) {
            fracDigits.push_back(d.IsZero() ? '0' : d.At(sec.intPlaceholders + p));
        }
        if (d.IsZero()) {
            intDigits.assign(static_cast<size_t>(sec.minIntDigits), '0');
        }
    } else {
        for (int p = 0; p < d.exponent; ++p) {
            intDigits.push_back(d.At(p));
        }
        if (static_cast<int>(intDigits.size()) < sec.minIntDigits) {
            intDigits.insert(0, static_cast<size_t>(sec.minIntDigits) - intDigits.size(), '0');
        }
        const int significantFrac = static_cast<int>(d.digits.size()) - d.exponent;
        const int fracCount = std::max(sec.minDecimals, std::min(sec.maxDecimals, significantFrac));
        for (int p = 0; p < fracCount; ++p) {
            fracDigits.push_back(d.At(d.exponent + p));
        }
    }

    const int total = static_cast<int>(intDigits.size());
    const int positions = sec.intPlaceholders;
    QString out;
    out.reserve(sec.text.size() + total + total / 3 + 2);
    if (minus) {
        out += u'-';
    }
    auto emitIntDigit = [&](int index) {
        out += QLatin1Char(intDigits[static_cast<size_t>(index)]);
        const int right = total - 1 - index;
        if (sec.grouping && right > 0 && right % 3 == 0) {
            out += fs.thousandSeparator;
        }
    };

    bool afterPoint = false;
    int intSeen = 0;
    int fracSeen = 0;
    QChar quote;
    const QString& s = sec.text;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (!quote.isNull()) {
            if (c == quote) {
                quote = QChar();
            } else {
                out += c;
            }
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
        } else if ((c == u'0' || c == u'#') && !afterPoint) {
            // Placeholder k stands for digit (total - positions + k); the first one
            // also takes every digit the picture has no position for.
            const int k = intSeen++;
            const int index = total - positions + k;
            if (k == 0) {
                for (int j = 0; j < index; ++j) {
                    emitIntDigit(j);
                }
            }
            if (index >= 0) {
                emitIntDigit(index);
            }
        } else if ((c == u'0' || c == u'#') && afterPoint) {
            if (fracSeen < static_cast<int>(fracDigits.size())) {
                out += QLatin1Char(fracDigits[static_cast<size_t>(fracSeen)]);
            }
            ++fracSeen;
        } else if (c == u'.') {
            if (!afterPoint) {
                afterPoint = true;
                if (!fracDigits.empty()) {
                    out += fs.decimalSeparator;
                }
            }
        } else if (c == u',') {
            // grouping marker, never printed
        } else if (sec.scientific && (c == u'E' || c == u'e') && i + 1 < s.size() &&
                   (s[i + 1] == u'+' || s[i + 1] == u'-')) {
            out += c;
            const bool alwaysSign = s[i + 1] == u'+';
            ++i;
            int width = 0;
            while (i + 1 < s.size() && s[i + 1] == u'0') {
                ++width;
                ++i;
            }
            if (exponentValue < 0) {
                out += u'-';
            } else if (alwaysSign) {
                out += u'+';
            }
            out += QString::number(std::abs(exponentValue)).rightJustified(width, u'0');
            // digits after the exponent are literal text again
            afterPoint = true;
            fracSeen = sec.maxDecimals;
        } else {
            out += c;
        }
    }
    return out;
}

Decimal RoundedFor(const Section& sec, double value) {
    Decimal d = Decimal::FromDouble(value);
    if (sec.scientific) {
        const int digits = std::max(1, sec.intPlaceholders + sec.maxDecimals);
        d.RoundToDigits(digits);
    } else {
        d.RoundToDecimals(sec.maxDecimals);
    }
    return d;
}

}  // namespace

QString FormatGeneral(double value, const FormatSettings& fs) {
    if (!std::isfinite(value)) {
        return NonFinite(value);
    }
    Decimal d = Decimal::FromDouble(value);
    if (d.IsZero()) {
        return QStringLiteral("0");
    }
    d.RoundToDigits(15);
    QString out;
    if (value < 0) {
        out += u'-';
    }
    const int n = static_cast<int>(d.digits.size());
    if (d.exponent >= -3 && d.exponent <= 15) {
        if (d.exponent <= 0) {
            out += u'0';
            out += fs.decimalSeparator;
            out += QString(-d.exponent, u'0');
            out += QLatin1String(d.digits.data(), n);
        } else {
            for (int p = 0; p < d.exponent; ++p) {
                out += QLatin1Char(d.At(p));
            }
            if (n > d.exponent) {
                out += fs.decimalSeparator;
                out += QLatin1String(d.digits.data() + d.exponent, n - d.exponent);
            }
        }
    } else {
        out += QLatin1Char(d.digits[0]);
        if (n > 1) {
            out += fs.decimalSeparator;
            out += QLatin1String(d.digits.data() + 1, n - 1);
        }
        out += u'E';
        out += QString::number(d.exponent - 1);
    }
    return out;
}

namespace {

// A picture split and read once: a report formats every number of a column with
// the same picture, so each thread keeps the last one it was given.
struct ParsedPicture {
    QString picture;
    Section positive{QString()};
    Section negative{QString()};  // its text is empty when negatives use the positive section
    Section zero{QString()};      // the zero section, or the positive one
};

const ParsedPicture& Parsed(const QString& picture) {
    thread_local ParsedPicture last;  // its picture is empty until the first, which never is
    if (last.picture == picture) {
        return last;
    }
    const QStringList sections = SplitSections(picture);
    auto sectionOrEmpty = [&](int i) { return i < sections.size() ? sections[i] : QString(); };
    last.picture = picture;
    last.positive = Section(sections[0]);
    last.negative = Section(sectionOrEmpty(1));
    last.zero = Section(sectionOrEmpty(2).isEmpty() ? sections[0] : sectionOrEmpty(2));
    return last;
}

}  // namespace

QString FormatFloat(const QString& picture, double value, const FormatSettings& fs) {
    if (picture.isEmpty() || !std::isfinite(value)) {
        return FormatGeneral(value, fs);
    }
    const ParsedPicture& parsed = Parsed(picture);
    const bool negative = value < 0;
    const bool ownNegative = negative && !parsed.negative.text.isEmpty();
    const Section& sec = value == 0 ? parsed.zero : (ownNegative ? parsed.negative : parsed.positive);
    if (sec.text.isEmpty()) {
        return FormatGeneral(value, fs);
    }
    // Very large numbers have no sensible fixed form.
    if (!sec.scientific && std::fabs(value) >= 1e18) {
        return FormatGeneral(value, fs);
    }
    const Decimal d = RoundedFor(sec, value);
    if (d.IsZero()) {
        // A value that rounds to zero prints as zero: the zero section, no minus sign.
        return Render(parsed.zero, Decimal(), false, fs);
    }
    return Render(sec, d, negative && !ownNegative, fs);
}

}  // namespace quorin
