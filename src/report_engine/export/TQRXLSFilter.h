#pragma once

#include <QByteArray>
#include <memory>
#include <vector>

#include "report_engine/export/QRXlsWorkbook.h"
#include "report_engine/export/TQRAbstractExportFilter.h"

namespace quorin {

struct FormatSettings;

/// Writes the texts of the run as a spreadsheet of binary cell records: every
/// row of a page (QRGroupRows) becomes a row, every distinct horizontal
/// position a column; texts written as numbers under the regional settings
/// become number cells, unless a number cell would show them differently.
/// The next free row carries over from page to page and from one report to
/// the next that runs into the same filter.
///
/// A spreadsheet whose cells fit in xls::WorksheetRows rows is a single
/// worksheet of the oldest record format; a larger one is a workbook that
/// continues on further sheets of xls::SheetRows rows each (QRXlsWorkbook.h).
/// A row is never written over another.
///
/// The whole report arrives as one page, so the filter keeps only the texts of
/// the rows not yet complete: when a band has been printed, no later text can
/// lie above the band's top, and the rows above it are sorted into cells and
/// set aside in a spool (in memory while small, then in a temporary file).
/// The columns are numbered when the page ends, and Finish writes the target
/// from the spool, since which layout fits is known only then.
class TQRXLSFilter : public TQRAbstractExportFilter {
  public:
    explicit TQRXLSFilter(const QString& fileName);
    ~TQRXLSFilter() override;

    QString GetFilterName() const override { return QStringLiteral("Excel spreadsheet"); }
    QString GetDescription() const override { return QStringLiteral("Excel file format"); }
    QString GetExtension() const override { return QStringLiteral("XLS"); }
    bool GetStreaming() const override { return true; }

    void NewPage() override;
    void EndPage() override;
    void Finish() override;
    void TextOut(double x, double y, const TQRFont& font, const QColor& color, TAlignment alignment,
                 const QString& text) override;
    void AcceptBand(TQRCustomBand* band, int x, int y, int height) override;

    /// True, with the value, when the text is a number as the regional settings
    /// write it (1.234,50, -0,5, 12) and a number cell keeps what it says;
    /// false for texts such as 010231, 000042 / 2010, +5 or 12123123000199.
    static bool NumberCell(const QString& text, double& value, const FormatSettings& settings);

    /// The name under which the next free row is known to the report.
    static constexpr const char* GlobRowName = "___XLGlobRow";
    int NextRow() const { return nextRow_; }

  protected:
    void OpenStream() override;
    void CloseTarget() override;

  private:
    struct TSpool;
    struct TPage;
    enum TCellKind : char { ckNumber, ckText };

    /// Sorts the kept texts above `top` into rows and spools every complete one.
    void StoreRowsAbove(double top);
    void StoreRow(const std::vector<size_t>& members);
    void CloseOpenPage();
    /// The bytes of a text cell: the text in the Windows code page, cut to 255 characters.
    static QByteArray CellText(const QString& text);
    void WriteTarget();

    std::unique_ptr<TSpool> spool_;
    std::vector<xls::TSheet> sheets_;  // what each sheet of a workbook would hold
    std::vector<TPage> pages_;  // the pages ended, with their columns
    std::unique_ptr<TPage> page_;  // the page being filled
    double bandTop_ = 0;  // the highest text since the last band ended
    int nextRow_ = 0;
};

}  // namespace quorin
