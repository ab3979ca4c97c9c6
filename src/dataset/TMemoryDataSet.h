#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

#include "dataset/DataSetError.h"
#include "dataset/Field.h"
#include "dataset/FieldValue.h"
#include "dataset/RowStore.h"

namespace quorin {

class TDataPacket;

/// A position that GotoBookmark can return to. A null bookmark (taken on an empty
/// data set, or freed) is valid to pass and goes nowhere.
struct TBookmark {
    quint64 serial = 0;  ///< identity of the row; 0 means null
    int hint = -1;       ///< where the row was stored when the bookmark was taken

    bool IsNull() const { return serial == 0; }
};

/// How a copy row by row reads a value of one field and writes it to another:
/// SetAsTextOf for a text, AsInteger into SetAsInteger, AsFloat into
/// SetAsFloat, AsDateTime into SetAsDateTime.
enum class TCopyAs { Text, Integer, Float, DateTime };

/// One assignment of TMemoryDataSet::AppendCopiesOf: the target field gets the
/// value of the source field (a field of the source data set) read and written
/// as `as` says or, without a source field, the text (by SetAsString).
struct TColumnCopy {
    TField* target = nullptr;
    const TField* source = nullptr;
    TCopyAs as = TCopyAs::Text;
    QString text;
};

/// Editing state of the data set.
enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

/// The TMemoryDataSet class is the in-memory table every part of the program works
/// on: declared typed fields, rows kept in index order, one cursor, a filter of the
/// form "field = value", bookmarks, and the data-packet file form.
///
/// Values live column by column in a TRowStore (compact, equal texts shared); the
/// rows are listed sorted by IndexFieldNames (equal keys in insertion order), so a
/// filter on the leading index field is a binary-searched range. Values are handed
/// out by value. Change
/// notifications let a grid model follow the data set; they are held back while
/// display is suspended (DisableControls) and replaced by one refiltered() and one
/// cursorMoved() when it resumes.
///
/// AfterScroll is raised after First, Last, a Next or Prior that moved or reached
/// the end, MoveBy/SetRecNo that moved, a successful Locate, GotoBookmark, and the
/// move to the first visible row that every change of Filter, Filtered or
/// IndexFieldNames on an open data set makes. It is not raised by opening,
/// appending, posting or cancelling. Display suspension does not hold it back.
class TMemoryDataSet : public QObject {
    Q_OBJECT

  public:
    explicit TMemoryDataSet(QObject* parent = nullptr);
    ~TMemoryDataSet() override;

    // ---- declared fields (only while closed) -------------------------------
    TSmallintField* AddSmallintField(const QString& name);
    TIntegerField* AddIntegerField(const QString& name);
    TFloatField* AddFloatField(const QString& name, bool currency = false);
    TStringField* AddStringField(const QString& name, int size);
    TBlobField* AddBlobField(const QString& name);
    TMemoField* AddMemoField(const QString& name);
    TDateTimeField* AddDateTimeField(const QString& name);
    /// Adds a field of any kind (size only for ftString).
    TField* AddField(const QString& name, TFieldType type, int size = 0, bool currency = false);
    /// Removes every declared field.
    void ClearFields();

    /// The field list in declared order. Columns loaded from a file that the data
    /// set does not declare are carried along but are not in this list.
    const std::vector<TField*>& Fields() const { return fieldList_; }
    int FieldCount() const { return static_cast<int>(fieldList_.size()); }
    /// Case-insensitive lookup; nullptr when absent.
    TField* FindField(const QString& name) const;
    /// As FindField, but raises EDataSetError naming the field when absent.
    TField* FieldByName(const QString& name) const;
    /// True when the fields were created from the loaded file because none was
    /// declared; such fields are recreated on every load.
    bool DefaultFields() const { return defaultFields_; }

    // ---- open and close ------------------------------------------------------
    /// Open and empty, with the declared fields (at least one must be declared).
    void CreateDataSet();
    /// Discards the rows; the fields stay declared.
    void Close();
    bool Active() const { return state_ != TDataSetState::dsInactive; }
    TDataSetState State() const { return state_; }

