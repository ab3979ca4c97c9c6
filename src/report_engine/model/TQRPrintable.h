#pragma once

#include <QObject>
#include <QString>

#include "report_engine/model/QRUnits.h"
#include "report_engine/model/TQRControl.h"

namespace quorin {

class TQRPrinter;
class TQRCustomBand;

/// What a controller tells the printables registered with it.
enum TQRNotifyOperation { qrMasterDataAdvance, qrBandPrinted, qrBandSizeChange };

/// The base of everything printed on a band: position and size in report
/// units relative to the band, a frame, alignment to the band, and the calls
/// a band makes while it prints (Prepare, Print at the band's position,
/// UnPrepare, and PrintDone read after each Print).
class TQRPrintable : public TQRControl {
    Q_OBJECT

  public:
    explicit TQRPrintable(TQRControl* parent = nullptr);
    ~TQRPrintable() override;

    /// False only for a visible, disabled control.
    virtual bool IsEnabled() const;
    /// Puts the control at the band's left, right or centre when AlignToBand is set.
    virtual void AlignIt();
    /// Start of a run: the printing flag is set and QRPrinter taken from the report.
    virtual void Prepare();
    /// Prints at the band's position (native units): the base paints the frame.
    virtual void Print(int OfsX, int OfsY);
    virtual void QRNotification(QObject* sender, TQRNotifyOperation operation);
    virtual void SetAlignment(TAlignment value);
    virtual void UnPrepare();
    virtual void GetExpandedHeight(long double& height) { (void)height; }
    virtual void GetFieldString(QString& text) { (void)text; }

    TAlignment Alignment() const { return alignment_; }
    bool AlignToBand() const { return alignToBand_; }
    void SetAlignToBand(bool value);
    TQRFrame& Frame() { return frame_; }
    const TQRFrame& Frame() const { return frame_; }
    TQRPrintableSize& Size() { return size_; }
    const TQRPrintableSize& Size() const { return size_; }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value) { transparent_ = value; }

    /// Set between Prepare and UnPrepare.
    bool IsPrinting() const { return printing_; }
    /// True outside an unfinished stretch; read by the band after Print.
    bool PrintDone = true;
    /// The report's page sink, taken at Prepare.
    TQRPrinter* QRPrinter = nullptr;

    /// The report this control prints for (through its band, or directly on it).
    /// Between Prepare and UnPrepare it is the one found at Prepare.
    TCustomQuickRep* ParentReport() const;
    /// The band the control sits on, or null (between Prepare and UnPrepare, the one found at Prepare).
    TQRCustomBand* ParentBand() const;
    /// The zoom of the panel that holds the control (between Prepare and UnPrepare, the panel found at Prepare).
    int ParentZoom() const;

    void SetBounds(int left, int top, int width, int height) override;

  protected:
    void ParentChanged(TQRControl* oldParent) override;

    TAlignment alignment_ = TAlignment::taLeftJustify;
    bool alignToBand_ = false;
    bool aligning_ = false;
    TQRFrame frame_;
    bool printing_ = false;
    TQRPrintableSize size_;
    // Looked up once per run: every print of every text asks for both.
    TCustomQuickRep* printReport_ = nullptr;
    TQRCustomBand* printBand_ = nullptr;
    TQRBasePanel* printPanel_ = nullptr;  // the parent, when it is a panel (its zoom)
    TCustomQuickRep* FindParentReport() const;
    TQRCustomBand* FindParentBand() const;
    bool transparent_ = false;
};

}  // namespace quorin
