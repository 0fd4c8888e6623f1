// The x86-64 kernels: AVX2 and SSE4.1, each compiled for its instruction set alone and chosen at run
// time by what the processor has. Elsewhere this file is empty and its tables are null.
#include "platform/raster/BilinearKernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include <algorithm>
#include <cstdlib>

namespace kivu::detail {
namespace {

// Two destination pixels at a time: their left and right source pixels interleaved byte by byte,
// widened to 16 bits and multiplied pairwise with (X - rx, rx): one 32-bit sum per byte.
__attribute__((target("avx2"))) void HorizontalAvx2(const uint32_t* row, const ScaleSetup& s, uint32_t* h,
                                                    int from, int to) {
  const int16_t* weights = s.pairedWeights.data();
  for (int j = from; j < to; j += 2) {
    const size_t k = size_t(j);
    const __m128i leftPixels = _mm_set_epi32(0, 0, int(row[s.left[k + 1]]), int(row[s.left[k]]));
    const __m128i rightPixels = _mm_set_epi32(0, 0, int(row[s.right[k + 1]]), int(row[s.right[k]]));
    const __m256i pairs = _mm256_cvtepu8_epi16(_mm_unpacklo_epi8(leftPixels, rightPixels));
    const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights + 8 * k));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(h + 4 * k), _mm256_madd_epi16(pairs, w));
  }
}

// n div D for eight numerators: the high halves of the 64-bit products n m, lane by lane, then the rest
// of the shift.
__attribute__((target("avx2"))) inline __m256i DivideAvx2(__m256i n, __m256i multiplier, __m128i shift) {
  const __m256i even = _mm256_srli_epi64(_mm256_mul_epu32(n, multiplier), 32);
  const __m256i odd = _mm256_mul_epu32(_mm256_srli_epi64(n, 32), multiplier);
  return _mm256_srl_epi32(_mm256_blend_epi32(even, odd, 0xAA), shift);
}

__attribute__((target("avx2"))) void VerticalAvx2(const uint32_t* ha, const uint32_t* hb,
                                                  const VerticalWeights& w, uint32_t* out, int from, int to) {
  const __m256i upper = _mm256_set1_epi32(int(w.upper)), lower = _mm256_set1_epi32(int(w.lower));
  const __m256i rounding = _mm256_set1_epi32(int(w.half));
  const __m256i multiplier = _mm256_set1_epi32(int(w.divider->multiplier));
  const __m128i shift = _mm_cvtsi32_si128(w.divider->shift - 32);
  const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  int j = from;
  for (; j + 4 <= to; j += 4) {
    auto numerators = [&](int at) __attribute__((target("avx2"))) {
      const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(ha + 4 * std::ptrdiff_t(at)));
      const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(hb + 4 * std::ptrdiff_t(at)));
      return _mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi32(a, upper), _mm256_mullo_epi32(b, lower)),
                              rounding);
    };
    // Pixels j and j + 1 in q0, j + 2 and j + 3 in q1; the packs work per 128-bit lane, so the four
    // pixels come out as dwords 0, 4, 1, 5.
    const __m256i q0 = DivideAvx2(numerators(j), multiplier, shift);
    const __m256i q1 = DivideAvx2(numerators(j + 2), multiplier, shift);
    const __m256i bytes = _mm256_packus_epi16(_mm256_packus_epi32(q0, q1), _mm256_setzero_si256());
    const __m256i pixels = _mm256_permutevar8x32_epi32(bytes, order);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), _mm256_castsi256_si128(pixels));
    // The last group ends at `to`, making again what the one before made.
    if (j + 4 < to && j + 8 > to) j = to - 8;
  }
  VerticalPortable(ha, hb, w, out, j, to);
}

__attribute__((target("avx2"))) inline __m256i Load8(const uint32_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// Eight columns at a time: three comparisons of eight pixels, their signs gathered into eight bits.
__attribute__((target("avx2"))) void SameColumnsAvx2(const uint32_t* a, const uint32_t* b, int n,
                                                     uint64_t* bits) {
  std::fill(bits, bits + SameColumnWords(n), 0);
  // A word of bits is gathered in a register and stored whole.
  int c = 0;
  for (; c + 65 <= n; c += 64) {
    uint64_t word = 0;
    for (int k = 0; k < 64; k += 8) {
      const __m256i a0 = Load8(a + c + k), b0 = Load8(b + c + k);
      const __m256i same = _mm256_and_si256(_mm256_and_si256(_mm256_cmpeq_epi32(a0, Load8(a + c + k + 1)),
                                                             _mm256_cmpeq_epi32(b0, Load8(b + c + k + 1))),
                                            _mm256_cmpeq_epi32(a0, b0));
      word |= uint64_t(unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(same)))) << k;
    }
    bits[c / 64] = word;
  }
  SameColumnsTail(a, b, c, n, bits);
}