    /// Replaces the rows with the file's and opens the data set with the cursor on
    /// the first visible row. With no declared fields, the fields come from the
    /// file. Raises EDataSetError with a Portuguese message on any fault; the data
    /// set is then closed.
    void LoadFromFile(const QString& path);
    /// Loads from bytes already in memory (same rules as LoadFromFile).
    void LoadFromBytes(const QByteArray& bytes);
    /// Writes every row (filter ignored) with current values, through a
    /// temporary file renamed over the target. Raises EDataSetError on failure.
    void SaveToFile(const QString& path);
    QByteArray SaveToBytes();

    // ---- cursor --------------------------------------------------------------
    void First();
    void Last();
    void Next();
    void Prior();
    /// Moves by n visible rows (clamped); returns how many rows it moved.
    int MoveBy(int distance);
    /// True after Next on the last visible row (the cursor stays there), after
    /// Last, and when there is no visible row. Bof likewise after Prior on the
    /// first row, after First, and when there is no visible row.
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    /// True when there is no visible row.
    bool IsEmpty() const;
    /// Visible rows.
    int RecordCount() const;
    /// 1-based position of the cursor in visible order; 0 without a current row.
    int RecNo() const;
    void SetRecNo(int recNo);

    // ---- editing -------------------------------------------------------------
    /// Starts a new row (all fields null); Post inserts it in index order.
    void Append();
    /// Puts the current row in edit mode (raises when there is none).
    void Edit();
    /// Commits the row being edited or appended; the cursor stays on it when it is
    /// visible. Moving the cursor while editing posts first.
    void Post();
    /// Drops the changes of the row being edited or appended.
    void Cancel();
    /// Removes the current row.
    void Delete();
    /// Makes room for `rows` more rows at once, for a caller about to append
    /// that many: the rows then grow without copying themselves as they go.
    void ReserveRows(int rows);
    /// Removes every row (the data set stays open).
    void EmptyDataSet();

    // ---- finding, filter, index ----------------------------------------------
    /// Exact, case-sensitive, whole-value match of one field. Found: cursor on the
    /// first match in visible order, AfterScroll, true. Not found: false, the
    /// cursor stays. A null QVariant looks for a null.
    bool Locate(const QString& fieldName, const QVariant& value);

    /// "field = number" or "field = 'text'" (quotes doubled inside), or empty for
    /// no filter. A text of any other form, or a field that does not exist, raises
    /// EDataSetError when the filter is applied (Filtered on and data set open).
    const QString& Filter() const { return filterText_; }
    void SetFilter(const QString& filter);
    bool Filtered() const { return filtered_; }
    void SetFiltered(bool filtered);

    /// Fields separated by ";" ("NRO_LOTE; NRO_ITEM"), ascending, equal keys in
    /// insertion order. Empty keeps insertion order. An unknown field raises.
    const QString& IndexFieldNames() const { return indexText_; }
    void SetIndexFieldNames(const QString& names);

    // ---- display suspension --------------------------------------------------
    void DisableControls();
    /// Never goes below 0; reaching 0 emits refiltered() and cursorMoved().
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }

    // ---- bookmarks -----------------------------------------------------------
    TBookmark GetBookmark() const;
    /// Goes back to the bookmarked row (AfterScroll). A null bookmark does nothing;
    /// a row that is gone or not visible raises EDataSetError.
    void GotoBookmark(const TBookmark& bookmark);
    void FreeBookmark(TBookmark& bookmark) { bookmark = TBookmark{}; }
    bool BookmarkValid(const TBookmark& bookmark) const;

