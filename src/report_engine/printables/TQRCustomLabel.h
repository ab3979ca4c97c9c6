#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "report_engine/model/TQRPrintable.h"

namespace quorin {

class TQRCanvas;
class TQRTextMeasurer;

/// Called before a text control prints; the handler may replace the text.
using TQRLabelOnPrintEvent = std::function<void(QObject* sender, QString& value)>;

/// The TQRCustomLabel class is the text engine every text printable shares:
/// it breaks its caption (or its list of lines) into lines for its width,
/// sizes itself with AutoSize, prints the lines at the band's position and,
/// with AutoStretch, grows its band and continues in the next column or page
/// from the line where it stopped.
class TQRCustomLabel : public TQRPrintable {
    Q_OBJECT

  public:
    explicit TQRCustomLabel(TQRControl* parent = nullptr);
    ~TQRCustomLabel() override;

    /// True when the text comes from the caption, False when from Lines.
    virtual bool GetCaptionBased() const { return captionBased_; }
    /// Rebuilds WrappedLines (see QRFormatLines) and, with AutoSize, the width.
    virtual void FormatLines();

    const QString& Caption() const { return caption_; }
    /// Sets Caption and OutputCaption and reformats.
    void SetCaption(const QString& caption);
    /// The text laid out and printed; descendants set it before the text print.
    QString OutputCaption;
    const QStringList& Lines() const { return lines_; }
    void SetLines(const QStringList& lines);

    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool AutoStretch = false;
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);

    QStringList WrappedLines;
    bool LinesValid = false;
    /// The next line to print in a continuation; 0 on a fresh print.
    int NextLineIndex = 0;
    TQRLabelOnPrintEvent OnPrint;

    void Prepare() override;
    void Print(int OfsX, int OfsY) override;
    void UnPrepare() override;
    void SetAlignment(TAlignment value) override;

  protected:
    /// Sets Caption and OutputCaption without formatting the lines again.
    void SetCaptionText(const QString& caption) {
        caption_ = caption;
        OutputCaption = caption;
    }
    void ParentChanged(TQRControl* oldParent) override;
    /// Prints the wrapped lines from NextLineIndex in the rectangle given in
    /// native units, lineHeight apart; canStretch lets the band grow.
    void PrintToCanvas(TQRCanvas* canvas, long double left, long double top, long double width,
                       long double height, long double lineHeight, bool canStretch);

    bool captionBased_ = true;

  private:
    TQRTextMeasurer& Measurer();
    /// The font the caption prints in: the control's own, or for a one-word value
    /// needing more lines than its box of `boxHeight` shows, a smaller size that fits
    /// (its lines then the whole value, on one line).
    TQRFont FitValue(long double boxHeight, long double lineHeight);
    static constexpr int kSmallestFittedSize = 6;

    QString caption_;
    QStringList lines_;
    bool autoSize_ = true;
    bool wordWrap_ = true;
    bool updatingBounds_ = false;
    std::unique_ptr<TQRTextMeasurer> measurer_;
};

/// A caption printed as it is set, at design time or by a band handler.
class TQRLabel : public TQRCustomLabel {
    Q_OBJECT

  public:
    explicit TQRLabel(TQRControl* parent = nullptr) : TQRCustomLabel(parent) {}
};

/// Prints its Lines instead of a caption.
/// Prints its Lines instead of a caption. Its caption is only a placeholder
/// for the designer: printing clears it (so no OnPrint handler is asked) and
/// leaves it as the control's name.
class TQRMemo : public TQRCustomLabel {
    Q_OBJECT

  public:
    explicit TQRMemo(TQRControl* parent = nullptr);
    void Print(int OfsX, int OfsY) override;
};

}  // namespace quorin
