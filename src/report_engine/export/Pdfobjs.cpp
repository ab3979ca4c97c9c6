#include "report_engine/export/Pdfobjs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

#include "runtime/Conversions.h"
#include "runtime/Exceptions.h"
#include "runtime/FileAccess.h"
#include "runtime/Rounding.h"
#include "runtime/SafeFile.h"
#include "runtime/TemporaryCleanup.h"

namespace quorin {

namespace {

constexpr const char* kStandardFonts[] = {"Courier", "Helvetica", "Times", "Symbol"};
constexpr double kArc = 0.55229;
const QByteArray kEol = QByteArrayLiteral("\r\n");

QByteArray TrimBlanks(const QByteArray& line) { return line.trimmed(); }

/// Writes the text in Windows-1252 with every backslash doubled and a
/// backslash before every parenthesis (a character outside the code page, or
/// a surrogate pair, as "?") from p, which has room for twice the text's
/// length; returns the end.
char* EscapeInto(char* p, const QString& text) {
    const qsizetype n = text.size();
    const auto* units = reinterpret_cast<const char16_t*>(text.utf16());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = units[i];
        char b;
        if (u < 0x80) {
            b = static_cast<char>(u);
        } else if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(units[i + 1])) {
            ++i;
            b = '?';
        } else {
            const int byte = Windows1252Byte(u);
            b = byte < 0 ? '?' : static_cast<char>(byte);
        }
        if (b == '\\' || b == '(' || b == ')') *p++ = '\\';
        *p++ = b;
    }
    return p;
}

char* CopyInto(char* p, const QByteArray& bytes) {
    std::memcpy(p, bytes.constData(), static_cast<size_t>(bytes.size()));
    return p + bytes.size();
}

template <size_t N>
char* CopyInto(char* p, const char (&literal)[N]) {
    std::memcpy(p, literal, N - 1);
    return p + (N - 1);
}

/// "%d" of a float: truncated toward zero; 0 for what is not a number. p has
/// room for 20 characters.
char* TruncatedInto(char* p, double value) {
    const long long whole = std::isfinite(value) ? static_cast<long long>(std::trunc(value)) : 0;
    return std::to_chars(p, p + 20, whole).ptr;
}

QByteArray Num(long long value) { return QByteArray::number(value); }

/// TruncatedInto at the end of out.
void AppendD(QByteArray& out, double value) {
    char buffer[20];
    out.append(buffer, TruncatedInto(buffer, value) - buffer);
}