    // ---- used by the fields, the file formats and the tools --------------------
    /// The value of a stored column in the active row (edit buffer or cursor row).
    TFieldValue ActiveValue(int column) const;
    void SetActiveValue(int column, const TFieldValue& value);
    /// Sets a text or blob column of the active row to the text of a column of
    /// another data set's current row, as SetAsString(source AsString()) does.
    /// While appending, the row keeps the source's bytes rather than a copy of
    /// them when they are that text (cut at a character by the target's size).
    void SetActiveTextOf(int column, const TMemoryDataSet& source, int sourceColumn);
    /// The value of a stored column at a 1-based visible position.
    TFieldValue ValueAt(int recNo, int column) const;

    /// Appends one row per visible row of `source` from its cursor to its end,
    /// as Append, the assignments in their order, Post and source.Next() for
    /// each would: the source ends at its end, having raised AfterScroll on each
    /// move; a field no assignment names stays null. When this data set has no
    /// rows, is not filtered, and the source shows every row it stores in the
    /// order it stores them with the cursor on the first, a column whose every
    /// value would arrive unchanged is not copied: both data sets keep the same
    /// column until one of them writes to it (the other keeps its values); a
    /// column that would get one value on every row keeps it once. The rows
    /// then come in at once, the cursor on the last one appended.
    void AppendCopiesOf(TMemoryDataSet& source, const std::vector<TColumnCopy>& copies);

    /// Every stored column: the declared fields, then the carried undeclared ones.
    const std::vector<TField*>& AllColumns() const { return columns_; }
    /// Adds a column that is carried along but not declared (used by loaders
    /// while building a data set); only while closed.
    TField* AddCarriedColumn(const QString& name, TFieldType type, int size);
    /// Removes the carried columns (only while closed).
    void ClearCarriedColumns();
    /// An empty row store with a column for each of AllColumns(), for a loader to fill.
    TRowStore NewStore() const;
    /// Opens the data set with the given rows (a store made by NewStore, filled by
    /// a loader); rows are sorted by the index.
    void OpenWithStore(TRowStore&& rows);
    /// Stored rows in storage (index) order, filter ignored.
    int StoredRowCount() const;
    /// The row store itself (for measurements).
    const TRowStore& Rows() const;
    /// A stored value by storage position and column (null outside the rows).
    TFieldValue StoredValue(int position, int column) const;

  Q_SIGNALS:
    void opened();
    void closed();
    /// The set or the order of visible rows changed (filter, index, append, delete,
    /// load): a grid resets.
    void refiltered();
    /// The values of the visible row at recNo changed in place.
    void rowChanged(int recNo);
    /// The cursor is now on recNo (0: no current row).
    void cursorMoved(int recNo);
    /// Raised where the class comment says; handlers take the data set that moved.
    void AfterScroll(quorin::TMemoryDataSet* dataSet);

  private:
    class Private;
    std::unique_ptr<Private> d;

    std::vector<TField*> fieldList_;  // declared, in order
    std::vector<TField*> columns_;    // declared + carried
    std::vector<std::unique_ptr<TField>> owned_;
    TDataSetState state_ = TDataSetState::dsInactive;
    bool defaultFields_ = false;
    bool eof_ = true;
    bool bof_ = true;
    bool filtered_ = false;
    int disableCount_ = 0;
    QString filterText_;
    QString indexText_;

    void CheckActive() const;
    enum class TArrival { Kept, Constant, Copied };
    bool AppendColumnsOf(TMemoryDataSet& source, const std::vector<TColumnCopy>& copies);
    TArrival Arrival(const TColumnCopy& copy, const TMemoryDataSet& source, TFieldValue& value) const;
    void LoadFrom(TDataPacket& packet);
    void LoadPacket(TDataPacket& packet, bool fieldsFromFile);
    void CheckBrowseMode();
    TField* AddOwnedField(std::unique_ptr<TField> field, bool declared);
    void SetFilterSpec(const QString& text);
    void MoveToFirstAfterChange();
    void SetCursor(int visiblePosition);
    void NotifyRefiltered();
    void NotifyCursor();
    void NotifyRowChanged(int recNo);
    void RaiseAfterScroll();
};

}  // namespace quorin
