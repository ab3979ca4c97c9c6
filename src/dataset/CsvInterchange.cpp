#include "dataset/CsvInterchange.h"

#include <QFile>
#include <charconv>
#include <cmath>
#include <limits>

#include "dataset/CsvReader.h"
#include "dataset/DataSetError.h"
#include "dataset/TMemoryDataSet.h"
#include "runtime/Conversions.h"
#include "runtime/DateTime.h"
#include "runtime/FileAccess.h"
#include "runtime/SafeFile.h"

namespace quorin {

namespace {

const FormatSettings& CsvSettings() {
    static const FormatSettings settings = FormatSettings::brazilian();
    return settings;
}

[[noreturn]] void BadCell(const TCsvReader::Cell& cell, int column, const QString& name, const QString& why) {
    throw ECsvError(QStringLiteral("Valor inválido na linha %1, coluna %2 ('%3'): %4")
                        .arg(cell.line)
                        .arg(column)
                        .arg(name, why),
                    cell.line, column, name);
}

TFieldValue ParseCell(const TField& field, const TCsvReader::Cell& cell, int column) {
    const QString& raw = cell.text;
    if (raw.isEmpty()) {
        return {};
    }
    const QString t = Trim(raw);
    switch (field.DataType()) {
        case TFieldType::ftSmallint:
        case TFieldType::ftInteger: {
            int64_t v = 0;
            if (!TryStrToInt64(t, v)) {
                BadCell(cell, column, field.FieldName(),
                        QStringLiteral("'%1' não é um número inteiro.").arg(raw));
            }
            const int64_t lo = field.DataType() == TFieldType::ftSmallint ? INT16_MIN : INT32_MIN;
            const int64_t hi = field.DataType() == TFieldType::ftSmallint ? INT16_MAX : INT32_MAX;
            if (v < lo || v > hi) {
                BadCell(cell, column, field.FieldName(),
                        QStringLiteral("%1 está fora do intervalo de %2 a %3.").arg(v).arg(lo).arg(hi));
            }
            return static_cast<int32_t>(v);
        }
        case TFieldType::ftFloat: {
            double v = 0;
            if (!TryStrToFloat(t, v, CsvSettings()) || !std::isfinite(v)) {
                BadCell(cell, column, field.FieldName(),
                        QStringLiteral("'%1' não é um número (use vírgula decimal, sem separador de milhar).")
                            .arg(raw));
            }
            return v;
        }
        case TFieldType::ftDateTime: {
            QDateTime dt;
            if (!TryStrToDateTime(t, dt, CsvSettings())) {
                BadCell(cell, column, field.FieldName(),
                        QStringLiteral("'%1' não é uma data dd/mm/aaaa [hh:mm:ss].").arg(raw));
            }
            return DateTimeToDays(dt);
        }
        case TFieldType::ftString:
            if (raw.size() > field.Size()) {
                BadCell(cell, column, field.FieldName(),
                        QStringLiteral("o texto tem %1 caracteres; o campo aceita no máximo %2.")
                            .arg(raw.size())
                            .arg(field.Size()));
            }
            return raw;
        case TFieldType::ftMemo:
            return raw;
        case TFieldType::ftBlob:
            return raw.toUtf8();
    }
    return {};
}

QString Quoted(const QString& text) {
    // A byte order mark at the start of the file would be taken for the file's own.
    if (!text.startsWith(QChar(0xFEFF)) && !text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r')) {
        return text;
    }
    QString out = text;
    out.replace(u'"', QStringLiteral("\"\""));
    return u'"' + out + u'"';
}

}  // namespace

QString TCsvInterchange::CellText(double value) {
    // The shortest text that reads back as the same double, with a decimal comma.
    char buf[64];
    const double mag = std::fabs(value);
    const auto format =
        (mag != 0 && (mag < 1e-6 || mag >= 1e17)) ? std::chars_format::scientific : std::chars_format::fixed;
    const auto res = std::to_chars(buf, buf + sizeof buf, value, format);
    QString s = QString::fromLatin1(buf, res.ptr - buf);
    s.replace(u'.', u',');
    return s;
}

void TCsvInterchange::Import(TMemoryDataSet& ds, const QByteArray& bytes) {
    ds.Close();
    ds.ClearCarriedColumns();
    std::vector<TCsvReader::Record> records = TCsvReader::Parse(bytes);
    if (records.empty()) {
        throw ECsvError(QStringLiteral("O arquivo CSV está vazio: falta a linha de cabeçalho."), 1);
    }
    const TCsvReader::Record& header = records.front();
    const int headerLine = header.front().line;
    const bool declare = ds.Fields().empty();
    // CSV column -> declared field (or a carried column created below).
    std::vector<TField*> target(header.size(), nullptr);
    std::vector<int> carriedColumns;
    for (std::size_t c = 0; c < header.size(); ++c) {
        const QString name = Trim(header[c].text);
        const int column = static_cast<int>(c) + 1;
        if (name.isEmpty()) {
            throw ECsvError(QStringLiteral("A coluna %1 do cabeçalho (linha %2) não tem nome.")
                                .arg(column)
                                .arg(headerLine),
                            headerLine, column);
        }
        for (std::size_t k = 0; k < c; ++k) {
            if (Trim(header[k].text).compare(name, Qt::CaseInsensitive) == 0) {
                throw ECsvError(
                    QStringLiteral("A coluna '%1' aparece duas vezes no cabeçalho (colunas %2 e %3).")
                        .arg(name)
                        .arg(k + 1)
                        .arg(column),
                    headerLine, column, name);
            }
        }
        if (!declare) {
            target[c] = ds.FindField(name);
        }
        if (!target[c]) {
            carriedColumns.push_back(static_cast<int>(c));
        }
    }
    for (TField* f : ds.Fields()) {
        bool present = false;
        for (TField* t : target) {
            present = present || t == f;
        }
        if (!present) {
            throw ECsvError(QStringLiteral("Falta a coluna '%1' no arquivo CSV.").arg(f->FieldName()),
                            headerLine, 0, f->FieldName());
        }
    }
    for (std::size_t r = 1; r < records.size(); ++r) {
        if (records[r].size() != header.size()) {
            const int line = records[r].front().line;
            throw ECsvError(QStringLiteral("A linha %1 tem %2 colunas; o cabeçalho tem %3.")
                                .arg(line)
                                .arg(records[r].size())
                                .arg(header.size()),
                            line);
        }
    }
    // Columns the data set does not declare are carried as texts wide enough for their values.
    for (int c : carriedColumns) {
        int width = 1;
        for (std::size_t r = 1; r < records.size(); ++r) {
            width = std::max(width, static_cast<int>(records[r][c].text.size()));
        }
        TField* f = declare ? ds.AddStringField(Trim(header[c].text), width)
                            : ds.AddCarriedColumn(Trim(header[c].text), TFieldType::ftString, width);
        target[c] = f;
    }
    const std::vector<TField*>& columns = ds.AllColumns();
    std::vector<int> storage(header.size());
    for (std::size_t c = 0; c < header.size(); ++c) {
        for (std::size_t k = 0; k < columns.size(); ++k) {
            if (columns[k] == target[c]) {
                storage[c] = static_cast<int>(k);
            }
        }
    }
    std::vector<std::vector<TFieldValue>> rows;
    rows.reserve(records.size() - 1);
    try {
        for (std::size_t r = 1; r < records.size(); ++r) {
            std::vector<TFieldValue> values(columns.size());
            for (std::size_t c = 0; c < header.size(); ++c) {
                values[storage[c]] = ParseCell(*target[c], records[r][c], static_cast<int>(c) + 1);
            }
            rows.push_back(std::move(values));
            records[r] = TCsvReader::Record();  // converted: its texts live on in the row
        }
    } catch (...) {
        ds.ClearCarriedColumns();
        throw;
    }
    records.clear();
    ds.OpenWithRows(std::move(rows));
}

QByteArray TCsvInterchange::ReadFile(const QString& path) {
    // Cells cost tens of bytes each in memory; no process comes near this size.
    constexpr qint64 maxBytes = qint64(256) << 20;
    try {
        return ReadRegularFile(path, maxBytes);
    } catch (const EDataSetError&) {
        throw;
    } catch (const Exception& e) {
        throw EDataSetError(e.message());
    }
}

void TCsvInterchange::ImportFile(TMemoryDataSet& ds, const QString& path) {
    Import(ds, ReadFile(path));
}

QByteArray TCsvInterchange::Export(const TMemoryDataSet& ds) {
    const std::vector<TField*>& columns = ds.AllColumns();
    QString out;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (c > 0) {
            out += u';';
        }
        const QString& name = columns[c]->FieldName();
        // A lone header holding a comma would read back as a file of the wrong separator.
        out += columns.size() == 1 && name.contains(u',') && !name.contains(u'"')
                   ? u'"' + name + u'"'
                   : Quoted(name);
    }
    out += QStringLiteral("\r\n");
    for (int r = 0; r < ds.StoredRowCount(); ++r) {
        const std::vector<TFieldValue>& row = ds.StoredRow(r);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c > 0) {
                out += u';';
            }
            const TFieldValue& v = row[c];
            if (IsNullValue(v)) {
                if (columns.size() == 1) {
                    out += QStringLiteral("\"\"");  // an empty line would be skipped on reading
                }
                continue;
            }
            switch (columns[c]->DataType()) {
                case TFieldType::ftSmallint:
                case TFieldType::ftInteger:
                    if (const auto* i = std::get_if<int32_t>(&v)) {
                        out += QString::number(*i);
                    }
                    break;
                case TFieldType::ftFloat:
                    if (const auto* f = std::get_if<double>(&v)) {
                        out += CellText(*f);
                    }
                    break;
                case TFieldType::ftDateTime:
                    if (const auto* f = std::get_if<double>(&v)) {
                        const QDateTime dt = DaysToDateTime(*f);
                        out +=
                            FormatDateTime(dt.time() == QTime(0, 0) ? QStringLiteral("dd/mm/yyyy")
                                                                    : QStringLiteral("dd/mm/yyyy hh:nn:ss"),
                                           dt, CsvSettings());
                    }
                    break;
                case TFieldType::ftString:
                case TFieldType::ftMemo:
                case TFieldType::ftBlob:
                    out += Quoted(columns[c]->TextOf(v));
                    break;
            }
        }
        out += QStringLiteral("\r\n");
    }
    return out.toUtf8();
}

void TCsvInterchange::ExportFile(const TMemoryDataSet& ds, const QString& path) {
    const QByteArray bytes = Export(ds);
    try {
        WriteFileSafely(path, bytes);
    } catch (const EDataSetError&) {
        throw;
    } catch (const Exception& e) {
        throw EDataSetError(e.message());
    }
}

}  // namespace quorin
