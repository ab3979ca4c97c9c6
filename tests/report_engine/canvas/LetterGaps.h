#pragma once

#include <QImage>
#include <QList>
#include <QPainter>
#include <QString>

// Letter spacing measured on a rendered image: the ink of a line of text falls
// into runs of columns (a letter, or letters that touch), and the gaps between
// the runs are what a reader sees as the spacing of the word.
namespace quorin::lettergaps {

struct Run {
    int Start;  // first inked column
    int End;    // one past the last
};

/// The runs of columns of image, within rows [top, bottom), that hold a pixel
/// darker than threshold (grey level).
inline QList<Run> InkRuns(const QImage& image, int top, int bottom, int threshold = 128) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    QList<Run> runs;
    bool inside = false;
    for (int x = 0; x < grey.width(); ++x) {
        bool ink = false;
        for (int y = std::max(0, top); y < std::min(bottom, grey.height()) && !ink; ++y) {
            ink = grey.constScanLine(y)[x] < threshold;
        }
        if (ink && !inside) {
            runs.append(Run{x, x + 1});
        } else if (ink) {
            runs.last().End = x + 1;
        }
        inside = ink;
    }
    return runs;
}

/// The string drawn by QPainter::drawText with font, on white, scaled by scale,
/// with its baseline starting at origin (unscaled units).
inline QImage DrawText(QSize size, const QFont& font, const QString& text, qreal scale, QPointF origin) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.scale(scale, scale);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(origin, text);
    return image;
}

/// Empty when drawn's runs have the same gaps as reference's to within
/// tolerance pixels; otherwise what differs. Where letters touch in one image
/// and stand apart in the other, the gap between them counts against none
/// (touching) and must itself be within tolerance.
inline QString CompareGaps(const QList<Run>& drawn, const QList<Run>& reference, int tolerance = 1) {
    const auto describe = [](const QList<Run>& runs) {
        QStringList gaps;
        for (qsizetype i = 1; i < runs.size(); ++i) gaps << QString::number(runs[i].Start - runs[i - 1].End);
        return gaps.join(u' ');
    };
    const auto spans = [](const QList<Run>& runs, int offset) {
        QStringList out;
        for (const Run& r : runs) out << QStringLiteral("%1-%2").arg(r.Start - offset).arg(r.End - offset);
        return out.join(u' ');
    };
    const QString both = QStringLiteral(" (gaps %1 against %2; ink %3 against %4)")
                             .arg(describe(drawn), describe(reference),
                                  spans(drawn, drawn.isEmpty() ? 0 : drawn.first().Start),
                                  spans(reference, reference.isEmpty() ? 0 : reference.first().Start));
    if (drawn.isEmpty() || reference.isEmpty()) return QStringLiteral("no ink") + both;
    const int shift = reference.first().Start - drawn.first().Start;
    qsizetype i = 0, j = 0;
    while (i < drawn.size() && j < reference.size()) {
        int a = drawn[i].End + shift, b = reference[j].End;
        // Runs of one image that lie inside a single run of the other: letters that touch there.
        const auto join = [&](const QList<Run>& runs, qsizetype& k, int& end, int otherEnd, int offset) -> bool {
            while (end + tolerance < otherEnd && k + 1 < runs.size() && runs[k + 1].Start + offset < otherEnd) {
                if (runs[k + 1].Start - runs[k].End > tolerance) return false;
                ++k;
                end = runs[k].End + offset;
            }
            return true;
        };
        if (!join(drawn, i, a, b, shift) || !join(reference, j, b, a, 0)) {
            return QStringLiteral("letters stand apart where the reference's touch, near column %1").arg(b) + both;
        }
        if (i + 1 < drawn.size() && j + 1 < reference.size()) {
            const int gapA = drawn[i + 1].Start + shift - a;
            const int gapB = reference[j + 1].Start - b;
            if (std::abs(gapA - gapB) > tolerance) {
                return QStringLiteral("a gap of %1 pixels instead of %2 near column %3").arg(gapA).arg(gapB).arg(b) +
                       both;
            }
        }
        ++i;
        ++j;
    }
    if (i != drawn.size() || j != reference.size()) return QStringLiteral("runs left over") + both;
    return {};
}

}  // namespace quorin::lettergaps
