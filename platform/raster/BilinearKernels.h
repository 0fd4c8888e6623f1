// What the scaling and rotation kernels share: the plan worked out from the sizes, the portable
// kernels (which the vector ones finish their rows with) and the table of each path's kernels.
// Private to the raster layer.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/raster/Bilinear.h"

namespace kivu::detail {

// Per destination column j the two source columns and their weights: column j reads source column
// q = j (Ws - 1) div X and, when the remainder r is not 0, q + 1, with the weights X - r and r. The
// arrays are padded to a multiple of 4 columns with harmless entries, for kernels that work in groups.
struct ScaleSetup {
  int ws = 0, hs = 0, wd = 0, hd = 0;
  uint32_t x = 0, y = 0;  // Wd - 1, Hd - 1
  uint64_t d = 0;         // X * Y
  std::vector<int32_t> left, right;
  std::vector<uint32_t> leftWeight, rightWeight;
  // (X - r, r) for each byte of each column, side by side, for the vector kernels; empty when a weight
  // would not fit 16 bits.
  std::vector<int16_t> pairedWeights;
  // For source column c (0 to Ws): the first destination column whose left column is c or beyond, and
  // whether that column reads column c alone (its remainder is 0).
  std::vector<int32_t> firstReading;
  std::vector<uint8_t> readsAlone;

  bool Fits(Size destination, Size source) const {
    return ws == source.width && hs == source.height && wd == destination.width && hd == destination.height;
  }
  void Prepare(Size destination, Size source);
  // Source rows and their weights for destination row i.
  void Row(int i, int& upper, int& lower, uint32_t& upperWeight, uint32_t& lowerWeight) const {
    const uint64_t t = uint64_t(i) * uint64_t(hs - 1);
    const uint32_t q = uint32_t(t / y), r = uint32_t(t % y);
    upper = int(q);
    lower = r > 0 ? int(q) + 1 : int(q);
    upperWeight = y - r;
    lowerWeight = r;
  }
};

// The fast kernels split the formula's sum: per source row, h = A0 (X - rx) + A1 rx for each byte
// (exact, and shared by all destination rows that read that source row); per destination pixel,
// n = hUpper (Y - ry) + hLower ry + D div 2, which is the formula's numerator, and n div D by the exact
// divider. Everything fits 32 bits when 255.5 D < 2^32.
struct VerticalWeights {
  uint32_t upper = 0, lower = 0, half = 0;
  const ExactDivider* divider = nullptr;
};

// One path's kernels. horizontal fills h (4 values a column) for destination columns [from, to) of a
// source row, from a multiple of 8 (it may make the columns up to the next even one too); vertical
// makes destination pixels [from, to) of a row (it may make some of them twice); sameColumns finds
// where two rows are one colour; rotate makes every pixel of rotated.
struct PixelKernels {
  void (*horizontal)(const uint32_t* row, const ScaleSetup& s, uint32_t* h, int from, int to);
  void (*vertical)(const uint32_t* ha, const uint32_t* hb, const VerticalWeights& w, uint32_t* out, int from,
                   int to);
  // Bit c of bits (c < n - 1): columns c and c + 1 of rows a and b, each n pixels, are one colour. The
  // bits from n - 1 on are clear, through SameColumnWords(n) words.
  void (*sameColumns)(const uint32_t* a, const uint32_t* b, int n, uint64_t* bits);
  void (*rotate)(const PixelRows& source, const PixelRows& rotated, const RotateSteps& steps, uint32_t fill);
};

// Each path's table, or null where this build or processor cannot run it.
const PixelKernels* PortableKernels();
const PixelKernels* Sse41Kernels();
const PixelKernels* Avx2Kernels();
const PixelKernels* NeonKernels();

constexpr int SameColumnWords(int n) {
  return n / 64 + 1;
}
void SameColumnsPortable(const uint32_t* a, const uint32_t* b, int n, uint64_t* bits);
// The bits of columns from `from` on, one at a time: how the vector kernels finish.
inline void SameColumnsTail(const uint32_t* a, const uint32_t* b, int from, int n, uint64_t* bits) {
  for (int c = from; c + 1 < n; ++c) {
    const bool same = (a[c] == a[c + 1]) & (b[c] == b[c + 1]) & (a[c] == b[c]);
    bits[c / 64] |= uint64_t{same} << (c % 64);
  }
}
void HorizontalPortable(const uint32_t* row, const ScaleSetup& s, uint32_t* h, int from, int to);
void VerticalPortable(const uint32_t* ha, const uint32_t* hb, const VerticalWeights& w, uint32_t* out,
                      int from, int to);

// The 16.16 blend of four samples, first three bytes; the fourth stays zero. Four equal samples give
// their own colour exactly.
inline uint32_t Blend(uint32_t tl, uint32_t tr, uint32_t bl, uint32_t br, uint32_t fx, uint32_t fy) {
  uint32_t pixel = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t top = (((tl >> shift) & 0xFF) * (65536 - fx) + ((tr >> shift) & 0xFF) * fx) >> 16;
    const uint32_t bottom = (((bl >> shift) & 0xFF) * (65536 - fx) + ((br >> shift) & 0xFF) * fx) >> 16;
    pixel |= ((top * (65536 - fy) + bottom * fy) >> 16) << shift;
  }
  return pixel;
}

