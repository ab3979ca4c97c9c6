#include "report_engine/export/TQRRTFExportFilter.h"

#include <QFontDatabase>
#include <algorithm>

#include "runtime/Conversions.h"
#include "runtime/Rounding.h"
#include "runtime/SafeFile.h"

namespace quorin {

namespace {

constexpr double kRowHeight = 3.5277777777777777778;  // one point in native units
constexpr double kTwipsPerNative = 5.669291338582677165;
constexpr double kNativePerTwip = 0.17638888888888888888;

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

int FamilyOf(const QString& family) {
    const QString lower = family.toLower();
    if (QFontDatabase::isFixedPitch(family) || lower.contains(QLatin1String("mono")) ||
        lower.contains(QLatin1String("courier"))) {
        return 3;
    }
    if (lower.contains(QLatin1String("symbol")) || lower.contains(QLatin1String("dingbat"))) return 6;
    if (lower.contains(QLatin1String("script")) || lower.contains(QLatin1String("chancery"))) return 4;
    if (lower.contains(QLatin1String("sans")) || lower.contains(QLatin1String("arial")) ||
        lower.contains(QLatin1String("helvetica")) || lower.contains(QLatin1String("gothic"))) {
        return 2;
    }
    if (lower.contains(QLatin1String("serif")) || lower.contains(QLatin1String("roman")) ||
        lower.contains(QLatin1String("times"))) {
        return 1;
    }
    return 0;
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

void TQRRTFExportFilter::FillFontList() {
    fonts_.clear();
    QStringList families = QFontDatabase::families();
    std::sort(families.begin(), families.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    for (const QString& family : families) {
        if (!fonts_.empty() && fonts_.back().Name.compare(family, Qt::CaseInsensitive) == 0) continue;
        fonts_.push_back({family, FamilyOf(family)});
    }
}

int TQRRTFExportFilter::FontIndex(const QString& name) const {
    auto it = std::lower_bound(fonts_.begin(), fonts_.end(), name, [](const TFontEntry& e, const QString& n) {
        return e.Name.compare(n, Qt::CaseInsensitive) < 0;
    });
    return it != fonts_.end() && it->Name.compare(name, Qt::CaseInsensitive) == 0
               ? static_cast<int>(it - fonts_.begin())
               : -1;
}

void TQRRTFExportFilter::Line(const QByteArray& line) {
    buffer_ += line;
    buffer_ += "\r\n";
    if (buffer_.size() > (1 << 20)) {
        file_->Write(buffer_);
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
    FillFontList();
    file_ = std::make_unique<TSafeFile>(FileName);
    buffer_.clear();
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
    Line(header + fontTable);
    Line(colorTable);
    Line("\\deflang1033");
}

void TQRRTFExportFilter::NewPage() {
    rows_.assign(static_cast<size_t>(lineCount_), TQRRTFLineItem());
}

void TQRRTFExportFilter::TextOut(double x, double y, const TQRFont& font, const QColor& color,
                                 TAlignment alignment, const QString& text) {
    (void)color;  // the font's own colour is used
    TQRRTFItem item;
    item.X = x;
    item.Y = y;
    item.Alignment = alignment;
    item.Text = EscapeText(text);
    item.FontIndex = FontIndex(font.Name);
    item.FontColor = font.Color;
    item.Bold = font.Bold;
    item.Italic = font.Italic;
    item.Underline = font.Underline;
    item.StrikeOut = font.StrikeOut;
    item.Size = font.Size * 2;
    const double row = RoundHalfEven(y / kRowHeight);
    if (row >= 0 && row < static_cast<double>(rows_.size())) {
        rows_[static_cast<size_t>(row)].Add(std::move(item));
    }
}

void TQRRTFExportFilter::EndPage() {
    if (!file_) return;
    if (pageBreak_) {
        Line("{\\page }");
    }
    double lastY = topMargin_ * kNativePerTwip;
    int largestSize = 0;
    for (const TQRRTFLineItem& row : rows_) {
        QByteArray paragraph;
        QByteArray run;
        bool first = true;
        for (const TQRRTFItem& item : row.Items()) {
            if (first) {
                first = false;
                paragraph = "\\pard\\plain";
                const long long spacing =
                    Round((item.Y - lastY) * kTwipsPerNative) - largestSize * 10 - SpacingAllowance();
                if (spacing > 0) paragraph += "\\sb" + Num(spacing);
            }
            largestSize = std::max(largestSize, item.Size);
            lastY = std::max(lastY, item.Y);
            const long long tab = Round(item.X * kTwipsPerNative - leftMargin_) + 20;
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
        if (!run.isEmpty()) {
            Line(paragraph);
            Line("{\\plain" + run + "{\\fs1\\par}}");
            pageBreak_ = true;
        }
    }
}

void TQRRTFExportFilter::Finish() {
    if (file_) {
        Line("\\par }");
        file_->Write(buffer_);
        buffer_.clear();
        std::unique_ptr<TSafeFile> file = std::move(file_);
        file->Commit();
    }
    rows_.clear();
    TQRExportFilter::Finish();
}

}  // namespace quorin
