// One picture drawn at more than one size: the size a design shows it at, and larger versions for the
// screens that show it larger. Shown at a size it was drawn at, a picture is that drawing pixel for
// pixel; at any other it is the nearest larger drawing scaled down with a smooth filter, so that it is
// never magnified into blocks nor thinned into jagged edges.
#pragma once

#include <QImage>
#include <QList>
#include <QSize>

namespace kivu {

class SizedPicture {
 public:
  SizedPicture() = default;
  // The drawings of one picture, in any order; null images are left out.
  explicit SizedPicture(const QList<QImage>& drawings);

  bool IsNull() const { return drawings_.isEmpty(); }
  // The size of the smallest drawing: the one the design shows (empty when there is none).
  QSize DesignSize() const;
  // The picture pixels wide and high: the drawing of that size as it is, else the smallest drawing at
  // least that large (the largest where none is) scaled to it smoothly. Null for an empty size or
  // where there is no drawing.
  QImage At(QSize pixels) const;

 private:
  QList<QImage> drawings_;  // the smallest first
};

}  // namespace kivu
