#include "report_engine/preview/TQRPreview.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "report_engine/canvas/TQREmfPlayer.h"
#include "report_engine/printer/TQRPrinter.h"

namespace quorin {
namespace {

// Above this many pixels the played page is not kept: a page at 2000 % would
// take gigabytes, so it is played into the exposed part on every paint instead.
constexpr qint64 MaxCachedPixels = 12'000'000;

// The memory for the played page is written this much per pass of the event loop.
constexpr qsizetype PrepareSlice = 256 * 1024;
constexpr QImage::Format PlayedFormat = QImage::Format_ARGB32_Premultiplied;

// Letter in millimetres: the page size used when there is no printer.
constexpr double DefaultPageWidth = 215.9;
constexpr double DefaultPageLength = 279.4;

int RoundHalfEven(double value) { return static_cast<int>(std::nearbyint(value)); }

}  // namespace

// ---------------------------------------------------------------------------
// TQRPreviewImage

TQRPreviewImage::TQRPreviewImage(QWidget* parent) : QWidget(parent), preparer_(new QTimer(this)) {
    resize(100, 50);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    printer_.OnDestroyed = [this] { Detach(); };
    preparer_->setInterval(0);
    connect(preparer_, &QTimer::timeout, this, [this] {
        if (!PrepareSome()) preparer_->stop();
    });
}

TQRPreviewImage::~TQRPreviewImage() = default;

void TQRPreviewImage::Reserve(const QSize& size) {
    const qsizetype bytes = qsizetype(size.width()) * size.height() * 4;
    if (size.isEmpty() || bytes <= capacity_ || qint64(size.width()) * size.height() > MaxCachedPixels) return;
    played_ = QImage();
    playedValid_ = false;
    buffer_.reset(new uchar[static_cast<size_t>(bytes)]);  // not written yet: the system supplies it on first use
    capacity_ = bytes;
    touched_ = 0;
    preparer_->start();
}

bool TQRPreviewImage::PrepareSome() {
    if (touched_ >= capacity_) return false;
    const qsizetype slice = std::min(PrepareSlice, capacity_ - touched_);
    std::memset(buffer_.get() + touched_, 0, static_cast<size_t>(slice));
    touched_ += slice;
    return touched_ < capacity_;
}

void TQRPreviewImage::SetQRPrinter(TQRPrinter* printer) {
    printer_ = printer;
}

void TQRPreviewImage::SetHighlight(int page, const QRectF& rect) {
    highlightPage_ = page;
    highlight_ = rect;
    update();
}

void TQRPreviewImage::ClearHighlight() {
    SetHighlight(0, QRectF());
}

QRect TQRPreviewImage::HighlightRect() const {
    return HighlightIn(width(), height());
}

QRect TQRPreviewImage::HighlightIn(int w, int h) const {
    if (!pageLoaded_ || !page_ || highlightPage_ != pageNumber_ || highlight_.isEmpty()) return {};
    const QTransform toSheet = TQREmfPlayer::DeviceToTarget(page_->Data(), QRectF(0, 0, w, h));
    // A little room around the letters, so that the mark frames them.
    return toSheet.mapRect(highlight_).toAlignedRect().adjusted(-2, -1, 2, 1);
}

void TQRPreviewImage::Detach() {
    highlightPage_ = 0;
    highlight_ = QRectF();
    printer_ = nullptr;
    page_.reset();
    playedValid_ = false;
    pageLoaded_ = false;
    update();
}

void TQRPreviewImage::SetPageNumber(int n) {
    pageNumber_ = n;
    page_.reset();
    playedValid_ = false;
    if (printer_ != nullptr) {
        try {
            page_ = printer_->GetPage(n);
        } catch (const std::exception&) {
            // A page that cannot be read stays blank, like one not yet made.
            page_.reset();
        }
    }
    pageLoaded_ = page_ != nullptr;
    update();
}

void TQRPreviewImage::PaintPage(QPainter& painter, int w, int h, const QRect& exposed) {
    const bool designing = false;
    if (!pageLoaded_ && !designing) return;

    const auto drawSheet = [&](QPainter& p, const QRect& clip) {
        p.setPen(Qt::white);
        p.setBrush(Qt::white);
        // Rectangle(1, 1, w - 3, h - 3) with exclusive right and bottom edges.
        p.drawRect(QRect(1, 1, std::max(0, w - 4), std::max(0, h - 4)));
        if (page_) {
            p.save();
            p.setClipRect(clip);
            TQREmfPlayer::Play(*page_, p, QRectF(0, 0, w, h));
            p.restore();
        }
    };

    const bool keep = static_cast<qint64>(w) * h <= MaxCachedPixels;
    if (keep) Reserve(QSize(w, h));
    if (keep && playedValid_ && played_.size() == QSize(w, h)) {
        painter.drawImage(exposed.topLeft(), played_, exposed);
    } else if (keep && touched_ >= qsizetype(w) * h * 4) {
        if (played_.size() != QSize(w, h) || played_.constBits() != buffer_.get())
            played_ = QImage(buffer_.get(), w, h, qsizetype(w) * 4, PlayedFormat);
        played_.fill(Qt::transparent);
        QPainter p(&played_);
        p.setRenderHint(QPainter::Antialiasing, false);
        drawSheet(p, QRect(0, 0, w, h));
        playedValid_ = true;
        painter.drawImage(exposed.topLeft(), played_, exposed);
    } else {
        // The memory for keeping the page is not ready yet (or the page is too big
        // to keep): it is played straight into the window, which costs less than
        // waiting for that memory.
        playedValid_ = false;
        drawSheet(painter, exposed);
    }

    // The text found by the last search, under a translucent mark.
    // (Multiplied, as a highlighter pen: the paper turns yellow, the letters stay dark.)
    if (const QRect found = HighlightIn(w, h); !found.isEmpty()) {
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_Multiply);
        painter.fillRect(found, QColor(255, 215, 64));
        painter.restore();
        painter.setPen(QPen(QColor(230, 120, 0), 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(found.adjusted(0, 0, -1, -1));
    }

    // The frame and the shadow.
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    const QPoint frame[] = {{0, 0}, {0, h - 3}, {w - 3, h - 3}, {w - 3, 0}, {0, 0}};
    painter.drawPolyline(frame, 5);
    painter.fillRect(QRect(QPoint(w - 2, 2), QPoint(w - 1, h - 1)), Qt::black);
    painter.fillRect(QRect(QPoint(2, h - 2), QPoint(w - 1, h - 1)), Qt::black);
}

void TQRPreviewImage::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    PaintPage(painter, width(), height(), event->rect());
}

void TQRPreviewImage::mousePressEvent(QMouseEvent* event) {
    if (OnMouseDown) OnMouseDown(event);
    QWidget::mousePressEvent(event);
}

void TQRPreviewImage::mouseReleaseEvent(QMouseEvent* event) {
    if (OnMouseUp) OnMouseUp(event);
    if (OnClick && rect().contains(event->position().toPoint())) OnClick();
    QWidget::mouseReleaseEvent(event);
}

void TQRPreviewImage::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove) OnMouseMove(event);
    QWidget::mouseMoveEvent(event);
}

