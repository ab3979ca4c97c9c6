#pragma once

#include <QImage>
#include <QPointer>

#include "dataset/TMemoryDataSet.h"
#include "report_engine/model/TQRPrintable.h"

namespace quorin {

/// Prints a picture into the control's rectangle: stretched over it, or at
/// its natural printed size (centred with Center) and clipped to it; then
/// the frame.
class TQRImage : public TQRPrintable {
    Q_OBJECT

  public:
    explicit TQRImage(TQRControl* parent = nullptr);

    const QImage& Picture() const { return picture_; }
    void SetPicture(const QImage& picture);
    bool AutoSize() const { return autoSize_; }
    /// With AutoSize the control takes the picture's size.
    void SetAutoSize(bool value);
    bool Center = false;
    bool Stretch = false;

    void Print(int OfsX, int OfsY) override;

    /// Prints a picture for a printable the way both image controls do.
    static void PrintPicture(TQRPrintable& control, const QImage& picture, bool center, bool stretch,
                             int OfsX, int OfsY);

  private:
    QImage picture_;
    bool autoSize_ = false;
};

/// Prints the picture held in a blob field. Bytes that are no picture print
/// only the frame.
class TQRDBImage : public TQRPrintable {
    Q_OBJECT

  public:
    explicit TQRDBImage(TQRControl* parent = nullptr);

    TMemoryDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TMemoryDataSet* dataSet) { dataSet_ = dataSet; }
    QString DataField;
    bool Center = true;
    bool Stretch = false;

    /// The picture in bytes read from a field; a null image for anything that
    /// is not a picture or would need more than the allocation limit.
    static QImage LoadPicture(const QByteArray& bytes);

    void Prepare() override;
    void Print(int OfsX, int OfsY) override;
    void UnPrepare() override;
    void GetFieldString(QString& text) override;

  private:
    QPointer<TMemoryDataSet> dataSet_;
    int fieldNo_ = -1;
};

}  // namespace quorin
