#pragma once

#include <QByteArray>

#include "report_engine/export/TQRAbstractExportFilter.h"

namespace quorin {

/// Writes the texts of the run as a spreadsheet of binary cell records: every
/// line of a page becomes a row, every distinct horizontal position a column;
/// texts that read as numbers under the regional settings become number cells.
/// The next free row carries over from page to page and from one report to
/// the next that runs into the same filter.
class TQRXLSFilter : public TQRAbstractExportFilter {
  public:
    explicit TQRXLSFilter(const QString& fileName) : TQRAbstractExportFilter(fileName) {}

    QString GetFilterName() const override { return QStringLiteral("Excel spreadsheet"); }
    QString GetDescription() const override { return QStringLiteral("Excel file format"); }
    QString GetExtension() const override { return QStringLiteral("XLS"); }
    bool GetStreaming() const override { return true; }

    void StorePage() override;

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

    QByteArray buffer_;
    int nextRow_ = 0;
};

}  // namespace quorin
