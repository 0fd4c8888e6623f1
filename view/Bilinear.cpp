#include "view/Bilinear.h"

#if defined(__x86_64__) || defined(__i386__)
#define KIVU_X86 1
#include <immintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace kivu {
namespace detail {
namespace {

using u128 = unsigned __int128;

// What every kernel needs: the sizes and, per destination column, the two source columns and their
// weights. Column j reads source column q = j (Ws - 1) div X and, when the remainder r is not 0, q + 1;
// their weights are X - r and r.
struct ScaleSetup {
  int ws = 0, hs = 0, wd = 0, hd = 0;
  uint32_t x = 0, y = 0;  // Wd - 1, Hd - 1
  uint64_t d = 0;         // X * Y
  std::vector<int32_t> left, right;
  std::vector<uint32_t> leftWeight, rightWeight;

  bool Fits(const PixelRows& destination, const PixelRows& source) const {
    return ws == source.width && hs == source.height && wd == destination.width && hd == destination.height;
  }
  void Prepare(const PixelRows& destination, const PixelRows& source) {
    ws = source.width, hs = source.height, wd = destination.width, hd = destination.height;
    x = uint32_t(wd - 1);
    y = uint32_t(hd - 1);
    d = uint64_t{x} * y;
    // Padded to a multiple of 4 columns with harmless entries, for kernels that work in groups.
    const size_t padded = (size_t(wd) + 3) & ~size_t{3};
    left.assign(padded, 0), right.assign(padded, 0), leftWeight.assign(padded, 0),
        rightWeight.assign(padded, 0);
    for (int j = 0; j < wd; ++j) {
      const uint64_t t = uint64_t(j) * uint64_t(ws - 1);
      const uint32_t q = uint32_t(t / x), r = uint32_t(t % x);
      left[size_t(j)] = int32_t(q);
      right[size_t(j)] = int32_t(r > 0 ? q + 1 : q);
      leftWeight[size_t(j)] = x - r;
      rightWeight[size_t(j)] = r;
    }
  }
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

const uint32_t* SourceRow(const PixelRows& image, int row) {
  return reinterpret_cast<const uint32_t*>(image.bits + std::ptrdiff_t(row) * image.stride);
}
uint32_t* DestinationRow(const PixelRows& image, int row) {
  return reinterpret_cast<uint32_t*>(image.bits + std::ptrdiff_t(row) * image.stride);
}

// The formula as written, in 64-bit arithmetic: any size.
void ScalePlain(const PixelRows& destination, const PixelRows& source, const ScaleSetup& s) {
  const uint64_t half = s.d / 2;
  for (int i = 0; i < s.hd; ++i) {
    int upper, lower;
    uint32_t wy0, wy1;
    s.Row(i, upper, lower, wy0, wy1);
    const uint32_t* a = SourceRow(source, upper);
    const uint32_t* b = SourceRow(source, lower);
    uint32_t* out = DestinationRow(destination, i);
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

// The fast kernels split the sum: per source row, h = A0 (X - rx) + A1 rx for each byte (exact, and
// shared by all destination rows that read that source row); per destination pixel,
// n = hUpper (Y - ry) + hLower ry + D div 2, which is the formula's numerator, and n div D by the
// exact divider. Everything fits 32 bits when 255.5 D < 2^32.
class RowCache {
 public:
  void Prepare(size_t values) {
    for (auto& buffer : buffers_)
      buffer.assign(values, 0);
  }
  // A new source: nothing cached.
  void Forget() { rows_[0] = rows_[1] = -1; }
  // The h values of a source row, computed unless cached; `keep` names a row that must stay cached.
  template <typename Horizontal>
  const uint32_t* Get(int row, int keep, Horizontal horizontal) {
    for (int k = 0; k < 2; ++k) {
      if (rows_[k] == row) return buffers_[k].data();
    }
    const int k = rows_[0] == keep ? 1 : 0;
    horizontal(row, buffers_[k].data());
    rows_[k] = row;
    return buffers_[k].data();
  }

 private:
  std::vector<uint32_t> buffers_[2];
  int rows_[2] = {-1, -1};
};

void HorizontalPortable(const uint32_t* row, const ScaleSetup& s, uint32_t* h) {
  for (int j = 0; j < s.wd; ++j) {
    const uint32_t p0 = row[s.left[size_t(j)]], p1 = row[s.right[size_t(j)]];
    const uint32_t w0 = s.leftWeight[size_t(j)], w1 = s.rightWeight[size_t(j)];
    for (int c = 0; c < 4; ++c)
      h[4 * j + c] = ((p0 >> (8 * c)) & 0xFF) * w0 + ((p1 >> (8 * c)) & 0xFF) * w1;
  }
}

void VerticalPortable(const uint32_t* ha, const uint32_t* hb, uint32_t wy0, uint32_t wy1, uint32_t half,
                      const ExactDivider& divider, uint32_t* out, int count, int from) {
  for (int j = from; j < count; ++j) {
    uint32_t pixel = 0;
    for (int c = 0; c < 4; ++c) {
      const uint32_t n = ha[4 * j + c] * wy0 + hb[4 * j + c] * wy1 + half;
      pixel |= divider.Divide(n) << (8 * c);
    }
    out[j] = pixel;
  }
}

#if KIVU_X86
__attribute__((target("avx2"))) void HorizontalAvx2(const uint32_t* row, const ScaleSetup& s,
                                                    const int16_t* weights, uint32_t* h) {
  // Two destination pixels at a time: their left and right source pixels interleaved byte by byte,
  // widened to 16 bits and multiplied pairwise with (X - rx, rx): one 32-bit sum per byte.
  for (int j = 0; j < s.wd; j += 2) {
    const size_t k = size_t(j);
    const __m128i leftPixels = _mm_set_epi32(0, 0, int(row[s.left[k + 1]]), int(row[s.left[k]]));
    const __m128i rightPixels = _mm_set_epi32(0, 0, int(row[s.right[k + 1]]), int(row[s.right[k]]));
    const __m256i pairs = _mm256_cvtepu8_epi16(_mm_unpacklo_epi8(leftPixels, rightPixels));
    const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights + 8 * k));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(h + 4 * k), _mm256_madd_epi16(pairs, w));
  }
}

__attribute__((target("avx2"))) inline __m256i DivideAvx2(__m256i n, __m256i multiplier, __m128i shift) {
  // The high halves of the 64-bit products n * m, lane by lane, then the rest of the shift.
  const __m256i even = _mm256_srli_epi64(_mm256_mul_epu32(n, multiplier), 32);
  const __m256i odd = _mm256_mul_epu32(_mm256_srli_epi64(n, 32), multiplier);
  return _mm256_srl_epi32(_mm256_blend_epi32(even, odd, 0xAA), shift);
}

__attribute__((target("avx2"))) int VerticalAvx2(const uint32_t* ha, const uint32_t* hb, uint32_t wy0,
                                                 uint32_t wy1, uint32_t half, const ExactDivider& divider,
                                                 uint32_t* out, int count) {
  const __m256i upper = _mm256_set1_epi32(int(wy0)), lower = _mm256_set1_epi32(int(wy1));
  const __m256i rounding = _mm256_set1_epi32(int(half));
  const __m256i multiplier = _mm256_set1_epi32(int(divider.multiplier));
  const __m128i shift = _mm_cvtsi32_si128(divider.shift - 32);
  const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  int j = 0;
  for (; j + 4 <= count; j += 4) {
    const __m256i a0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(ha + 4 * j));
    const __m256i a1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(ha + 4 * j + 8));
    const __m256i b0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(hb + 4 * j));
    const __m256i b1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(hb + 4 * j + 8));
    const __m256i n0 = _mm256_add_epi32(
        _mm256_add_epi32(_mm256_mullo_epi32(a0, upper), _mm256_mullo_epi32(b0, lower)), rounding);
    const __m256i n1 = _mm256_add_epi32(
        _mm256_add_epi32(_mm256_mullo_epi32(a1, upper), _mm256_mullo_epi32(b1, lower)), rounding);
    // Pixels j and j + 1 in q0, j + 2 and j + 3 in q1; the packs work per 128-bit lane, so the
    // four pixels come out as dwords 0, 4, 1, 5.
    const __m256i q0 = DivideAvx2(n0, multiplier, shift), q1 = DivideAvx2(n1, multiplier, shift);
    const __m256i bytes = _mm256_packus_epi16(_mm256_packus_epi32(q0, q1), _mm256_setzero_si256());
    const __m256i pixels = _mm256_permutevar8x32_epi32(bytes, order);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), _mm256_castsi256_si128(pixels));
  }
  return j;
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#else
bool HasAvx2() {
  return false;
}
#endif

