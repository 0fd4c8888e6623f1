#include "app/BitmapButton.h"

#include <QPainter>

namespace kivu {

BitmapButton::BitmapButton(const QPixmap& normal, const QPixmap& pressed, QWidget* parent)
    : QAbstractButton(parent), normal_(normal), pressed_(pressed) {
  setFocusPolicy(Qt::TabFocus);  // a finger's press leaves the focus where it was
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void BitmapButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPixmap& picture = isDown() && !pressed_.isNull() ? pressed_ : normal_;
  if (picture.isNull()) {
    painter.fillRect(rect(), QColor(80, 80, 80));
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter, text());
  } else {
    painter.drawPixmap(rect(), picture);
  }
  if (hasFocus()) {
    painter.setPen(QPen(kFocusColour, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
  }
}

}  // namespace kivu
