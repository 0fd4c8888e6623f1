#include "platform/raster/Bilinear.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/raster/BilinearKernels.h"

namespace kivu {
namespace detail {

void ScaleSetup::Prepare(Size destination, Size source) {
  ws = source.width, hs = source.height, wd = destination.width, hd = destination.height;
  x = uint32_t(wd - 1);
  y = uint32_t(hd - 1);
  d = uint64_t{x} * y;
  const size_t padded = (size_t(wd) + 3) & ~size_t{3};
  left.assign(padded, 0), right.assign(padded, 0), leftWeight.assign(padded, 0),
      rightWeight.assign(padded, 0);
  firstReading.assign(size_t(ws) + 1, wd);
  readsAlone.assign(size_t(ws) + 1, 0);
  for (int j = wd - 1; j >= 0; --j) {
    const uint64_t t = uint64_t(j) * uint64_t(ws - 1);
    const uint32_t q = uint32_t(t / x), r = uint32_t(t % x);
    left[size_t(j)] = int32_t(q);
    right[size_t(j)] = int32_t(r > 0 ? q + 1 : q);
    leftWeight[size_t(j)] = x - r;
    rightWeight[size_t(j)] = r;
    firstReading[q] = j;
    readsAlone[q] = r == 0;
  }
  // Columns no destination column starts at take the next one that does.
  for (int c = ws - 1; c >= 0; --c) {
    if (firstReading[size_t(c)] == wd) {
      firstReading[size_t(c)] = firstReading[size_t(c) + 1];
      readsAlone[size_t(c)] = 0;
    }
  }
  pairedWeights.clear();
  if (wd <= 32768) {
    pairedWeights.resize(padded * 8);
    for (size_t j = 0; j < padded; ++j) {
      for (size_t c = 0; c < 4; ++c) {
        pairedWeights[8 * j + 2 * c] = int16_t(leftWeight[j]);
        pairedWeights[8 * j + 2 * c + 1] = int16_t(rightWeight[j]);
      }
    }
  }
}

void HorizontalPortable(const uint32_t* row, const ScaleSetup& s, uint32_t* h, int from, int to) {
  for (int j = from; j < to; ++j) {
    const uint32_t p0 = row[s.left[size_t(j)]], p1 = row[s.right[size_t(j)]];
    const uint32_t w0 = s.leftWeight[size_t(j)], w1 = s.rightWeight[size_t(j)];
    for (int c = 0; c < 4; ++c)
      h[4 * j + c] = ((p0 >> (8 * c)) & 0xFF) * w0 + ((p1 >> (8 * c)) & 0xFF) * w1;
  }
}

void VerticalPortable(const uint32_t* ha, const uint32_t* hb, const VerticalWeights& w, uint32_t* out,
                      int from, int to) {
  for (int j = from; j < to; ++j) {
    uint32_t pixel = 0;
    for (int c = 0; c < 4; ++c) {
      const uint32_t n = ha[4 * j + c] * w.upper + hb[4 * j + c] * w.lower + w.half;
      pixel |= w.divider->Divide(n) << (8 * c);
    }
    out[j] = pixel;
  }
}

void SameColumnsPortable(const uint32_t* a, const uint32_t* b, int n, uint64_t* bits) {
  std::fill(bits, bits + SameColumnWords(n), 0);
  SameColumnsTail(a, b, 0, n, bits);
}

namespace {

void RotatePortable(const PixelRows& source, const PixelRows& rotated, const RotateSteps& steps,
                    uint32_t fill) {
  RotateRowsWith(source, rotated, steps, fill, BlendPortable);
}

using u128 = unsigned __int128;

}  // namespace

const PixelKernels* PortableKernels() {
  static constexpr PixelKernels kernels{HorizontalPortable, VerticalPortable, SameColumnsPortable,
                                        RotatePortable};
  return &kernels;
}

ExactDivider MakeExactDivider(uint64_t divisor, uint64_t largestNumerator) {
  ExactDivider result;
  if (divisor < 2 || largestNumerator >= (uint64_t{1} << 32)) return result;
  // With m = ceil(2^s / d) = (2^s + e) / d, n m / 2^s = n / d + n e / (d 2^s). Writing n = q d + r
  // (r <= d - 1), the floor stays q as long as r + n e / 2^s < d, which n e < 2^s guarantees. The
  // smallest such shift from 32 up keeps m below 2^32.
  for (int shift = 32; shift < 64; ++shift) {
    const u128 power = u128{1} << shift;
    const u128 m = (power + divisor - 1) / divisor;
    if (m >> 32) break;
    const u128 e = m * divisor - power;
    if (u128{largestNumerator} * e < power) {
      result.multiplier = uint32_t(m);
      result.shift = shift;
      result.valid = true;
      break;
    }
  }
  return result;
}

namespace {

// The table of a named path, or null where this build or processor cannot run it; Best is the first
// of AVX2, SSE4.1 and NEON there is, else the portable path.
const PixelKernels* TableOf(PixelKernel kernel) {
  switch (kernel) {
    case PixelKernel::Best:
      for (PixelKernel path : {PixelKernel::Avx2, PixelKernel::Sse41, PixelKernel::Neon}) {
        if (const PixelKernels* table = TableOf(path)) return table;
      }
      return PortableKernels();
    case PixelKernel::Portable:
      return PortableKernels();
    case PixelKernel::Sse41:
      return Sse41Kernels();
    case PixelKernel::Avx2:
      return Avx2Kernels();
    case PixelKernel::Neon:
      return NeonKernels();
  }
  return nullptr;
}

// The path's kernels, the portable ones where it cannot run.
const PixelKernels* KernelsFor(PixelKernel kernel) {
  const PixelKernels* table = TableOf(kernel);
  return table ? table : PortableKernels();
}

// A run of destination columns of one row whose four samples are all one colour: the formula gives
// that colour exactly there (its weights add up to D), so the run is filled, not interpolated.
struct FillRun {
  int from = 0, to = 0;
  uint32_t pixel = 0;
};

// Runs shorter than this are not worth leaving the interpolating kernel for.
constexpr int kShortestFill = 8;

// The first column from `from` on whose bit is `set`; `end` when there is none before it.
int NextColumn(const uint64_t* bits, int from, bool set, int end) {
  for (int word = from / 64; word * 64 < end; ++word) {
    uint64_t hits = set ? bits[word] : ~bits[word];
    if (word == from / 64) hits &= ~uint64_t{0} << (from % 64);
    if (hits) return std::min(end, word * 64 + __builtin_ctzll(hits));
  }
  return end;
}

// The fill runs of destination rows that read source rows a and b (the same row when the remainder
// is 0): where a stretch of source columns c0..c1 is one colour in both rows, every destination
// column whose samples lie in it.
void FindFillRuns(const uint32_t* a, const uint32_t* b, const ScaleSetup& s, const PixelKernels& k,
                  std::vector<uint64_t>& same, std::vector<FillRun>& runs) {
  runs.clear();
  const int last = s.ws - 1;
  k.sameColumns(a, b, s.ws, same.data());
  for (int c = NextColumn(same.data(), 0, true, last); c < last; c = NextColumn(same.data(), c, true, last)) {
    const int c0 = c;
    c = NextColumn(same.data(), c, false, last);
    // Source columns c0 to c are one colour: destination columns from the first that starts at c0 up
    // to the last that starts before c, and the one at c itself when it reads c alone.
    const int from = s.firstReading[size_t(c0)];
    const int to = s.firstReading[size_t(c)] + s.readsAlone[size_t(c)];
    if (to - from >= kShortestFill) runs.push_back(FillRun{from, to, a[c0]});
  }
}

// The h values of two source rows, kept while destination rows read them. Each is made in blocks of
// eight destination columns as rows first need them, so that columns every row fills cost nothing.
class RowCache {
 public:
  static constexpr int kBlock = 8;