// The weights of the vector kernel: (X - rx, rx) for each byte of each destination column.
void MakeWideWeights(const ScaleSetup& s, std::vector<int16_t>& weights) {
  const size_t padded = s.left.size();
  weights.resize(padded * 8);
  for (size_t j = 0; j < padded; ++j) {
    for (int c = 0; c < 4; ++c) {
      weights[8 * j + 2 * size_t(c)] = int16_t(s.leftWeight[j]);
      weights[8 * j + 2 * size_t(c) + 1] = int16_t(s.rightWeight[j]);
    }
  }
}

void ScaleSplit(const PixelRows& destination, const PixelRows& source, const ScaleSetup& s,
                const ExactDivider& divider, [[maybe_unused]] const int16_t* weights, RowCache& cache) {
  cache.Forget();
  auto horizontal = [&](int row, uint32_t* h) {
#if KIVU_X86
    if (weights) {
      HorizontalAvx2(SourceRow(source, row), s, weights, h);
      return;
    }
#endif
    HorizontalPortable(SourceRow(source, row), s, h);
  };
  const uint32_t half = uint32_t(s.d / 2);
  for (int i = 0; i < s.hd; ++i) {
    int upper, lower;
    uint32_t wy0, wy1;
    s.Row(i, upper, lower, wy0, wy1);
    const uint32_t* ha = cache.Get(upper, lower, horizontal);
    const uint32_t* hb = lower == upper ? ha : cache.Get(lower, upper, horizontal);
    uint32_t* out = DestinationRow(destination, i);
#if KIVU_X86
    const int done = weights ? VerticalAvx2(ha, hb, wy0, wy1, half, divider, out, s.wd) : 0;
#else
    const int done = 0;
#endif
    VerticalPortable(ha, hb, wy0, wy1, half, divider, out, s.wd, done);
  }
}

}  // namespace

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