/// "%w.df": the exact binary value rounded to d decimals, a tie to even,
/// never "-0", padded with blanks on the left to w characters. Scaling by a
/// power of ten is exact to half a unit in the last place; only a result
/// that close to a tie is left to the general conversion.
void AppendF(QByteArray& out, double value, int decimals, int width = 0) {
    if (!std::isfinite(value)) {
        value = 0;
    }
    static constexpr double kScale[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
    char buffer[64];
    char* end = nullptr;
    if (decimals >= 0 && decimals <= 6) {
        const double scaled = value * kScale[decimals];
        const double magnitude = std::fabs(scaled);
        if (magnitude < 1e15 &&
            std::fabs(magnitude - std::floor(magnitude) - 0.5) > magnitude * 0x1p-50 + 0x1p-60) {
            const auto whole = static_cast<long long>(RoundHalfEven(magnitude));
            char digits[24];
            char* last = std::to_chars(digits, digits + sizeof digits, whole).ptr;
            int count = static_cast<int>(last - digits);
            end = buffer;
            if (scaled < 0 && whole != 0) *end++ = '-';
            if (count <= decimals) {  // 0.0ddd: leading zeros up to the point
                *end++ = '0';
                *end++ = '.';
                for (int i = count; i < decimals; ++i) *end++ = '0';
                end = std::copy(digits, last, end);
            } else {
                end = std::copy(digits, last - decimals, end);
                if (decimals > 0) {
                    *end++ = '.';
                    end = std::copy(last - decimals, last, end);
                }
            }
        }
    }
    if (end == nullptr) {
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
        end = result.ec == std::errc() ? result.ptr : buffer;
        if (end > buffer && buffer[0] == '-' && std::all_of(buffer + 1, end, [](char c) { return c == '0' || c == '.'; }))
            std::memmove(buffer, buffer + 1, size_t(--end - buffer));  // no "-0.00"
    }
    const qsizetype length = end - buffer;
    if (length < width) {
        out.append(width - length, ' ');
    }
    out.append(buffer, length);
}

/// A failed QFile operation's reason in Portuguese: the system's error number
/// where the operation left one, else the kind of failure.
QString FileErrorText(const QFile& file) {
    if (errno != 0) return SystemErrorText(errno);
    switch (file.error()) {
        case QFileDevice::ResourceError:
            return SystemErrorText(ENOSPC);
        case QFileDevice::PermissionsError:
            return SystemErrorText(EACCES);
        default:
            return SystemErrorText(EIO);
    }
}

[[noreturn]] void TempFileError(const QFile& file, const QString& verb) {
    throw Exception(QStringLiteral("Não foi possível %1 o arquivo temporário \"%2\": %3.")
                        .arg(verb, QDir::toNativeSeparators(file.fileName()), FileErrorText(file)));
}

/// A spill file of page parts: parts are appended in writes of about a
/// megabyte and read back in order in reads of that size, so a long run
/// makes a few system calls per megabyte rather than several per page. A
/// run that never fills the first megabyte keeps everything in memory.
class TSpill {
  public:
    // The bytes kept in memory for writing and for reading back: a quarter of a
    // megabyte each way is few system calls and little memory beside the rows.
    static constexpr qsizetype kChunk = 1 << 18;

    void SetFileName(const QString& name) { file_.setFileName(name); }

    /// Appends the bytes and returns where they begin.
    qint64 Append(const QByteArray& bytes) {
        const qint64 at = size_;
        // Written before it would outgrow the chunk, so the buffer never grows past it.
        if (!pending_.isEmpty() && pending_.size() + bytes.size() > kChunk) WritePending();
        if (pending_.capacity() < kChunk) pending_.reserve(kChunk);
        pending_ += bytes;
        size_ += bytes.size();
        if (pending_.size() >= kChunk) WritePending();
        return at;
    }

    /// The bytes at offset; offsets are asked for in ascending order.
    QByteArray Read(qint64 offset, qint64 length) {
        if (length == 0) return {};
        if (offset >= written_) {  // still in memory
            return pending_.mid(offset - written_, length);
        }
        if (!pending_.isEmpty()) WritePending();  // what follows is read from the file too
        if (offset < readAt_ || offset + length > readAt_ + buffer_.size()) {
            errno = 0;
            if (offset != position_ && !file_.seek(offset)) TempFileError(file_, QStringLiteral("ler"));
            buffer_ = file_.read(std::max<qint64>(length, std::min<qint64>(kChunk, size_ - offset)));
            if (buffer_.size() < length) TempFileError(file_, QStringLiteral("ler"));
            readAt_ = offset;
            position_ = offset + buffer_.size();
        }
        return buffer_.mid(offset - readAt_, length);
    }

    void Remove() {
        file_.close();
        file_.remove();
        pending_.clear();
        buffer_.clear();
    }

  private:
    void WritePending() {
        errno = 0;
        if (!file_.isOpen()) {
            if (!file_.open(QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered)) {
                TempFileError(file_, QStringLiteral("criar"));
            }
            // Open without a name from here on: a killed process leaves nothing behind.
            QFile::remove(file_.fileName());
        }
        if (position_ != written_ && !file_.seek(written_)) TempFileError(file_, QStringLiteral("gravar"));
        if (file_.write(pending_) != pending_.size()) TempFileError(file_, QStringLiteral("gravar"));
        written_ += pending_.size();
        position_ = written_;
        pending_.resize(0);  // keeps the buffer for the next chunk
    }

    QFile file_;
    QByteArray pending_;   // the bytes after written_, not yet in the file
    qint64 size_ = 0;      // bytes appended
    qint64 written_ = 0;   // bytes in the file
    qint64 position_ = 0;  // the file's position
    QByteArray buffer_;    // bytes read back, from readAt_
    qint64 readAt_ = 0;
};

QByteArray ReadWholeFile(const QString& path) {
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) TempFileError(file, QStringLiteral("ler"));
    return file.readAll();
}

}  // namespace