  void Prepare(size_t values, int columns) {
    for (Slot& slot : slots_) {
      slot.values.assign(values, 0);
      slot.made.assign(size_t(columns + kBlock - 1) / kBlock, 0);
    }
    columns_ = columns;
    Forget();
  }
  void Forget() {
    for (Slot& slot : slots_)
      slot.row = -1;
  }
  // The h values of a source row, made at least for columns [from, to) unless they are; `keep` names
  // a row that must stay. horizontal(row, h, from, to) makes columns [from, to).
  template <typename Horizontal>
  const uint32_t* Get(int row, int keep, int from, int to, Horizontal horizontal) {
    Slot* slot = &slots_[0];
    if (slots_[1].row == row || (slots_[0].row != row && slots_[0].row == keep)) slot = &slots_[1];
    if (slot->row != row) {
      slot->row = row;
      std::fill(slot->made.begin(), slot->made.end(), 0);
    }
    for (int block = from / kBlock; block * kBlock < to;) {
      if (slot->made[size_t(block)]) {
        ++block;
        continue;
      }
      const int first = block;
      while (block * kBlock < to && !slot->made[size_t(block)])
        slot->made[size_t(block++)] = 1;
      horizontal(row, slot->values.data(), first * kBlock, std::min(block * kBlock, columns_));
    }
    return slot->values.data();
  }

