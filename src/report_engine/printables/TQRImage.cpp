#include "report_engine/printables/TQRImage.h"

#include <QBuffer>
#include <QImageReader>
#include <exception>

#include "dataset/Field.h"
#include "report_engine/model/TQuickRep.h"
#include "report_engine/printables/QRPrintableHelpers.h"
#include "report_engine/printer/TQRExportFilter.h"

namespace quorin {

namespace {

// A picture from a report field never needs more than this.
constexpr int kAllocationLimitMB = 64;
constexpr int kMaxSide = 20000;

}  // namespace

TQRImage::TQRImage(TQRControl* parent) : TQRPrintable(parent) {}

void TQRImage::SetPicture(const QImage& picture) {
    picture_ = picture;
    if (autoSize_ && !picture_.isNull()) {
        SetBounds(Left(), Top(), picture_.width(), picture_.height());
    }
}

void TQRImage::SetAutoSize(bool value) {
    autoSize_ = value;
    SetPicture(picture_);
}

void TQRImage::PrintPicture(TQRPrintable& control, const QImage& picture, bool center, bool stretch, int OfsX,
                            int OfsY) {
    if (control.QRPrinter == nullptr) {
        return;
    }
    TQRPrinter& printer = *control.QRPrinter;
    TCustomQuickRep* report = control.ParentReport();
    const long double left = OfsX + control.Size().Native(1);
    const long double top = OfsY + control.Size().Native(2);
    const QRect target =
        QRDeviceRect(printer, left, top, left + control.Size().Native(3), top + control.Size().Native(0));
    QRect drawn = target;
    if (!stretch && !picture.isNull()) {
        const double perPixel = 254.0 / QRScreenDotsPerInch();
        drawn.setWidth(qRound(picture.width() * perPixel * QRXFactor(printer)));
        drawn.setHeight(qRound(picture.height() * perPixel * QRYFactor(printer)));
        if (center) {
            drawn.moveTo(target.left() + (target.width() - drawn.width()) / 2,
                         target.top() + (target.height() - drawn.height()) / 2);
        }
    }
    TQRCanvas* canvas = QRCanvasOf(printer);
    const bool render = canvas != nullptr && (report == nullptr || report->RenderToCanvas);
    if (render && !picture.isNull()) {
        if (stretch) {
            canvas->StretchDraw(target, picture);
        } else {
            canvas->SetClipRect(target);
            canvas->StretchDraw(drawn, picture);
            canvas->ResetClip();
        }
    }
    if (report != nullptr && report->ExportFilter != nullptr && !picture.isNull()) {
        TQRExportGraphic graphic;
        graphic.Kind = TQRExportGraphic::TKind::Image;
        graphic.Width = target.width();
        graphic.Height = target.height();
        graphic.Picture = picture;
        graphic.PrintedWidth = std::min(drawn.width(), target.width());
        graphic.PrintedHeight = std::min(drawn.height(), target.height());
        report->ExportFilter->AcceptGraphic(stretch ? target.left() : std::max(drawn.left(), target.left()),
                                            stretch ? target.top() : std::max(drawn.top(), target.top()),
                                            graphic);
    }
    if (render && control.Frame().AnyFrame()) {
        control.Frame().PaintIt(*canvas, target, QRXFactor(printer), QRYFactor(printer));
    }
}

void TQRImage::Print(int OfsX, int OfsY) {
    if (!IsEnabled()) {
        return;
    }
    PrintPicture(*this, picture_, Center, Stretch, OfsX, OfsY);
}

TQRDBImage::TQRDBImage(TQRControl* parent) : TQRPrintable(parent) {}

QImage TQRDBImage::LoadPicture(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return {};
    }
    QByteArray data = bytes;
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::ReadOnly)) {
        return {};
    }
    QImageReader reader(&buffer);
    reader.setAllocationLimit(kAllocationLimitMB);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kMaxSide || size.height() > kMaxSide)) {
        return {};
    }
    QImage image;
    if (!reader.read(&image)) {
        return {};
    }
    return image;
}

void TQRDBImage::Prepare() {
    TQRPrintable::Prepare();
    fieldNo_ = -1;
    if (dataSet_ != nullptr) {
        if (TField* field = dataSet_->FindField(DataField)) {
            fieldNo_ = field->Index();
        }
    }
}

void TQRDBImage::UnPrepare() {
    fieldNo_ = -1;
    TQRPrintable::UnPrepare();
}

void TQRDBImage::Print(int OfsX, int OfsY) {
    if (!IsEnabled()) {
        return;
    }
    QImage picture;
    if (dataSet_ != nullptr && fieldNo_ >= 0 && fieldNo_ < dataSet_->FieldCount()) {
        auto* blob = dynamic_cast<TBlobField*>(dataSet_->Fields()[static_cast<size_t>(fieldNo_)]);
        if (blob != nullptr) {
            try {
                picture = LoadPicture(blob->AsBytes());
            } catch (const std::exception&) {
                picture = QImage();
            }
        }
    }
    TQRImage::PrintPicture(*this, picture, Center, Stretch, OfsX, OfsY);
}

void TQRDBImage::GetFieldString(QString& text) {
    text = DataField;
}

}  // namespace quorin
