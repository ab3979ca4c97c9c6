#pragma once

#include <QStyle>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>

#include "controls/DataSetGridModel.h"

namespace quorin {

class TDBGrid;

/// What a grid hands to its cell painting hook for one data cell.
struct TGridDrawCell {
    QPainter* Canvas = nullptr;
    QRect Rect;
    int DataCol = 0;
    const TGridColumn* Column = nullptr;
    TField* Field = nullptr;
    QStyle::State State;
    /// 1-based position of the painted row in the data set's visible order.
    int RecNo = 0;
    bool Selected() const { return State & QStyle::State_Selected; }

    QStyleOptionViewItem Option;
    QModelIndex Index;
};

/// Paints a grid's data cells the standard way, then runs the grid's cell hook.
class TDataSetGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    explicit TDataSetGridDelegate(TDBGrid* grid);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    /// The standard painting of one cell: its field's display text and alignment
    /// over the item's own background.
    void PaintDefault(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;

  private:
    TDBGrid* grid_;
};

/// A read-only data grid bound to a data set through a TDataSetGridModel: column
/// titles, whole-row selection (also shown without the focus), no in-place editing,
/// no indicator column, Tab and Shift+Tab moving inside the grid. The grid's current
/// row follows the data set's cursor, and choosing a row moves the cursor.
class TDBGrid : public QTableView {
    Q_OBJECT
  public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    void SetDataSource(TDataSetGridModel* dataSource);
    TDataSetGridModel* DataSource() const { return source_; }

    /// Runs after the standard painting of each data cell.
    std::function<void(TDBGrid& grid, const TGridDrawCell& cell)> OnDrawColumnCell;
    /// Runs when a key goes down; setting the key to 0 swallows it.
    std::function<void(int& key, Qt::KeyboardModifiers shift)> OnKeyDown;

    /// Paints a cell the standard way again (for hooks that paint over it).
    void DefaultDrawColumnCell(const TGridDrawCell& cell);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

  private:
    friend class TDataSetGridDelegate;
    void FollowCursor(int row);
    void ApplyColumns();

    TDataSetGridModel* source_ = nullptr;
    TDataSetGridDelegate* delegate_;
    bool following_ = false;
    bool applying_ = false;
    std::vector<int> widths_;
};

}  // namespace quorin