 private:
  struct Slot {
    std::vector<uint32_t> values;
    std::vector<uint8_t> made;
    int row = -1;
  };
  Slot slots_[2];
  int columns_ = 0;
};

// The formula as written, in 64-bit arithmetic: for sizes whose numerators do not fit 32 bits.
void ScalePlain(const PixelRows& destination, const PixelRows& source, const ScaleSetup& s) {
  const uint64_t half = s.d / 2;
  for (int i = 0; i < s.hd; ++i) {
    int upper, lower;
    uint32_t wy0, wy1;
    s.Row(i, upper, lower, wy0, wy1);
    const uint32_t* a = source.Row(upper);
    const uint32_t* b = source.Row(lower);
    uint32_t* out = destination.Row(i);
    for (int j = 0; j < s.wd; ++j) {
      const uint64_t wx0 = s.leftWeight[size_t(j)], wx1 = s.rightWeight[size_t(j)];
      const uint32_t a0 = a[s.left[size_t(j)]], a1 = a[s.right[size_t(j)]];
      const uint32_t b0 = b[s.left[size_t(j)]], b1 = b[s.right[size_t(j)]];
      uint32_t pixel = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        const uint64_t n = ((a0 >> shift) & 0xFF) * wx0 * wy0 + ((a1 >> shift) & 0xFF) * wx1 * wy0 +
                           ((b0 >> shift) & 0xFF) * wx0 * wy1 + ((b1 >> shift) & 0xFF) * wx1 * wy1 + half;
        pixel |= uint32_t(n / s.d) << shift;
      }
      out[j] = pixel;
    }
  }
}

}  // namespace
}  // namespace detail

bool HasPixelKernel(PixelKernel kernel) {
  return detail::TableOf(kernel) != nullptr;
}

PixelKernel BestPixelKernel() {
  for (PixelKernel kernel :
       {PixelKernel::Avx2, PixelKernel::Sse41, PixelKernel::Neon, PixelKernel::Portable}) {
    if (detail::TableOf(kernel) == detail::TableOf(PixelKernel::Best)) return kernel;
  }
  return PixelKernel::Portable;
}

const char* PixelKernelName(PixelKernel kernel) {
  switch (kernel) {
    case PixelKernel::Best:
      return "best";
    case PixelKernel::Portable:
      return "portable";
    case PixelKernel::Sse41:
      return "SSE4.1";
    case PixelKernel::Avx2:
      return "AVX2";
    case PixelKernel::Neon:
      return "NEON";
  }
  return "?";
}

