#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "report_engine/canvas/TQRCanvas.h"

namespace quorin {

class TQRPrinter;
class TCustomQuickRep;
class TQRCustomBand;

/// The shapes a shape control draws. Keep in sync with the PDF writer's shape table.
enum class TQRShapeType {
    qrsRectangle,
    qrsCircle,
    qrsVertLine,
    qrsHorLine,
    qrsTopAndBottom,
    qrsRightAndLeft,
    qrsRoundRect
};

/// What a graphic control hands to an export filter: a shape with its pen
/// and brush, or a picture with the rectangle it is printed in. Sizes are
/// device pixels of the run's page sink.
struct TQRExportGraphic {
    enum class TKind { Shape, Image };
    TKind Kind = TKind::Shape;
    TQRShapeType Shape = TQRShapeType::qrsRectangle;
    int Width = 0;   // the control's width and height
    int Height = 0;
    TQRPen Pen;
    TQRBrush Brush;
    QImage Picture;        // images only
    int PrintedWidth = 0;  // images: the rectangle the picture covers
    int PrintedHeight = 0;
};

/// The page of the report that runs into a filter, as the filters read it
/// (filled by the export run from the report's page and printer settings).
/// Lengths in native units (tenths of a millimetre).
struct TQRExportPage {
    int PaperSize = 0;  // TQRPaperSize as a number
    double Width = 2100;
    double Length = 2970;
    double TopMargin = 0;
    double BottomMargin = 0;
    double LeftMargin = 0;
    double RightMargin = 0;
    bool Landscape = false;
};

/// The base of every export filter: a report run calls Start once, then per
/// page NewPage, TextOut and AcceptGraphic for what is printed, EndPage, and
/// Finish after a run that was not cancelled. The base does nothing.
class TQRExportFilter {
  public:
    explicit TQRExportFilter(QString fileName) : FileName(std::move(fileName)) {}
    virtual ~TQRExportFilter() = default;

    TQRExportFilter(const TQRExportFilter&) = delete;
    TQRExportFilter& operator=(const TQRExportFilter&) = delete;

    virtual QString GetDescription() const { return QStringLiteral("Abstract non-working export filter"); }
    virtual QString GetExtension() const { return {}; }
    virtual QString GetFilterName() const { return QStringLiteral("Abstract filter"); }
    virtual QString GetVendorName() const { return QStringLiteral("Quorin"); }
    virtual bool GetStreaming() const { return false; }

    /// Paper width and length in native units (tenths of a millimetre) and the report's font.
    virtual void Start(int paperWidth, int paperHeight, const TQRFont& font) {
        (void)paperWidth, (void)paperHeight, (void)font;
        Active = true;
    }
    virtual void EndPage() {}
    virtual void Finish() { Active = false; }
    virtual void NewPage() {}
    /// x and y: the device-pixel position of the control's top left corner.
    virtual void AcceptGraphic(int x, int y, const TQRExportGraphic& graphic) { (void)x, (void)y, (void)graphic; }
    virtual void AcceptBand(TQRCustomBand* band, int x, int y, int height) {
        (void)band, (void)x, (void)y, (void)height;
    }
    /// A printed text line: its position in native units, the control's font,
    /// colour and alignment.
    virtual void TextOut(double x, double y, const TQRFont& font, const QColor& color, TAlignment alignment,
                         const QString& text) {
        (void)x, (void)y, (void)font, (void)color, (void)alignment, (void)text;
    }

    /// The page sink of the run (set by the export run).
    TQRPrinter* Printer = nullptr;
    bool Active = false;
    QString FileName;
    /// The report that runs into this filter (set by the export run).
    TCustomQuickRep* Owner = nullptr;
    /// The owner's page (set by the export run before Start).
    TQRExportPage Page;
    /// The page sink whose stored pages the preview shows (set by the save
    /// command); filters that save pages rather than a run's texts read it.
    TQRPrinter* SourcePrinter = nullptr;

    /// Characters the file's code page lacks, written as "?" (counted by the
    /// filters whose format prescribes a code page).
    int ReplacedCharacters = 0;
    /// What the user is told after a successful export that had to replace
    /// characters; empty when none was replaced.
    QString ReplacementNotice() const;
};

/// The filters the save command offers, in the order they were added.
class TQRExportFilterLibrary {
  public:
    using TFactory = std::function<std::unique_ptr<TQRExportFilter>(const QString& fileName)>;
    struct TEntry {
        TFactory Create;
        QString FilterName;
        QString Extension;
    };

    /// Instantiates the filter once to read its name and extension.
    void AddFilter(TFactory factory);
    /// Removes the entry of that filter name.
    void RemoveFilter(const QString& filterName);
    const std::vector<TEntry>& Filters() const { return entries_; }
    /// "QuickReport file (*.QRP)|*.QRP" followed by "name (*.ext)|*.ext" per filter.
    QString GetSaveDialogFilter() const;

    static TQRExportFilterLibrary& Instance();

  private:
    std::vector<TEntry> entries_;
};

}  // namespace quorin
