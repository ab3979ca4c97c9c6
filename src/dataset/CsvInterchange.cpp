#include "dataset/CsvInterchange.h"

#include <QFile>
#include <charconv>
#include <cmath>
#include <limits>
#include <functional>
#include <optional>

#include "dataset/CsvReader.h"
#include "dataset/DataSetError.h"
#include "dataset/TMemoryDataSet.h"
#include "runtime/Conversions.h"
#include "runtime/Currency.h"
#include "runtime/DateTime.h"
#include "runtime/FileAccess.h"
#include "runtime/SafeFile.h"

namespace quorin {

namespace {

// A 1,000,000-item process is 0.7 GB of CSV.
constexpr qint64 kMaxFileBytes = qint64(2) << 30;

const FormatSettings& CsvSettings() {
    static const FormatSettings settings = FormatSettings::brazilian();
    return settings;
}

[[noreturn]] void BadCell(const TCsvReader::RawCell& cell, int column, const QString& name, const QString& why) {
    throw ECsvError(QStringLiteral("Valor inválido na linha %1, coluna %2 ('%3'): %4")
                        .arg(cell.line)
                        .arg(column)
                        .arg(name, why),
                    cell.line, column, name);
}

// Converts one cell of a field's column and stores it; texts go in as the file's bytes.
void StoreCell(TRowStore& rows, uint32_t row, int to, const TField& field, const TCsvReader::RawCell& cell,
               int column) {
    if (cell.bytes.isEmpty()) {
        return;  // null
    }
    switch (field.DataType()) {
        case TFieldType::ftString: {
            const qsizetype length = TCsvReader::Utf16Length(cell);
            if (length > field.Size()) {
                BadCell(cell, column, field.FieldName(),
                        QStringLiteral("o texto tem %1 caracteres; o campo aceita no máximo %2.")
                            .arg(length)
                            .arg(field.Size()));
            }
            rows.SetBytes(row, to, cell.bytes.constData(), cell.bytes.size());
            return;
        }
        case TFieldType::ftMemo:
        case TFieldType::ftBlob:
            rows.SetBytes(row, to, cell.bytes.constData(), cell.bytes.size());
            return;
        case TFieldType::ftSmallint:
        case TFieldType::ftInteger:
        case TFieldType::ftFloat:
        case TFieldType::ftDateTime:
            break;
    }
    const QString raw = TCsvReader::Text(cell);
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
            rows.SetValue(row, to, static_cast<int32_t>(v));
            return;
        }
        case TFieldType::ftFloat: {
            double v = 0;
            if (!TryStrToFloat(t, v, CsvSettings()) || !std::isfinite(v)) {
                BadCell(cell, column, field.FieldName(),
                        QStringLiteral("'%1' não é um número (use vírgula decimal, sem separador de milhar).")
                            .arg(raw));
            }
            rows.SetValue(row, to, v);
            return;
        }
        case TFieldType::ftDateTime: {
            QDateTime dt;
            if (!TryStrToDateTime(t, dt, CsvSettings())) {
                BadCell(cell, column, field.FieldName(),
                        QStringLiteral("'%1' não é uma data dd/mm/aaaa [hh:mm:ss].").arg(raw));
            }
            rows.SetValue(row, to, DateTimeToDays(dt));
            return;
        }
        default:
            return;
    }
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

bool TCsvInterchange::IsMoneyFormat(const QString& displayFormat) {
    // "#,##0.0000" and the like: exactly four fixed decimals, the money of Currency.
    const qsizetype point = displayFormat.indexOf(u'.');
    return point >= 0 && displayFormat.mid(point + 1) == QStringLiteral("0000");
}

QString TCsvInterchange::MoneyCellText(double value) {
    // The value as Currency holds it, so the binary noise of a product
    // (415,00000000000006) is not written and reading the text back gives the
    // same Currency. Beyond 4 x 10^11 a double no longer holds every
    // ten-thousandth; there, and for what is not money at all, the shortest
    // text that reads back as the same double.
    if (!std::isfinite(value) || std::fabs(value) >= 4e11) {
        return CellText(value);
    }
    const int64_t scaled = Currency::FromDouble(value).Scaled();
    const uint64_t magnitude = scaled < 0 ? uint64_t(0) - uint64_t(scaled) : uint64_t(scaled);
    QString s = QString::number(magnitude / 10000) + u',' +
                QStringLiteral("%1").arg(magnitude % 10000, 4, 10, QChar(u'0'));
    if (scaled < 0 || (value == 0 && std::signbit(value))) s.prepend(u'-');  // a negative zero stays one
    return s;
}

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

namespace {

using RecordSource = std::function<void(const std::function<void(TCsvReader::RawRecord&)>&)>;

void ImportRecords(TMemoryDataSet& ds, const RecordSource& parse) {
    ds.Close();
    ds.ClearCarriedColumns();
    const bool declare = ds.Fields().empty();
    const int declared = static_cast<int>(ds.AllColumns().size());

    // Filled from the header: CSV column -> declared field, or the carried column it becomes.
    std::vector<QString> names;
    std::vector<TField*> target;
    std::vector<int> storage;        // column of the row store
    std::vector<int> carriedWidth;   // widest text of each carried column
    std::vector<int> carriedSource;  // CSV column of each carried column
    int headerLine = 0;
    std::vector<TFieldType> kinds;
    for (const TField* f : ds.AllColumns()) {
        kinds.push_back(f->DataType());
    }
    std::optional<TRowStore> rows;

    auto readHeader = [&](const TCsvReader::RawRecord& header) {
        headerLine = header.front().line;
        names.resize(header.size());
        target.assign(header.size(), nullptr);
        storage.assign(header.size(), -1);
        for (std::size_t c = 0; c < header.size(); ++c) {
            const QString name = Trim(TCsvReader::Text(header[c]));
            const int column = static_cast<int>(c) + 1;
            if (name.isEmpty()) {
                throw ECsvError(QStringLiteral("A coluna %1 do cabeçalho (linha %2) não tem nome.")
                                    .arg(column)
                                    .arg(headerLine),
                                headerLine, column);
            }
            for (std::size_t k = 0; k < c; ++k) {
                if (names[k].compare(name, Qt::CaseInsensitive) == 0) {
                    throw ECsvError(
                        QStringLiteral("A coluna '%1' aparece duas vezes no cabeçalho (colunas %2 e %3).")
                            .arg(name)
                            .arg(k + 1)
                            .arg(column),
                        headerLine, column, name);
                }
            }
            names[c] = name;
            if (!declare) {
                target[c] = ds.FindField(name);
            }
            if (target[c]) {
                storage[c] = target[c]->Index();
            } else {
                // Carried as a text wide enough for its values, after the declared columns.
                storage[c] = declared + static_cast<int>(carriedSource.size());
                carriedSource.push_back(static_cast<int>(c));
                carriedWidth.push_back(1);
                kinds.push_back(TFieldType::ftString);
            }
        }
        for (TField* f : ds.Fields()) {
            if (std::find(target.begin(), target.end(), f) == target.end()) {
                throw ECsvError(QStringLiteral("Falta a coluna '%1' no arquivo CSV.").arg(f->FieldName()),
                                headerLine, 0, f->FieldName());
            }
        }
        rows.emplace(std::move(kinds));
    };

    parse([&](TCsvReader::RawRecord& record) {
        if (!rows) {
            readHeader(record);
            return;
        }
        if (record.size() != names.size()) {
            const int line = record.front().line;
            throw ECsvError(QStringLiteral("A linha %1 tem %2 colunas; o cabeçalho tem %3.")
                                .arg(line)
                                .arg(record.size())
                                .arg(names.size()),
                            line);
        }
        const uint32_t row = rows->AddRow();
        for (std::size_t c = 0; c < record.size(); ++c) {
            if (target[c]) {
                StoreCell(*rows, row, storage[c], *target[c], record[c], static_cast<int>(c) + 1);
            } else if (!record[c].bytes.isEmpty()) {
                int& width = carriedWidth[size_t(storage[c] - declared)];
                width = std::max(width, static_cast<int>(TCsvReader::Utf16Length(record[c])));
                rows->SetBytes(row, storage[c], record[c].bytes.constData(), record[c].bytes.size());
            }
        }
    });
    if (!rows) {
        throw ECsvError(QStringLiteral("O arquivo CSV está vazio: falta a linha de cabeçalho."), 1);
    }
    for (std::size_t k = 0; k < carriedSource.size(); ++k) {
        const QString& name = names[size_t(carriedSource[k])];
        if (declare) {
            ds.AddStringField(name, carriedWidth[k]);
        } else {
            ds.AddCarriedColumn(name, TFieldType::ftString, carriedWidth[k]);
        }
    }
    try {
        ds.OpenWithStore(std::move(*rows));
    } catch (...) {
        ds.ClearCarriedColumns();
        throw;
    }
}

}  // namespace

void TCsvInterchange::Import(TMemoryDataSet& ds, const QByteArray& bytes) {
    ImportRecords(ds, [&bytes](const auto& each) { TCsvReader::ParseEach(bytes, each); });
}

QByteArray TCsvInterchange::ReadFile(const QString& path) {
    try {
        return ReadRegularFile(path, kMaxFileBytes);
    } catch (const EDataSetError&) {
        throw;
    } catch (const Exception& e) {
        throw EDataSetError(e.message());
    }
}

void TCsvInterchange::ImportFile(TMemoryDataSet& ds, const QString& path) {
    try {
        // Read a piece at a time: the file is never whole in memory beside its rows.
        TRegularFile file(path, kMaxFileBytes);
        ImportRecords(ds, [&file](const auto& each) { TCsvReader::ParseFile(file, each); });
    } catch (const EDataSetError&) {
        throw;
    } catch (const Exception& e) {
        throw EDataSetError(e.message());
    }
}

QByteArray TCsvInterchange::Export(const TMemoryDataSet& ds) {
    const std::vector<TField*>& columns = ds.AllColumns();
    std::vector<bool> money(columns.size(), false);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        money[c] = columns[c]->DataType() == TFieldType::ftFloat && IsMoneyFormat(columns[c]->DisplayFormat());
    }
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
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c > 0) {
                out += u';';
            }
            const TFieldValue v = ds.StoredValue(r, static_cast<int>(c));
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
                        out += money[c] ? MoneyCellText(*f) : CellText(*f);
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
