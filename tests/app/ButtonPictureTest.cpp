// The dashboard's picture buttons at the size the design shows them and larger, offscreen.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "support/TestSupport.h"
#include "view/widgets/KivuPicture.h"
#include "view/widgets/PictureButton.h"

namespace kivu {
namespace {

QImage Picture(const char* name) {
  return QImage(QString::fromStdString(test::SourcePath(std::string("res/") + name)))
      .convertToFormat(QImage::Format_RGB32);
}

// What the button shows, pixel for pixel.
QImage Shown(PictureButton& button) {
  return button.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// How much of each source pixel along a side of `from` falls in each of `to` target pixels: the area
// each target pixel covers, as a scale down by any factor should average it.
std::vector<std::vector<double>> Coverage(int from, int to) {
  std::vector<std::vector<double>> weights(to, std::vector<double>(from, 0.0));
  const double step = double(from) / to;
  for (int t = 0; t < to; ++t) {
    const double begin = t * step, end = (t + 1) * step;
    for (int s = static_cast<int>(begin); s < from && s < end; ++s)
      weights[t][s] = (std::min(end, s + 1.0) - std::max(begin, double(s))) / step;
  }
  return weights;
}

// The source scaled down to size x size by averaging the area under each target pixel.
QImage AreaAverage(const QImage& source, int size) {
  const auto across = Coverage(source.width(), size), down = Coverage(source.height(), size);
  QImage average(size, size, QImage::Format_RGB32);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      double r = 0, g = 0, b = 0;
      for (int sy = 0; sy < source.height(); ++sy) {
        if (down[y][sy] == 0) continue;
        for (int sx = 0; sx < source.width(); ++sx) {
          const double w = down[y][sy] * across[x][sx];
          if (w == 0) continue;
          const QRgb p = source.pixel(sx, sy);
          r += w * qRed(p), g += w * qGreen(p), b += w * qBlue(p);
        }
      }
      average.setPixel(x, y, qRgb(int(std::lround(r)), int(std::lround(g)), int(std::lround(b))));
    }
  }
  return average;
}

// The largest difference of one colour channel between two pictures of one size.
int LargestDifference(const QImage& a, const QImage& b) {
  int largest = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                          std::abs(qBlue(p) - qBlue(q))});
    }
  return largest;
}

// Run also with QT_SCALE_FACTOR=2, where a button is twice as many of the screen's pixels as of the
// window's: the sizes here are the screen's.
TEST(ButtonPictures, AtTheDesignSizeThePictureIsShownAsItIsAndLargerItIsScaledSmoothly) {
  PictureButton exit(KivuSizedPicture(147), KivuSizedPicture(148), nullptr);
  const qreal ratio = exit.devicePixelRatioF();
  auto resize = [&](int pixels) {
    const int side = static_cast<int>(std::lround(pixels / ratio));
    exit.resize(side, side);
  };
  resize(40);
  const QImage small = Picture("147-exit.png");
  ASSERT_EQ(small.size(), QSize(40, 40));
  EXPECT_EQ(Shown(exit), small);

  // At 100 x 100 (a 1080-line screen's button is about that) the large drawing is scaled down: every
  // pixel is the average of what it covers, within rounding, where a nearest-pixel scale would be
  // out by up to the full contrast of the symbol's edge.
  resize(100);
  const QImage shown = Shown(exit);
  ASSERT_EQ(shown.size(), QSize(100, 100));
  EXPECT_LE(LargestDifference(shown, AreaAverage(Picture("147-exit-240.png"), 100)), 4);
  // A third of the way down, the row crosses the ring, the bar and the ring again, white on the dark
  // key: at each of their four edges it passes through greys between the two, which keep them smooth.
  int greys = 0;
  for (int x = 35; x < 65; ++x)
    greys += qGreen(shown.pixel(x, 32)) > 80 && qGreen(shown.pixel(x, 32)) < 235;
  EXPECT_GE(greys, 4);

  // Held down, it is the pressed drawing at the same size.
  exit.setDown(true);
  EXPECT_LE(LargestDifference(Shown(exit), AreaAverage(Picture("148-exit-pressed-240.png"), 100)), 4);
  exit.setDown(false);
  resize(40);
  EXPECT_EQ(Shown(exit), small);
}

}  // namespace
}  // namespace kivu