struct BilinearScaler::Plan {
  detail::ScaleSetup setup;
  detail::ExactDivider divider;
  detail::RowCache cache;
  std::vector<uint64_t> same;
  std::vector<detail::FillRun> runs;
  bool prepared = false;
};

BilinearScaler::BilinearScaler() : plan_(std::make_unique<Plan>()) {}
BilinearScaler::~BilinearScaler() = default;

void BilinearScaler::Prepare(Size destination, Size source) {
  if (destination.width < 2 || destination.height < 2 || source.width < 1 || source.height < 1) return;
  Plan& p = *plan_;
  if (p.prepared && p.setup.Fits(destination, source)) return;
  p.setup.Prepare(destination, source);
  // The numerator's largest value: all weights add up to D, bytes are at most 255.
  p.divider = detail::MakeExactDivider(p.setup.d, 255 * p.setup.d + p.setup.d / 2);
  p.cache.Prepare(p.setup.left.size() * 4 + 8, destination.width);
  p.same.assign(size_t(detail::SameColumnWords(source.width)), 0);
  // At most one run for every two source columns.
  p.runs.reserve(size_t(source.width) / 2 + 1);
  p.prepared = true;
}

int BilinearScaler::Scale(const PixelRows& destination, const PixelRows& source, PixelKernel kernel) {
  if (!destination.bits || !source.bits || destination.width < 2 || destination.height < 2 ||
      source.width < 1 || source.height < 1) {
    return -1;
  }
  Prepare(Size{destination.width, destination.height}, Size{source.width, source.height});
  Plan& p = *plan_;
  const detail::ScaleSetup& s = p.setup;
  if (!p.divider.valid) {
    detail::ScalePlain(destination, source, s);
    return 0;
  }
  const detail::PixelKernels& k =
      s.pairedWeights.empty() ? *detail::PortableKernels() : *detail::KernelsFor(kernel);
  p.cache.Forget();
  auto horizontal = [&](int row, uint32_t* h, int from, int to) {
    k.horizontal(source.Row(row), s, h, from, to);
  };
  detail::VerticalWeights w;
  w.half = uint32_t(s.d / 2);
  w.divider = &p.divider;
  // Destination rows that read the same two source rows (consecutive ones) share their fill runs and
  // the h values between them.
  int upper = -1, lower = -1, unsearched = 0;
  const uint32_t* ha = nullptr;
  const uint32_t* hb = nullptr;
  for (int i = 0; i < s.hd; ++i) {
    const int previousUpper = upper, previousLower = lower;
    s.Row(i, upper, lower, w.upper, w.lower);
    if (upper != previousUpper || lower != previousLower) {
      // Where a pair of rows fills next to nothing (a photograph, noise), the next few pairs are not
      // searched: interpolating everywhere gives the same pixels.
      if (unsearched > 0) {
        --unsearched;
        p.runs.clear();
      } else {
        detail::FindFillRuns(source.Row(upper), source.Row(lower), s, k, p.same, p.runs);
        int filled = 0;
        for (const detail::FillRun& run : p.runs)
          filled += run.to - run.from;
        if (filled * 16 < s.wd) unsearched = 7;
      }
      int j = 0;
      auto prepare = [&](int from, int to) {
        if (from >= to) return;
        ha = p.cache.Get(upper, lower, from, to, horizontal);
        hb = lower == upper ? ha : p.cache.Get(lower, upper, from, to, horizontal);
      };
      for (const detail::FillRun& run : p.runs) {
        prepare(j, run.from);
        j = run.to;
      }
      prepare(j, s.wd);
    }
    uint32_t* out = destination.Row(i);
    int j = 0;
    for (const detail::FillRun& run : p.runs) {
      if (j < run.from) k.vertical(ha, hb, w, out, j, run.from);
      std::fill(out + run.from, out + run.to, run.pixel);
      j = run.to;
    }
    if (j < s.wd) k.vertical(ha, hb, w, out, j, s.wd);
  }
  return 0;
}

