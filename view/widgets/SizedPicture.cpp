#include "view/widgets/SizedPicture.h"

#include <algorithm>

namespace kivu {

SizedPicture::SizedPicture(const QList<QImage>& drawings) {
  for (const QImage& drawing : drawings)
    if (!drawing.isNull()) drawings_.append(drawing);
  std::stable_sort(drawings_.begin(), drawings_.end(), [](const QImage& a, const QImage& b) {
    return a.width() * qint64{a.height()} < b.width() * qint64{b.height()};
  });
}

QSize SizedPicture::DesignSize() const {
  return drawings_.isEmpty() ? QSize() : drawings_.front().size();
}

QImage SizedPicture::At(QSize pixels) const {
  if (drawings_.isEmpty() || pixels.isEmpty()) return {};
  for (const QImage& drawing : drawings_)
    if (drawing.size() == pixels) return drawing;
  // Qt's smooth filter averages every source pixel a target pixel covers when it scales down, and
  // interpolates when it scales up (where only the largest drawing is left to use).
  const QImage* source = &drawings_.back();
  for (const QImage& drawing : drawings_) {
    if (drawing.width() >= pixels.width() && drawing.height() >= pixels.height()) {
      source = &drawing;
      break;
    }
  }
  return source->scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace kivu
