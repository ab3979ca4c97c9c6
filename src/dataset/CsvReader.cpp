#include "dataset/CsvReader.h"

#include <QByteArrayView>
#include <algorithm>
#include <cstring>

#include "dataset/DataSetError.h"
#include "dataset/RowStore.h"
#include "runtime/FileAccess.h"

namespace quorin {

namespace {

// A character below 32 has no place in a cell, except the line breaks of a quoted
// one. Every byte of a longer UTF-8 sequence is 128 or more, so bytes tell.
void CheckCharacter(char c, int line, int column) {
    const auto code = uchar(c);
    if (code < 32) {
        throw ECsvError(QStringLiteral("Caractere de controle (código %1) na linha %2, coluna %3.")
                            .arg(code)
                            .arg(line)
                            .arg(column),
                        line, column);
    }
}

// Checks that text arriving in pieces is UTF-8, a sequence cut by a piece's end
// being completed by the next piece; raises with the line of the first bad sequence.
class Utf8Check {
  public:
    void Feed(QByteArrayView piece, bool last) {
        if (!carry_.isEmpty()) {
            // The carried bytes begin a sequence: the piece's first bytes complete it.
            const qsizetype need =
                std::clamp<qsizetype>(Length(uchar(carry_[0])) - carry_.size(), 0, piece.size());
            carry_.append(piece.first(need));
            piece = piece.sliced(need);
            if (carry_.size() < Length(uchar(carry_[0])) && !last) {
                return;
            }
            Check(carry_);
            carry_.clear();
        }
        const qsizetype complete = last ? piece.size() : CompleteLength(piece);
        Check(piece.first(complete));
        carry_ = piece.sliced(complete).toByteArray();
    }

  private:
    static qsizetype Length(uchar lead) { return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1; }

    // The length of the prefix that does not end inside a sequence.
    static qsizetype CompleteLength(QByteArrayView v) {
        for (qsizetype back = 1; back <= 4 && back <= v.size(); ++back) {
            const auto b = uchar(v[v.size() - back]);
            if ((b & 0xC0) == 0x80) {
                continue;  // a continuation byte: look further back for its lead
            }
            return Length(b) > back ? v.size() - back : v.size();
        }
        return v.size();
    }

    void Check(QByteArrayView text) {
        if (!text.isValidUtf8()) {
            Fail(text);
        }
        lines_ += int(text.count('\n'));
    }

    [[noreturn]] void Fail(QByteArrayView raw) const {
        int line = lines_ + 1;
        qsizetype i = 0;
        while (i < raw.size()) {
            const qsizetype eol = raw.indexOf('\n', i);
            const qsizetype end = eol < 0 ? raw.size() : eol;
            if (!raw.sliced(i, end - i).isValidUtf8()) {
                break;
            }
            i = end + 1;
            ++line;
        }
        throw ECsvError(QStringLiteral("O arquivo CSV não está em UTF-8 (linha %1).").arg(line), line);
    }

    QByteArray carry_;
    int lines_ = 0;
};

// A file saved with another separator fails on its header; say so rather than
// report every column missing.
void CheckSeparator(QByteArrayView text) {
    qsizetype start = 0;
    while (start < text.size() && (text[start] == '\r' || text[start] == '\n')) {
        ++start;
    }
    qsizetype end = start;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') {
        ++end;
    }
    const QByteArrayView first = text.sliced(start, end - start);
    if (first.contains(';') || first.startsWith('"')) {
        return;
    }
    const bool tab = first.contains('\t');
    if (tab || first.contains(',')) {
        const int line = int(text.first(start).count('\n')) + 1;
        throw ECsvError(QStringLiteral("O arquivo CSV usa %1 como separador, na linha %2; "
                                       "o separador deve ser o ponto e vírgula (\";\").")
                            .arg(tab ? QStringLiteral("tabulação") : QStringLiteral("vírgula (\",\")"))
                            .arg(line),
                        line);
    }
}

}  // namespace

QString TCsvReader::Text(const RawCell& cell) {
    return TextFromUtf8(cell.bytes);
}

qsizetype TCsvReader::Utf16Length(const RawCell& cell) {
    qsizetype n = 0;
    for (const char c : cell.bytes) {
        const auto b = uchar(c);
        n += (b & 0xC0) != 0x80 ? 1 : 0;  // a character starts here
        n += b >= 0xF0 ? 1 : 0;           // beyond U+FFFF: a surrogate pair
    }
    return n;
}

