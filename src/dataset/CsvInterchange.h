#pragma once

#include <QByteArray>
#include <QString>

namespace quorin {

class TMemoryDataSet;

/// The TCsvInterchange class reads and writes a data set in the CSV interchange
/// form (docs/csv-interchange.md): UTF-8, ";" separator, CR LF, one header line
/// of field names in any order and any case, decimal comma, dates dd/mm/yyyy with
/// an optional hh:nn:ss, an empty cell for null. The form does not follow the
/// user's regional settings, so a file reads the same everywhere.
class TCsvInterchange {
  public:
    /// Replaces the rows of the data set (which must declare its fields) with the
    /// file's and opens it. Every declared field needs a column; other columns are
    /// carried as texts. Raises ECsvError naming the column, and the line and
    /// column of the cell, for a missing column or a value that does not convert
    /// (including a text longer than its field); the data set is then closed.
    static void Import(TMemoryDataSet& dataSet, const QByteArray& bytes);
    static void ImportFile(TMemoryDataSet& dataSet, const QString& path);
    /// The bytes of a CSV file, refused when it is not a regular file or is too large.
    static QByteArray ReadFile(const QString& path);

    /// Every stored row (filter ignored) and every column, declared or carried.
    /// Money fields are written with their four decimals.
    static QByteArray Export(const TMemoryDataSet& dataSet);
    static void ExportFile(const TMemoryDataSet& dataSet, const QString& path);

    /// The cell text of one value of the form (used by Export and by tests).
    static QString CellText(double value);
    /// The cell text of a money value (a float field whose display format has
    /// four fixed decimals, IsMoneyFormat): its Currency with four decimals,
    /// 415,0000 for 415,00000000000006.
    static QString MoneyCellText(double value);
    static bool IsMoneyFormat(const QString& displayFormat);
};

}  // namespace quorin