int ScaleBilinearWith(CDib& destination, const CDib& source, ScaleKernel kernel) {
  if (destination.bitsPerPixel != 32 || source.bitsPerPixel != 32) return -1;
  BilinearScaler scaler;
  return scaler.Scale(destination, source, kernel);
}

namespace {

// The 16.16 blend of four samples, first three bytes; the fourth stays zero.
inline uint32_t Blend(uint32_t tl, uint32_t tr, uint32_t bl, uint32_t br, uint32_t fx, uint32_t fy) {
  uint32_t pixel = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t top = (((tl >> shift) & 0xFF) * (65536 - fx) + ((tr >> shift) & 0xFF) * fx) >> 16;
    const uint32_t bottom = (((bl >> shift) & 0xFF) * (65536 - fx) + ((br >> shift) & 0xFF) * fx) >> 16;
    pixel |= ((top * (65536 - fy) + bottom * fy) >> 16) << shift;
  }
  return pixel;
}

}  // namespace

uint32_t RotateSample(const uint8_t* bits, std::ptrdiff_t stride, int width, int height, int64_t sx,
                      int64_t sy, uint32_t fill) {
  const int64_t x = sx >> 16, y = sy >> 16;
  if (sx < 0 || sy < 0 || x >= width || y >= height) return fill;
  const uint32_t fx = uint32_t(sx & 0xFFFF), fy = uint32_t(sy & 0xFFFF);
  // The column and row pairs; at column 0 (row 0) the pair is (-1, 0). Outside the source: the fill.
  const int64_t x0 = x == 0 ? -1 : x, x1 = x == 0 ? 0 : x + 1;
  const int64_t y0 = y == 0 ? -1 : y, y1 = y == 0 ? 0 : y + 1;
  auto at = [&](int64_t px, int64_t py) {
    if (px < 0 || py < 0 || px >= width || py >= height) return fill;
    return reinterpret_cast<const uint32_t*>(bits + std::ptrdiff_t(py) * stride)[px];
  };
  return Blend(at(x0, y0), at(x1, y0), at(x0, y1), at(x1, y1), fx, fy);
}