namespace {

// Splits text into records as it arrives: Feed hands over every record that is
// complete in what has arrived so far; a record cut by the end of what arrived
// waits for more, unless that was the last of the text.
class RecordParser {
  public:
    using Each = std::function<void(TCsvReader::RawRecord&)>;

    explicit RecordParser(const Each& each) : each_(each) {}

    // `data` holds the text not yet taken (see Taken) followed by new text.
    void Feed(const char* data, qsizetype n, bool last) {
        data_ = data;
        n_ = n;
        last_ = last;
        i_ = 0;
        if (!separatorChecked_) {
            // The first line that is not blank must be whole before it can be judged.
            const QByteArrayView text(data, n);
            qsizetype start = 0;
            while (start < n && (data[start] == '\r' || data[start] == '\n')) {
                ++start;
            }
            const qsizetype end = text.indexOf('\n', start);
            const qsizetype cr = text.indexOf('\r', start);
            if (end < 0 && cr < 0 && !last) {
                return;
            }
            CheckSeparator(text);
            separatorChecked_ = true;
        }
        while (i_ < n_) {
            const qsizetype start = i_;
            const int startLine = line_;
            if (!Record()) {
                i_ = start;  // wait for the rest of this record
                line_ = startLine;
                return;
            }
        }
    }
    // How many bytes of the last Feed were made into records.
    qsizetype Taken() const { return i_; }

  private:
    // Parses one record from i_: false when it runs past what has arrived.
    bool Record() {
        TCsvReader::RawRecord record;
        bool hasContent = false;
        auto end = [&]() {
            // A line holding nothing at all is skipped.
            if (hasContent || record.size() > 1 || (record.size() == 1 && !record[0].bytes.isEmpty())) {
                each_(record);
            }
            return true;
        };
        for (;;) {
            TCsvReader::RawCell cell;
            cell.line = line_;
            const int column = static_cast<int>(record.size()) + 1;
            if (i_ < n_ && data_[i_] == '"') {
                hasContent = true;
                if (!Quoted(cell, column)) {
                    return false;
                }
            } else {
                const qsizetype start = i_;
                while (i_ < n_ && data_[i_] != ';' && data_[i_] != '\r' && data_[i_] != '\n') {
                    if (data_[i_] == '"') {
                        throw ECsvError(
                            QStringLiteral("Aspas no meio de um texto sem aspas na linha %1, coluna %2; "
                                           "um texto com aspas deve vir todo entre aspas, "
                                           "com as aspas internas dobradas.")
                                .arg(line_)
                                .arg(column),
                            line_, column);
                    }
                    CheckCharacter(data_[i_], line_, column);
                    ++i_;
                }
                if (i_ >= n_ && !last_) {
                    return false;
                }
                cell.bytes = QByteArray::fromRawData(data_ + start, i_ - start);
            }
            record.push_back(std::move(cell));
            if (i_ >= n_) {
                return end();
            }
            const char c = data_[i_];
            if (c == ';') {
                hasContent = true;
                ++i_;
                if (i_ == n_) {
                    if (!last_) {
                        return false;
                    }
                    record.push_back(TCsvReader::RawCell{QByteArray(), line_});
                    return end();
                }
                continue;
            }
            // Line end: CR LF, LF or a lone CR.
            if (c == '\r') {
                if (i_ + 1 == n_ && !last_) {
                    return false;  // a LF may follow
                }
                ++i_;
                if (i_ < n_ && data_[i_] == '\n') {
                    ++i_;
                }
            } else {
                ++i_;
            }
            ++line_;
            return end();
        }
    }

