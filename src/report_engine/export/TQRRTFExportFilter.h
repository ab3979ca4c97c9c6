#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "report_engine/printer/TQRExportFilter.h"

namespace quorin {

class TSafeFile;

/// One text of a page for the RTF filter: colour, style, size in half-points,
/// font index (-1 for a font the system does not list), position in native
/// units, alignment and the escaped text in the document's code page.
struct TQRRTFItem {
    QColor FontColor;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    int Size = 0;
    int FontIndex = -1;
    double X = 0;
    double Y = 0;
    TAlignment Alignment = TAlignment::taLeftJustify;
    QByteArray Text;
};

/// One row of the page grid: its texts in ascending horizontal position;
/// texts at equal positions keep their arrival order.
class TQRRTFLineItem {
  public:
    void Add(TQRRTFItem item);
    void ClearLineItems() { items_.clear(); }
    const std::vector<TQRRTFItem>& Items() const { return items_; }

  private:
    std::vector<TQRRTFItem> items_;
};

/// Writes the run as an RTF document: the texts of each point-high row of a
/// page form one paragraph, each on a tab stop at its position with the tab's
/// alignment from the text's; rows apart become paragraph spacing; pages are
/// separated by page breaks. Text only.
class TQRRTFExportFilter : public TQRExportFilter {
  public:
    explicit TQRRTFExportFilter(const QString& fileName);
    ~TQRRTFExportFilter() override;

    QString GetFilterName() const override { return QStringLiteral("RTF File"); }
    QString GetDescription() const override { return QStringLiteral("RTF Export filter"); }
    QString GetExtension() const override { return QStringLiteral("RTF"); }
    bool GetStreaming() const override { return false; }

    void Start(int paperWidth, int paperHeight, const TQRFont& font) override;
    void NewPage() override;
    void TextOut(double x, double y, const TQRFont& font, const QColor& color, TAlignment alignment,
                 const QString& text) override;
    void EndPage() override;
    void Finish() override;

    struct TFontEntry {
        QString Name;
        int Family = 0;  // 0 nil, 1 roman, 2 swiss, 3 modern, 4 script, 5 decor, 6 tech, 7 bidi
    };
    /// The installed font families, sorted by name without regard to case.
    const std::vector<TFontEntry>& FontList() const { return fonts_; }
    int FontIndex(const QString& name) const;
    int LineCount() const { return lineCount_; }

    /// The text with a backslash before every backslash and brace, in
    /// Windows-1252; a character outside it becomes \uN?.
    static QByteArray EscapeText(const QString& text);
    static int SpacingAllowance() { return 50; }

  private:
    void FillFontList();
    void Line(const QByteArray& line);

    int lineCount_ = 0;
    std::vector<TQRRTFLineItem> rows_;
    std::unique_ptr<TSafeFile> file_;
    QByteArray buffer_;
    std::vector<TFontEntry> fonts_;
    bool pageBreak_ = false;
    double leftMargin_ = 720;  // twips
    double topMargin_ = 720;
};

}  // namespace quorin