// RotateSample, inline for the kernels' edge bands.
inline uint32_t SampleWithFill(const PixelRows& source, int64_t sx, int64_t sy, uint32_t fill) {
  const int64_t x = sx >> 16, y = sy >> 16;
  if (sx < 0 || sy < 0 || x >= source.width || y >= source.height) return fill;
  const uint32_t fx = uint32_t(sx & 0xFFFF), fy = uint32_t(sy & 0xFFFF);
  // The column and row pairs; at column 0 (row 0) the pair is (-1, 0). Outside the source: the fill.
  const int64_t x0 = x == 0 ? -1 : x, x1 = x == 0 ? 0 : x + 1;
  const int64_t y0 = y == 0 ? -1 : y, y1 = y == 0 ? 0 : y + 1;
  auto at = [&](int64_t px, int64_t py) {
    if (px < 0 || py < 0 || px >= source.width || py >= source.height) return fill;
    return source.Row(int(py))[px];
  };
  return Blend(at(x0, y0), at(x1, y0), at(x0, y1), at(x1, y1), fx, fy);
}

// Whether all four samples of the 16.16 point lie inside the source: the short way applies. The
// points whose samples all lie inside form a box, so a straight walk between two such points stays in.
inline bool SamplesInside(int64_t sx, int64_t sy, int w, int h) {
  const int64_t px = sx >> 16, py = sy >> 16;
  return px >= 1 && py >= 1 && px + 1 < w && py + 1 < h;
}

// One rotated pixel: inside the source through `blend` (given the two rows at the point's column and
// its fractions), unless the four samples are one colour (most of the attitude ball), at the edges
// through RotateSample's rules.
template <typename BlendInside>
inline uint32_t RotatePixel(const PixelRows& source, int64_t sx, int64_t sy, uint32_t fill,
                            BlendInside blend) {
  if (!SamplesInside(sx, sy, source.width, source.height)) return RotateSample(source, sx, sy, fill);
  const int64_t px = sx >> 16, py = sy >> 16;
  const uint32_t* upper = source.Row(int(py)) + px;
  const uint32_t* lower = source.Row(int(py) + 1) + px;
  if (upper[0] == upper[1] && lower[0] == lower[1] && upper[0] == lower[0]) return upper[0] & kPixelColorMask;
  return blend(upper, lower, uint32_t(sx & 0xFFFF), uint32_t(sy & 0xFFFF));
}

template <typename BlendInside>
inline void RotateRowsWith(const PixelRows& source, const PixelRows& rotated, const RotateSteps& steps,
                           uint32_t fill, BlendInside blend) {
  int64_t rowX = steps.startX, rowY = steps.startY;
  for (int y = 0; y < rotated.height; ++y) {
    uint32_t* out = rotated.Row(y);
    int64_t sx = rowX, sy = rowY;
    for (int x = 0; x < rotated.width; ++x, sx += steps.dxc, sy += steps.dxs)
      out[x] = RotatePixel(source, sx, sy, fill, blend);
    rowX += steps.dns;
    rowY += steps.dxc;
  }
}

