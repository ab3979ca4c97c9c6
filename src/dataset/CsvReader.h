#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

namespace quorin {

class TRegularFile;

/// The TCsvReader class splits a CSV text of the interchange form (UTF-8, ";"
/// separator, CR LF or LF line ends, quotes as in RFC 4180) into records of
/// cells. It knows nothing of fields; see TCsvInterchange for that.
///
/// A byte order mark at the start is skipped; blank lines are ignored. Text that
/// is not UTF-8, badly placed quotes and control characters raise ECsvError with
/// the line and column.
class TCsvReader {
  public:
    struct Cell {
        QString text;
        int line = 0;  ///< 1-based physical line where the cell starts
    };
    using Record = std::vector<Cell>;

    /// A cell as it stands in the file: its UTF-8 bytes (quotes removed, doubled
    /// quotes made single), valid only during the call that receives it.
    struct RawCell {
        QByteArray bytes;
        int line = 0;
    };
    using RawRecord = std::vector<RawCell>;

    /// Parses the whole text into records. A text equal to the one above it in
    /// the same column shares that one's storage.
    static std::vector<Record> Parse(const QByteArray& bytes);

    /// Parses the text record by record, without decoding it, handing each record
    /// to `each` as soon as it ends.
    static void ParseEach(const QByteArray& bytes, const std::function<void(RawRecord&)>& each);
    /// As ParseEach, reading the file a piece of `piece` bytes at a time: never
    /// whole in memory.
    static void ParseFile(TRegularFile& file, const std::function<void(RawRecord&)>& each,
                          qint64 piece = qint64(8) << 20);

    /// The text of a raw cell (a byte order mark at its start is kept).
    static QString Text(const RawCell& cell);

    /// The length of a raw cell's text in UTF-16 code units, without decoding it.
    static qsizetype Utf16Length(const RawCell& cell);
};

}  // namespace quorin
