#include "report_engine/export/TQRPDFDocumentFilter.h"

#include <QFile>
#include <QPainter>
#include <cerrno>
#include <cmath>

#include "report_engine/canvas/QRGdiPaint.h"
#include "report_engine/export/QRExportText.h"
#include "runtime/Conversions.h"
#include "runtime/Exceptions.h"
#include "runtime/FileAccess.h"

namespace quorin {

namespace {

constexpr double kPointsPerMm = 2.8346456692913385826;  // 72 / 25.4

// Shape kinds of the writer, in TQRShapeType order; keep in sync with it.
constexpr unsigned char kShapeKinds[] = {0, 1, 3, 2, 5, 6, 4};

}  // namespace

TQRPDFDocumentFilter::TQRPDFDocumentFilter(const QString& fileName)
    : TQRPAbstractExportFilter(fileName), writer_(std::make_unique<TPdfObjs>()) {}

TQRPDFDocumentFilter::~TQRPDFDocumentFilter() = default;

void TQRPDFDocumentFilter::Start(int paperWidth, int paperHeight, const TQRFont& font) {
    if (concatenating_ && started_) {
        return;
    }
    TQRPAbstractExportFilter::Start(paperWidth, paperHeight, font);
    geometry_ = std::make_unique<TQRExportGeometry>(Printer);
    kx_ = 1.0 / (geometry_->XFactor() * 10.0) * kPointsPerMm;
    ky_ = 1.0 / (geometry_->YFactor() * 10.0) * kPointsPerMm;
    // The run's positions already count from the paper's top edge (margin
    // included), so the top margin is not added a second time.
    writer_->SetPageParams(paperWidth * 0.1 * kPointsPerMm, paperHeight * 0.1 * kPointsPerMm, vertMargin_,
                           horzMargin_);
    started_ = true;
}

void TQRPDFDocumentFilter::NewPage() {
    if (firstPage_) {
        firstPage_ = false;
        return;
    }
    item_ = TPDFItemRec();
    item_.Kind = TPDFItemRec::pkNewPage;
    writer_->AddPDFItem(item_);
    ++pageCounter_;
}

void TQRPDFDocumentFilter::TextOut(double x, double y, const TQRFont& font, const QColor& color,
                                   TAlignment alignment, const QString& text) {
    (void)color;  // the font's own colour is the text colour
    ReplacedCharacters += CountOutsideWindows1252(text);
    if (!geometry_) {
        geometry_ = std::make_unique<TQRExportGeometry>(Printer);
    }
    double px = geometry_->XPos(x);
    const double py = geometry_->YPos(y);
    if (alignment == TAlignment::taRightJustify) {
        px -= geometry_->TextWidth(font, text);
    } else if (alignment == TAlignment::taCenter) {
        px -= std::trunc(geometry_->TextWidth(font, text) / 2);
    }
    item_ = TPDFItemRec();
    item_.Kind = TPDFItemRec::pkText;
    item_.X = px * kx_;
    item_.Y = font.Size + py * ky_;
    item_.Text = text;
    item_.FontName = font.Name;
    item_.FontSize = font.Size;
    item_.FillColor = font.Color;
    item_.Bold = font.Bold;
    item_.Italic = font.Italic;
    writer_->AddPDFItem(item_);
}

void TQRPDFDocumentFilter::AcceptGraphic(int x, int y, const TQRExportGraphic& graphic) {
    if (!geometry_) {
        geometry_ = std::make_unique<TQRExportGeometry>(Printer);
    }
    item_ = TPDFItemRec();
    if (graphic.Kind == TQRExportGraphic::TKind::Shape) {
        item_.Kind = TPDFItemRec::pkShape;
        item_.ShapeKind = kShapeKinds[static_cast<int>(graphic.Shape)];
        item_.X = x * kx_;
        item_.Y = y * ky_;
        item_.Width = graphic.Width * kx_;
        item_.Height = graphic.Height * ky_;
        item_.PenWidth = graphic.Pen.Width;
        // A styled pen as the preview shows it at 100 %: its pattern and a
        // width of at least one pixel of the run's page sink, in points.
        const QList<qreal>& dashes = gdipaint::DashPattern(gdipaint::StyleCode(graphic.Pen.Style));
        if (!dashes.isEmpty()) {
            item_.PenWidth = std::max(1, graphic.Pen.Width) * kx_;
            for (const qreal length : dashes) {
                item_.PenDashes.append(length * kx_);
            }
        }
        item_.PenColor = graphic.Pen.Color;
        item_.FillColor = graphic.Brush.Color;
        item_.Filled = graphic.Brush.Style != TQRBrushStyle::bsClear;
        writer_->AddPDFItem(item_);
        return;
    }
    // A picture: drawn into a bitmap of the control's size unless it already is one.
    if (graphic.Picture.isNull() || graphic.Width <= 0 || graphic.Height <= 0) {
        return;  // nothing to show (e.g. a data image without a field)
    }
    QImage bitmap = graphic.Picture.convertToFormat(QImage::Format_RGB32);
    const int usedWidth = graphic.PrintedWidth > 0 ? graphic.PrintedWidth : graphic.Width;
    const int usedHeight = graphic.PrintedHeight > 0 ? graphic.PrintedHeight : graphic.Height;
    x += (graphic.Width - usedWidth) / 2;
    y += (graphic.Height - usedHeight) / 2;

    const QString file = writer_->TempPath(QString::asprintf("TF%06d.tmp", ++imageCounter_));
    QByteArray hex;
    hex.reserve(qsizetype(bitmap.width()) * bitmap.height() * 6 + bitmap.height() * 4 + 2);
    static const char digits[] = "0123456789ABCDEF";
    qsizetype lineStart = 0;
    for (int row = 0; row < bitmap.height(); ++row) {
        const auto* pixels = reinterpret_cast<const QRgb*>(bitmap.constScanLine(row));
        for (int col = 0; col < bitmap.width(); ++col) {
            for (const int v : {qRed(pixels[col]), qGreen(pixels[col]), qBlue(pixels[col])}) {
                hex.push_back(digits[v >> 4]);
                hex.push_back(digits[v & 15]);
            }
            if (hex.size() - lineStart > 2047) {
                hex += "\r\n";
                lineStart = hex.size();
            }
        }
    }
    hex += "\r\n";
    QFile out(file);
    errno = 0;
    if (!out.open(QIODevice::WriteOnly) || out.write(hex) != hex.size() || !out.flush()) {
        throw Exception(QStringLiteral("Não foi possível gravar o arquivo temporário \"%1\": %2.")
                            .arg(file, SystemErrorText(errno ? errno : EIO)));
    }
    out.close();

    item_.Kind = TPDFItemRec::pkImage;
    item_.ImageFile = file;
    item_.X = x * kx_;
    item_.Y = (y + usedHeight) * ky_;
    item_.Width = bitmap.width() * kx_;
    item_.Height = bitmap.height() * ky_;
    item_.ImageWidth = bitmap.width();
    item_.ImageHeight = bitmap.height();
    item_.HorzScale = double(usedWidth) / bitmap.width();
    item_.VertScale = double(usedHeight) / bitmap.height();
    writer_->AddImageItem(item_);
}

void TQRPDFDocumentFilter::Finish() {
    if (concatenating_) {
        return;
    }
    writer_->FinishDoc(FileName);
    TQRPAbstractExportFilter::Finish();
}

void TQRPDFDocumentFilter::EndConcat() {
    concatenating_ = false;
    Finish();
}

}  // namespace quorin