void TQRPreviewImage::mouseDoubleClickEvent(QMouseEvent* event) {
    if (OnDblClick) OnDblClick();
    QWidget::mouseDoubleClickEvent(event);
}

// ---------------------------------------------------------------------------
// TQRPreview

TQRPreview::TQRPreview(QWidget* parent) : QScrollArea(parent), image_(new TQRPreviewImage) {
    resize(250, 250);
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    // The page is centred here, not by the scroll area, whose rounding differs.
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWidget(image_);
    setFocusPolicy(Qt::StrongFocus);
    // A printer freed while shown leaves the control showing no page.
    printer_.OnDestroyed = [this] { image_->Detach(); };
}

TQRPreview::~TQRPreview() {
    Detach();
}

void TQRPreview::Detach() {
    if (printer_ != nullptr && printer_->PreviewWindow == this) {
        printer_->PreviewWindow = nullptr;
        printer_->SetShowingPreview(false);
    }
    Forget();
}

void TQRPreview::StopNotices() {
    if (printer_ != nullptr && printer_->PreviewWindow == this) printer_->PreviewWindow = nullptr;
}

void TQRPreview::Forget() {
    printer_ = nullptr;
    image_->Detach();
}

void TQRPreview::ReloadPage(int n) {
    image_->SetPageNumber(n);
    pageNumber_ = n;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void TQRPreview::SetQRPrinter(TQRPrinter* printer) {
    if (printer_ != nullptr && printer_->PreviewWindow == this) {
        printer_->SetShowingPreview(false);
        printer_->PreviewWindow = nullptr;
    }
    printer_ = printer;
    image_->Detach();
    image_->SetQRPrinter(printer);
    if (printer_ != nullptr) {
        printer_->PreviewWindow = this;
        printer_->SetShowingPreview(true);
    }
    pageNumber_ = 0;  // so that page 1 is taken even when it was the page shown
    SetPageNumber(1);
    pageNumber_ = 1;
    image_->SetPageNumber(1);
    // A page that was there before the control took the printer opens at
    // page width too, as one that arrives later does.
    if (image_->PageLoaded()) ZoomToWidth();
    ReserveFirstPage();
    image_->update();
    // Clicks and mouse events over the page reach whoever listens to this control.
    image_->OnClick = [this] { if (OnClick) OnClick(); };
    image_->OnDblClick = [this] { if (OnDblClick) OnDblClick(); };
    image_->OnMouseDown = [this](QMouseEvent* e) { if (OnMouseDown) OnMouseDown(e); };
    image_->OnMouseUp = [this](QMouseEvent* e) { if (OnMouseUp) OnMouseUp(e); };
    image_->OnMouseMove = [this](QMouseEvent* e) { if (OnMouseMove) OnMouseMove(e); };
}

void TQRPreview::SetPageNumber(int n) {
    if (n == pageNumber_ && image_->PageLoaded() && image_->PageNumber() == n) return;
    if (n <= 0 || printer_ == nullptr || n > printer_->GetPageCount()) return;
    image_->SetPageNumber(n);
    pageNumber_ = n;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

double TQRPreview::PageWidthPixels() const {
    return printer_ ? printer_->XSize(printer_->PaperWidthValue()) : DefaultPageWidth;
}

double TQRPreview::PageLengthPixels() const {
    return printer_ ? printer_->YSize(printer_->PaperLengthValue()) : DefaultPageLength;
}

void TQRPreview::SetZoom(int percent) {
    if (percent < 2 || percent > 2000) return;
    zoomState_ = qrZoomOther;
    zoom_ = percent;
    UpdateZoom();
}

QSize TQRPreview::ImageSizeAt(int zoom) const {
    if (printer_ != nullptr) {
        return {printer_->XSize(printer_->PaperWidthValue() / 100.0 * zoom) + 4,
                printer_->YSize(printer_->PaperLengthValue() / 100.0 * zoom) + 4};
    }
    return {RoundHalfEven(DefaultPageWidth / 100.0 * zoom) + 4, RoundHalfEven(DefaultPageLength / 100.0 * zoom) + 4};
}

void TQRPreview::UpdateZoom() {
    image_->Zoom = zoom_;
    image_->resize(ImageSizeAt(zoom_));
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

int TQRPreview::WidthZoom() const {
    const double pw = PageWidthPixels();
    return pw > 0 ? RoundHalfEven(width() / pw * (printer_ ? 90 : 95)) : 0;
}

void TQRPreview::ReserveFirstPage() {
    // The first page opens at page width. Until it arrives the printer's paper
    // belongs to the run that is setting it up, so the page is taken as long
    // as Legal paper (1.65 times its width), with room for the scroll bar.
    if (image_->PageLoaded()) return;
    const int w = width() * 92 / 100 + 8;
    if (w > 8) image_->Reserve(QSize(w, w * 165 / 100 + 8));
}

void TQRPreview::ZoomToFit() {
    const double pw = PageWidthPixels();
    const double pl = PageLengthPixels();
    if (pw <= 0 || pl <= 0) return;
    const int a = RoundHalfEven(width() / pw * 95);
    const int b = RoundHalfEven(height() / pl * 95);
    SetZoom(std::min(a, b));
    zoomState_ = qrZoomToFit;
}

void TQRPreview::ZoomToWidth() {
    if (PageWidthPixels() <= 0) return;
    SetZoom(WidthZoom());
    UpdateZoom();
    zoomState_ = qrZoomToWidth;
}

void TQRPreview::Fixvalues() {
    if (zoomState_ == qrZoomToFit)
        ZoomToFit();
    else if (zoomState_ == qrZoomToWidth)
        ZoomToWidth();
    UpdateZoom();
}

void TQRPreview::UpdateImage() {
    if (printer_ == nullptr) return;
    if (!image_->PageLoaded() && printer_->GetAvailablePages() >= image_->PageNumber()) {
        ZoomToWidth();
        image_->SetPageNumber(image_->PageNumber());
    }
}

// Every notice reaches the listener, in the order it came; what the listener
// repaints is drawn once per pass of the event loop, however many came.
void TQRPreview::CMPageAvailable(int n) {
    if (n == pageNumber_) UpdateImage();
    if (OnPageAvailable) OnPageAvailable(this, n);
}

void TQRPreview::CMProgressUpdate(int p) {
    if (OnProgressUpdate) OnProgressUpdate(this, p);
}

bool TQRPreview::event(QEvent* event) {
    const int type = static_cast<int>(event->type());
    if (type == CM_QRPAGEAVAILABLE || type == CM_QRPROGRESSUPDATE) {
        const auto* notice = static_cast<TQRPrinterEvent*>(event);
        // A notice still queued from a printer this control no longer shows is dropped.
        if (printer_ == nullptr || notice->Printer != printer_) return true;
        if (type == CM_QRPAGEAVAILABLE)
            CMPageAvailable(notice->Param());
        else
            CMProgressUpdate(notice->Param());
        return true;
    }
    const bool handled = QScrollArea::event(event);
    if (event->type() == QEvent::LayoutRequest) PlaceImage();
    return handled;
}

void TQRPreview::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    Fixvalues();
    PlaceImage();
    ReserveFirstPage();
}

bool TQRPreview::eventFilter(QObject* watched, QEvent* event) {
    const bool handled = QScrollArea::eventFilter(watched, event);
    if (watched == image_ && event->type() == QEvent::Resize) PlaceImage();
    return handled;
}

void TQRPreview::scrollContentsBy(int dx, int dy) {
    QScrollArea::scrollContentsBy(dx, dy);
    PlaceImage();
}

void TQRPreview::PlaceImage() {
    const QSize view = viewport()->size();
    const int x = image_->width() < view.width() ? (view.width() - image_->width()) / 2
                                                 : -horizontalScrollBar()->value();
    const int y = image_->height() < view.height() ? (view.height() - image_->height()) / 2
                                                   : -verticalScrollBar()->value();
    if (image_->pos() != QPoint(x, y)) image_->move(x, y);
}

}  // namespace quorin