bool HasSse41() {
#if KIVU_X86
  static const bool has = __builtin_cpu_supports("sse4.1");
  return has;
#else
  return false;
#endif
}

// The rows of the rotated image. Pixels whose four samples all lie inside the source take the short
// way; the rest go through RotateSample with its edge rules.
// Whether all four samples of the 16.16 point lie inside the source: the short way applies.
inline bool SamplesInside(int64_t sx, int64_t sy, int w, int h) {
  const int64_t px = sx >> 16, py = sy >> 16;
  return px >= 1 && py >= 1 && px + 1 < w && py + 1 < h;
}

template <typename BlendInside>
inline uint32_t RotatePixel(const PixelRows& source, int64_t sx, int64_t sy, uint32_t fill,
                            BlendInside blend) {
  if (!SamplesInside(sx, sy, source.width, source.height))
    return RotateSample(source.bits, source.stride, source.width, source.height, sx, sy, fill);
  const int64_t px = sx >> 16, py = sy >> 16;
  const auto* upper = reinterpret_cast<const uint32_t*>(source.bits + std::ptrdiff_t(py) * source.stride);
  const auto* lower = reinterpret_cast<const uint32_t*>(source.bits + std::ptrdiff_t(py + 1) * source.stride);
  return blend(upper + px, lower + px, uint32_t(sx & 0xFFFF), uint32_t(sy & 0xFFFF));
}

inline uint32_t BlendPlain(const uint32_t* upper, const uint32_t* lower, uint32_t fx, uint32_t fy) {
  return Blend(upper[0], upper[1], lower[0], lower[1], fx, fy);
}

template <typename BlendInside>
inline void RotateRowsWith(const PixelRows& source, const PixelRows& rotated, const RotateSteps& steps,
                           uint32_t fill, BlendInside blend) {
  int64_t rowX = steps.startX, rowY = steps.startY;
  for (int y = 0; y < rotated.height; ++y) {
    uint32_t* out = reinterpret_cast<uint32_t*>(rotated.bits + std::ptrdiff_t(y) * rotated.stride);
    int64_t sx = rowX, sy = rowY;
    for (int x = 0; x < rotated.width; ++x) {
      out[x] = RotatePixel(source, sx, sy, fill, blend);
      sx += steps.dxc;
      sy += steps.dxs;
    }
    rowX += steps.dns;
    rowY += steps.dxc;
  }
}

void RotateRows(const PixelRows& source, const PixelRows& rotated, const RotateSteps& steps, uint32_t fill) {
  RotateRowsWith(source, rotated, steps, fill, BlendPlain);
}

#if KIVU_X86
bool CanRotateRowsAvx2(const PixelRows& source) {
  // Its points and byte offsets are 32-bit.
  return HasAvx2() && source.width < 32768 && source.height < 32768 &&
         std::llabs(int64_t(source.stride)) * source.height < (int64_t{1} << 31);
}

