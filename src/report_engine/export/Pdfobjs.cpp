#include "report_engine/export/Pdfobjs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <charconv>
#include <cmath>

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

/// The text in Windows-1252 with every backslash doubled and a backslash
/// before every parenthesis.
void AppendEscaped(QByteArray& out, const QString& text) {
    bool plain = true;
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            plain = false;
            break;
        }
    }
    const QByteArray bytes = plain ? text.toLatin1() : ToWindows1252(text);
    for (const char c : bytes) {
        if (c == '\\' || c == '(' || c == ')') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
}

QByteArray Num(long long value) { return QByteArray::number(value); }

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

/// Appends the bytes and returns where they begin.
qint64 Append(QFile& file, const QByteArray& bytes) {
    errno = 0;
    if (!file.isOpen()) {
        if (!file.open(QIODevice::ReadWrite | QIODevice::Truncate)) {
            TempFileError(file, QStringLiteral("criar"));
        }
        // Open without a name from here on: a killed process leaves nothing behind.
        QFile::remove(file.fileName());
    }
    const qint64 at = file.size();
    if (!file.seek(at) || file.write(bytes) != bytes.size()) {
        TempFileError(file, QStringLiteral("gravar"));
    }
    return at;
}

QByteArray ReadBack(QFile& file, qint64 offset, qint64 length) {
    if (length == 0) return {};
    errno = 0;
    // What is still buffered is written first: its failure is a failed write.
    if (!file.flush()) TempFileError(file, QStringLiteral("gravar"));
    if (!file.seek(offset)) TempFileError(file, QStringLiteral("ler"));
    QByteArray bytes = file.read(length);
    if (bytes.size() != length) TempFileError(file, QStringLiteral("ler"));
    return bytes;
}

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
    QFile textSpill;
    QFile graphicSpill;
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
        out += bytes;
        outputOffset += bytes.size();
        if (out.size() > (1 << 20)) {
            Flush();
        }
    }
    void Line(const QByteArray& line) {
        Put(line);
        Put(kEol);
    }
    void Flush() {
        target->Write(out);
        out.resize(0);  // keeps the buffer for the next megabyte
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
    d->textSpill.setFileName(d->dir.filePath(QStringLiteral("T.tmp")));
    d->graphicSpill.setFileName(d->dir.filePath(QStringLiteral("I.tmp")));
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
    d->textOffsets.push_back(Append(d->textSpill, d->text));
    d->graphicOffsets.push_back(Append(d->graphicSpill, d->graphics));
    d->textLengths.push_back(d->text.size());
    d->graphicLengths.push_back(d->graphics.size());
    d->text.resize(0);
    d->graphics.resize(0);
}

QByteArray TPdfObjs::FormatD(double value) {
    if (!std::isfinite(value)) {
        return "0";
    }
    return Num(static_cast<long long>(std::trunc(value)));
}

QByteArray TPdfObjs::FormatF(double value, int decimals, int width) {
    if (!std::isfinite(value)) {
        value = 0;
    }
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    QByteArray text(buffer, result.ec == std::errc() ? result.ptr - buffer : 0);
    if (text.startsWith('-') && text.count('0') + text.count('.') == text.size() - 1) {
        text.remove(0, 1);  // no "-0.00"
    }
    if (text.size() < width) {
        text.prepend(QByteArray(width - text.size(), ' '));
    }
    return text;
}

QByteArray TPdfObjs::ZeroPadded(long long value, int digits) {
    QByteArray text = Num(value < 0 ? -value : value);
    if (text.size() < digits) {
        text.prepend(QByteArray(digits - text.size(), '0'));
    }
    return value < 0 ? "-" + text : text;
}

