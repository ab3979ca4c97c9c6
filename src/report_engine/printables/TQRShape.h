#pragma once

#include "report_engine/canvas/TQRCanvas.h"
#include "report_engine/model/TQRPrintable.h"
#include "report_engine/printer/TQRExportFilter.h"

namespace quorin {

/// Draws a rectangle, an ellipse, a rounded rectangle or lines across its
/// area with its pen and brush. It has no frame of its own.
class TQRShape : public TQRPrintable {
    Q_OBJECT

  public:
    explicit TQRShape(TQRControl* parent = nullptr);

    TQRShapeType Shape = TQRShapeType::qrsRectangle;
    TQRPen Pen;
    TQRBrush Brush;
    /// The rounded rectangle's corner as a fraction of the on-screen width.
    float RoundFactor = 0.1f;
    /// Kept with the definition; printing does not use it.
    int VertAdjust = 0;

    void Print(int OfsX, int OfsY) override;
};

}  // namespace quorin
