#include "report_engine/export/TQRRTFExportFilter.h"

#include <QFontDatabase>
#include <QTemporaryFile>
#include <algorithm>

#include "report_engine/export/QRExportRows.h"
#include "runtime/Exceptions.h"
#include "runtime/Conversions.h"
#include "runtime/Rounding.h"
#include "runtime/SafeFile.h"

namespace quorin {

namespace {

constexpr double kRowHeight = 3.5277777777777777778;  // one point in native units
constexpr double kTwipsPerNative = 5.669291338582677165;
constexpr double kNativePerTwip = 0.17638888888888888888;
constexpr double kLineTwipsPerHalfPoint = 10 * 1.15;

constexpr const char* kFamilyKeywords[] = {"\\fnil",  "\\froman", "\\fswiss", "\\fmodern",
                                           "\\fscript", "\\fdecor", "\\ftech",  "\\fbidi"};

struct TRgb {
    int R, G, B;
};
constexpr TRgb kColors[18] = {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0}, {0, 0, 128},
                              {128, 0, 128},   {0, 128, 128},   {128, 128, 128}, {192, 192, 192},
                              {255, 0, 0},     {0, 255, 0},     {255, 255, 0},   {0, 0, 255},   {255, 0, 255},
                              {0, 255, 255},   {192, 192, 192}, {128, 128, 128}, {255, 255, 255}};

long long Round(double value) { return static_cast<long long>(RoundHalfEven(value)); }
QByteArray Num(long long value) { return QByteArray::number(value); }

constexpr qsizetype kBufferBytes = 1 << 20;

bool NameHas(const QString& lower, std::initializer_list<const char*> words) {
    return std::any_of(words.begin(), words.end(), [&](const char* w) { return lower.contains(QLatin1String(w)); });
}

}  // namespace

void TQRRTFLineItem::Add(TQRRTFItem item) {
    auto it = std::upper_bound(items_.begin(), items_.end(), item.X,
                               [](double x, const TQRRTFItem& other) { return x < other.X; });
    items_.insert(it, std::move(item));
}

TQRRTFExportFilter::TQRRTFExportFilter(const QString& fileName) : TQRExportFilter(fileName) {}

TQRRTFExportFilter::~TQRRTFExportFilter() = default;

QByteArray TQRRTFExportFilter::EscapeText(const QString& text) {
    QByteArray out;
    out.reserve(text.size() + 4);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\' || u == u'{' || u == u'}') {
            out.push_back('\\');
            out.push_back(static_cast<char>(u));
        } else if (u < 0x80) {
            out.push_back(static_cast<char>(u));
        } else {
            const QString one(c);
            if (IsWindows1252(one)) {
                out += ToWindows1252(one);
            } else {
                out += "\\u" + Num(static_cast<int16_t>(u)) + '?';
            }
        }
    }
    return out;
}

int TQRRTFExportFilter::FamilyOf(const QString& face) {
    const QString lower = face.toLower();
    if (NameHas(lower, {"symbol", "dingbat", "wingding", "webding"})) return 6;
    if (NameHas(lower, {"mono", "courier", "consolas", "console", "fixedsys", "terminal"})) return 3;
    if (NameHas(lower, {"script", "chancery", "brush", "comic"})) return 4;
    if (NameHas(lower, {"sans", "arial", "helvetica", "verdana", "tahoma", "calibri", "segoe", "trebuchet",
                        "gothic", "franklin", "univers", "frutiger", "futura", "geneva", "carlito"})) {
        return 2;
    }
    if (NameHas(lower, {"serif", "roman", "times", "georgia", "garamond", "cambria", "book", "palatino",
                        "century", "baskerville", "caladea", "tinos"})) {
        return 1;
    }
    // A face the machine has and that the names above do not tell: fixed pitch or nothing.
    return QFontDatabase::hasFamily(face) && QFontDatabase::isFixedPitch(face) ? 3 : 0;
}