// Eight pixels at a time: the 16.16 points in 32-bit lanes, the four samples gathered, each byte
// blended in 32-bit lanes as Blend does. The walk along a row is a straight line and the points whose
// samples all lie inside form a box, so a group whose first and last pixels are inside is inside
// whole; the others go pixel by pixel.
__attribute__((target("avx2"))) void RotateRowsAvx2(const PixelRows& source, const PixelRows& rotated,
                                                    const RotateSteps& steps, uint32_t fill) {
  const int w = source.width, h = source.height;
  const int stride = int(source.stride);
  const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  const __m256i stepX = _mm256_mullo_epi32(lanes, _mm256_set1_epi32(int(steps.dxc)));
  const __m256i stepY = _mm256_mullo_epi32(lanes, _mm256_set1_epi32(int(steps.dxs)));
  const __m256i low16 = _mm256_set1_epi32(0xFFFF), one = _mm256_set1_epi32(65536),
                byte = _mm256_set1_epi32(0xFF);
  const int* base = reinterpret_cast<const int*>(source.bits);
  int64_t rowX = steps.startX, rowY = steps.startY;
  for (int y = 0; y < rotated.height; ++y) {
    uint32_t* out = reinterpret_cast<uint32_t*>(rotated.bits + std::ptrdiff_t(y) * rotated.stride);
    int64_t sx = rowX, sy = rowY;
    int x = 0;
    for (; x + 8 <= rotated.width; x += 8) {
      if (SamplesInside(sx, sy, w, h) && SamplesInside(sx + 7 * steps.dxc, sy + 7 * steps.dxs, w, h)) {
        const __m256i vx = _mm256_add_epi32(_mm256_set1_epi32(int(sx)), stepX);
        const __m256i vy = _mm256_add_epi32(_mm256_set1_epi32(int(sy)), stepY);
        const __m256i offset =
            _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(vy, 16), _mm256_set1_epi32(stride)),
                             _mm256_slli_epi32(_mm256_srai_epi32(vx, 16), 2));
        const __m256i below = _mm256_add_epi32(offset, _mm256_set1_epi32(stride));
        const __m256i tl = _mm256_i32gather_epi32(base, offset, 1);
        const __m256i tr = _mm256_i32gather_epi32(base + 1, offset, 1);
        const __m256i bl = _mm256_i32gather_epi32(base, below, 1);
        const __m256i br = _mm256_i32gather_epi32(base + 1, below, 1);
        const __m256i fx = _mm256_and_si256(vx, low16), fy = _mm256_and_si256(vy, low16);
        const __m256i gx = _mm256_sub_epi32(one, fx), gy = _mm256_sub_epi32(one, fy);
        __m256i pixels = _mm256_setzero_si256();
        for (int shift = 0; shift < 24; shift += 8) {
          const __m128i by = _mm_cvtsi32_si128(shift);
          auto channel = [&](__m256i p) __attribute__((target("avx2"))) {
            return _mm256_and_si256(_mm256_srl_epi32(p, by), byte);
          };
          const __m256i top = _mm256_srli_epi32(
              _mm256_add_epi32(_mm256_mullo_epi32(channel(tl), gx), _mm256_mullo_epi32(channel(tr), fx)), 16);
          const __m256i bottom = _mm256_srli_epi32(
              _mm256_add_epi32(_mm256_mullo_epi32(channel(bl), gx), _mm256_mullo_epi32(channel(br), fx)), 16);
          const __m256i value = _mm256_srli_epi32(
              _mm256_add_epi32(_mm256_mullo_epi32(top, gy), _mm256_mullo_epi32(bottom, fy)), 16);
          pixels = _mm256_or_si256(pixels, _mm256_sll_epi32(value, by));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), pixels);
        sx += 8 * steps.dxc;
        sy += 8 * steps.dxs;
        continue;
      }
      for (int k = 0; k < 8; ++k, sx += steps.dxc, sy += steps.dxs)
        out[x + k] = RotatePixel(source, sx, sy, fill, BlendPlain);
    }
    for (; x < rotated.width; ++x, sx += steps.dxc, sy += steps.dxs)
      out[x] = RotatePixel(source, sx, sy, fill, BlendPlain);
    rowX += steps.dns;
    rowY += steps.dxc;
  }
}

