#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QStringList>
#include <memory>

class QTemporaryFile;
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

/// Writes the run as an RTF document: the texts of each row of a page (the
/// rule the grid exports share, QRGroupRows) form one paragraph, each on a tab
/// stop at its position with the tab's alignment from the text's; rows apart
/// become paragraph spacing; pages are separated by page breaks. Text only.
/// The font table names the faces the report prints with (the report's own
/// font first, the document's default), so a reader picks that face or its
/// metric twin rather than whatever this machine would substitute; it is
/// known only at the end, so the body waits in memory and, past a megabyte,
/// in a temporary file.
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
    /// The faces of the run in the order met, the report's font first.
    const std::vector<TFontEntry>& FontList() const { return fonts_; }
    /// The position of the face in the font table (compared without regard to
    /// case), -1 when the run has not printed with it.
    int FontIndex(const QString& name) const;
    /// The RTF family of a face by its name: 2 (swiss) for Arial and the sans
    /// faces, 1 (roman) for Times and the serif faces, 3 (modern) for fixed
    /// pitch, 6 (tech) for symbols, 4 (script), else 0 (nil).
    static int FamilyOf(const QString& face);
    int LineCount() const { return lineCount_; }

    /// The text with a backslash before every backslash and brace, in
    /// Windows-1252; a character outside it becomes \uN?.
    static QByteArray EscapeText(const QString& text);

  private:
    int AddFont(const QString& name);
    void Line(const QByteArray& line);
    QByteArray Head() const;

    int lineCount_ = 0;
    std::vector<TQRRTFItem> items_;  // the texts of the current page
    std::unique_ptr<TSafeFile> file_;
    std::unique_ptr<QTemporaryFile> spill_;  // the body beyond the first megabyte
    QByteArray buffer_;
    QByteArray header_;
    std::vector<TFontEntry> fonts_;
    bool pageBreak_ = false;
    double leftMargin_ = 720;  // twips
    double topMargin_ = 720;
};

}  // namespace quorin