struct TPdfObjs::Impl {
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/quorin-pdf-XXXXXX")};
    // The folder and the pictures waiting in it are removed if a signal ends the process.
    TTemporaryGuard dirCleanup{QFile::encodeName(dir.path()), TTemporaryCleanup::FolderAndFiles};
    // The pages' parts, one after the other in two spill files of the folder,
    // so a long run creates two files rather than two per page.
    TSpill textSpill;
    TSpill graphicSpill;
    std::vector<qint64> textOffsets;
    std::vector<qint64> graphicOffsets;
    std::vector<qint64> textLengths;
    std::vector<qint64> graphicLengths;
    QByteArray text;      // the current page's text part
    QByteArray graphics;  // and its graphics part

    // The font line and colour line of the last text, reused while they stay.
    bool haveLastFont = false;
    QString lastFontName;
    bool lastBold = false;
    bool lastItalic = false;
    int lastFontSize = 0;
    QByteArray fontLine;
    bool haveLastColor = false;
    QColor lastColor;
    QByteArray colorLine;

    // FinishDoc's output: offsets of the objects and the bytes written so far.
    std::vector<qint64> offsets;
    qint64 outputOffset = 0;
    QByteArray out;
    TSafeFile* target = nullptr;

    void Put(const QByteArray& bytes) {
        constexpr qsizetype kPiece = 1 << 18;  // written in quarter megabytes
        if (!out.isEmpty() && out.size() + bytes.size() > kPiece) {
            Flush();
        }
        if (out.capacity() < kPiece) {
            out.reserve(kPiece);
        }
        out += bytes;
        outputOffset += bytes.size();
        if (out.size() >= kPiece) {
            Flush();
        }
    }
    void Line(const QByteArray& line) {
        Put(line);
        Put(kEol);
    }
    void Flush() {
        target->Write(out);
        out.resize(0);  // keeps the buffer for the next piece
    }
    void BeginObject(int number) {
        offsets.push_back(outputOffset);
        Line(Num(number) + " 0 obj");
    }
};

TPdfObjs::TPdfObjs() : d(std::make_unique<Impl>()) {
    if (!d->dir.isValid()) {
        throw Exception(QStringLiteral("Não foi possível criar a pasta temporária da exportação em \"%1\": %2")
                            .arg(QDir::toNativeSeparators(QDir::tempPath()), d->dir.errorString()));
    }
    d->textSpill.SetFileName(d->dir.filePath(QStringLiteral("T.tmp")));
    d->graphicSpill.SetFileName(d->dir.filePath(QStringLiteral("I.tmp")));
    StartPage();
    fontSubs_ << QStringLiteral("Arial:Helvetica") << QStringLiteral("Times-new-roman:Times")
              << QStringLiteral("Courier-new:Courier");
}

TPdfObjs::~TPdfObjs() = default;

QString TPdfObjs::TempPath(const QString& name) const { return d->dir.filePath(name); }

void TPdfObjs::SetPageParams(double pageWidth, double pageHeight, double vertOffset, double horzOffset) {
    pageWidth_ = pageWidth;
    pageHeight_ = pageHeight;
    vertOffset_ = vertOffset;
    horzOffset_ = horzOffset;
}

void TPdfObjs::AddFontSub(const QString& entry) {
    const QString prefix = entry.section(u':', 0, 0);
    for (QString& sub : fontSubs_) {
        if (sub.section(u':', 0, 0).compare(prefix, Qt::CaseInsensitive) == 0) {
            sub = entry;
            return;
        }
    }
    fontSubs_ << entry;
}

