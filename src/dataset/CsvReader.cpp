#include "dataset/CsvReader.h"

#include <QByteArrayView>
#include <QStringDecoder>

#include "dataset/DataSetError.h"
#include "dataset/RowStore.h"

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

[[noreturn]] void NotUtf8(QByteArrayView raw) {
    // The line of the first bad sequence, for the message.
    int line = 1;
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

void TCsvReader::ParseEach(const QByteArray& bytes, const std::function<void(RawRecord&)>& each) {
    QByteArrayView text(bytes);
    if (text.startsWith("\xEF\xBB\xBF")) {
        text = text.sliced(3);
    }
    if (!text.isValidUtf8()) {
        NotUtf8(text);
    }
    CheckSeparator(text);

    RawRecord record;
    const qsizetype n = text.size();
    const char* data = text.data();
    qsizetype i = 0;
    int line = 1;
    bool recordHasContent = false;

    auto endRecord = [&]() {
        // A line holding nothing at all is skipped.
        if (recordHasContent || record.size() > 1 || (record.size() == 1 && !record[0].bytes.isEmpty())) {
            each(record);
        }
        record.clear();
        recordHasContent = false;
    };

    while (i <= n) {
        RawCell cell;
        cell.line = line;
        const int column = static_cast<int>(record.size()) + 1;
        if (i < n && data[i] == '"') {
            recordHasContent = true;
            const int startLine = line;
            ++i;
            bool closed = false;
            qsizetype from = i;  // start of the run not yet copied into the cell
            while (i < n) {
                const char c = data[i];
                if (c == '"') {
                    cell.bytes.append(data + from, i - from);
                    if (i + 1 < n && data[i + 1] == '"') {
                        cell.bytes.append('"');
                        i += 2;
                        from = i;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                if (c == '\n') {
                    ++line;
                } else if (c != '\r') {
                    CheckCharacter(c, line, column);
                }
                ++i;
            }
            if (!closed) {
                throw ECsvError(
                    QStringLiteral("Aspas sem fechamento na linha %1, coluna %2.").arg(startLine).arg(column),
                    startLine, column);
            }
            if (i < n && data[i] != ';' && data[i] != '\r' && data[i] != '\n') {
                if (line != startLine) {
                    // The quote that should have closed the cell is missing: the text ran on
                    // to the next quote, lines later. The fault is where the cell began.
                    throw ECsvError(QStringLiteral("Aspas sem fechamento na linha %1, coluna %2 "
                                                   "(o texto entre aspas se estende até a linha %3).")
                                        .arg(startLine)
                                        .arg(column)
                                        .arg(line),
                                    startLine, column);
                }
                throw ECsvError(QStringLiteral("Texto depois das aspas de fechamento na linha %1, coluna %2.")
                                    .arg(line)
                                    .arg(column),
                                line, column);
            }
        } else {
            const qsizetype start = i;
            while (i < n && data[i] != ';' && data[i] != '\r' && data[i] != '\n') {
                if (data[i] == '"') {
                    throw ECsvError(QStringLiteral("Aspas no meio de um texto sem aspas na linha %1, coluna %2; "
                                                   "um texto com aspas deve vir todo entre aspas, "
                                                   "com as aspas internas dobradas.")
                                        .arg(line)
                                        .arg(column),
                                    line, column);
                }
                CheckCharacter(data[i], line, column);
                ++i;
            }
            cell.bytes = QByteArray::fromRawData(data + start, i - start);
        }
        record.push_back(std::move(cell));
        if (i >= n) {
            endRecord();
            break;
        }
        const char c = data[i];
        if (c == ';') {
            recordHasContent = true;
            ++i;
            if (i == n) {
                record.push_back(RawCell{QByteArray(), line});
                endRecord();
                break;
            }
            continue;
        }
        // Line end: CR LF, LF or a lone CR.
        if (c == '\r') {
            ++i;
            if (i < n && data[i] == '\n') {
                ++i;
            }
        } else {
            ++i;
        }
        ++line;
        endRecord();
        if (i == n) {
            break;
        }
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
