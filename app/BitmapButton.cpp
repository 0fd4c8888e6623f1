#include "app/BitmapButton.h"

#include <QPainter>

namespace kivu {

BitmapButton::BitmapButton(const QPixmap& normal, const QPixmap& pressed, QWidget* parent)
    : QAbstractButton(parent), normal_(normal), pressed_(pressed) {
  setFocusPolicy(Qt::NoFocus);  // the dashboard keeps the focus; the buttons are for fingers
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void BitmapButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPixmap& picture = isDown() && !pressed_.isNull() ? pressed_ : normal_;
  if (picture.isNull()) {
    painter.fillRect(rect(), QColor(80, 80, 80));
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter, text());
    return;
  }
  painter.drawPixmap(rect(), picture);
}

}  // namespace kivu
