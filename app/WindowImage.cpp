#include "app/WindowImage.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <cstdint>

namespace kivu {

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

void CopyRowOpaque(uint32_t* __restrict to, const uint32_t* __restrict from, int count) {
  for (int x = 0; x < count; ++x)
    to[x] = from[x] | kOpaque;
}

// The window's buffer itself, when the painter writes into it one pixel for one (no scale, no turn) at
// a whole-pixel offset: the copy can then go straight into it.
QImage* DirectTarget(QPainter& painter, QPoint& offset) {
  QPaintEngine* engine = painter.paintEngine();
  QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
  if (!device || device->devType() != QInternal::Image) return nullptr;
  auto* target = static_cast<QImage*>(device);
  switch (target->format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
      break;
    default:
      return nullptr;
  }
  const QTransform& transform = painter.deviceTransform();
  if (transform.type() > QTransform::TxTranslate || target->devicePixelRatio() != 1.0) return nullptr;
  offset = QPoint(static_cast<int>(transform.dx()), static_cast<int>(transform.dy()));
  if (QPointF(offset) != QPointF(transform.dx(), transform.dy())) return nullptr;
  return target;
}

}  // namespace

void DrawWindowImage(QPainter& painter, const QImage& image, const QRegion& region) {
  QPoint offset;
  if (QImage* target = DirectTarget(painter, offset)) {
    const QRect shown = image.rect().translated(offset) & target->rect();
    uchar* bits = target->bits();
    const qsizetype targetStride = target->bytesPerLine();
    for (const QRect& asked : region) {
      const QRect rect = asked.translated(offset) & shown;
      for (int y = rect.top(); y <= rect.bottom(); ++y) {
        auto* to = reinterpret_cast<uint32_t*>(bits + y * targetStride) + rect.left();
        const auto* from = reinterpret_cast<const uint32_t*>(image.constScanLine(y - offset.y())) +
                           (rect.left() - offset.x());
        CopyRowOpaque(to, from, rect.width());
      }
    }
    return;
  }
  // Scaled (a screen of two device pixels to one) or into a device of another kind: an opaque ground,
  // and the pixels added to it bit by bit, which leaves them as they are and the ground's alpha.
  painter.save();
  painter.setClipRegion(region, Qt::IntersectClip);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.fillRect(QRectF(QPointF(), image.deviceIndependentSize()), Qt::black);
  painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
  painter.drawImage(0, 0, image);
  painter.restore();
}

}  // namespace kivu
