#include "report_engine/preview/QRPreviewStyle.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace quorin {

QFont PreviewFont() {
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        for (const QString& candidate :
             {QStringLiteral("MS Sans Serif"), QStringLiteral("Arial"), QStringLiteral("Liberation Sans")})
            if (families.contains(candidate)) return candidate;
        return QStringLiteral("Sans Serif");
    }();
    QFont font(family);
    font.setPixelSize(11);
    return font;
}

namespace {

const QColor Ink(40, 40, 40);
const QColor Blue(30, 90, 180);
const QColor Green(20, 130, 60);
const QColor Red(200, 30, 30);

void Page(QPainter& p, const QRectF& r) {
    p.setPen(QPen(Ink, 1));
    p.setBrush(Qt::white);
    p.drawRect(r);
}

void Triangle(QPainter& p, bool left, double x, double color = 0) {
    (void)color;
    QPolygonF t;
    if (left)
        t << QPointF(x + 7, 4) << QPointF(x, 10) << QPointF(x + 7, 16);
    else
        t << QPointF(x, 4) << QPointF(x + 7, 10) << QPointF(x, 16);
    p.setPen(Qt::NoPen);
    p.setBrush(Blue);
    p.drawPolygon(t);
}

void Magnifier(QPainter& p, const QString& sign) {
    p.setPen(QPen(Ink, 2));
    p.setBrush(QColor(220, 235, 255));
    p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    p.setPen(QPen(Ink, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12.5, 12.5), QPointF(17.5, 17.5));
    p.setPen(QPen(Blue, 2));
    if (sign == u"+" || sign == u"-") p.drawLine(QPointF(5, 8), QPointF(11, 8));
    if (sign == u"+") p.drawLine(QPointF(8, 5), QPointF(8, 11));
}

void Printer(QPainter& p) {
    p.setPen(QPen(Ink, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 1.5, 9, 6));      // paper going in
    p.setBrush(QColor(170, 170, 170));
    p.drawRect(QRectF(1.5, 7.5, 17, 7));     // body
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 12.5, 9, 6));     // paper coming out
    p.setPen(QPen(Green, 1));
    p.drawPoint(QPointF(16, 9.5));
}

void Text(QPainter& p, const QRectF& r, const QString& text, int pixels, const QColor& color = Ink) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(pixels);
    f.setBold(true);
    p.setFont(f);
    p.setPen(color);
    p.drawText(r, Qt::AlignCenter, text);
}

}  // namespace

QIcon PreviewIcon(const QString& name) {
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    if (name == u"fit") {
        Page(p, QRectF(5.5, 2.5, 9, 15));
        p.setPen(QPen(Blue, 1.5));
        for (const auto& [a, b, c] : {std::tuple{QPointF(1, 5), QPointF(1, 1), QPointF(5, 1)},
                                      std::tuple{QPointF(15, 1), QPointF(19, 1), QPointF(19, 5)},
                                      std::tuple{QPointF(1, 15), QPointF(1, 19), QPointF(5, 19)},
                                      std::tuple{QPointF(15, 19), QPointF(19, 19), QPointF(19, 15)}}) {
            p.drawLine(a, b);
            p.drawLine(b, c);
        }
    } else if (name == u"100") {
        Text(p, QRectF(0, 0, 20, 20), QStringLiteral("1:1"), 10, Blue);
    } else if (name == u"width") {
        Page(p, QRectF(2.5, 2.5, 15, 15));
        p.setPen(QPen(Blue, 1.5));
        p.drawLine(QPointF(1, 10), QPointF(19, 10));
        p.drawLine(QPointF(1, 10), QPointF(4, 7));
        p.drawLine(QPointF(1, 10), QPointF(4, 13));
        p.drawLine(QPointF(19, 10), QPointF(16, 7));
        p.drawLine(QPointF(19, 10), QPointF(16, 13));
    } else if (name == u"first") {
        p.fillRect(QRectF(3, 4, 2, 12), Blue);
        Triangle(p, true, 6);
        Triangle(p, true, 12);
    } else if (name == u"prior") {
        Triangle(p, true, 6);
    } else if (name == u"next") {
        Triangle(p, false, 7);
    } else if (name == u"last") {
        Triangle(p, false, 2);
        Triangle(p, false, 8);
        p.fillRect(QRectF(15, 4, 2, 12), Blue);
    } else if (name == u"setup") {
        Printer(p);
        p.setPen(QPen(Blue, 2));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(12, 12, 7, 7));
        p.setPen(QPen(Blue, 1));
        p.drawLine(QPointF(15.5, 10), QPointF(15.5, 12));
        p.drawLine(QPointF(15.5, 19), QPointF(15.5, 20));
    } else if (name == u"range") {
        Page(p, QRectF(2.5, 1.5, 15, 17));
        Text(p, QRectF(2, 2, 16, 16), QStringLiteral("1-3"), 8, Blue);
    } else if (name == u"print") {
        Printer(p);
    } else if (name == u"save") {
        p.setPen(QPen(Ink, 1));
        p.setBrush(Blue);
        p.drawRect(QRectF(2.5, 2.5, 15, 15));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5.5, 2.5, 9, 6));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(5.5, 11.5, 9, 6));
    } else if (name == u"load") {
        p.setPen(QPen(Ink, 1));
        p.setBrush(QColor(230, 190, 80));
        p.drawRect(QRectF(1.5, 5.5, 14, 11));
        p.setBrush(QColor(250, 215, 110));
        QPolygonF flap;
        flap << QPointF(4.5, 9.5) << QPointF(18.5, 9.5) << QPointF(15.5, 16.5) << QPointF(1.5, 16.5);
        p.drawPolygon(flap);
    } else if (name == u"search") {
        Magnifier(p, {});
    } else if (name == u"goto") {
        Page(p, QRectF(8.5, 2.5, 10, 15));
        Text(p, QRectF(8, 3, 11, 14), QStringLiteral("#"), 9, Ink);
        p.setPen(QPen(Green, 2));
        p.drawLine(QPointF(1, 10), QPointF(7, 10));
        p.drawLine(QPointF(7, 10), QPointF(4, 7));
        p.drawLine(QPointF(7, 10), QPointF(4, 13));
    } else if (name == u"zoomin") {
        Magnifier(p, QStringLiteral("+"));
    } else if (name == u"zoomout") {
        Magnifier(p, QStringLiteral("-"));
    } else if (name == u"exit") {
        p.setPen(QPen(Ink, 1));
        p.setBrush(QColor(150, 100, 60));
        p.drawRect(QRectF(2.5, 1.5, 9, 17));
        p.setPen(QPen(Green, 2));
        p.drawLine(QPointF(9, 10), QPointF(18, 10));
        p.drawLine(QPointF(18, 10), QPointF(15, 7));
        p.drawLine(QPointF(18, 10), QPointF(15, 13));
    } else if (name == u"abort") {
        QPolygonF octagon;
        for (int i = 0; i < 8; ++i) {
            const double a = (22.5 + 45.0 * i) * 3.14159265358979 / 180.0;
            octagon << QPointF(10 + 8.5 * std::cos(a), 10 + 8.5 * std::sin(a));
        }
        p.setPen(Qt::NoPen);
        p.setBrush(Red);
        p.drawPolygon(octagon);
        p.setPen(QPen(Qt::white, 2));
        p.drawLine(QPointF(7, 7), QPointF(13, 13));
        p.drawLine(QPointF(13, 7), QPointF(7, 13));
    }
    p.end();
    return QIcon(pixmap);
}

}  // namespace quorin