void TPdfObjs::StartPage() {
    ++pageCount_;
    d->text.resize(0);
    d->graphics.resize(0);
}

void TPdfObjs::FinishPage() {
    d->text += "ET" + kEol;
    d->textOffsets.push_back(d->textSpill.Append(d->text));
    d->graphicOffsets.push_back(d->graphicSpill.Append(d->graphics));
    d->textLengths.push_back(d->text.size());
    d->graphicLengths.push_back(d->graphics.size());
    d->text.resize(0);
    d->graphics.resize(0);
}

QByteArray TPdfObjs::FormatD(double value) {
    QByteArray text;
    AppendD(text, value);
    return text;
}

QByteArray TPdfObjs::FormatF(double value, int decimals, int width) {
    QByteArray text;
    AppendF(text, value, decimals, width);
    return text;
}

QByteArray TPdfObjs::ZeroPadded(long long value, int digits) {
    QByteArray text = Num(value < 0 ? -value : value);
    if (text.size() < digits) {
        text.prepend(QByteArray(digits - text.size(), '0'));
    }
    return value < 0 ? "-" + text : text;
}

namespace {

/// "%4.2f" of every channel value ÷ 255, made once.
const std::array<QByteArray, 256>& ChannelTexts() {
    static const std::array<QByteArray, 256> texts = [] {
        std::array<QByteArray, 256> t;
        for (int v = 0; v < 256; ++v) AppendF(t[size_t(v)], v / 255.0, 2, 4);
        return t;
    }();
    return texts;
}

void AppendRGB(QByteArray& out, const QColor& color) {
    const QColor c = color.toRgb();  // a copy when it already is one
    const auto& texts = ChannelTexts();
    // Each text is four characters, so the three need no trimming.
    out += texts[size_t(c.red())];
    out += ' ';
    out += texts[size_t(c.green())];
    out += ' ';
    out += texts[size_t(c.blue())];
}

}  // namespace

QByteArray TPdfObjs::RGBString(const QColor& color) {
    QByteArray text;
    AppendRGB(text, color);
    return text;
}

QByteArray TPdfObjs::PDFArcTo(double x0, double y0, double x1, double y1, double rx, double ry,
                              bool startOnVertAxis) {
    double c1x = x0, c1y = y0, c2x = x1, c2y = y1;
    const double sx = x1 > x0 ? 1 : -1;  // toward the end point
    const double sy = y1 > y0 ? 1 : -1;
    if (startOnVertAxis) {
        c1x += sx * kArc * rx;
        c2y -= sy * kArc * ry;
    } else {
        c1y += sy * kArc * ry;
        c2x -= sx * kArc * rx;
    }
    QByteArray line;
    for (const double v : {c1x, c1y, c2x, c2y, x1, y1}) {
        line += ' ' + FormatF(v, 1, 6);
    }
    return TrimBlanks(line) + " c";
}

QString TPdfObjs::MapFontName(const QString& fontKey) const {
    const QString lower = fontKey.toLower();
    const bool bold = lower.contains(QLatin1String("bold"));
    const bool italic = lower.contains(QLatin1String("italic"));
    QString base = fontKey.section(u',', 0, 0);
    const QString lowerBase = base.toLower();
    for (const QString& sub : fontSubs_) {
        if (sub.toLower().startsWith(lowerBase)) {
            const qsizetype colon = sub.indexOf(u':');
            base = colon < 0 ? QStringLiteral("Courier") : sub.mid(colon + 1);
            break;
        }
    }
    base = base.section(u'-', 0, 0);
    int index = 0;
    for (int i = 0; i < 4; ++i) {
        if (base.compare(QLatin1String(kStandardFonts[i]), Qt::CaseInsensitive) == 0) {
            index = i;
            break;
        }
    }
    base = QLatin1String(kStandardFonts[index]);
    switch (index) {
        case 0:
        case 1:
            if (bold && italic) return base + QStringLiteral("-BoldOblique");
            if (bold) return base + QStringLiteral("-Bold");
            if (italic) return base + QStringLiteral("-Oblique");
            return base;
        case 2:
            if (bold && italic) return base + QStringLiteral("-BoldItalic");
            if (bold) return base + QStringLiteral("-Bold");
            if (italic) return base + QStringLiteral("-Italic");
            return base + QStringLiteral("-Roman");
        default:
            return base;
    }
}

