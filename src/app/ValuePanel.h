#pragma once

#include <QLabel>

namespace quorin {

/// A panel with a lowered bevel whose caption shows a value on one line. Blanks at
/// the ends of the caption keep their width, so " 2009" and "0,00 " stand off the
/// bevel as the values are written.
class TValuePanel : public QLabel {
    Q_OBJECT
  public:
    explicit TValuePanel(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace quorin