// The same blend with the bytes side by side in 32-bit lanes; every product stays below 2^24.
__attribute__((target("sse4.1"), flatten)) void RotateRowsSse41(const PixelRows& source,
                                                                const PixelRows& rotated,
                                                                const RotateSteps& steps, uint32_t fill) {
  RotateRowsWith(
      source, rotated, steps, fill,
      [](const uint32_t* upper, const uint32_t* lower, uint32_t fx,
         uint32_t fy) __attribute__((target("sse4.1"))) {
        auto widen = [](uint32_t p) __attribute__((target("sse4.1"))) {
          return _mm_cvtepu8_epi32(_mm_cvtsi32_si128(int(p)));
        };
        const __m128i wx0 = _mm_set1_epi32(int(65536 - fx)), wx1 = _mm_set1_epi32(int(fx));
        const __m128i wy0 = _mm_set1_epi32(int(65536 - fy)), wy1 = _mm_set1_epi32(int(fy));
        const __m128i top = _mm_srli_epi32(
            _mm_add_epi32(_mm_mullo_epi32(widen(upper[0]), wx0), _mm_mullo_epi32(widen(upper[1]), wx1)), 16);
        const __m128i bottom = _mm_srli_epi32(
            _mm_add_epi32(_mm_mullo_epi32(widen(lower[0]), wx0), _mm_mullo_epi32(widen(lower[1]), wx1)), 16);
        const __m128i value =
            _mm_srli_epi32(_mm_add_epi32(_mm_mullo_epi32(top, wy0), _mm_mullo_epi32(bottom, wy1)), 16);
        const __m128i bytes = _mm_packus_epi16(_mm_packus_epi32(value, value), value);
        return uint32_t(_mm_cvtsi128_si32(bytes)) & 0x00FFFFFF;
      });
}

#else
bool CanRotateRowsAvx2(const PixelRows&) {
  return false;
}
void RotateRowsAvx2(const PixelRows& source, const PixelRows& rotated, const RotateSteps& steps,
                    uint32_t fill) {
  RotateRows(source, rotated, steps, fill);
}
void RotateRowsSse41(const PixelRows& source, const PixelRows& rotated, const RotateSteps& steps,
                     uint32_t fill) {
  RotateRows(source, rotated, steps, fill);
}
#endif

}  // namespace detail

struct BilinearScaler::Plan {
  detail::ScaleSetup setup;
  detail::ExactDivider divider;
  std::vector<int16_t> weights;  // for the vector kernel; empty where it cannot run
  detail::RowCache cache;
  bool prepared = false;
};

BilinearScaler::BilinearScaler() : plan_(std::make_unique<Plan>()) {}
BilinearScaler::~BilinearScaler() = default;

void BilinearScaler::Prepare(Size destination, Size source) {
  if (destination.width < 2 || destination.height < 2 || source.width < 1 || source.height < 1) return;
  Plan& p = *plan_;
  const PixelRows to(nullptr, destination.width, destination.height, 0);
  const PixelRows from(nullptr, source.width, source.height, 0);
  if (!p.prepared || !p.setup.Fits(to, from)) {
    p.setup.Prepare(to, from);
    // The numerator's largest value: all weights sum to D, bytes are at most 255.
    p.divider = detail::MakeExactDivider(p.setup.d, 255 * p.setup.d + p.setup.d / 2);
    p.weights.clear();
    if (detail::HasAvx2() && p.setup.wd <= 32768) detail::MakeWideWeights(p.setup, p.weights);
    p.cache.Prepare(p.setup.left.size() * 4 + 8);
    p.prepared = true;
  }
}

int BilinearScaler::Scale(const PixelRows& destination, const PixelRows& source, detail::ScaleKernel kernel) {
  if (!destination.bits || !source.bits || destination.width < 2 || destination.height < 2 ||
      source.width < 1 || source.height < 1) {
    return -1;
  }
  Prepare(Size{destination.width, destination.height}, Size{source.width, source.height});
  Plan& p = *plan_;
  if (kernel == detail::ScaleKernel::Plain || !p.divider.valid) {
    detail::ScalePlain(destination, source, p.setup);
  } else {
    const bool wide = kernel == detail::ScaleKernel::Best && !p.weights.empty();
    detail::ScaleSplit(destination, source, p.setup, p.divider, wide ? p.weights.data() : nullptr, p.cache);
  }
  return 0;
}

PixelRows PixelRows::Within(Bitmap& bitmap, const Rect& rect) {
  return PixelRows(reinterpret_cast<uint8_t*>(bitmap.Row(rect.top) + rect.left),
                   static_cast<int>(rect.Width()), static_cast<int>(rect.Height()),
                   bitmap.Order() == RowOrder::TopDown ? bitmap.RowBytes() : -bitmap.RowBytes());
}

int ScaleBilinear(CDib& destination, const CDib& source) {
  return detail::ScaleBilinearWith(destination, source, detail::ScaleKernel::Best);
}

