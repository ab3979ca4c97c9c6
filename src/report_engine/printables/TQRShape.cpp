#include "report_engine/printables/TQRShape.h"

#include <cmath>

#include "report_engine/model/TQuickRep.h"
#include "report_engine/printables/QRPrintableHelpers.h"

namespace quorin {

TQRShape::TQRShape(TQRControl* parent) : TQRPrintable(parent) {
    SetBounds(Left(), Top(), 65, 65);
}

void TQRShape::Print(int OfsX, int OfsY) {
    if (!IsEnabled() || QRPrinter == nullptr) {
        return;
    }
    TCustomQuickRep* report = ParentReport();
    TQRPrinter& printer = *QRPrinter;
    const long double l = OfsX + Size().Native(1);
    const long double t = OfsY + Size().Native(2);
    const long double w = Size().Native(3);
    const long double h = Size().Native(0);
    const auto xPos = [&](long double x) { return QRXPos(printer, x); };
    const auto yPos = [&](long double y) { return QRYPos(printer, y); };
    const int x1 = xPos(l);
    const int y1 = yPos(t);
    const int x2 = xPos(l + w);
    const int y2 = yPos(t + h);

    TQRCanvas* canvas = QRCanvasOf(printer);
    if (canvas != nullptr && (report == nullptr || report->RenderToCanvas)) {
        canvas->Brush = Brush;
        canvas->Pen = Pen;
        switch (Shape) {
            case TQRShapeType::qrsRectangle:
                canvas->Rectangle(x1, y1, x2, y2);
                break;
            case TQRShapeType::qrsCircle:
                canvas->Ellipse(x1, y1, x2, y2);
                break;
            case TQRShapeType::qrsVertLine:
                canvas->MoveTo(xPos(l + w / 2), y1);
                canvas->LineTo(xPos(l + w / 2), y2);
                break;
            case TQRShapeType::qrsHorLine:
                canvas->MoveTo(x1, yPos(t + h / 2));
                canvas->LineTo(x2, yPos(t + h / 2));
                break;
            case TQRShapeType::qrsTopAndBottom:
                canvas->MoveTo(x1, y1);
                canvas->LineTo(x2, y1);
                canvas->MoveTo(x1, y2);
                canvas->LineTo(x2, y2);
                break;
            case TQRShapeType::qrsRightAndLeft:
                canvas->MoveTo(x1, y1);
                canvas->LineTo(x1, y2);
                canvas->MoveTo(x2, y1);
                canvas->LineTo(x2, y2);
                break;
            case TQRShapeType::qrsRoundRect: {
                const int corner = static_cast<int>(std::trunc(Width() * RoundFactor));
                canvas->RoundRect(x1, y1, x2, y2, corner, corner);
                break;
            }
        }
    }
    if (report != nullptr && report->ExportFilter != nullptr) {
        TQRExportGraphic graphic;
        graphic.Kind = TQRExportGraphic::TKind::Shape;
        graphic.Shape = Shape;
        graphic.Width = x2 - x1;
        graphic.Height = y2 - y1;
        graphic.Pen = Pen;
        graphic.Brush = Brush;
        report->ExportFilter->AcceptGraphic(x1, y1, graphic);
    }
}

}  // namespace quorin
