#include "app/ValuePanel.h"

#include <QPainter>

namespace quorin {

TValuePanel::TValuePanel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setIndent(0);
    setMargin(1);
}

void TValuePanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    painter.setClipRect(area);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    painter.setFont(font());
    painter.drawText(area, int(alignment()) | Qt::TextSingleLine | Qt::TextIncludeTrailingSpaces, text());
}

}  // namespace quorin
