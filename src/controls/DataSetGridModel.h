#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QPointer>
#include <QString>
#include <vector>

#include "dataset/TMemoryDataSet.h"

namespace quorin {

class TField;

/// One column of a data grid: the field it shows, its title and the title's
/// alignment, and its width in pixels. Cell alignment and display format come from
/// the field.
struct TGridColumn {
    QString FieldName;
    QString Title;
    Qt::Alignment TitleAlignment = Qt::AlignLeft;
    int Width = 64;
};

/// The data source between a TMemoryDataSet and a data grid: a table model whose
/// rows are the data set's visible rows and whose columns are the grid's columns.
/// It follows the data set's change notifications; while the data set's display is
/// suspended it answers from the texts it last served, so a frozen grid keeps
/// showing what it showed.
class TDataSetGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit TDataSetGridModel(QObject* parent = nullptr);
    ~TDataSetGridModel() override;

    void SetDataSet(TMemoryDataSet* dataSet);
    TMemoryDataSet* DataSet() const { return dataSet_; }

    void SetColumns(std::vector<TGridColumn> columns);
    const std::vector<TGridColumn>& Columns() const { return columns_; }
    /// The field of a column; nullptr while the data set lacks it.
    TField* FieldOf(int column) const;

    /// The model row of the data set's cursor; -1 without a current row.
    int CursorRow() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  Q_SIGNALS:
    /// The data set's cursor now stands on this model row (-1: none).
    void CursorRowChanged(int row);

  private:
    void Reload();
    void RowChanged(int recNo);
    void CursorMoved(int recNo);
    bool Suspended() const;

    QPointer<TMemoryDataSet> dataSet_;
    std::vector<TGridColumn> columns_;
    int rows_ = 0;
    mutable QHash<quint64, QString> shown_;  // (row, column) -> text last served
};

}  // namespace quorin
