#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace quorin {

/// One item the PDF filter hands to the writer. Positions and sizes are
/// points; Y counts from the page's top edge (text: top edge plus the font
/// size; shape: top edge; image: bottom edge).
struct TPDFItemRec {
    enum TKind : unsigned char { pkText = 1, pkNewPage = 2, pkShape = 3, pkImage = 4 };
    unsigned char Kind = pkText;
    double X = 0;
    double Y = 0;
    QString FontName;
    QString Text;
    int FontSize = 0;
    bool Bold = false;
    bool Italic = false;
    bool Filled = false;
    double Width = 0;
    double Height = 0;
    double PenWidth = 0;
    /// A styled pen's marks and gaps in points (empty: a solid line); with
    /// them the pen width is written as it is, not rounded to whole points.
    QList<double> PenDashes;
    double HorzScale = 1;
    double VertScale = 1;
    QString ImageFile;
    unsigned char ShapeKind = 0;  // keep in sync with TQRShapeType's table in TQRPDFDocumentFilter.cpp
    int ImageWidth = 0;
    int ImageHeight = 0;
    QColor PenColor = Qt::black;
    QColor FillColor = Qt::black;  // text items: the text colour
};

/// The small PDF 1.3 writer behind the PDF filter. Every page is kept as two
/// content parts (graphics and text) in temporary files of a private folder;
/// FinishDoc assembles catalogue, page tree, one content stream per page, one
/// standard Type 1 font per font key and the cross-reference table into the
/// target. One object per document: nothing is shared between two exports.
/// Numbers are always written with "." whatever the regional settings, and
/// every line ends with CR LF.
class TPdfObjs {
  public:
    /// InitLib: the lists, the first page's parts, the font substitutions.
    TPdfObjs();
    /// CloseDownLib: the private folder goes with every file left in it.
    ~TPdfObjs();
    TPdfObjs(const TPdfObjs&) = delete;
    TPdfObjs& operator=(const TPdfObjs&) = delete;

    /// Page size in points and the extra offsets (points) added to every item.
    void SetPageParams(double pageWidth, double pageHeight, double vertOffset, double horzOffset);
    /// Text content before the graphics of the page (under them).
    void SetTextFirst(bool on) { textFirst_ = on; }
    /// "prefix:StandardFont"; an entry with the same prefix is replaced.
    void AddFontSub(const QString& entry);

    void StartPage();
    void FinishPage();
    void AddPDFItem(const TPDFItemRec& item);
    void AddImageItem(const TPDFItemRec& item);
    /// Writes the document through a temporary file and a rename; raises
    /// Exception naming the file when it cannot be written.
    void FinishDoc(const QString& fileName);

    /// The folder the temporary page and image files go to.
    QString TempPath(const QString& name) const;
    int PageCount() const { return pageCount_; }
    const QStringList& Fonts() const { return fonts_; }
    const QStringList& FontSubs() const { return fontSubs_; }
    double PageWidth() const { return pageWidth_; }
    double PageHeight() const { return pageHeight_; }

    QString MapFontName(const QString& fontKey) const;
    static QByteArray RGBString(const QColor& color);
    /// One quarter of an ellipse of half-axes rx, ry from (x0, y0) to
    /// (x1, y1); startOnVertAxis: the arc starts at the top or bottom middle.
    static QByteArray PDFArcTo(double x0, double y0, double x1, double y1, double rx, double ry,
                               bool startOnVertAxis);

    /// The number formats the writer prints with, always with ".".
    static QByteArray FormatD(double value);            // "%d" of a float: truncated
    static QByteArray FormatF(double value, int decimals, int width = 0);  // "%w.df"
    static QByteArray ZeroPadded(long long value, int digits);

  private:
    void AddText(const TPDFItemRec& item, double x, double yp);
    void AddShape(const TPDFItemRec& item, double x, double yp);

    struct Impl;
    std::unique_ptr<Impl> d;

    QStringList fonts_;
    QStringList fontSubs_;
    int pageCount_ = 0;
    double pageWidth_ = 595;
    double pageHeight_ = 840;
    double vertOffset_ = 0;
    double horzOffset_ = 0;
    bool textFirst_ = false;
};

}  // namespace quorin