int ScaleBilinear(const PixelRows& destination, const PixelRows& source, PixelKernel kernel) {
  BilinearScaler scaler;
  return scaler.Scale(destination, source, kernel);
}

Rotation RotationOf(int w, int h, double angle) {
  const double theta = angle * 0.017453292516666667;
  const double s = std::sin(theta), c = std::cos(theta);
  Rotation r;
  r.width = int(std::fabs(h * s) + std::fabs(w * c));
  r.height = int(std::fabs(w * s) + std::fabs(h * c));
  r.steps.dxc = int64_t(c * 65536), r.steps.dxs = int64_t(s * 65536), r.steps.dns = int64_t(-s * 65536);
  const double halfW = w * 0.5, halfH = h * 0.5, halfNewW = r.width * 0.5, halfNewH = r.height * 0.5;
  r.steps.startX = int64_t((halfW - halfNewW * c + halfNewH * s) * 65536);
  r.steps.startY = int64_t((halfH - halfNewH * c - halfNewW * s) * 65536);
  return r;
}

uint32_t RotateSample(const PixelRows& source, int64_t sx, int64_t sy, uint32_t fill) {
  return detail::SampleWithFill(source, sx, sy, fill);
}

void RotateRows(const PixelRows& source, const PixelRows& rotated, const RotateSteps& steps, uint32_t fill,
                PixelKernel kernel) {
  detail::KernelsFor(kernel)->rotate(source, rotated, steps, fill);
}

int RotateBilinearCentre(const PixelRows& source, double angle, Color fillColour,
                         const PixelRows& destination, PixelKernel kernel) {
  return RotateBilinearCentre(source, angle, fillColour, destination,
                              Rect{0, 0, destination.width, destination.height}, kernel);
}

int RotateBilinearCentre(const PixelRows& source, double angle, Color fillColour,
                         const PixelRows& destination, const Rect& part, PixelKernel kernel) {
  if (!source.bits || !destination.bits || !std::isfinite(angle)) return 0;
  const Rotation rotation = RotationOf(source.width, source.height, angle);
  // Where no rotated image could be made.
  if (rotation.width <= 0 || rotation.height <= 0 ||
      int64_t{rotation.width} * rotation.height > Bitmap::kMaxPixels)
    return 0;
  const Rect wanted = part.Intersected(Rect{0, 0, destination.width, destination.height});
  if (wanted.IsEmpty()) return 1;
  // Destination pixel (x, y) is the rotated image's (x + ox, y + oy); only those inside it are made.
  const int ox = (rotation.width - destination.width) / 2, oy = (rotation.height - destination.height) / 2;
  const Rect made = wanted.Intersected(Rect{-ox, -oy, rotation.width - ox, rotation.height - oy});
  if (made != wanted) {
    // What the cut leaves uncovered shows the source, unturned.
    const Rect shown = wanted.Intersected(Rect{0, 0, source.width, source.height});
    for (int y = shown.top; y < shown.bottom; ++y)
      std::memcpy(destination.Row(y) + shown.left, source.Row(y) + shown.left, size_t(shown.Width()) * 4);
  }
  if (made.IsEmpty()) return 1;
  const PixelRows rows(reinterpret_cast<uint8_t*>(destination.Row(made.top) + made.left), int(made.Width()),
                       int(made.Height()), destination.stride);
  if (angle == 0.0) {
    // Unturned, the rotated image is the source itself.
    for (int y = 0; y < rows.height; ++y)
      std::memcpy(rows.Row(y), source.Row(y + made.top + oy) + made.left + ox, size_t(rows.width) * 4);
    return 1;
  }
  // The walk from the part's first pixel: the same sums the whole image's walk reaches it by.
  RotateSteps steps = rotation.steps;
  const int64_t X = made.left + ox, Y = made.top + oy;
  steps.startX += X * steps.dxc + Y * steps.dns;
  steps.startY += X * steps.dxs + Y * steps.dxc;
  RotateRows(source, rows, steps, fillColour.ToPixel(), kernel);
  return 1;
}

}  // namespace kivu
