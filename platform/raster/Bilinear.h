// Bilinear scaling and rotation of 32-bit images, in integer and 16.16 fixed-point arithmetic, with
// vector kernels where the processor has them. Every kernel gives the same bits as the portable one.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/raster/Geometry.h"
#include "platform/raster/PixelRows.h"

namespace kivu {

// Which code does the pixel work. Best is the fastest this processor has; the others name one path
// (for tests and benchmarks), and a path the processor lacks falls back to Portable.
enum class PixelKernel { Best, Portable, Sse41, Avx2, Neon };

// Whether this build and processor can run the kernel (Best and Portable always).
bool HasPixelKernel(PixelKernel kernel);
// The path Best stands for here.
PixelKernel BestPixelKernel();
const char* PixelKernelName(PixelKernel kernel);

// Scales a source into a destination, each byte of each pixel interpolated from its four neighbours
// and rounded to nearest in integer arithmetic (the corner pixels are the source's): for destination
// row i and column j, with X = Wd - 1 and Y = Hd - 1, the source row is i (Hs - 1) div Y with remainder
// ry and the column j (Ws - 1) div X with remainder rx, and each byte is
// ((X - rx)(Y - ry) UL + rx (Y - ry) UR + (X - rx) ry LL + rx ry LR + X Y / 2) div (X Y).
// Everything it works out from the two sizes is kept for the next scale of the same sizes, which then
// allocates nothing.
class BilinearScaler {
 public:
  BilinearScaler();
  ~BilinearScaler();
  BilinearScaler(const BilinearScaler&) = delete;
  BilinearScaler& operator=(const BilinearScaler&) = delete;

  // Works out what scales between these sizes need, ahead of the first Scale.
  void Prepare(Size destination, Size source);
  // Returns 0; returns -1 and writes nothing when an image has no pixels or the destination is
  // narrower or lower than 2 pixels (its interpolation steps would divide by zero).
  int Scale(const PixelRows& destination, const PixelRows& source, PixelKernel kernel = PixelKernel::Best);

  struct Plan;

 private:
  std::unique_ptr<Plan> plan_;
};

// One scale with a scaler of its own.
int ScaleBilinear(const PixelRows& destination, const PixelRows& source,
                  PixelKernel kernel = PixelKernel::Best);

// The fixed-point walk of a rotation: the source point of the rotated image's top-left pixel, and
// what one step right (dxc, dxs) and one row down (dns, dxc) add to it, all 16.16.
struct RotateSteps {
  int64_t startX = 0, startY = 0, dxc = 0, dxs = 0, dns = 0;
};

// An image of w x h turned anticlockwise by angle degrees: the size just large enough to hold it and
// the walk through the source that makes it (theta = angle x 3.141592653 / 180, s and c its sine and
// cosine; the rotated pixel (X, Y) reads the source at (w/2 + (X - W'/2) c - (Y - H'/2) s,
// h/2 + (X - W'/2) s + (Y - H'/2) c)).
struct Rotation {
  int width = 0, height = 0;
  RotateSteps steps;
};
Rotation RotationOf(int w, int h, double angle);

// Every pixel of rotated from the walk: the source read at each 16.16 point, blended from its four
// neighbours in the first three bytes (the fourth zero); what lies outside the source is the fill
// pixel, and so is the missing neighbour of a point in the first or past the last row or column.
void RotateRows(const PixelRows& source, const PixelRows& rotated, const RotateSteps& steps, uint32_t fill,
                PixelKernel kernel = PixelKernel::Best);

// One rotated pixel: the source read at the 16.16 point (sx, sy).
uint32_t RotateSample(const PixelRows& source, int64_t sx, int64_t sy, uint32_t fill);

// The centre of the source rotated by angle, the destination's size, straight into the destination:
// the rotated image's part from ((W' - w) / 2, (H' - h) / 2) copied over a copy of the source (a
// destination pixel beyond the rotated image shows the source's pixel there, or keeps its value beyond
// the source too). Nothing is allocated. Returns 1, or 0 (the destination untouched) when the angle is
// not a number or the rotated image would be empty or larger than any bitmap Kivu makes.
int RotateBilinearCentre(const PixelRows& source, double angle, Color fillColour,
                         const PixelRows& destination, PixelKernel kernel = PixelKernel::Best);
// The same for the destination's pixels inside `part` alone; the others stay as they are.
int RotateBilinearCentre(const PixelRows& source, double angle, Color fillColour,
                         const PixelRows& destination, const Rect& part,
                         PixelKernel kernel = PixelKernel::Best);

namespace detail {

// Division by a constant d as a multiply and a shift: floor(n * multiplier / 2^shift) = floor(n / d)
// for every n up to the largest numerator it was made for. Valid only when that holds.
struct ExactDivider {
  uint32_t multiplier = 0;
  int shift = 0;
  bool valid = false;
  uint32_t Divide(uint32_t n) const { return uint32_t((uint64_t{n} * multiplier) >> shift); }
};
ExactDivider MakeExactDivider(uint64_t divisor, uint64_t largestNumerator);

}  // namespace detail
}  // namespace kivu