int TQRRTFExportFilter::FontIndex(const QString& name) const {
    for (size_t i = 0; i < fonts_.size(); ++i) {
        if (fonts_[i].Name.compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    }
    return -1;
}

int TQRRTFExportFilter::AddFont(const QString& name) {
    const int index = FontIndex(name);
    if (index >= 0) return index;
    fonts_.push_back({name, FamilyOf(name)});
    return static_cast<int>(fonts_.size()) - 1;
}

void TQRRTFExportFilter::Line(const QByteArray& line) {
    buffer_ += line;
    buffer_ += "\r\n";
    if (buffer_.size() > kBufferBytes) {
        if (!spill_) {
            spill_ = std::make_unique<QTemporaryFile>();
            if (!spill_->open()) {
                throw Exception(QStringLiteral("Não foi possível gravar o arquivo \"%1\": não há onde guardar "
                                               "o documento enquanto é gerado (%2).")
                                    .arg(FileName, spill_->errorString()));
            }
        }
        if (spill_->write(buffer_) != buffer_.size()) {
            throw Exception(QStringLiteral("Não foi possível gravar o arquivo \"%1\": %2")
                                .arg(FileName, spill_->errorString()));
        }
        buffer_.clear();
    }
}

void TQRRTFExportFilter::Start(int paperWidth, int paperHeight, const TQRFont& font) {
    TQRExportFilter::Start(paperWidth, paperHeight, font);
    // The page as the run describes it, in twips.
    double paperLength = 0, paperWidthTwips = 0, rightMargin = 720, bottomMargin = 720;
    leftMargin_ = topMargin_ = 720;
    bool landscape = false;
    if (Page.Length > 0) {
        paperLength = Page.Length * kTwipsPerNative;
        paperWidthTwips = Page.Width * kTwipsPerNative;
        leftMargin_ = Page.LeftMargin * kTwipsPerNative;
        rightMargin = Page.RightMargin * kTwipsPerNative;
        topMargin_ = Page.TopMargin * kTwipsPerNative;
        bottomMargin = Page.BottomMargin * kTwipsPerNative;
        landscape = Page.Landscape;
    }
    // The report's own face is font 0, the document's default.
    fonts_.clear();
    AddFont(font.Name.isEmpty() ? QStringLiteral("Arial") : font.Name);
    file_ = std::make_unique<TSafeFile>(FileName);
    spill_.reset();
    buffer_.clear();
    items_.clear();
    pageBreak_ = false;
    lineCount_ = static_cast<int>(Round(paperHeight / kRowHeight));
    if (lineCount_ < 0) lineCount_ = 0;

    QByteArray header = "{\\rtf1\\ansi\\deff0\\deftab720";
    if (paperLength > 0) {
        header += "\\paperh" + Num(Round(paperLength)) + "\\paperw" + Num(Round(paperWidthTwips)) + "\\psz" +
                  Num(Page.PaperSize);
    }
    header += "\\margl" + Num(Round(leftMargin_)) + "\\margr" + Num(Round(rightMargin)) + "\\margt" +
              Num(Round(topMargin_)) + "\\margb" + Num(Round(bottomMargin));
    if (landscape) header += "\\landscape";
    header_ = header;
}

QByteArray TQRRTFExportFilter::Head() const {
    QByteArray fontTable = "{\\fonttbl";
    for (size_t i = 0; i < fonts_.size(); ++i) {
        fontTable += "{\\f" + Num(static_cast<long long>(i)) + kFamilyKeywords[fonts_[i].Family] + ' ' +
                     EscapeText(fonts_[i].Name) + ";}";
    }
    fontTable += '}';
    QByteArray colorTable = "{\\colortbl";
    for (const TRgb& c : kColors) {
        colorTable += "\\red" + Num(c.R) + "\\green" + Num(c.G) + "\\blue" + Num(c.B) + ';';
    }
    colorTable += '}';
    return header_ + fontTable + "\r\n" + colorTable + "\r\n\\deflang1033\r\n";
}

void TQRRTFExportFilter::NewPage() { items_.clear(); }

void TQRRTFExportFilter::TextOut(double x, double y, const TQRFont& font, const QColor& color,
                                 TAlignment alignment, const QString& text) {
    (void)color;  // the font's own colour is used
    const double row = RoundHalfEven(y / kRowHeight);
    if (!(row >= 0 && row < lineCount_)) return;  // outside the page's grid
    TQRRTFItem item;
    item.X = x;
    item.Y = y;
    item.Alignment = alignment;
    item.Text = EscapeText(text);
    item.FontIndex = AddFont(font.Name);
    item.FontColor = font.Color;
    item.Bold = font.Bold;
    item.Italic = font.Italic;
    item.Underline = font.Underline;
    item.StrikeOut = font.StrikeOut;
    item.Size = font.Size * 2;
    items_.push_back(std::move(item));
}

void TQRRTFExportFilter::EndPage() {
    if (!file_) return;
    if (pageBreak_) {
        Line("{\\page }");
    }
    std::vector<TQRRowExtent> extents;
    extents.reserve(items_.size());
    for (const TQRRTFItem& item : items_) extents.push_back({item.Y, item.Size * kRowHeight / 2});
    int rowCount = 0;
    const std::vector<int> rowOf = QRGroupRows(extents, &rowCount);
    std::vector<TQRRTFLineItem> rows(static_cast<size_t>(rowCount));
    std::vector<double> tops(static_cast<size_t>(rowCount), 0);
    for (size_t i = 0; i < items_.size(); ++i) {
        const size_t r = static_cast<size_t>(rowOf[i]);
        tops[r] = rows[r].Items().empty() ? items_[i].Y : std::min(tops[r], items_[i].Y);
        rows[r].Add(std::move(items_[i]));
    }
    items_.clear();

    // Where the reader's next line starts, in twips from the paper's top: the
    // first row at the top margin, each row after the one before it. A row
    // gets the spacing that puts it where the page has it; a row closer to the
    // one above than a line's height starts right below it, and the rows after
    // it take the difference back, so no error piles up down the page.
    long long readerY = Round(topMargin_);
    for (size_t r = 0; r < rows.size(); ++r) {
        const TQRRTFLineItem& row = rows[r];
        QByteArray paragraph;
        QByteArray run;
        bool first = true;
        int largestSize = 0;
        for (const TQRRTFItem& item : row.Items()) {
            if (first) {
                first = false;
                paragraph = "\\pard\\plain";
                const long long spacing = Round(tops[r] * kTwipsPerNative) - readerY;
                if (spacing > 0) {
                    paragraph += "\\sb" + Num(spacing);
                    readerY += spacing;
                }
            }
            largestSize = std::max(largestSize, item.Size);
            // A text left of the margin gets a stop at the margin: RTF has no stop before it.
            const long long tab = std::max(0LL, Round(item.X * kTwipsPerNative - leftMargin_) + 20);
            paragraph += item.Alignment == TAlignment::taRightJustify ? "\\tqr"
                         : item.Alignment == TAlignment::taCenter     ? "\\tqc"
                                                                       : "\\tql";
            paragraph += "\\tx" + Num(tab);
            run += "\\tab\\plain";
            if (item.FontIndex >= 0) run += "\\f" + Num(item.FontIndex);
            run += "\\fs" + Num(item.Size);
            if (item.Bold) run += "\\b";
            if (item.Italic) run += "\\i";
            if (item.Underline) run += "\\ul";
            if (item.StrikeOut) run += "\\strike";
            const QColor c = item.FontColor.toRgb();
            for (int i = 1; i < 18; ++i) {
                if (c.red() == kColors[i].R && c.green() == kColors[i].G && c.blue() == kColors[i].B) {
                    run += "\\cf" + Num(i) + ' ';
                    break;
                }
            }
            run += ' ' + item.Text;
        }
        // A line of a reader is as high as its largest font's ascent and descent
        // with the face's line gap, 1.15 em for Arial and its metric twins.
        readerY += Round(largestSize * kLineTwipsPerHalfPoint);
        if (!run.isEmpty()) {
            Line(paragraph);
            Line("{\\plain\\fs1" + run + "{\\fs1\\par}}");
            pageBreak_ = true;
        }
    }
}

void TQRRTFExportFilter::Finish() {
    if (file_) {
        Line("\\par }");
        std::unique_ptr<TSafeFile> file = std::move(file_);
        file->Write(Head());
        if (spill_) {
            // The body that went to the temporary file, a megabyte at a time.
            if (!spill_->flush() || !spill_->seek(0)) {
                throw Exception(QStringLiteral("Não foi possível gravar o arquivo \"%1\": %2")
                                    .arg(FileName, spill_->errorString()));
            }
            while (!spill_->atEnd()) {
                const QByteArray piece = spill_->read(kBufferBytes);
                if (piece.isEmpty()) {
                    throw Exception(QStringLiteral("Não foi possível gravar o arquivo \"%1\": %2")
                                        .arg(FileName, spill_->errorString()));
                }
                file->Write(piece);
            }
            spill_.reset();
        }
        file->Write(buffer_);
        buffer_.clear();
        file->Commit();
    }
    items_.clear();
    TQRExportFilter::Finish();
}
}  // namespace quorin
