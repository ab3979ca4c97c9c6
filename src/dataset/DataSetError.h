#pragma once

#include <QString>

#include "runtime/Exceptions.h"

namespace quorin {

/// Raised by the data set engine: operations on a closed data set, a value that
/// does not fit its field, an invalid filter or index, a bad data-packet or CSV
/// file. The message is Portuguese and ready to be shown to the user.
class EDataSetError : public Exception {
  public:
    using Exception::Exception;
};

/// A CSV file that cannot be read: carries the 1-based line and column of the
/// cell (0 when the fault is not tied to a cell) and the column name, if known.
class ECsvError : public EDataSetError {
  public:
    ECsvError(const QString& message, int line = 0, int column = 0, const QString& columnName = {})
        : EDataSetError(message), line_(line), column_(column), columnName_(columnName) {}
    int line() const { return line_; }
    int column() const { return column_; }
    const QString& columnName() const { return columnName_; }

  private:
    int line_;
    int column_;
    QString columnName_;
};

}  // namespace quorin