namespace {

// The rotated image's size and the 16.16 walk through the source that makes it: one step right adds
// (cos, sin) to the source point, one step down (-sin, cos).
struct Rotation {
  int width = 0, height = 0;
  detail::RotateSteps steps;
};

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

void RotateInto(const PixelRows& source, const PixelRows& rotated, const detail::RotateSteps& steps,
                Color fill) {
  if (detail::CanRotateRowsAvx2(source)) {
    detail::RotateRowsAvx2(source, rotated, steps, fill.ToPixel());
  } else if (detail::HasSse41()) {
    detail::RotateRowsSse41(source, rotated, steps, fill.ToPixel());
  } else {
    detail::RotateRows(source, rotated, steps, fill.ToPixel());
  }
}

}  // namespace

int RotateBilinear(CDib& source, double angle, Color fillColour, std::unique_ptr<CDib>& result) {
  if (!source.bits || source.bitsPerPixel != 32 || !std::isfinite(angle)) return 0;
  const int w = source.width, h = source.height;
  const Rotation rotation = RotationOf(w, h, angle);
  auto rotated = std::make_unique<CDib>();
  if (!rotated->Create(rotation.width, rotation.height, source.bitsPerPixel, BI_RGB)) return 0;

  if (angle == 0.0) {
    Surface* context = rotated->GetDC();
    source.Draw(*context, Rect{0, 0, w, h}, Rect{0, 0, w, h}, RasterOp::SrcCopy);
    rotated->ReleaseDC();
  } else {
    RotateInto(source, *rotated, rotation.steps, fillColour);
  }
  result = std::move(rotated);
  return 1;
}

int RotateBilinearCentre(const PixelRows& source, double angle, Color fillColour,
                         const PixelRows& destination) {
  if (!source.bits || !destination.bits || !std::isfinite(angle)) return 0;
  const Rotation rotation = RotationOf(source.width, source.height, angle);
  // Where RotateBilinear could not make its image.
  if (rotation.width <= 0 || rotation.height <= 0 ||
      int64_t{rotation.width} * rotation.height > Bitmap::kMaxPixels)
    return 0;
  // Destination pixel (x, y) is the rotated image's (x + ox, y + oy); only those inside it are made.
  const int ox = (rotation.width - destination.width) / 2, oy = (rotation.height - destination.height) / 2;
  const int x0 = std::max(0, -ox), x1 = std::min(destination.width, rotation.width - ox);
  const int y0 = std::max(0, -oy), y1 = std::min(destination.height, rotation.height - oy);
  if (x0 > 0 || y0 > 0 || x1 < destination.width || y1 < destination.height) {
    // What the cut leaves uncovered shows the source, unturned.
    const int width = std::min(source.width, destination.width),
              height = std::min(source.height, destination.height);
    for (int y = 0; y < height; ++y)
      std::memcpy(destination.bits + std::ptrdiff_t(y) * destination.stride,
                  source.bits + std::ptrdiff_t(y) * source.stride, size_t(width) * 4);
  }
  if (x0 >= x1 || y0 >= y1) return 1;
  const PixelRows part(destination.bits + std::ptrdiff_t(y0) * destination.stride + std::ptrdiff_t(x0) * 4,
                       x1 - x0, y1 - y0, destination.stride);
  if (angle == 0.0) {
    // Unturned, the rotated image is the source itself.
    for (int y = 0; y < part.height; ++y)
      std::memcpy(part.bits + std::ptrdiff_t(y) * part.stride,
                  source.bits + std::ptrdiff_t(y + y0 + oy) * source.stride + std::ptrdiff_t(x0 + ox) * 4,
                  size_t(part.width) * 4);
    return 1;
  }
  // The walk from the part's first pixel: the same sums the whole image's walk reaches it by.
  detail::RotateSteps steps = rotation.steps;
  const int64_t X = x0 + ox, Y = y0 + oy;
  steps.startX += X * steps.dxc + Y * steps.dns;
  steps.startY += X * steps.dxs + Y * steps.dxc;
  RotateInto(source, part, steps, fillColour);
  return 1;
}

}  // namespace kivu
