#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

namespace quorin {

/// Horizontal alignment of a text control and of text output.
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

enum class TQRPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };
enum class TQRBrushStyle { bsSolid, bsClear };

/// A font as the engine describes it. Size is in points; a nonzero Height
/// (device pixels of the canvas it is used on) takes precedence over Size.
struct TQRFont {
    QString Name = QStringLiteral("Arial");
    int Size = 10;
    int Height = 0;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    QColor Color = Qt::black;
    int Charset = 1;  // the platform's default character set

    bool operator==(const TQRFont&) const = default;
};

struct TQRPen {
    QColor Color = Qt::black;
    int Width = 1;  // device pixels; 0 draws a one-pixel line
    TQRPenStyle Style = TQRPenStyle::psSolid;

    bool operator==(const TQRPen&) const = default;
};

struct TQRBrush {
    QColor Color = Qt::white;
    TQRBrushStyle Style = TQRBrushStyle::bsSolid;

    bool operator==(const TQRBrush&) const = default;
};

/// The drawing surface the report engine draws on. Coordinates are device
/// pixels of the canvas; Font, Pen, Brush, the text alignment and the
/// background mode are plain state that each drawing operation uses as it
/// stands at the time of the call. Two backends: the EMF recorder (page
/// recordings) and the painter canvas (any QPainter: printer, image, widget).
/// Text is measured with QFontMetricsF at DotsPerInch(), never through a
/// widget, so a canvas works on any thread.
class TQRCanvas {
  public:
    virtual ~TQRCanvas() = default;

    TQRFont Font;
    TQRPen Pen;
    TQRBrush Brush;
    /// Where TextOut's x lies on the text: its left edge, its right edge or its centre.
    TAlignment TextAlign = TAlignment::taLeftJustify;
    /// A transparent background leaves what is under the text; an opaque one
    /// fills the text's cell with the brush colour first.
    bool TransparentBackground = true;

    /// Logical pixels per inch of the device the canvas draws for.
    virtual int DotsPerInch() const = 0;

    /// Text whose top edge is at y; x as TextAlign says.
    virtual void TextOut(int x, int y, const QString& text) = 0;
    virtual int TextWidth(const QString& text) = 0;
    virtual int TextHeight(const QString& text) = 0;

    /// Fills the rectangle with the brush (no outline).
    virtual void FillRect(const QRect& rect) = 0;
    /// Outline with the pen, inside filled with the brush; right and bottom
    /// edges exclusive, as on the platform the engine was made for.
    virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;
    virtual void Ellipse(int x1, int y1, int x2, int y2) = 0;
    virtual void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) = 0;
    virtual void MoveTo(int x, int y) = 0;
    /// A line from the current position to (x, y), which becomes the current position.
    virtual void LineTo(int x, int y) = 0;

    /// Restricts drawing to the rectangle (intersected with any clip already set).
    virtual void SetClipRect(const QRect& rect) = 0;
    virtual void ResetClip() = 0;

    /// The picture stretched into the rectangle.
    virtual void StretchDraw(const QRect& rect, const QImage& picture) = 0;
};

}  // namespace quorin
