#pragma once

#include <QPainter>
#include <QSize>
#include <QString>

class QPrinter;

namespace quorin {

/// One print job on a printer: begin, advance to new pages, end or abort,
/// and the painter that draws on the current page. The painter's origin is
/// the top-left corner of the printable area. TQRQtPrintJob serves a
/// QPrinter; tests give the report printer a job of their own.
class TQRPrintJob {
  public:
    virtual ~TQRPrintJob() = default;

    /// Starts the job; false when the printing system refuses it.
    virtual bool Begin(const QString& title) = 0;
    /// Ends the current page and starts the next; false when refused.
    virtual bool NewPage() = 0;
    /// Hands the job to the printing system; false when that fails.
    virtual bool End() = 0;
    /// Throws the job away.
    virtual void Abort() = 0;
    virtual bool Active() const = 0;

    virtual QPainter& Painter() = 0;
    virtual int DotsPerInchX() const = 0;
    virtual int DotsPerInchY() const = 0;
    /// The printable area of a page in device pixels.
    virtual QSize PrintableSize() const = 0;
    /// The printer's name, for messages.
    virtual QString PrinterName() const = 0;
};

/// A print job on a QPrinter (not owned; it must outlive the job).
class TQRQtPrintJob : public TQRPrintJob {
  public:
    explicit TQRQtPrintJob(QPrinter& printer) : printer_(printer) {}
    ~TQRQtPrintJob() override;

    bool Begin(const QString& title) override;
    bool NewPage() override;
    bool End() override;
    void Abort() override;
    bool Active() const override { return painter_.isActive(); }
    QPainter& Painter() override { return painter_; }
    int DotsPerInchX() const override;
    int DotsPerInchY() const override;
    QSize PrintableSize() const override;
    QString PrinterName() const override;

  private:
    bool QueueExists() const;

    QPrinter& printer_;
    QPainter painter_;
};

}  // namespace quorin
