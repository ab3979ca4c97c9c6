#pragma once

#include <QImage>
#include <QScrollArea>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "report_engine/pages/QRPageRecording.h"
#include "report_engine/printer/TQRPrinter.h"

namespace quorin {

enum TQRZoomState { qrZoomToFit, qrZoomToWidth, qrZoomOther };

/// One page recording painted as a white sheet with a black frame and a drop
/// shadow. Only the page on display is fetched; the played page is kept as an
/// image for the current size, so repaints and scrolling cost a blit. Every
/// page and zoom is played into the same memory, taken ahead of the first page.
class TQRPreviewImage : public QWidget {
    Q_OBJECT
  public:
    explicit TQRPreviewImage(QWidget* parent = nullptr);
    ~TQRPreviewImage() override;

    /// Fetches page n from the printer (none when it is not available yet) and repaints.
    void SetPageNumber(int n);
    int PageNumber() const { return pageNumber_; }
    bool PageLoaded() const { return pageLoaded_; }
    const TQRPageRecording* Page() const { return page_.get(); }

    void SetQRPrinter(TQRPrinter* printer);
    TQRPrinter* QRPrinter() const { return printer_; }
    /// Forgets the printer and the page it gave, without touching the printer.
    void Detach();

    int Zoom = 100;

    /// Marks a found text on page page: rect in the page recording's device units. It is
    /// painted over the page whenever that page is on display, at any zoom.
    void SetHighlight(int page, const QRectF& rect);
    void ClearHighlight();
    /// The marked text in this control's pixels as it is painted now (empty when none shows).
    QRect HighlightRect() const;

    /// Paints the sheet into painter for a control of size w x h.
    void PaintPage(QPainter& painter, int w, int h, const QRect& exposed);

    /// Makes room for playing pages of up to size pixels. The memory is taken
    /// now and written a slice at a time while the event loop is idle, so that
    /// the first page played into it does not wait for the system to supply it.
    void Reserve(const QSize& size);
    /// Bytes reserved, and how many of them have been written so far.
    qsizetype Reserved() const { return capacity_; }
    qsizetype Prepared() const { return touched_; }

    /// Mouse events over the page, handed over by the preview control.
    std::function<void(QMouseEvent*)> OnMouseDown;
    std::function<void(QMouseEvent*)> OnMouseUp;
    std::function<void(QMouseEvent*)> OnMouseMove;
    std::function<void()> OnClick;
    std::function<void()> OnDblClick;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    QRect HighlightIn(int w, int h) const;

    TQRPrinterRef printer_;  // empties itself when the printer is destroyed
    bool pageLoaded_ = false;
    int pageNumber_ = 1;
    std::unique_ptr<TQRPageRecording> page_;
    /// Writes the next slice of the reserved memory; false when all is written.
    bool PrepareSome();

    std::unique_ptr<uchar[]> buffer_;  // the memory every page is played into
    qsizetype capacity_ = 0;
    qsizetype touched_ = 0;  // buffer_ bytes written at least once
    QTimer* preparer_;
    QImage played_;             // over buffer_: the page played at played_.size()
    bool playedValid_ = false;  // false: played_ holds no page yet, or another one
    int highlightPage_ = 0;
    QRectF highlight_;
};

/// A scrolling container holding one page image: knows the printer it shows,
/// computes the zoom, turns the printer's notices into OnPageAvailable and
/// OnProgressUpdate, and changes pages.
class TQRPreview : public QScrollArea {
    Q_OBJECT
  public:
    using TQRPageAvailableEvent = std::function<void(TQRPreview* sender, int PageNum)>;
    using TQRProgressUpdateEvent = std::function<void(TQRPreview* sender, int Progress)>;

    explicit TQRPreview(QWidget* parent = nullptr);
    ~TQRPreview() override;

    TQRPreviewImage* PreviewImage() const { return image_; }
    TQRPrinter* QRPrinter() const { return printer_; }
    void SetQRPrinter(TQRPrinter* printer);
    /// Stops showing the printer: it no longer sends notices here, is told
    /// that no preview shows it, and is not touched again.
    void Detach();
    /// Lets go of the printer without touching it.
    void Forget();
    /// The printer posts no more notices to this control.
    void StopNotices();
    /// Shows page n afresh, even when it is the page on display.
    void ReloadPage(int n);

    int PageNumber() const { return pageNumber_; }
    void SetPageNumber(int n);
    int Zoom() const { return zoom_; }
    void SetZoom(int percent);
    TQRZoomState ZoomState() const { return zoomState_; }

    void ZoomToFit();
    void ZoomToWidth();
    void UpdateZoom();
    void UpdateImage();
    void Fixvalues();

    TQRPageAvailableEvent OnPageAvailable;
    TQRProgressUpdateEvent OnProgressUpdate;
    /// The control's click and mouse handlers; they fire over the page too.
    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    std::function<void(QMouseEvent*)> OnMouseDown;
    std::function<void(QMouseEvent*)> OnMouseUp;
    std::function<void(QMouseEvent*)> OnMouseMove;

    bool eventFilter(QObject* watched, QEvent* event) override;

  protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    void CMPageAvailable(int n);
    void CMProgressUpdate(int p);
    double PageWidthPixels() const;
    double PageLengthPixels() const;
    /// The image's size at a zoom: the page in device pixels plus the frame's shadow.
    QSize ImageSizeAt(int zoom) const;
    /// The zoom at which the page fills the control's width.
    int WidthZoom() const;
    /// Before the first page arrives: memory for playing it at page width.
    void ReserveFirstPage();
    /// Centres a page smaller than the view, (view - page) div 2 each way.
    void PlaceImage();

    TQRPreviewImage* image_;
    TQRPrinterRef printer_;  // empties itself when the printer is destroyed
    int zoom_ = 100;
    TQRZoomState zoomState_ = qrZoomOther;
    int pageNumber_ = 1;
};

}  // namespace quorin
