#include "report_engine/expr/TQREvElementDataField.h"

#include "dataset/Field.h"
#include "dataset/TMemoryDataSet.h"
#include "report_engine/expr/QRExprMessages.h"

namespace quorin {

TQREvResult TQREvElementDataField::Value(TQRFiFo&) {
    // Fields the data set made for itself from a loaded file are recreated on every
    // load, so the field is taken again by its position.
    if (DataSet->DefaultFields()) {
        Field = FieldNo >= 0 && FieldNo < DataSet->FieldCount()
                    ? DataSet->Fields()[static_cast<size_t>(FieldNo)]
                    : nullptr;
        if (Field == nullptr) {
            return TQREvResult::Error(QRExprMessages::Format(QRExprMessages::FieldUnknownType, QString()));
        }
    }
    try {
        switch (Field->DataType()) {
            case TFieldType::ftString:
            case TFieldType::ftDateTime:
                return TQREvResult::String(Field->AsString());
            case TFieldType::ftSmallint:
            case TFieldType::ftInteger:
                return TQREvResult::Int(Field->AsInteger());
            case TFieldType::ftFloat:
                return TQREvResult::Double(Field->AsFloat());
            default:
                break;
        }
    } catch (const Exception& e) {
        return TQREvResult::Error(e.message());
    }
    return TQREvResult::Error(QRExprMessages::Format(QRExprMessages::FieldUnknownType, Field->FieldName()));
}

TField* TQREvElementDataField::FindField(const TQRDataSetList& dataSets, const QString& dataSetName,
                                         const QString& fieldName, TMemoryDataSet** owner) {
    for (TMemoryDataSet* dataSet : dataSets) {
        if (dataSet == nullptr) {
            continue;
        }
        if (dataSetName.isEmpty()) {
            if (TField* field = dataSet->FindField(fieldName)) {
                *owner = dataSet;
                return field;
            }
        } else if (dataSet->objectName().toUpper() == dataSetName) {
            // Only the first data set of that name is asked.
            TField* field = dataSet->FindField(fieldName);
            if (field != nullptr) {
                *owner = dataSet;
            }
            return field;
        }
    }
    return nullptr;
}

}  // namespace quorin
