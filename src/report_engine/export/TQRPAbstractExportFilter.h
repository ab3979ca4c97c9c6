#pragma once

#include <QByteArray>
#include <memory>

#include "report_engine/printer/TQRExportFilter.h"

namespace quorin {

class TSafeFile;

/// An export filter that writes one target file through a temporary file and
/// a rename: nothing appears under the target's name before CloseStream.
class TQRPAbstractExportFilter : public TQRExportFilter {
  public:
    explicit TQRPAbstractExportFilter(const QString& fileName);
    ~TQRPAbstractExportFilter() override;

    QString GetFilterName() const override { return QStringLiteral("QRAbstract"); }

    void NewPage() override {}
    void EndPage() override {}
    void TextOut(double, double, const TQRFont&, const QColor&, TAlignment, const QString&) override {}
    void AcceptGraphic(int, int, const TQRExportGraphic&) override {}
    virtual void StorePage() {}
    virtual QString GetText(int line, int column) const {
        (void)line, (void)column;
        return {};
    }
    virtual void ProcessPage() {
        PageProcessed = true;
        StorePage();
    }

  protected:
    void CreateStream(const QString& fileName);
    /// Commits the target; raises Exception naming the file when it fails.
    void CloseStream();
    void WriteToStream(QByteArrayView bytes);
    /// The bytes followed by carriage return and line feed.
    void WriteLnToStream(QByteArrayView bytes);
    bool StreamOpen() const { return stream_ != nullptr; }

    bool PageProcessed = false;

  private:
    std::unique_ptr<TSafeFile> stream_;
};

}  // namespace quorin
