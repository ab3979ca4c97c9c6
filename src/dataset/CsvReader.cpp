#include "dataset/CsvReader.h"

#include <QStringDecoder>

#include "dataset/DataSetError.h"

namespace quorin {

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

    std::vector<Record> records;
    Record record;
    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = 1;
    bool recordHasContent = false;

    auto endRecord = [&]() {
        // A line holding nothing at all is skipped.
        if (recordHasContent || record.size() > 1 || (record.size() == 1 && !record[0].text.isEmpty())) {
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
                throw ECsvError(QStringLiteral("Texto depois das aspas de fechamento na linha %1, coluna %2.")
                                    .arg(line)
                                    .arg(column),
                                line, column);
            }
        } else {
            const qsizetype start = i;
            while (i < n && text[i] != u';' && text[i] != u'\r' && text[i] != u'\n') {
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
