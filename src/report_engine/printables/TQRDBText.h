#pragma once

#include <QPointer>

#include "dataset/TMemoryDataSet.h"
#include "report_engine/printables/QRValueText.h"
#include "report_engine/printables/TQRCustomLabel.h"

namespace quorin {

class TField;

/// Prints a field of a data set: memo and blob fields as lines, text fields
/// as their display text, numbers and dates through the mask. A missing field
/// or a value that cannot be read prints an empty text.
class TQRDBText : public TQRCustomLabel {
    Q_OBJECT

  public:
    explicit TQRDBText(TQRControl* parent = nullptr);

    TMemoryDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TMemoryDataSet* dataSet) { dataSet_ = dataSet; }
    const QString& DataField() const { return dataField_; }
    /// Also shows the field name as the caption.
    void SetDataField(const QString& name);
    QString Mask;

    bool GetCaptionBased() const override { return !isMemo_; }
    void Prepare() override;
    void Print(int OfsX, int OfsY) override;
    void UnPrepare() override;
    void GetFieldString(QString& text) override;

  private:
    /// The field found at Prepare, fetched again by its index when the data
    /// set makes its fields itself (they are recreated when it opens).
    TField* CurrentField();

    QPointer<TMemoryDataSet> dataSet_;
    QString dataField_;
    TField* field_ = nullptr;
    int fieldNo_ = -1;
    // How the field prints through the mask, for the field and mask it was found for.
    const TField* kindField_ = nullptr;
    QString kindMask_;
    TQRFieldTextKind kind_ = TQRFieldTextKind::DisplayText;
    bool fieldOk_ = false;
    bool isMemo_ = false;
};

}  // namespace quorin