void TPdfObjs::AddPDFItem(const TPDFItemRec& item) {
    const double x = item.X + horzOffset_;
    const double yp = pageHeight_ - (item.Y + vertOffset_);
    switch (item.Kind) {
        case TPDFItemRec::pkText:
            AddText(item, x, yp);
            break;
        case TPDFItemRec::pkNewPage:
            FinishPage();
            StartPage();
            break;
        case TPDFItemRec::pkShape:
            AddShape(item, x, yp);
            break;
        case TPDFItemRec::pkImage:
            AddImageItem(item);
            break;
        default:
            break;
    }
}

void TPdfObjs::AddText(const TPDFItemRec& item, double x, double yp) {
    // Runs of texts share font and colour: look the key and the colour up once per change.
    if (!d->haveLastFont || item.FontName != d->lastFontName || item.Bold != d->lastBold ||
        item.Italic != d->lastItalic || item.FontSize != d->lastFontSize) {
        QString key = item.FontName;
        key.replace(u' ', u'-');
        if (item.Bold) key += QStringLiteral(", bold");
        if (item.Italic) key += QStringLiteral(", italic");
        qsizetype index = fonts_.indexOf(key);
        if (index < 0) {
            fonts_ << key;
            index = fonts_.size() - 1;
        }
        d->lastFontName = item.FontName;
        d->lastBold = item.Bold;
        d->lastItalic = item.Italic;
        d->lastFontSize = item.FontSize;
        d->haveLastFont = true;
        d->fontLine = "/F" + ZeroPadded(index, 2) + ' ' + Num(item.FontSize) + " Tf" + kEol;
    }
    if (!d->haveLastColor || item.FillColor != d->lastColor) {
        d->lastColor = item.FillColor;
        d->haveLastColor = true;
        d->colorLine.resize(0);
        AppendRGB(d->colorLine, item.FillColor);
        d->colorLine += " rg\r\n";
    }
    // Written in place: a run makes one of these for every text of every page.
    QByteArray& t = d->text;
    const qsizetype start = t.size();
    t.resize(start + d->colorLine.size() + d->fontLine.size() + 2 * item.Text.size() + 64);
    char* p = t.data() + start;
    p = CopyInto(p, d->colorLine);
    p = CopyInto(p, d->fontLine);
    p = CopyInto(p, " 1 0 0 1 ");
    p = TruncatedInto(p, x);
    *p++ = ' ';
    p = TruncatedInto(p, yp);
    p = CopyInto(p, " Tm (");
    p = EscapeInto(p, item.Text);
    p = CopyInto(p, ") Tj\r\n");
    t.truncate(p - t.constData());
}

