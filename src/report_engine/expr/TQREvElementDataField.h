#pragma once

#include <QList>

#include "report_engine/expr/TQREvElement.h"

namespace quorin {

class TMemoryDataSet;
class TField;

/// The data sets whose fields an expression may name, searched in list order.
using TQRDataSetList = QList<TMemoryDataSet*>;

/// A field of a data set; evaluates to the field's value in the current row.
class TQREvElementDataField : public TQREvElement {
  public:
    TQREvElementDataField(TMemoryDataSet* dataSet, int fieldIndex, TField* field)
        : DataSet(dataSet), FieldNo(fieldIndex), Field(field) {}
    TQREvResult Value(TQRFiFo& fifo) override;

    /// The field named `fieldName` of the first data set of the list that has
    /// one, or, with a data-set name, of the first data set of that name; null
    /// when there is none.
    static TField* FindField(const TQRDataSetList& dataSets, const QString& dataSetName,
                             const QString& fieldName, TMemoryDataSet** owner);

    TMemoryDataSet* DataSet;
    int FieldNo;
    TField* Field;
};

}  // namespace quorin