QByteArray TPdfObjs::RGBString(const QColor& color) {
    const QColor c = color.toRgb();
    return TrimBlanks(FormatF(c.red() / 255.0, 2, 4) + ' ' + FormatF(c.green() / 255.0, 2, 4) + ' ' +
                      FormatF(c.blue() / 255.0, 2, 4));
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

void TPdfObjs::AddPDFItem(const TPDFItemRec& source) {
    TPDFItemRec item = source;
    item.Y += vertOffset_;
    item.X += horzOffset_;
    const double yp = pageHeight_ - item.Y;
    const double w = item.Width;
    const double h = item.Height;
    auto line = [](QByteArray& part, const QByteArray& text) {
        part += TrimBlanks(text);
        part += kEol;
    };
    auto lineTo = [](double x0, double y0, double x1, double y1) {
        return FormatD(x0) + ' ' + FormatD(y0) + " m " + FormatD(x1) + ' ' + FormatD(y1) + " l s";
    };

    switch (item.Kind) {
        case TPDFItemRec::pkText: {
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
                d->colorLine = RGBString(item.FillColor) + " rg" + kEol;
            }
            QByteArray& t = d->text;
            t += d->colorLine;
            t += d->fontLine;
            t += " 1 0 0 1 ";
            t += FormatD(item.X);
            t += ' ';
            t += FormatD(yp);
            t += " Tm (";
            AppendEscaped(t, item.Text);
            t += ") Tj\r\n";
            break;
        }
        case TPDFItemRec::pkNewPage:
            FinishPage();
            StartPage();
            break;
        case TPDFItemRec::pkShape: {
            QByteArray& g = d->graphics;
            const QByteArray outline = RGBString(item.PenColor) + " RG";
            const QByteArray fill = RGBString(item.FillColor) + " rg";
            const bool dashed = !item.PenDashes.isEmpty();
            const QByteArray exactWidth = FormatF(item.PenWidth, dashed ? 2 : 6) + " w";
            const QByteArray thinWidth = dashed ? exactWidth : FormatF(item.PenWidth, 0, 2) + " w";
            if (dashed) {
                QByteArray pattern = "[";
                for (const double length : item.PenDashes) {
                    if (pattern.size() > 1) pattern += ' ';
                    pattern += FormatF(length, 2);
                }
                line(g, pattern + "] 0 d");
            }
            switch (item.ShapeKind) {
                case 0: {
                    line(g, exactWidth);
                    const QByteArray rect = FormatD(item.X) + ' ' + FormatD(yp - h) + ' ' + FormatD(w) + ' ' +
                                            FormatD(h) + " re ";
                    line(g, item.Filled ? fill : outline);
                    line(g, rect + (item.Filled ? "f" : "s"));
                    break;
                }
                case 1: {
                    line(g, thinWidth);
                    line(g, outline);
                    const double cx = item.X + w / 2;
                    const double cy = yp - h / 2;
                    const double rx = w / 2;
                    const double ry = h / 2;
                    line(g, FormatF(cx, 1, 6) + ' ' + FormatF(yp, 1, 6) + " m");
                    line(g, PDFArcTo(cx, yp, item.X + w, cy, rx, ry, true));
                    line(g, PDFArcTo(item.X + w, cy, cx, yp - h, rx, ry, false));
                    line(g, PDFArcTo(cx, yp - h, item.X, cy, rx, ry, true));
                    line(g, PDFArcTo(item.X, cy, cx, yp, rx, ry, false) + " s");
                    break;
                }
                case 2:
                    line(g, thinWidth);
                    line(g, outline);
                    line(g, lineTo(item.X, yp - h / 2, item.X + w, yp - h / 2));
                    break;
                case 3:
                    line(g, thinWidth);
                    line(g, outline);
                    line(g, lineTo(item.X + w / 2, yp - h, item.X + w / 2, yp));
                    break;
                case 4:
                    line(g, exactWidth);
                    line(g, outline);
                    line(g, lineTo(item.X, yp, item.X + w, yp - h));
                    break;
                case 5:
                    line(g, thinWidth);
                    line(g, outline);
                    line(g, lineTo(item.X, yp, item.X + w, yp));
                    line(g, lineTo(item.X, yp - h, item.X + w, yp - h));
                    break;
                case 6:
                    line(g, thinWidth);
                    line(g, outline);
                    line(g, lineTo(item.X, yp - h, item.X, yp));
                    line(g, lineTo(item.X + w, yp - h, item.X + w, yp));
                    break;
                default:
                    break;
            }
            if (dashed) {
                line(g, "[] 0 d");  // the next shape starts solid again
            }
            break;
        }
        case TPDFItemRec::pkImage:
            AddImageItem(source);
            break;
        default:
            break;
    }
}

void TPdfObjs::AddImageItem(const TPDFItemRec& source) {
    TPDFItemRec item = source;
    item.Y += vertOffset_;
    item.X += horzOffset_;
    const double yp = pageHeight_ - item.Y;
    QByteArray& g = d->graphics;
    g += "q " + FormatD(item.Width * item.HorzScale) + " 0 0 " + FormatD(item.Height * item.VertScale) + ' ' +
         FormatD(item.X) + ' ' + FormatD(yp) + " cm" + kEol;
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
        const QByteArray text = ReadBack(d->textSpill, d->textOffsets[i], d->textLengths[i]);
        const QByteArray graphics = ReadBack(d->graphicSpill, d->graphicOffsets[i], d->graphicLengths[i]);
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
    for (QFile* spill : {&d->textSpill, &d->graphicSpill}) {
        spill->close();
        spill->remove();
    }

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