// Every line of a shape is written trimmed of blanks: the widths that would
// pad its numbers on the left are left out instead.
void TPdfObjs::AddShape(const TPDFItemRec& item, double x, double yp) {
    QByteArray& g = d->graphics;
    const double w = item.Width;
    const double h = item.Height;
    const bool dashed = !item.PenDashes.isEmpty();
    const auto outline = [&] {
        AppendRGB(g, item.PenColor);
        g += " RG\r\n";
    };
    const auto fill = [&] {
        AppendRGB(g, item.FillColor);
        g += " rg\r\n";
    };
    const auto exactWidth = [&] {
        AppendF(g, item.PenWidth, dashed ? 2 : 6);
        g += " w\r\n";
    };
    const auto thinWidth = [&] {
        AppendF(g, item.PenWidth, dashed ? 2 : 0);
        g += " w\r\n";
    };
    const auto lineTo = [&](double x0, double y0, double x1, double y1) {
        AppendD(g, x0);
        g += ' ';
        AppendD(g, y0);
        g += " m ";
        AppendD(g, x1);
        g += ' ';
        AppendD(g, y1);
        g += " l s\r\n";
    };
    if (dashed) {
        g += '[';
        for (qsizetype i = 0; i < item.PenDashes.size(); ++i) {
            if (i > 0) g += ' ';
            AppendF(g, item.PenDashes[i], 2);
        }
        g += "] 0 d\r\n";
    }
    switch (item.ShapeKind) {
        case 0:
            exactWidth();
            item.Filled ? fill() : outline();
            AppendD(g, x);
            g += ' ';
            AppendD(g, yp - h);
            g += ' ';
            AppendD(g, w);
            g += ' ';
            AppendD(g, h);
            g += item.Filled ? " re f\r\n" : " re s\r\n";
            break;
        case 1: {
            thinWidth();
            outline();
            const double cx = x + w / 2;
            const double cy = yp - h / 2;
            const double rx = w / 2;
            const double ry = h / 2;
            AppendF(g, cx, 1);
            g += ' ';
            AppendF(g, yp, 1, 6);
            g += " m\r\n";
            g += PDFArcTo(cx, yp, x + w, cy, rx, ry, true) + kEol;
            g += PDFArcTo(x + w, cy, cx, yp - h, rx, ry, false) + kEol;
            g += PDFArcTo(cx, yp - h, x, cy, rx, ry, true) + kEol;
            g += PDFArcTo(x, cy, cx, yp, rx, ry, false) + " s" + kEol;
            break;
        }
        case 2:
            thinWidth();
            outline();
            lineTo(x, yp - h / 2, x + w, yp - h / 2);
            break;
        case 3:
            thinWidth();
            outline();
            lineTo(x + w / 2, yp - h, x + w / 2, yp);
            break;
        case 4:
            exactWidth();
            outline();
            lineTo(x, yp, x + w, yp - h);
            break;
        case 5:
            thinWidth();
            outline();
            lineTo(x, yp, x + w, yp);
            lineTo(x, yp - h, x + w, yp - h);
            break;
        case 6:
            thinWidth();
            outline();
            lineTo(x, yp - h, x, yp);
            lineTo(x + w, yp - h, x + w, yp);
            break;
        default:
            break;
    }
    if (dashed) {
        g += "[] 0 d\r\n";  // the next shape starts solid again
    }
}

void TPdfObjs::AddImageItem(const TPDFItemRec& item) {
    const double x = item.X + horzOffset_;
    const double yp = pageHeight_ - (item.Y + vertOffset_);
    QByteArray& g = d->graphics;
    g += "q " + FormatD(item.Width * item.HorzScale) + " 0 0 " + FormatD(item.Height * item.VertScale) + ' ' +
         FormatD(x) + ' ' + FormatD(yp) + " cm" + kEol;
    g += "BI" + kEol;
    g += "/Width " + Num(item.ImageWidth) + kEol;
    g += "/Height " + Num(item.ImageHeight) + kEol;
    g += "/BitsPerComponent 8" + kEol;
    g += "/ColorSpace /DeviceRGB" + kEol;
    g += "/Filter /ASCIIHexDecode" + kEol;
    g += "ID" + kEol;
    g += ReadWholeFile(item.ImageFile);
    g += ">" + kEol;
    g += "EI" + kEol;
    g += "Q" + kEol;
    QFile::remove(item.ImageFile);
}

