#include "controls/DBGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>

namespace quorin {

TDataSetGridDelegate::TDataSetGridDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

void TDataSetGridDelegate::PaintDefault(QPainter* painter, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
}

void TDataSetGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& given,
                                 const QModelIndex& index) const {
    // The data set's current row is the selected row, with or without the focus,
    // whatever the view's selection model holds at the moment.
    QStyleOptionViewItem option = given;
    if (grid_->source_) {
        const TMemoryDataSet* dataSet = grid_->source_->DataSet();
        if (dataSet && dataSet->Active() && !dataSet->ControlsDisabled()) {
            if (index.row() == grid_->source_->CursorRow())
                option.state |= QStyle::State_Selected;
            else
                option.state &= ~QStyle::State_Selected;
        }
    }
    PaintDefault(painter, option, index);
    if (!grid_->OnDrawColumnCell || !grid_->source_)
        return;
    TGridDrawCell cell;
    cell.Canvas = painter;
    cell.Rect = option.rect;
    cell.DataCol = index.column();
    cell.Column = &grid_->source_->Columns()[index.column()];
    cell.Field = grid_->source_->FieldOf(index.column());
    cell.State = option.state;
    cell.RecNo = index.row() + 1;
    cell.Option = option;
    cell.Index = index;
    painter->save();
    grid_->OnDrawColumnCell(*grid_, cell);
    painter->restore();
}

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent), delegate_(new TDataSetGridDelegate(this)) {
    setItemDelegate(delegate_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(true);
    setShowGrid(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setStretchLastSection(false);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (!applying_ && section >= 0 && section < static_cast<int>(widths_.size()))
            widths_[section] = size;
    });

    // The selected row keeps its colours when the grid does not have the focus.
    QPalette paleta = palette();
    paleta.setColor(QPalette::Inactive, QPalette::Highlight,
                    paleta.color(QPalette::Active, QPalette::Highlight));
    paleta.setColor(QPalette::Inactive, QPalette::HighlightedText,
                    paleta.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(paleta);
}

TDBGrid::~TDBGrid() = default;

void TDBGrid::SetDataSource(TDataSetGridModel* dataSource) {
    if (source_)
        disconnect(source_, nullptr, this, nullptr);
    source_ = dataSource;
    setModel(source_);
    if (source_) {
        connect(source_, &TDataSetGridModel::CursorRowChanged, this, &TDBGrid::FollowCursor);
        connect(source_, &QAbstractItemModel::modelReset, this, &TDBGrid::ApplyColumns);
        connect(source_, &QAbstractItemModel::modelReset, this,
                [this] { FollowCursor(source_->CursorRow()); });
        widths_.clear();
        ApplyColumns();
        FollowCursor(source_->CursorRow());
    }
}

void TDBGrid::ApplyColumns() {
    // A model reset gives every section its default size again; the widths the
    // user dragged survive it.
    if (!source_)
        return;
    const auto& columns = source_->Columns();
    if (widths_.size() != columns.size()) {
        widths_.clear();
        for (const TGridColumn& column : columns)
            widths_.push_back(column.Width);
    }
    applying_ = true;
    for (int c = 0; c < static_cast<int>(widths_.size()); ++c)
        setColumnWidth(c, widths_[c]);
    applying_ = false;
}

void TDBGrid::FollowCursor(int row) {
    if (!source_)
        return;
    following_ = true;
    if (row < 0 || row >= source_->rowCount()) {
        selectionModel()->clear();
    } else {
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        const QModelIndex target = source_->index(row, column);
        selectionModel()->setCurrentIndex(target,
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(target);
    }
    following_ = false;
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (following_ || !source_ || !current.isValid())
        return;
    TMemoryDataSet* dataSet = source_->DataSet();
    if (!dataSet || !dataSet->Active() || dataSet->ControlsDisabled())
        return;
    if (dataSet->RecNo() != current.row() + 1)
        dataSet->SetRecNo(current.row() + 1);
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    if (OnKeyDown) {
        int key = event->key();
        OnKeyDown(key, event->modifiers());
        if (key == 0) {
            event->accept();
            return;
        }
    }
    // Tab moves inside the grid; Ctrl+Tab and Ctrl+Shift+Tab leave it.
    if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
        (event->modifiers() & Qt::ControlModifier)) {
        const bool back = event->key() == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier);
        QWidget::focusNextPrevChild(!back);  // the view's own would move the current cell
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TDBGrid::DefaultDrawColumnCell(const TGridDrawCell& cell) {
    QStyleOptionViewItem option = cell.Option;
    option.rect = cell.Rect;
    option.state = cell.State;
    delegate_->PaintDefault(cell.Canvas, option, cell.Index);
}

}  // namespace quorin
