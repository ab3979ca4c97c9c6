#include "report_engine/printables/TQRCustomLabel.h"

#include "report_engine/canvas/TQRCanvas.h"
#include "report_engine/model/TQRBands.h"
#include "report_engine/model/TQuickRep.h"
#include "report_engine/printables/QRFormatLines.h"
#include "report_engine/printables/QRPrintableHelpers.h"
#include "report_engine/printables/TQRTextMeasurer.h"
#include "report_engine/printer/TQRExportFilter.h"

namespace quorin {

namespace {

// Puts a value back when the scope ends, also when an OnPrint handler throws.
class RestoreText {
  public:
    RestoreText(QString& target) : target_(target) {}
    ~RestoreText() {
        if (active_) {
            target_ = saved_;
        }
    }
    void Save() {
        saved_ = target_;
        active_ = true;
    }

  private:
    QString& target_;
    QString saved_;
    bool active_ = false;
};

// Pixels a drawn frame side adds to an auto-sized width.
int FrameSideWidth(const TQRFrame& frame) {
    return frame.Width < 0 ? 1 : frame.Width;
}

}  // namespace

TQRCustomLabel::TQRCustomLabel(TQRControl* parent) : TQRPrintable(parent) {
    SetTransparent(false);
}

TQRCustomLabel::~TQRCustomLabel() = default;

TQRTextMeasurer& TQRCustomLabel::Measurer() {
    const int dpi = QRScreenDotsPerInch();
    const int zoom = ParentZoom();
    if (!measurer_ || !measurer_->Matches(Font(), dpi, zoom)) {
        measurer_ = std::make_unique<TQRTextMeasurer>(Font(), dpi, zoom);
    }
    return *measurer_;
}

void TQRCustomLabel::SetCaption(const QString& caption) {
    caption_ = caption;
    OutputCaption = caption;
    LinesValid = false;
    FormatLines();
}

void TQRCustomLabel::SetLines(const QStringList& lines) {
    lines_ = lines;
    LinesValid = false;
}

void TQRCustomLabel::SetAutoSize(bool value) {
    autoSize_ = value;
    LinesValid = false;
    FormatLines();
}

void TQRCustomLabel::SetWordWrap(bool value) {
    wordWrap_ = value;
    LinesValid = false;
    FormatLines();
}

void TQRCustomLabel::SetAlignment(TAlignment value) {
    TQRPrintable::SetAlignment(value);
    FormatLines();
}

void TQRCustomLabel::ParentChanged(TQRControl* oldParent) {
    TQRPrintable::ParentChanged(oldParent);
    FormatLines();
}

void TQRCustomLabel::FormatLines() {
    if (ParentControl() == nullptr) {
        return;
    }
    TQRTextMeasurer& measure = Measurer();
    const TQRLineRules rules{autoSize_, wordWrap_, Width()};
    WrappedLines = QRFormatLines(GetCaptionBased(), OutputCaption, lines_, measure, rules);

    // While a definition is being built its sizes are not final yet: the
    // control keeps the bounds it was given until it formats again.
    TCustomQuickRep* report = ParentReport();
    if (report != nullptr && !updatingBounds_ && !report->Loading) {
        updatingBounds_ = true;
        const auto raiseHeight = [&] {
            const int minimum = report->TextHeight(Font(), QStringLiteral("W")) * ParentZoom() / 100 + 1;
            if (Height() < minimum) {
                SetHeight(minimum);
            }
        };
        if (GetCaptionBased()) {
            raiseHeight();
        }
        if (autoSize_) {
            int width = QRWidestLine(WrappedLines, measure);
            if (Frame().DrawLeft) {
                width += FrameSideWidth(Frame());
            }
            if (Frame().DrawRight) {
                width += FrameSideWidth(Frame());
            }
            int left = Left();
            if (Alignment() == TAlignment::taRightJustify) {
                left += Width() - width;
            } else if (Alignment() == TAlignment::taCenter) {
                left += (Width() - width) / 2;
            }
            SetBounds(left, Top(), width, Height());
            raiseHeight();
        }
        updatingBounds_ = false;
    }
    LinesValid = true;
}

void TQRCustomLabel::Prepare() {
    TQRPrintable::Prepare();
    SetCaption(caption_);
}

void TQRCustomLabel::UnPrepare() {
    TQRPrintable::UnPrepare();
}

void TQRCustomLabel::Print(int OfsX, int OfsY) {
    if (!IsEnabled() || QRPrinter == nullptr) {
        return;
    }
    TCustomQuickRep* report = ParentReport();
    TQRCanvas* canvas = QRCanvasOf(*QRPrinter);
    long double lineHeight;
    if (canvas != nullptr) {
        canvas->Font = Font();
        lineHeight =
            canvas->TextHeight(QStringLiteral("W")) / static_cast<long double>(QRYFactor(*QRPrinter));
    } else {
        const int pixels =
            report != nullptr ? report->TextHeight(Font(), QStringLiteral("W")) : Measurer().LineHeight();
        lineHeight = pixels * 254.0L / QRScreenDotsPerInch();
    }
    PrintToCanvas(canvas, Size().Native(1) + OfsX, Size().Native(2) + OfsY, Size().Native(3),
                  Size().Native(0), lineHeight, AutoStretch);
}

void TQRCustomLabel::PrintToCanvas(TQRCanvas* canvas, long double left, long double top, long double width,
                                   long double height, long double lineHeight, bool canStretch) {
    TCustomQuickRep* report = ParentReport();
    TQRPrinter& printer = *QRPrinter;
    const bool render = canvas != nullptr && (report == nullptr || report->RenderToCanvas);
    TQRExportFilter* filter = report != nullptr ? report->ExportFilter : nullptr;

    RestoreText restore(OutputCaption);
    if (!OutputCaption.isEmpty() && OnPrint) {
        QString value = OutputCaption;
        OnPrint(this, value);
        if (value != OutputCaption) {
            restore.Save();
            OutputCaption = value;
            LinesValid = false;
        }
    }

    const long double designedWidth = width;
    FormatLines();
    width = Size().Native(3);
    const TQRFont font = canStretch ? Font() : FitValue(height + 1, lineHeight);

    if (render && !Transparent()) {
        canvas->Brush = TQRBrush{Color, TQRBrushStyle::bsSolid};
        canvas->FillRect(QRDeviceRect(printer, left, top, left + width, top + height));
    }

    long double limit = top + height + 1;
    long double y = top;
    long double originX = left;
    if (AutoSize()) {
        if (Alignment() == TAlignment::taRightJustify) {
            originX = left - (width - designedWidth);
        } else if (Alignment() == TAlignment::taCenter) {
            originX = left - (width - designedWidth) / 2;
        }
    }
    long double textX = originX;
    if (Alignment() == TAlignment::taRightJustify) {
        textX = originX + width;
    } else if (Alignment() == TAlignment::taCenter) {
        textX = originX + width / 2;
    }
    if (render) {
        canvas->Font = font;
        canvas->TransparentBackground = true;
        canvas->TextAlign = Alignment();
    }

    long double expansionSeen = 0;
    bool hasExpanded = false;
    if (PrintDone) {
        NextLineIndex = 0;
    }
    TQRCustomBand* band = ParentBand();
    const auto roomForNextLine = [&] {
        if (y + lineHeight <= limit) {
            return true;
        }
        if (!canStretch || band == nullptr || !band->CanExpand(lineHeight)) {
            return false;
        }
        const long double previous = expansionSeen;
        band->ExpandBand(lineHeight, expansionSeen, hasExpanded);
        limit = top + height + 1 + expansionSeen;
        if (render && !Transparent() && expansionSeen > previous) {
            canvas->Brush = TQRBrush{Color, TQRBrushStyle::bsSolid};
            canvas->FillRect(QRDeviceRect(printer, left, top + height + previous, left + width,
                                          top + height + expansionSeen));
        }
        return true;
    };

    const int lastLine = static_cast<int>(WrappedLines.size()) - 1;
    while (NextLineIndex <= lastLine && roomForNextLine()) {
        const QString& line = WrappedLines[NextLineIndex];
        if (render && !line.isEmpty()) {
            canvas->TextOut(QRXPos(printer, textX), QRYPos(printer, y), line);
        }
        if (filter != nullptr) {
            filter->TextOut(static_cast<double>(textX), static_cast<double>(y), font, Color, Alignment(),
                            line);
        }
        y += lineHeight;
        ++NextLineIndex;
    }
    PrintDone = !(NextLineIndex <= lastLine && canStretch);

    if (canvas != nullptr) {
        canvas->ResetClip();
    }
    if (render && Frame().AnyFrame()) {
        Frame().PaintIt(
            *canvas, QRDeviceRect(printer, left, top, left + width, top + Size().Native(0) + expansionSeen),
            QRXFactor(printer), QRYFactor(printer));
    }
}

TQRFont TQRCustomLabel::FitValue(long double boxHeight, long double lineHeight) {
    TQRFont font = Font();
    // One line always shows.
    if (WrappedLines.size() <= 1) {
        return font;
    }
    const int linesShown = static_cast<int>(boxHeight / lineHeight);
    // A value (one word: a number, a code) that needs more lines than its fixed box
    // shows would lose its last characters. It is set in a smaller size of the same
    // font until it fits on one line, down to 6 points; if it is still too wide it
    // is printed whole, reaching past the box on the side its alignment leaves free.
    if (AutoSize() || !GetCaptionBased() || WrappedLines.size() <= std::max(linesShown, 1) ||
        OutputCaption.contains(u' ') || OutputCaption.contains(u'\r') || OutputCaption.contains(u'\n')) {
        return font;
    }
    const int dpi = QRScreenDotsPerInch();
    const int zoom = ParentZoom();
    for (int size = font.Size - 1; size >= kSmallestFittedSize; --size) {
        font.Size = size;
        if (TQRTextMeasurer(font, dpi, zoom).TextWidth(OutputCaption) <= Width()) {
            break;
        }
    }
    WrappedLines = QStringList{OutputCaption};
    return font;
}

TQRMemo::TQRMemo(TQRControl* parent) : TQRCustomLabel(parent) {
    captionBased_ = false;
}

void TQRMemo::Print(int OfsX, int OfsY) {
    // The lines come from Lines, so the caption does not change them.
    SetCaptionText(QString());
    struct NameBack {
        TQRMemo* memo;
        ~NameBack() { memo->SetCaptionText(memo->Name()); }
    } nameBack{this};
    TQRCustomLabel::Print(OfsX, OfsY);
}

}  // namespace quorin
