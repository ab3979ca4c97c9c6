#include "report_engine/model/TQRControl.h"

#include "report_engine/model/TQRPrintable.h"

namespace quorin {

TQRControl::TQRControl(TQRControl* parent) : QObject(parent), parentControl_(parent) {}

TQRControl::~TQRControl() {
    MarkDestroying();
    // Children go first, while this control still knows them, so none of
    // them reports back to a parent that is half gone.
    const QList<TQRControl*> children = Controls();
    for (TQRControl* child : children) {
        delete child;
    }
    if (parentControl_ != nullptr && !parentControl_->destroying_) {
        parentControl_->ChildRemoved(this);
    }
}

void TQRControl::MarkDestroying() {
    destroying_ = true;
}

void TQRControl::SetParentControl(TQRControl* parent) {
    TQRControl* old = parentControl_;
    if (old == parent && QObject::parent() == parent) {
        ParentChanged(old);
        return;
    }
    setParent(parent);
    parentControl_ = parent;
    if (old != nullptr && old != parent && !old->destroying_) {
        old->ChildRemoved(this);
    }
    if (parent != nullptr && old != parent) {
        parent->ChildAdded(this);
    }
    ParentChanged(old);
}

QList<TQRControl*> TQRControl::Controls() const {
    QList<TQRControl*> list;
    for (QObject* child : children()) {
        if (auto* control = dynamic_cast<TQRControl*>(child)) {
            if (control->parentControl_ == this) {
                list.append(control);
            }
        }
    }
    return list;
}

void TQRControl::SetBounds(int left, int top, int width, int height) {
    bounds_ = QRect(left, top, width, height);
}

const TQRFont& TQRControl::Font() const {
    if (parentFont_ && parentControl_ != nullptr) {
        return parentControl_->Font();
    }
    return font_;
}

void TQRControl::SetFont(const TQRFont& font) {
    font_ = font;
    parentFont_ = false;
}

// ---------------------------------------------------------------- TQRBasePanel

TQRBasePanel::TQRBasePanel(TQRControl* parent) : TQRControl(parent), frame_(this) {}

void TQRBasePanel::SetZoom(int value) {
    if (value == 0) {
        return;
    }
    zoom_ = value;
    for (TQRControl* child : Controls()) {
        if (auto* panel = dynamic_cast<TQRBasePanel*>(child)) {
            panel->SetZoom(value);
        } else if (auto* printable = dynamic_cast<TQRPrintable*>(child)) {
            printable->Size().SetParentSizes();
        }
    }
}

void TQRBasePanel::PrepareComponents() {
    for (TQRControl* child : Controls()) {
        if (auto* printable = dynamic_cast<TQRPrintable*>(child)) {
            printable->Prepare();
        } else if (auto* panel = dynamic_cast<TQRBasePanel*>(child)) {
            panel->PrepareComponents();
        }
    }
}

void TQRBasePanel::UnprepareComponents() {
    for (TQRControl* child : Controls()) {
        if (auto* printable = dynamic_cast<TQRPrintable*>(child)) {
            printable->UnPrepare();
        } else if (auto* panel = dynamic_cast<TQRBasePanel*>(child)) {
            panel->UnprepareComponents();
        }
    }
}

}  // namespace quorin
