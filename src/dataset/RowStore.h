#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "dataset/Field.h"
#include "dataset/FieldValue.h"

namespace quorin {

/// A value prepared for comparing against one column many times: a text is
/// encoded once, not once per row.
class TCellProbe {
  public:
    TCellProbe() = default;
    TCellProbe(const TFieldValue& value, TFieldType kind);
    const TFieldValue& Value() const { return value_; }
    bool IsNull() const { return IsNullValue(value_); }

  private:
    friend class TRowStore;
    TFieldValue value_;
    QByteArray bytes_;   // texts as UTF-8, blobs as they are
    bool bytesKind_ = false;
};

/// The stored bytes of one text or blob value, held so that another store can
/// keep the same bytes instead of a copy of them (TRowStore::SetShared).
struct TSharedBytes {
    std::shared_ptr<const char[]> chunk;
    uint32_t offset = 0;
    uint32_t size = 0;

    bool IsNull() const { return !chunk; }
    QByteArrayView View() const { return QByteArrayView(chunk.get() + offset, qsizetype(size)); }
};

class TRowStore;

/// A column of a store, for another store to keep (TRowStore::FromColumns);
/// without a store, the one value of every row of a column (a text or blob
/// given as QByteArray is kept as those bytes).
struct TColumnOf {
    const TRowStore* store = nullptr;
    int column = -1;
    TFieldValue value;
};

/// The TRowStore class keeps the rows of a data set column by column, each value
/// in its column's own form: 4 bytes for integers, 8 for numbers and time stamps,
/// and 4 for a text or blob, which refers to bytes kept once in the column's
/// arena (texts as UTF-8). A text equal to the last one stored in its column, or
/// copied from another row, shares those bytes: the process header repeated on
/// every item costs 4 bytes per row. Another store may share those bytes
/// (SharedBytes, SetShared): a chunk of an arena that another store holds is
/// never written again, so the bytes both read stay as they were, whichever
/// thread reads them. A whole column may be kept by several stores
/// (FromColumns): such a column is never written again, and a store that
/// writes to it, or adds a row, first takes a copy of its own, so the values
/// the others read stay as they were, whichever thread reads them. A column
/// of one value on every row keeps it once until a row of it is written. Rows are
/// numbered in the order they are added and never renumbered; a cleared row
/// keeps its number.
///
/// Texts compare as the data set always compared them, by UTF-16 code unit.
class TRowStore {
  public:
    explicit TRowStore(std::vector<TFieldType> kinds = {});
    TRowStore(TRowStore&&) noexcept;
    TRowStore& operator=(TRowStore&&) noexcept;
    ~TRowStore();

    /// A store of `rows` rows of the given kinds whose every column is either a
    /// column of another store of that many rows, kept rather than copied, or
    /// one value on every row, kept once. A kept column must keep its values in
    /// the form the kind it becomes keeps them (SameForm): a small integer
    /// column may become an integer one, a text column a blob one. Raises
    /// EDataSetError otherwise.
    static TRowStore FromColumns(uint32_t rows, std::vector<TFieldType> kinds,
                                 const std::vector<TColumnOf>& columns);
    /// True when columns of both kinds keep their values alike (integers, numbers
    /// and time stamps, or texts and blobs), so that one can be kept as the other.
    static bool SameForm(TFieldType a, TFieldType b);

    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    TFieldType Kind(int column) const;
    uint32_t RowCount() const { return rows_; }
    void Reserve(uint32_t rows);

    /// A new row with every value null; returns its number.
    uint32_t AddRow();
    /// Makes every value of the row null (its texts' bytes stay in the arena).
    void ClearRow(uint32_t row);

    bool IsNull(uint32_t row, int column) const;
    /// The value in the form TFieldValue uses for the column's kind.
    TFieldValue Value(uint32_t row, int column) const;
    /// Stores a value, converted to the column's form (an integer into a number
    /// column, a text into a blob column as UTF-8, and so on).
    void SetValue(uint32_t row, int column, const TFieldValue& value);
    /// The value in the form a column of this kind keeps it; raises EDataSetError
    /// for a value that cannot be one (a text for a number column).
    static TFieldValue Canonical(TFieldType kind, const TFieldValue& value);
    /// Stores the bytes of a text (UTF-8) or a blob without building a QString.
    void SetBytes(uint32_t row, int column, const char* data, qsizetype size);
    /// The stored bytes of a text or blob value (empty for null and for numbers).
    QByteArrayView Bytes(uint32_t row, int column) const;
    /// Gives row `to` the value of row `from`, sharing a text's bytes.
    void CopyValue(uint32_t from, uint32_t to, int column);
    /// The stored bytes of a text or blob value, to be kept by another store;
    /// null for a null value and for numbers.
    TSharedBytes SharedBytes(uint32_t row, int column) const;
    /// Stores a text or blob value that keeps bytes shared by another store
    /// rather than a copy of them (a caller may shorten `bytes.size` to keep a
    /// prefix). A null `bytes` stores null.
    void SetShared(uint32_t row, int column, const TSharedBytes& bytes);

    /// Order of two rows' values in a column: null first, then by value.
    int Compare(uint32_t a, uint32_t b, int column) const;
    /// Order of a row's value against a probe (null first).
    int Compare(uint32_t row, int column, const TCellProbe& probe) const;
    /// True when both values are equal and of the same kind (a null equals a null).
    bool Same(uint32_t a, uint32_t b, int column) const;
    /// True when the stored value equals `value` exactly (as Same does).
    bool Same(uint32_t row, int column, const TFieldValue& value) const;

    /// True when `column` is the very column `otherColumn` of `other`, kept by
    /// both (FromColumns), for measurements.
    bool SameColumn(int column, const TRowStore& other, int otherColumn) const;

    /// Bytes held, for measurements.
    std::size_t MemoryBytes() const;
    /// Bytes of text held in the arenas (shared texts counted once).
    std::size_t TextBytes() const;

  private:
    struct Column;
    std::vector<TFieldType> kinds_;
    std::vector<std::shared_ptr<Column>> columns_;
    uint32_t rows_ = 0;

    /// The column to write to: a copy of its own when other stores keep it.
    Column& Writable(int column);
    const Column& At(int column) const;
};

/// The text of UTF-8 bytes; unlike QString::fromUtf8, a byte order mark at the
/// start is part of the text.
QString TextFromUtf8(QByteArrayView bytes);

/// How many bytes of UTF-8 text make its first `units` UTF-16 code units (the
/// whole text when it is shorter): what QString::left(units) keeps of it.
/// -1 when the cut would fall inside a character or the bytes are not UTF-8.
qsizetype Utf8BytesOfUnits(QByteArrayView utf8, qsizetype units);

/// Total order of two free values, as the store orders its own: null first,
/// numbers by value, texts by UTF-16 code unit, bytes by byte.
int CompareFieldValues(const TFieldValue& a, const TFieldValue& b);

}  // namespace quorin
