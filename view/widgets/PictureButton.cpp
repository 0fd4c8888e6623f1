#include "view/widgets/PictureButton.h"

#include <QPainter>

namespace kivu {

PictureButton::PictureButton(QPixmap normal, QPixmap pressed, QWidget* parent, int margin)
    : QAbstractButton(parent), normal_(std::move(normal)), pressed_(std::move(pressed)), margin_(margin) {
  setFocusPolicy(Qt::TabFocus);  // a finger's press leaves the focus where it was
  // Without a margin every pixel is the picture's; a margin shows what lies behind the button.
  setAttribute(Qt::WA_OpaquePaintEvent, margin_ == 0);
}

QSize PictureButton::sizeHint() const {
  const QSize margins(2 * margin_, 2 * margin_);
  return normal_.size().isEmpty() ? QSize(40, 40) : normal_.size() + margins;
}

void PictureButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  const QPixmap& picture = isDown() && !pressed_.isNull() ? pressed_ : normal_;
  if (picture.isNull()) {
    painter.fillRect(rect(), QColor(80, 80, 80));
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter, text());
  } else {
    painter.drawPixmap(rect().adjusted(margin_, margin_, -margin_, -margin_), picture);
  }
  if (hasFocus()) {
    painter.setPen(QPen(kFocusColour, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
  }
}

}  // namespace kivu
