#include "report_engine/printables/QRFormatLines.h"

#include <algorithm>

namespace quorin {

namespace {

bool IsBreak(QChar c) {
    return c == u' ' || c == u'-';
}

// Where the word starting at i ends: after the blank or hyphen that ends it, or
// at the end of the text.
qsizetype WordEnd(QStringView text, qsizetype i) {
    const qsizetype n = text.size();
    while (i < n && !IsBreak(text[i])) {
        ++i;
    }
    return i < n ? i + 1 : i;
}

// Length of the character (one code unit, or a surrogate pair) at i.
qsizetype CharLength(QStringView text, qsizetype i) {
    return text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
}

// One paragraph: the line being collected is always a contiguous run of the
// paragraph, so it is kept as a range and copied only when emitted.
class ParagraphBreaker {
  public:
    ParagraphBreaker(QStringView text, TQRLineMeasure& measure, const TQRLineRules& rules, QStringList& lines)
        : text_(text), measure_(measure), rules_(rules), lines_(lines) {}

    void Run() {
        const qsizetype n = text_.size();
        qsizetype i = 0;
        while (i < n && !full_) {
            const qsizetype j = WordEnd(text_, i);
            AddWord(i, j);
            i = j;
        }
        // A cut word is a line of its own; it leaves no blank line behind it.
        if (!full_ && !(afterCut_ && lineEnd_ == lineStart_)) {
            Emit();
        }
    }

  private:
    int Width(double advance) const { return measure_.WidthOfAdvance(advance); }

    void Emit() { lines_.append(text_.mid(lineStart_, lineEnd_ - lineStart_).toString()); }

    void StartLine(qsizetype start, qsizetype end, double advance) {
        afterCut_ = false;
        lineStart_ = start;
        lineEnd_ = end;
        lineAdvance_ = advance;
    }

    void AddWord(qsizetype start, qsizetype end) {
        const QStringView word = text_.mid(start, end - start);
        const double wordAdvance = measure_.Advance(word);
        const bool lineEmpty = lineEnd_ == lineStart_;
        if (Width(lineAdvance_ + wordAdvance) <= rules_.Width) {
            if (lineEmpty) {
                StartLine(start, end, wordAdvance);
            } else {
                lineEnd_ = end;
                lineAdvance_ += wordAdvance;
            }
            return;
        }
        if (!lineEmpty) {
            Emit();
            if (!rules_.WordWrap) {
                full_ = true;
                return;
            }
            if (Width(wordAdvance) <= rules_.Width) {
                StartLine(start, end, wordAdvance);
                return;
            }
        }
        // The word alone overflows a line. Without WordWrap its front is all that
        // prints; with it the word goes on over as many lines as it needs, each
        // cut after the last character that fits, and the last piece stays open
        // for the words after it.
        qsizetype k = start;
        for (;;) {
            double advance = 0;
            qsizetype piece = k;
            while (piece < end) {
                const qsizetype len = CharLength(text_, piece);
                const double next = measure_.Advance(text_.mid(piece, len));
                if (Width(advance + next) >= rules_.Width) {
                    break;
                }
                advance += next;
                piece += len;
            }
            if (piece == end) {
                StartLine(k, end, advance);
                return;
            }
            StartLine(k, piece, advance);
            Emit();
            if (!rules_.WordWrap || piece == k) {
                // Not one character fits (or no wrapping): the rest of the word is lost,
                // so a control too narrow for any text still ends.
                StartLine(end, end, 0);
                afterCut_ = true;
                full_ = !rules_.WordWrap;
                return;
            }
            k = piece;
        }
    }

    QStringView text_;
    TQRLineMeasure& measure_;
    const TQRLineRules& rules_;
    QStringList& lines_;
    qsizetype lineStart_ = 0;
    qsizetype lineEnd_ = 0;
    double lineAdvance_ = 0;
    bool full_ = false;
    bool afterCut_ = false;
};

// True when the paragraph fits on one line: its words' advances summed in the
// order the breaker sums a line, so that this agrees with what it would find.
// Stops at the first word past the width.
bool FitsWhole(QStringView paragraph, TQRLineMeasure& measure, const TQRLineRules& rules) {
    const qsizetype n = paragraph.size();
    double advance = 0;
    qsizetype i = 0;
    while (i < n) {
        const qsizetype j = WordEnd(paragraph, i);
        advance += measure.Advance(paragraph.mid(i, j - i));
        if (measure.WidthOfAdvance(advance) > rules.Width) {
            return false;
        }
        i = j;
    }
    return measure.WidthOfAdvance(advance) <= rules.Width;
}

// `whole`, when given, is the paragraph as a string of its own, kept as the
// line without a copy.
void FormatParagraph(QStringView paragraph, const QString* whole, TQRLineMeasure& measure,
                     const TQRLineRules& rules, QStringList& lines) {
    // Most texts fit their control: one line, the paragraph itself.
    if (rules.AutoSize || FitsWhole(paragraph, measure, rules)) {
        lines.append(whole != nullptr ? *whole : paragraph.toString());
        return;
    }
    ParagraphBreaker(paragraph, measure, rules, lines).Run();
}

}  // namespace

void QRFormatParagraphs(const QString& text, TQRLineMeasure& measure, const TQRLineRules& rules,
                        QStringList& lines) {
    const auto breaks = [](QChar c) { return c == u'\n' || c == u'\r'; };
    if (std::none_of(text.cbegin(), text.cend(), breaks)) {
        FormatParagraph(text, &text, measure, rules, lines);
        return;
    }
    QString source = text;
    source.remove(u'\n');
    const QStringView view(source);
    qsizetype start = 0;
    for (qsizetype cr = view.indexOf(u'\r'); cr >= 0; cr = view.indexOf(u'\r', start)) {
        FormatParagraph(view.mid(start, cr - start), nullptr, measure, rules, lines);
        start = cr + 1;
    }
    FormatParagraph(view.mid(start), nullptr, measure, rules, lines);
}

QStringList QRFormatLines(bool captionBased, const QString& caption, const QStringList& sourceLines,
                          TQRLineMeasure& measure, const TQRLineRules& rules) {
    QStringList lines;
    if (captionBased) {
        QRFormatParagraphs(caption, measure, rules, lines);
    } else if (rules.AutoSize) {
        lines = sourceLines;
    } else {
        for (const QString& line : sourceLines) {
            QRFormatParagraphs(line, measure, rules, lines);
        }
    }
    return lines;
}

int QRWidestLine(const QStringList& lines, TQRLineMeasure& measure) {
    int widest = 0;
    for (const QString& line : lines) {
        widest = std::max(widest, measure.TextWidth(line));
    }
    return widest;
}

}  // namespace quorin
