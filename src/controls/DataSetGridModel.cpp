#include "controls/DataSetGridModel.h"

#include "dataset/Field.h"

namespace quorin {

namespace {

quint64 Key(int row, int column) {
    return (static_cast<quint64>(static_cast<quint32>(row)) << 32) | static_cast<quint32>(column);
}

}  // namespace

TDataSetGridModel::TDataSetGridModel(QObject* parent) : QAbstractTableModel(parent) {}

TDataSetGridModel::~TDataSetGridModel() = default;

void TDataSetGridModel::SetDataSet(TMemoryDataSet* dataSet) {
    if (dataSet_)
        disconnect(dataSet_, nullptr, this, nullptr);
    dataSet_ = dataSet;
    if (dataSet_) {
        connect(dataSet_, &TMemoryDataSet::opened, this, &TDataSetGridModel::Reload);
        connect(dataSet_, &TMemoryDataSet::closed, this, &TDataSetGridModel::Reload);
        connect(dataSet_, &TMemoryDataSet::refiltered, this, &TDataSetGridModel::Reload);
        connect(dataSet_, &TMemoryDataSet::rowChanged, this, &TDataSetGridModel::RowChanged);
        connect(dataSet_, &TMemoryDataSet::cursorMoved, this, &TDataSetGridModel::CursorMoved);
    }
    beginResetModel();
    rows_ = dataSet_ && dataSet_->Active() ? dataSet_->RecordCount() : 0;
    shown_.clear();
    endResetModel();
}

void TDataSetGridModel::SetColumns(std::vector<TGridColumn> columns) {
    beginResetModel();
    columns_ = std::move(columns);
    shown_.clear();
    endResetModel();
}

TField* TDataSetGridModel::FieldOf(int column) const {
    if (!dataSet_ || column < 0 || column >= static_cast<int>(columns_.size()))
        return nullptr;
    return dataSet_->FindField(columns_[column].FieldName);
}

int TDataSetGridModel::CursorRow() const {
    if (!dataSet_ || !dataSet_->Active())
        return -1;
    return dataSet_->RecNo() - 1;
}

bool TDataSetGridModel::Suspended() const {
    return dataSet_ && dataSet_->ControlsDisabled();
}

void TDataSetGridModel::Reload() {
    // The data set holds its notifications back while suspended; open and close
    // may still come through, and a frozen grid must not change then.
    if (Suspended())
        return;
    beginResetModel();
    rows_ = dataSet_ && dataSet_->Active() ? dataSet_->RecordCount() : 0;
    shown_.clear();
    endResetModel();
    Q_EMIT CursorRowChanged(CursorRow());
}

void TDataSetGridModel::RowChanged(int recNo) {
    if (Suspended() || recNo < 1 || recNo > rows_)
        return;
    for (int c = 0; c < columnCount(); ++c)
        shown_.remove(Key(recNo - 1, c));
    Q_EMIT dataChanged(index(recNo - 1, 0), index(recNo - 1, columnCount() - 1));
}

void TDataSetGridModel::CursorMoved(int recNo) {
    if (Suspended())
        return;
    Q_EMIT CursorRowChanged(recNo - 1);
}

int TDataSetGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int TDataSetGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TDataSetGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_ || index.column() >= columnCount())
        return {};
    if (role == Qt::DisplayRole) {
        const quint64 key = Key(index.row(), index.column());
        if (Suspended())
            return shown_.value(key);
        const TField* field = FieldOf(index.column());
        if (!field || !dataSet_->Active())
            return QString();
        QString text = field->DisplayTextAt(index.row() + 1);
        shown_.insert(key, text);
        return text;
    }
    if (role == Qt::TextAlignmentRole) {
        const TField* field = FieldOf(index.column());
        const Qt::Alignment horizontal =
            field ? field->Alignment() & Qt::AlignHorizontal_Mask : Qt::AlignLeft;
        return QVariant::fromValue(horizontal | Qt::AlignVCenter);
    }
    return {};
}

QVariant TDataSetGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return columns_[section].Title;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(columns_[section].TitleAlignment | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags TDataSetGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace quorin