// (a (65536 - f) + b f) >> 16 in 32-bit lanes, for bytes a and b and 16-bit fractions f.
__attribute__((target("avx2"))) inline __m256i LerpAvx2(__m256i a, __m256i b, __m256i f) {
  return _mm256_add_epi32(a, _mm256_srai_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(b, a), f), 16));
}

// Eight pixels at a time: the 16.16 points in 32-bit lanes, the four samples gathered. Eight samples
// of one colour are that colour; otherwise each byte is blended in 32-bit lanes as Blend does, with
// a (65536 - f) + b f = a 65536 + (b - a) f, whose shift by 16 is a + ((b - a) f >> 16) exactly. A
// group whose first and last points are inside is inside whole; the others go pixel by pixel.
__attribute__((target("avx2"))) void RotateAvx2(const PixelRows& source, const PixelRows& rotated,
                                                const RotateSteps& steps, uint32_t fill) {
  const int w = source.width, h = source.height;
  const int stride = int(source.stride);
  const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  const __m256i stepX = _mm256_mullo_epi32(lanes, _mm256_set1_epi32(int(steps.dxc)));
  const __m256i stepY = _mm256_mullo_epi32(lanes, _mm256_set1_epi32(int(steps.dxs)));
  const __m256i low16 = _mm256_set1_epi32(0xFFFF), byte = _mm256_set1_epi32(0xFF);
  const __m256i colour = _mm256_set1_epi32(int(kPixelColorMask));
  const int* base = reinterpret_cast<const int*>(source.bits);
  int64_t rowX = steps.startX, rowY = steps.startY;
  for (int y = 0; y < rotated.height; ++y) {
    uint32_t* out = rotated.Row(y);
    int64_t sx = rowX, sy = rowY;
    int x = 0;
    for (; x + 8 <= rotated.width; x += 8) {
      if (!SamplesInside(sx, sy, w, h) || !SamplesInside(sx + 7 * steps.dxc, sy + 7 * steps.dxs, w, h)) {
        for (int k = 0; k < 8; ++k, sx += steps.dxc, sy += steps.dxs)
          out[x + k] = RotatePixel(source, sx, sy, fill, BlendPortable);
        continue;
      }
      const __m256i vx = _mm256_add_epi32(_mm256_set1_epi32(int(sx)), stepX);
      const __m256i vy = _mm256_add_epi32(_mm256_set1_epi32(int(sy)), stepY);
      sx += 8 * steps.dxc;
      sy += 8 * steps.dxs;
      const __m256i offset =
          _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(vy, 16), _mm256_set1_epi32(stride)),
                           _mm256_slli_epi32(_mm256_srai_epi32(vx, 16), 2));
      const __m256i below = _mm256_add_epi32(offset, _mm256_set1_epi32(stride));
      const __m256i tl = _mm256_i32gather_epi32(base, offset, 1);
      const __m256i tr = _mm256_i32gather_epi32(base + 1, offset, 1);
      const __m256i bl = _mm256_i32gather_epi32(base, below, 1);
      const __m256i br = _mm256_i32gather_epi32(base + 1, below, 1);
      const __m256i same =
          _mm256_and_si256(_mm256_and_si256(_mm256_cmpeq_epi32(tl, tr), _mm256_cmpeq_epi32(bl, br)),
                           _mm256_cmpeq_epi32(tl, bl));
      if (_mm256_movemask_epi8(same) == -1) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), _mm256_and_si256(tl, colour));
        continue;
      }
      const __m256i fx = _mm256_and_si256(vx, low16), fy = _mm256_and_si256(vy, low16);
      __m256i pixels = _mm256_setzero_si256();
      for (int shift = 0; shift < 24; shift += 8) {
        const __m128i by = _mm_cvtsi32_si128(shift);
        auto channel = [&](__m256i p) __attribute__((target("avx2"))) {
          return _mm256_and_si256(_mm256_srl_epi32(p, by), byte);
        };
        const __m256i top = LerpAvx2(channel(tl), channel(tr), fx);
        const __m256i bottom = LerpAvx2(channel(bl), channel(br), fx);
        pixels = _mm256_or_si256(pixels, _mm256_sll_epi32(LerpAvx2(top, bottom, fy), by));
      }
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), pixels);
    }
    for (; x < rotated.width; ++x, sx += steps.dxc, sy += steps.dxs)
      out[x] = RotatePixel(source, sx, sy, fill, BlendPortable);
    rowX += steps.dns;
    rowY += steps.dxc;
  }
}

