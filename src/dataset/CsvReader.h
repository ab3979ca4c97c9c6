#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace quorin {

/// The TCsvReader class splits a CSV text of the interchange form (UTF-8, ";"
/// separator, CR LF or LF line ends, quotes as in RFC 4180) into records of
/// cells. It knows nothing of fields; see TCsvInterchange for that.
class TCsvReader {
  public:
    struct Cell {
        QString text;
        int line = 0;  ///< 1-based physical line where the cell starts
    };
    using Record = std::vector<Cell>;

    /// Parses the whole text. A byte order mark is skipped; blank lines are
    /// ignored. Raises ECsvError (with line and column) for text that is not
    /// UTF-8 or for badly placed quotes.
    static std::vector<Record> Parse(const QByteArray& bytes);
};

}  // namespace quorin
