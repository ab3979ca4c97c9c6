#pragma once

#include <QByteArray>

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
/// The file is a single worksheet of 16-bit row numbers whose beginning record
/// makes readers take it as the oldest worksheet format, which holds
/// MaxRows rows and no further sheets. A report that needs more rows is
/// refused as soon as that is known, with nothing written under the target's
/// name: a row is never written over another. Since the whole report arrives
/// as one page, the texts are counted into rows while they come, so the texts
/// kept never exceed what one full worksheet holds.
class TQRXLSFilter : public TQRAbstractExportFilter {
  public:
    explicit TQRXLSFilter(const QString& fileName) : TQRAbstractExportFilter(fileName) {}

    QString GetFilterName() const override { return QStringLiteral("Excel spreadsheet"); }
    QString GetDescription() const override { return QStringLiteral("Excel file format"); }
    QString GetExtension() const override { return QStringLiteral("XLS"); }
    bool GetStreaming() const override { return true; }

    void StorePage() override;
    void TextOut(double x, double y, const TQRFont& font, const QColor& color, TAlignment alignment,
                 const QString& text) override;

    /// The rows a worksheet of this format holds (numbered 0 to MaxRows - 1).
    static constexpr int MaxRows = 16384;

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
    void WriteRecordHeader(int code, int length);
    enum TCellKind { ckNumber, ckText };
    void WriteData(TCellKind kind, int row, const QString& text, int column, double number = 0);
    void Put16(int value);
    /// The lines the texts kept so far make (the count ConvertToLines gives).
    int CountLines() const;
    /// Raises Exception when rows past the last one the worksheet holds are needed.
    void CheckRows(qint64 rows) const;

    QByteArray buffer_;
    int nextRow_ = 0;
    size_t nextCheck_ = 0;  // the number of texts at which the rows are counted again
};

}  // namespace quorin