// The columns [from, to) of a row of n whose points s + x d (16.16) satisfy lo <= s + x d < hi: a
// straight walk enters such a band once and leaves it once. Where it crosses each bound is estimated in
// floating point (`inverse` is 1 / d) and settled by the exact points on either side, so a division per
// row is not needed and no estimate can be off.
struct ColumnSpan {
  int from = 0, to = 0;
};
// The first x in [0, n] where a predicate that turns from false to true once holds (n when it never
// does), searched from the estimate.
template <typename Predicate>
inline int FirstWhere(double estimate, int n, Predicate holds) {
  int x = estimate > 0 ? (estimate < n ? int(estimate) : n) : 0;
  while (x > 0 && holds(x - 1))
    --x;
  while (x < n && !holds(x))
    ++x;
  return x;
}
inline ColumnSpan SpanWhere(int64_t s, int64_t d, double inverse, int64_t lo, int64_t hi, int n) {
  auto point = [&](int x) { return s + x * d; };
  auto crossing = [&](int64_t bound) { return (double(bound) - double(s)) * inverse; };
  ColumnSpan span{0, n};
  if (d > 0) {
    span.from = FirstWhere(crossing(lo), n, [&](int x) { return point(x) >= lo; });
    span.to = FirstWhere(crossing(hi), n, [&](int x) { return point(x) >= hi; });
  } else if (d < 0) {
    span.from = FirstWhere(crossing(hi), n, [&](int x) { return point(x) < hi; });
    span.to = FirstWhere(crossing(lo), n, [&](int x) { return point(x) < lo; });
  } else if (s < lo || s >= hi) {
    span.to = 0;
  }
  return span.from < span.to ? span : ColumnSpan{};
}
inline ColumnSpan SpanBoth(ColumnSpan a, ColumnSpan b) {
  const ColumnSpan both{std::max(a.from, b.from), std::min(a.to, b.to)};
  return both.from < both.to ? both : ColumnSpan{};
}

// The rotation row by row in five stretches, found per row instead of per pixel: points outside the
// source (the fill), the edge band where a sample is the fill or a first row or column (RotateSample's
// rules, inline), the points whose four samples all lie inside, which `inside(out, sx, sy, count)` blends
// with no checks, the edge band again and the fill. The points with samples inside form a box within the box
// of points on the source, so each is one stretch of a straight walk.
template <typename Inside>
inline void RotateRowsBySpans(const PixelRows& source, const PixelRows& rotated, const RotateSteps& steps,
                              uint32_t fill, Inside inside) {
  constexpr int64_t kOne = 65536;
  const int64_t w = source.width, h = source.height;
  const int n = rotated.width;
  const double inverseX = steps.dxc ? 1.0 / double(steps.dxc) : 0.0;
  const double inverseY = steps.dxs ? 1.0 / double(steps.dxs) : 0.0;
  int64_t rowX = steps.startX, rowY = steps.startY;
  for (int y = 0; y < rotated.height; ++y, rowX += steps.dns, rowY += steps.dxc) {
    uint32_t* out = rotated.Row(y);
    auto spanX = [&](int64_t lo, int64_t hi) { return SpanWhere(rowX, steps.dxc, inverseX, lo, hi, n); };
    auto spanY = [&](int64_t lo, int64_t hi) { return SpanWhere(rowY, steps.dxs, inverseY, lo, hi, n); };
    const ColumnSpan on = SpanBoth(spanX(0, w * kOne), spanY(0, h * kOne));
    // The inner stretch lies within, mostly a pixel or two in: stepping in from both ends costs less
    // than finding its bounds, and the steps are pixels of the edge band, which cost more anyway.
    auto samplesInside = [&](int x) {
      return SamplesInside(rowX + x * steps.dxc, rowY + x * steps.dxs, source.width, source.height);
    };
    ColumnSpan in = on;
    while (in.from < in.to && !samplesInside(in.from))
      ++in.from;
    while (in.to > in.from && !samplesInside(in.to - 1))
      --in.to;
    auto edge = [&](int from, int to) {
      for (int x = from; x < to; ++x)
        out[x] = SampleWithFill(source, rowX + x * steps.dxc, rowY + x * steps.dxs, fill);
    };
    std::fill(out, out + on.from, fill);
    edge(on.from, in.from);
    if (in.from < in.to)
      inside(out + in.from, rowX + in.from * steps.dxc, rowY + in.from * steps.dxs, in.to - in.from);
    edge(in.to, on.to);
    std::fill(out + on.to, out + n, fill);
  }
}

// One point whose four samples lie inside, blended as Blend does.
inline uint32_t BlendInside(const PixelRows& source, int64_t sx, int64_t sy) {
  const uint32_t* upper = source.Row(int(sy >> 16)) + (sx >> 16);
  const uint32_t* lower =
      reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(upper) + source.stride);
  return Blend(upper[0], upper[1], lower[0], lower[1], uint32_t(sx & 0xFFFF), uint32_t(sy & 0xFFFF));
}

inline uint32_t BlendPortable(const uint32_t* upper, const uint32_t* lower, uint32_t fx, uint32_t fy) {
  return Blend(upper[0], upper[1], lower[0], lower[1], fx, fy);
}

}  // namespace kivu::detail
