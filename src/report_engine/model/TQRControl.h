#pragma once

#include <QColor>
#include <QList>
#include <QObject>
#include <QRect>
#include <QString>

#include "report_engine/canvas/TQRCanvas.h"
#include "report_engine/model/TQRFrame.h"

namespace quorin {

class TCustomQuickRep;

/// A control of a report definition: a plain object with a name, a parent
/// control, pixel bounds, a colour and a font. Bands, reports and printables
/// descend from it; nothing here is a widget, so a definition can be laid out
/// on any thread. Children are owned by their parent (QObject ownership) and
/// kept in creation order, which is the control order the bands print in.
class TQRControl : public QObject {
    Q_OBJECT

  public:
    explicit TQRControl(TQRControl* parent = nullptr);
    ~TQRControl() override;

    QString Name() const { return objectName(); }
    void SetName(const QString& name) { setObjectName(name); }

    TQRControl* ParentControl() const { return parentControl_; }
    /// Moves the control to another parent (null detaches it).
    virtual void SetParentControl(TQRControl* parent);
    /// The child controls, in control order.
    QList<TQRControl*> Controls() const;

    int Left() const { return bounds_.left(); }
    int Top() const { return bounds_.top(); }
    int Width() const { return bounds_.width(); }
    int Height() const { return bounds_.height(); }
    QRect BoundsRect() const { return bounds_; }
    virtual void SetBounds(int left, int top, int width, int height);
    void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
    void SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }
    void SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }
    void SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }

    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool Visible = true;
    QColor Color = Qt::white;

    /// The control's font; with ParentFont it follows the parent's font.
    const TQRFont& Font() const;
    void SetFont(const TQRFont& font);
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value) { parentFont_ = value; }

    /// Set while the control is being destroyed.
    bool Destroying() const { return destroying_; }

  protected:
    /// Called after the parent changed (old parent given).
    virtual void ParentChanged(TQRControl* oldParent) { (void)oldParent; }
    /// A child was added or removed.
    virtual void ChildAdded(TQRControl* child) { (void)child; }
    virtual void ChildRemoved(TQRControl* child) { (void)child; }
    void MarkDestroying();

  private:
    TQRControl* parentControl_ = nullptr;
    QRect bounds_;
    bool enabled_ = true;
    TQRFont font_;
    bool parentFont_ = true;
    bool destroying_ = false;
};

/// The base of bands and reports: a panel with a frame and a zoom that it
/// passes on to everything it contains.
class TQRBasePanel : public TQRControl {
    Q_OBJECT

  public:
    explicit TQRBasePanel(TQRControl* parent = nullptr);

    int FontSize = 12;
    int Zoom() const { return zoom_; }
    /// Ignores 0; passes the zoom on to every contained printable and panel.
    virtual void SetZoom(int value);
    TQRFrame& Frame() { return frame_; }
    const TQRFrame& Frame() const { return frame_; }

    /// Prepare / UnPrepare on every contained printable, recursing into panels.
    void PrepareComponents();
    void UnprepareComponents();

  protected:
    int zoom_ = 100;
    TQRFrame frame_;
};

}  // namespace quorin