void TPdfObjs::FinishDoc(const QString& fileName) {
    FinishPage();
    const int n = pageCount_;
    const int f = static_cast<int>(fonts_.size());
    TSafeFile target(fileName);
    d->target = &target;
    d->offsets.clear();
    d->outputOffset = 0;
    d->out.clear();
    Impl& o = *d;

    o.Line("%PDF-1.3");
    o.BeginObject(1);
    for (const char* l : {"<<", "/Type /Catalog", "/Pages 3 0 R", "/Outlines 2 0 R",
                          "/ViewerPreferences << /HideToolbar false /FitWindow true >>", ">>", "endobj"}) {
        o.Line(l);
    }
    o.BeginObject(2);
    for (const char* l : {"<<", "/Type /Outlines", "/Count 0", ">>", "endobj"}) {
        o.Line(l);
    }
    o.BeginObject(3);
    o.Line("<<");
    o.Line("/Type /Pages");
    o.Line("/Count " + Num(n));
    QByteArray kids;
    for (int i = 0; i < n; ++i) {
        kids += Num(2 * i + 4) + " 0 R ";
    }
    o.Line("/Kids [" + kids.trimmed() + "]");
    o.Line("/MediaBox [0 0 " + FormatD(pageWidth_) + ' ' + FormatD(pageHeight_) + "]");
    // MakeResourceDict
    o.Line("/Resources << ");
    o.Line("/Font << ");
    for (int j = 0; j < f; ++j) {
        o.Line("  /F" + ZeroPadded(j, 2) + ' ' + Num(2 * n + 4 + j) + " 0 R ");
    }
    o.Line("  >>");
    o.Line("/ProcSet " + Num(2 * n + 4 + f) + " 0 R");
    o.Line(">>");
    o.Line(">>");
    o.Line("endobj");

    for (int i = 0; i < n; ++i) {
        o.BeginObject(2 * i + 4);
        o.Line("<<");
        o.Line("/Type /Page");
        o.Line("/Parent 3 0 R");
        o.Line("/Contents " + Num(2 * i + 5) + " 0 R");
        o.Line(">>");
        o.Line("endobj");
        o.BeginObject(2 * i + 5);
        o.Line("<< /Length " + Num(d->textLengths[i] + d->graphicLengths[i] + 4) + " >>");
        o.Line("stream");
        const QByteArray text = d->textSpill.Read(d->textOffsets[i], d->textLengths[i]);
        const QByteArray graphics = d->graphicSpill.Read(d->graphicOffsets[i], d->graphicLengths[i]);
        if (textFirst_) {
            o.Line("BT");
            o.Put(text);
            o.Put(graphics);
        } else {
            o.Put(graphics);
            o.Line("BT");
            o.Put(text);
        }
        o.Line("endstream");
        o.Line("endobj");
    }
    d->textSpill.Remove();
    d->graphicSpill.Remove();

    for (int j = 0; j < f; ++j) {
        o.BeginObject(2 * n + 4 + j);
        o.Line("<<");
        o.Line("/Type /Font");
        o.Line("/Subtype /Type1");
        o.Line("/Name /F" + ZeroPadded(j, 2));
        o.Line("/BaseFont /" + MapFontName(fonts_[j]).toLatin1());
        o.Line("/Encoding /WinAnsiEncoding");
        o.Line(">>");
        o.Line("endobj");
    }
    o.BeginObject(2 * n + 4 + f);
    o.Line("[/PDF /Text]");
    o.Line("endobj");

    // MakeXRef
    const qint64 xref = o.outputOffset;
    const int size = static_cast<int>(o.offsets.size()) + 1;
    o.Line("xref");
    o.Line("0 " + Num(size));
    o.Line("0000000000 65535 f");
    for (const qint64 offset : o.offsets) {
        o.Line(ZeroPadded(offset, 10) + " 00000 n");
    }
    o.Line("trailer");
    o.Line("<<");
    o.Line("/Size " + Num(size));
    o.Line("/Root 1 0 R");
    o.Line(">>");
    o.Line("startxref");
    o.Line(Num(xref));
    o.Line("%%EOF");
    o.Flush();
    d->target = nullptr;
    target.Commit();
}

}  // namespace quorin
