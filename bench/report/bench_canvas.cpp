// Recording report pages as EMF into the page store, and playing one back at
// screen and at printer resolution, beside Qt's own vector recording
// (QPicture) and the same page drawn with plain QPainter calls, in the same run.
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "report_engine/canvas/TQREmfPlayer.h"
#include "report_engine/canvas/TQREmfRecorder.h"
#include "report_engine/canvas/TQRPainterCanvas.h"
#include "report_engine/pages/QRPageList.h"

using namespace quorin;

namespace {

constexpr QSize kLetter(816, 1056);  // 8.5 x 11 in at 96 dpi
constexpr int kPages = 2000;

// A page of the proposal report's kind: a header, 120 text lines in three
// fonts and alignments, 30 frame lines and boxes.
void DrawPage(TQRCanvas& canvas, int page) {
    static const QString kWords[] = {QStringLiteral("Caneta esferográfica azul"), QStringLiteral("Papel A4 resma"),
                                     QStringLiteral("Grampeador de mesa"), QStringLiteral("Pasta suspensa"),
                                     QStringLiteral("Clipe niquelado 2/0"), QStringLiteral("Envelope pardo")};
    canvas.Font = TQRFont{};
    canvas.Font.Size = 12;
    canvas.Font.Bold = true;
    canvas.TextAlign = TAlignment::taLeftJustify;
    canvas.TextOut(38, 38, QStringLiteral("Proposta de Realinhamento de Preços"));
    canvas.TextAlign = TAlignment::taRightJustify;
    canvas.Font.Size = 8;
    canvas.Font.Bold = false;
    canvas.TextOut(778, 40, QStringLiteral("Página: %1").arg(page));
    int y = 80;
    for (int line = 0; line < 119; ++line) {
        canvas.Font.Size = line % 10 == 0 ? 9 : 8;
        canvas.Font.Bold = line % 10 == 0;
        canvas.TextAlign = line % 3 == 2 ? TAlignment::taRightJustify : TAlignment::taLeftJustify;
        const QString text = line % 3 == 0   ? QStringLiteral("%1").arg(page * 120 + line, 6, 10, QChar(u'0'))
                             : line % 3 == 1 ? kWords[(page + line) % 6]
                                             : QStringLiteral("R$ %1,%2").arg(line * 37 % 1000).arg(line % 100, 2, 10,
                                                                                                    QChar(u'0'));
        canvas.TextOut(line % 3 == 2 ? 778 : 38 + (line % 3) * 80, y, text);
        y += 8;
    }
    canvas.Pen = TQRPen{};
    canvas.Brush = TQRBrush{};
    for (int k = 0; k < 30; ++k) {
        const int top = 80 + k * 32;
        if (k % 2 == 0) {
            canvas.Pen.Style = k % 4 == 0 ? TQRPenStyle::psSolid : TQRPenStyle::psDot;
            canvas.MoveTo(38, top);
            canvas.LineTo(778, top);
        } else {
            canvas.Pen.Style = TQRPenStyle::psSolid;
            canvas.Brush.Style = TQRBrushStyle::bsClear;
            canvas.Rectangle(36, top - 2, 780, top + 12);
        }
    }
}

// The same page as a Qt developer would draw it on a QPainter: drawText,
// drawLine and drawRect with QFont in points.
void DrawPageQt(QPainter& painter, int page) {
    static const QString kWords[] = {QStringLiteral("Caneta esferográfica azul"), QStringLiteral("Papel A4 resma"),
                                     QStringLiteral("Grampeador de mesa"), QStringLiteral("Pasta suspensa"),
                                     QStringLiteral("Clipe niquelado 2/0"), QStringLiteral("Envelope pardo")};
    QFont bold(QStringLiteral("Arial"));
    bold.setPixelSize(16);
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(Qt::black);
    painter.drawText(QRect(38, 38, 740, 20), Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("Proposta de Realinhamento de Preços"));
    QFont small(QStringLiteral("Arial"));
    small.setPixelSize(11);
    QFont heading(QStringLiteral("Arial"));
    heading.setPixelSize(12);
    heading.setBold(true);
    painter.setFont(small);
    painter.drawText(QRect(38, 40, 740, 20), Qt::AlignRight | Qt::AlignTop, QStringLiteral("Página: %1").arg(page));
    int y = 80;
    for (int line = 0; line < 119; ++line) {
        painter.setFont(line % 10 == 0 ? heading : small);
        const QString text = line % 3 == 0   ? QStringLiteral("%1").arg(page * 120 + line, 6, 10, QChar(u'0'))
                             : line % 3 == 1 ? kWords[(page + line) % 6]
                                             : QStringLiteral("R$ %1,%2").arg(line * 37 % 1000).arg(line % 100, 2, 10,
                                                                                                    QChar(u'0'));
        if (line % 3 == 2) {
            painter.drawText(QRect(38, y, 740, 16), Qt::AlignRight | Qt::AlignTop, text);
        } else {
            painter.drawText(QRect(38 + (line % 3) * 80, y, 600, 16), Qt::AlignLeft | Qt::AlignTop, text);
        }
        y += 8;
    }
    QPen solid(Qt::black, 1);
    QPen dotted(Qt::black, 1, Qt::DotLine);
    painter.setBrush(Qt::NoBrush);
    for (int k = 0; k < 30; ++k) {
        const int top = 80 + k * 32;
        if (k % 2 == 0) {
            painter.setPen(k % 4 == 0 ? solid : dotted);
            painter.drawLine(38, top, 778, top);
        } else {
            painter.setPen(solid);
            painter.drawRect(36, top - 2, 744, 14);
        }
    }
}

template <typename F>
double MedianMs(int runs, int iterations, F f) {
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < iterations; ++i) {
            f(i);
        }
        times.push_back(timer.nsecsElapsed() / 1e6 / iterations);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);

    // Recording into the page store, as the printer does.
    qint64 bytes = 0;
    QElapsedTimer timer;
    TQRPageList list;
    list.SetStream(std::make_shared<TQRStream>(100000));
    timer.start();
    for (int page = 1; page <= kPages; ++page) {
        TQREmfRecorder recorder(kLetter, 96);
        DrawPage(recorder, page);
        const TQRPageRecording recording = recorder.Finish();
        bytes += recording.Size();
        list.AddPage(recording);
    }
    list.Finish();
    const double emfSeconds = timer.nsecsElapsed() / 1e9;

    timer.restart();
    for (int page = 1; page <= kPages; ++page) {
        TQREmfRecorder recorder(kLetter, 96);
        DrawPage(recorder, page);
        bytes += recorder.Finish().Size();
    }
    const double aloneSeconds = timer.nsecsElapsed() / 1e9;

    std::vector<QPicture> pictures(16);
    timer.restart();
    for (int page = 1; page <= kPages; ++page) {
        QPicture& picture = pictures[page % pictures.size()];
        picture = QPicture();
        QPainter painter(&picture);
        DrawPageQt(painter, page);
    }
    const double pictureSeconds = timer.nsecsElapsed() / 1e9;

    QImage direct(kLetter, QImage::Format_RGB32);
    const int rasterPages = 200;
    timer.restart();
    for (int page = 1; page <= rasterPages; ++page) {
        direct.fill(Qt::white);
        QPainter painter(&direct);
        TQRPainterCanvas canvas(painter, 96);
        DrawPage(canvas, page);
    }
    const double rasterSeconds = timer.nsecsElapsed() / 1e9;

    std::printf("Recording %d letter pages (120 text lines, 30 lines and boxes each)\n", kPages);
    std::printf("  EMF recorder into the page store  %8.0f pages/s   %6.1f KB/page\n", kPages / emfSeconds,
                bytes / 2048.0 / kPages);
    std::printf("  EMF recorder alone                %8.0f pages/s\n", kPages / aloneSeconds);
    std::printf("  peer: QPicture of plain QPainter  %8.0f pages/s\n", kPages / pictureSeconds);
    std::printf("  peer: painter canvas, 96-dpi QImage %6.0f pages/s\n", rasterPages / rasterSeconds);

    // Playing one page.
    const std::unique_ptr<TQRPageRecording> page = list.GetPage(7);
    QPicture picture;
    {
        QPainter painter(&picture);
        DrawPageQt(painter, 7);
    }
    std::printf("Playing one page (median of 5 runs)\n");
    for (const int dpi : {96, 600}) {
        const qreal scale = dpi / 96.0;
        QImage image(kLetter * scale, QImage::Format_RGB32);
        const int iterations = dpi == 96 ? 200 : 10;
        const double emfMs = MedianMs(5, iterations, [&](int) {
            image.fill(Qt::white);
            QPainter painter(&image);
            TQREmfPlayer::Play(*page, painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
        });
        const double pictureMs = MedianMs(5, iterations, [&](int) {
            image.fill(Qt::white);
            QPainter painter(&image);
            painter.scale(scale, scale);
            picture.play(&painter);
        });
        const double directMs = MedianMs(5, iterations, [&](int) {
            image.fill(Qt::white);
            QPainter painter(&image);
            painter.scale(scale, scale);
            DrawPageQt(painter, 7);
        });
        std::printf("  %3d dpi  EMF player %7.2f ms/page   peer QPicture %7.2f ms/page   peer plain QPainter %7.2f ms/page\n",
                    dpi, emfMs, pictureMs, directMs);
    }
    return 0;
}