    // A cell between quotes, from its opening quote; false when it runs past what has arrived.
    bool Quoted(TCsvReader::RawCell& cell, int column) {
        const int startLine = line_;
        ++i_;
        qsizetype from = i_;  // start of the run not yet copied into the cell
        for (;;) {
            if (i_ >= n_) {
                if (!last_) {
                    return false;
                }
                throw ECsvError(
                    QStringLiteral("Aspas sem fechamento na linha %1, coluna %2.").arg(startLine).arg(column),
                    startLine, column);
            }
            const char c = data_[i_];
            if (c == '"') {
                if (i_ + 1 == n_ && !last_) {
                    return false;  // a doubled quote may be cut in two
                }
                cell.bytes.append(data_ + from, i_ - from);
                if (i_ + 1 < n_ && data_[i_ + 1] == '"') {
                    cell.bytes.append('"');
                    i_ += 2;
                    from = i_;
                    continue;
                }
                ++i_;
                break;
            }
            if (c == '\n') {
                ++line_;
            } else if (c != '\r') {
                CheckCharacter(c, line_, column);
            }
            ++i_;
        }
        if (i_ < n_ && data_[i_] != ';' && data_[i_] != '\r' && data_[i_] != '\n') {
            if (line_ != startLine) {
                // The quote that should have closed the cell is missing: the text ran on
                // to the next quote, lines later. The fault is where the cell began.
                throw ECsvError(QStringLiteral("Aspas sem fechamento na linha %1, coluna %2 "
                                               "(o texto entre aspas se estende até a linha %3).")
                                    .arg(startLine)
                                    .arg(column)
                                    .arg(line_),
                                startLine, column);
            }
            throw ECsvError(QStringLiteral("Texto depois das aspas de fechamento na linha %1, coluna %2.")
                                .arg(line_)
                                .arg(column),
                            line_, column);
        }
        return true;
    }

    const Each& each_;
    const char* data_ = nullptr;
    qsizetype n_ = 0;
    qsizetype i_ = 0;
    bool last_ = false;
    bool separatorChecked_ = false;
    int line_ = 1;
};

QByteArrayView WithoutMark(QByteArrayView text) {
    return text.startsWith("\xEF\xBB\xBF") ? text.sliced(3) : text;
}

}  // namespace

void TCsvReader::ParseEach(const QByteArray& bytes, const std::function<void(RawRecord&)>& each) {
    const QByteArrayView text = WithoutMark(bytes);
    Utf8Check().Feed(text, true);
    RecordParser parser(each);
    parser.Feed(text.data(), text.size(), true);
}

void TCsvReader::ParseFile(TRegularFile& file, const std::function<void(RawRecord&)>& each, qint64 piece) {
    piece = std::max<qint64>(piece, 1);
    std::vector<char> buffer;
    auto read = [&file, &buffer, piece](qint64 at, qsizetype kept) {
        const qint64 want = std::min(piece, file.Size() - at);
        buffer.resize(size_t(kept + want));
        const qint64 got = file.ReadAt(at, buffer.data() + kept, want);
        buffer.resize(size_t(kept + got));
        return got;
    };
    // A byte order mark at the start is not text.
    qint64 start = 0;
    char head[3] = {};
    if (file.ReadAt(0, head, 3) == 3 && QByteArrayView(head, 3) == "\xEF\xBB\xBF") {
        start = 3;
    }
    // UTF-8 first, over the whole file, so that its fault is the one reported.
    Utf8Check utf8;
    for (qint64 at = start, got = -1; got != 0; at += got) {
        got = read(at, 0);
        utf8.Feed(QByteArrayView(buffer.data(), qsizetype(buffer.size())), got == 0 || at + got >= file.Size());
    }
    // Then the records, a piece at a time; a record cut by a piece's end waits for the next.
    RecordParser parser(each);
    qsizetype kept = 0;
    for (qint64 at = start;;) {
        const qint64 got = read(at, kept);
        at += got;
        const bool last = got == 0 || at >= file.Size();
        parser.Feed(buffer.data(), qsizetype(buffer.size()), last);
        if (last) {
            return;
        }
        kept = qsizetype(buffer.size()) - parser.Taken();
        std::memmove(buffer.data(), buffer.data() + parser.Taken(), size_t(kept));
    }
}

std::vector<TCsvReader::Record> TCsvReader::Parse(const QByteArray& bytes) {
    std::vector<Record> records;
    ParseEach(bytes, [&records](RawRecord& raw) {
        Record record;
        record.reserve(raw.size());
        const Record* above = records.empty() ? nullptr : &records.back();
        for (std::size_t c = 0; c < raw.size(); ++c) {
            Cell cell{Text(raw[c]), raw[c].line};
            // A text equal to the one above it (the process header, repeated on every
            // item) shares that one's storage instead of keeping a copy per row.
            if (above && c < above->size() && !cell.text.isEmpty() && cell.text == (*above)[c].text) {
                cell.text = (*above)[c].text;
            }
            record.push_back(std::move(cell));
        }
        records.push_back(std::move(record));
    });
    return records;
}

}  // namespace quorin