__attribute__((target("sse4.1"))) void HorizontalSse41(const uint32_t* row, const ScaleSetup& s, uint32_t* h,
                                                       int from, int to) {
  const int16_t* weights = s.pairedWeights.data();
  for (int j = from; j < to; ++j) {
    const size_t k = size_t(j);
    const __m128i pair =
        _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(row[s.left[k]])), _mm_cvtsi32_si128(int(row[s.right[k]])));
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + 8 * k));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(h + 4 * k), _mm_madd_epi16(_mm_cvtepu8_epi16(pair), w));
  }
}

__attribute__((target("sse4.1"))) inline __m128i DivideSse41(__m128i n, __m128i multiplier, __m128i shift) {
  const __m128i even = _mm_srli_epi64(_mm_mul_epu32(n, multiplier), 32);
  const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(n, 32), multiplier);
  return _mm_srl_epi32(_mm_blend_epi16(even, odd, 0xCC), shift);
}

__attribute__((target("sse4.1"))) void VerticalSse41(const uint32_t* ha, const uint32_t* hb,
                                                     const VerticalWeights& w, uint32_t* out, int from,
                                                     int to) {
  const __m128i upper = _mm_set1_epi32(int(w.upper)), lower = _mm_set1_epi32(int(w.lower));
  const __m128i rounding = _mm_set1_epi32(int(w.half));
  const __m128i multiplier = _mm_set1_epi32(int(w.divider->multiplier));
  const __m128i shift = _mm_cvtsi32_si128(w.divider->shift - 32);
  int j = from;
  for (; j + 2 <= to; j += 2) {
    auto pixel = [&](int at) __attribute__((target("sse4.1"))) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(ha + 4 * std::ptrdiff_t(at)));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hb + 4 * std::ptrdiff_t(at)));
      const __m128i n =
          _mm_add_epi32(_mm_add_epi32(_mm_mullo_epi32(a, upper), _mm_mullo_epi32(b, lower)), rounding);
      return DivideSse41(n, multiplier, shift);
    };
    const __m128i words = _mm_packus_epi32(pixel(j), pixel(j + 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + j), _mm_packus_epi16(words, words));
    // The last pair ends at `to`, making again what the one before made.
    if (j + 2 < to && j + 4 > to) j = to - 4;
  }
  VerticalPortable(ha, hb, w, out, j, to);
}

// The blend with the bytes of a pixel side by side in 32-bit lanes; every product stays below 2^24.
__attribute__((target("sse4.1"))) uint32_t BlendSse41(const uint32_t* upper, const uint32_t* lower,
                                                      uint32_t fx, uint32_t fy) {
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
  return uint32_t(_mm_cvtsi128_si32(bytes)) & kPixelColorMask;
}

__attribute__((target("sse4.1"), flatten)) void RotateSse41(const PixelRows& source, const PixelRows& rotated,
                                                            const RotateSteps& steps, uint32_t fill) {
  RotateRowsWith(source, rotated, steps, fill, BlendSse41);
}

// The AVX2 walk keeps points and byte offsets in 32 bits; larger sources rotate with SSE4.1.
void RotateAvx2OrSse41(const PixelRows& source, const PixelRows& rotated, const RotateSteps& steps,
                       uint32_t fill) {
  if (source.width < 32768 && source.height < 32768 &&
      std::llabs(int64_t(source.stride)) * source.height < (int64_t{1} << 31)) {
    RotateAvx2(source, rotated, steps, fill);
  } else {
    RotateSse41(source, rotated, steps, fill);
  }
}

}  // namespace

const PixelKernels* Sse41Kernels() {
  static constexpr PixelKernels kernels{HorizontalSse41, VerticalSse41, SameColumnsPortable, RotateSse41};
  static const bool has = __builtin_cpu_supports("sse4.1");
  return has ? &kernels : nullptr;
}

const PixelKernels* Avx2Kernels() {
  static constexpr PixelKernels kernels{HorizontalAvx2, VerticalAvx2, SameColumnsAvx2, RotateAvx2OrSse41};
  static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("sse4.1");
  return has ? &kernels : nullptr;
}

}  // namespace kivu::detail

#else

namespace kivu::detail {
const PixelKernels* Sse41Kernels() {
  return nullptr;
}
const PixelKernels* Avx2Kernels() {
  return nullptr;
}
}  // namespace kivu::detail

#endif
