#include "dataset/CsvReader.h"

#include <QStringDecoder>

#include "dataset/DataSetError.h"

namespace quorin {

namespace {

// A character below 32 has no place in a cell, except the line breaks of a quoted one.
void CheckCharacter(QChar c, int line, int column) {
    if (c.unicode() < 32) {
        throw ECsvError(QStringLiteral("Caractere de controle (código %1) na linha %2, coluna %3.")
                            .arg(c.unicode())
                            .arg(line)
                            .arg(column),
                        line, column);
    }
}

}  // namespace

std::vector<TCsvReader::Record> TCsvReader::Parse(const QByteArray& bytes) {
    QByteArray raw = bytes;
    if (raw.startsWith("\xEF\xBB\xBF")) {
        raw.remove(0, 3);
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(raw);
    if (decoder.hasError()) {
        // Find the line of the first bad sequence for the message.
        int line = 1;
        qsizetype i = 0;
        while (i < raw.size()) {
            QStringDecoder probe(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const qsizetype eol = raw.indexOf('\n', i);
            const qsizetype end = eol < 0 ? raw.size() : eol;
            const QString lineText = probe.decode(QByteArrayView(raw.constData() + i, end - i));
            if (probe.hasError()) {
                break;
            }
            i = end + 1;
            ++line;
        }
        throw ECsvError(QStringLiteral("O arquivo CSV não está em UTF-8 (linha %1).").arg(line), line);
    }

    // A file saved with another separator fails on its header; say so rather
    // than report every column missing.
    {
        qsizetype start = 0;
        while (start < text.size() && (text[start] == u'\r' || text[start] == u'\n')) {
            ++start;
        }
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') {
            ++end;
        }
        const QStringView first = QStringView(text).mid(start, end - start);
        if (!first.contains(u';') && !first.startsWith(u'"')) {
            const bool tab = first.contains(u'\t');
            if (tab || first.contains(u',')) {
                const int line = int(QStringView(text).left(start).count(u'\n')) + 1;
                throw ECsvError(QStringLiteral("O arquivo CSV usa %1 como separador, na linha %2; "
                                               "o separador deve ser o ponto e vírgula (\";\").")
                                    .arg(tab ? QStringLiteral("tabulação") : QStringLiteral("vírgula (\",\")"))
                                    .arg(line),
                                line);
            }
        }
    }

    std::vector<Record> records;
    Record record;
    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = 1;
    bool recordHasContent = false;

    auto endRecord = [&]() {
        // A line holding nothing at all is skipped.
        if (recordHasContent || record.size() > 1 || (record.size() == 1 && !record[0].text.isEmpty())) {
            // A text equal to the one above it (the process header, repeated on every
            // item) shares that one's storage instead of keeping a copy per row.
            if (!records.empty()) {
                const Record& above = records.back();
                for (std::size_t c = 0; c < record.size() && c < above.size(); ++c) {
                    if (!record[c].text.isEmpty() && record[c].text == above[c].text) {
                        record[c].text = above[c].text;
                    }
                }
            }
            records.push_back(std::move(record));
        }
        record.clear();
        recordHasContent = false;
    };

    while (i <= n) {
        Cell cell;
        cell.line = line;
        const int column = static_cast<int>(record.size()) + 1;
        if (i < n && text[i] == u'"') {
            recordHasContent = true;
            const int startLine = line;
            ++i;
            bool closed = false;
            while (i < n) {
                const QChar c = text[i];
                if (c == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        cell.text += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                if (c == u'\n') {
                    ++line;
                } else if (c != u'\r') {
                    CheckCharacter(c, line, column);
                }
                cell.text += c;
                ++i;
            }
            if (!closed) {
                throw ECsvError(
                    QStringLiteral("Aspas sem fechamento na linha %1, coluna %2.").arg(startLine).arg(column),
                    startLine, column);
            }
            if (i < n && text[i] != u';' && text[i] != u'\r' && text[i] != u'\n') {
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
            while (i < n && text[i] != u';' && text[i] != u'\r' && text[i] != u'\n') {
                if (text[i] == u'"') {
                    throw ECsvError(QStringLiteral("Aspas no meio de um texto sem aspas na linha %1, coluna %2; "
                                                   "um texto com aspas deve vir todo entre aspas, "
                                                   "com as aspas internas dobradas.")
                                        .arg(line)
                                        .arg(column),
                                    line, column);
                }
                CheckCharacter(text[i], line, column);
                ++i;
            }
            cell.text = text.mid(start, i - start);
        }
        record.push_back(std::move(cell));
        if (i >= n) {
            endRecord();
            break;
        }
        const QChar c = text[i];
        if (c == u';') {
            recordHasContent = true;
            ++i;
            if (i == n) {
                record.push_back(Cell{QString(), line});
                endRecord();
                break;
            }
            continue;
        }
        // Line end: CR LF, LF or a lone CR.
        if (c == u'\r') {
            ++i;
            if (i < n && text[i] == u'\n') {
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
    return records;
}

}  // namespace quorin
