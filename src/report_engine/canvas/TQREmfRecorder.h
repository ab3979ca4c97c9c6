#pragma once

#include <QSize>
#include <memory>

#include "report_engine/canvas/TQRCanvas.h"
#include "report_engine/pages/QRPageRecording.h"

namespace quorin {

/// The recording canvas: every drawing operation becomes enhanced-metafile
/// records in the logical pixels of a reference device of DotsPerInch()
/// (the screen's resolution, 96 unless a real screen says otherwise). Text is
/// written as EXTTEXTOUTW with the per-character advances measured here, so
/// a player places it as generation measured it.
class TQREmfRecorder : public TQRCanvas {
  public:
    /// A page of pagePixels at the reference resolution.
    explicit TQREmfRecorder(QSize pagePixels, int dotsPerInch = ScreenDotsPerInch());
    ~TQREmfRecorder() override;

    int DotsPerInch() const override;
    void TextOut(int x, int y, const QString& text) override;
    int TextWidth(const QString& text) override;
    int TextHeight(const QString& text) override;
    void FillRect(const QRect& rect) override;
    void Rectangle(int x1, int y1, int x2, int y2) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void SetClipRect(const QRect& rect) override;
    void ResetClip() override;
    void StretchDraw(const QRect& rect, const QImage& picture) override;

    /// Completes the recording (selected objects deleted, header counts
    /// filled, EOF record) and returns it; the recorder is empty afterwards.
    TQRPageRecording Finish();

    /// The reference resolution recordings use: the primary screen's logical
    /// dots per inch when a GUI application with a screen runs, else 96.
    static int ScreenDotsPerInch();

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace quorin
