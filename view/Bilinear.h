// Bilinear scaling and rotation of 32-bit images, in integer and 16.16 fixed-point arithmetic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/raster/Geometry.h"
#include "view/Dib.h"

namespace kivu {

// The pixels of a 32-bit image as scaling and rotation walk them: the first byte of the top row, the
// size, and the bytes from a row to the row below (negative for bottom-up memory). It owns nothing.
struct PixelRows {
  uint8_t* bits = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;

  PixelRows() = default;
  PixelRows(uint8_t* bits, int width, int height, std::ptrdiff_t stride)
      : bits(bits), width(width), height(height), stride(stride) {}
  // The whole of an image (none when it is empty).
  PixelRows(const CDib& dib)  // NOLINT(google-explicit-constructor): a CDib is its rows
      : bits(dib.bits), width(dib.width), height(dib.height), stride(dib.stride) {}
  // The part of a bitmap under rect, which lies inside it.
  static PixelRows Within(Bitmap& bitmap, const Rect& rect);
};

namespace detail {
enum class ScaleKernel { Best, Portable, Plain };
}

// ScaleBilinear with everything it works out from the two sizes kept for the next call of the same
// sizes: a scale that follows one that had the same sizes allocates nothing.
class BilinearScaler {
 public:
  BilinearScaler();
  ~BilinearScaler();
  BilinearScaler(const BilinearScaler&) = delete;
  BilinearScaler& operator=(const BilinearScaler&) = delete;

  // Works out what scales between these sizes need, ahead of the first Scale.
  void Prepare(Size destination, Size source);
  // As ScaleBilinear, for images of 32 bits per pixel.
  int Scale(const PixelRows& destination, const PixelRows& source,
            detail::ScaleKernel kernel = detail::ScaleKernel::Best);

 private:
  struct Plan;
  std::unique_ptr<Plan> plan_;
};

// Scales the source into the destination, each byte of each pixel interpolated and rounded to
// nearest in integer arithmetic (the corner pixels are the source's). Returns 0; returns -1 and
// writes nothing when an image has no pixels, the depths differ, or the destination is narrower or
// lower than 2 pixels (its interpolation steps would divide by zero).
int ScaleBilinear(CDib& destination, const CDib& source);

// Rotates the source anticlockwise by angle degrees into a new image just large enough to hold it,
// bottom-up rows; what lies outside the source gets the fill colour. Returns 1 with the image in
// result, or 0 when it cannot be made.
int RotateBilinear(CDib& source, double angle, Color fillColour, std::unique_ptr<CDib>& result);

// The centre of what RotateBilinear makes, the destination's size, straight into the destination:
// the same pixels as RotateBilinear followed by a copy of its part from ((W' - w) / 2, (H' - h) / 2),
// copied over a copy of the source: a destination pixel beyond the rotated image shows the source's
// pixel there (or keeps its value beyond the source too). Nothing is allocated. Returns 1, or 0 (the
// destination untouched) where RotateBilinear would fail.
int RotateBilinearCentre(const PixelRows& source, double angle, Color fillColour,
                         const PixelRows& destination);

namespace detail {

// Division by a constant d as a multiply and a shift: floor(n * multiplier / 2^shift) = floor(n / d)
// for every n <= the largest numerator it was made for. Valid only when that holds (see the .cpp).
struct ExactDivider {
  uint32_t multiplier = 0;
  int shift = 0;
  bool valid = false;
  uint32_t Divide(uint32_t n) const { return uint32_t((uint64_t{n} * multiplier) >> shift); }
};
ExactDivider MakeExactDivider(uint64_t divisor, uint64_t largestNumerator);

// ScaleBilinear with a chosen kernel: the vector one where the processor has it, the portable one
// with the same arithmetic, or the plain 64-bit formula.
int ScaleBilinearWith(CDib& destination, const CDib& source, ScaleKernel kernel);

// One rotated pixel: the source read at the 16.16 point (sx, sy), bytes blue, green, red.
uint32_t RotateSample(const uint8_t* bits, std::ptrdiff_t stride, int width, int height, int64_t sx,
                      int64_t sy, uint32_t fill);

// The fixed-point walk of a rotation: start of row 0 and the steps right (dxc, dxs) and down (dns, dxc).
struct RotateSteps {
  int64_t startX = 0, startY = 0, dxc = 0, dxs = 0, dns = 0;
};
bool HasSse41();
// Every pixel of rotated, the walk starting at its top-left pixel.
void RotateRows(const PixelRows& source, const PixelRows& rotated, const RotateSteps& steps, uint32_t fill);
void RotateRowsSse41(const PixelRows& source, const PixelRows& rotated, const RotateSteps& steps,
                     uint32_t fill);
// The AVX2 rows, where the processor has AVX2 and the source's offsets fit 32 bits.
bool CanRotateRowsAvx2(const PixelRows& source);
void RotateRowsAvx2(const PixelRows& source, const PixelRows& rotated, const RotateSteps& steps,
                    uint32_t fill);

}  // namespace detail
}  // namespace kivu
