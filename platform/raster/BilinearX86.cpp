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

// The blends in 16-bit lanes, eight pixels of four bytes in two registers, as Blend does them: with
// d = b - a, (a (65536 - f) + b f) >> 16 = a + floor(d f / 2^16). The signed high product of d and f
// read as a signed word is floor(d f / 2^16) for f below 32768 and floor(d f / 2^16) - d from there on,
// which b = a + d makes up for: the lerp starts from a or b by the fraction's top bit (`high`).
__attribute__((target("avx2"))) inline __m256i LerpAvx2(__m256i a, __m256i b, __m256i f, __m256i high) {
  return _mm256_add_epi16(_mm256_blendv_epi8(a, b, high), _mm256_mulhi_epi16(_mm256_sub_epi16(b, a), f));
}

// Eight points whose samples all lie inside at a time: their byte offsets in 32-bit lanes, each
// point's two samples of a row read as one 64-bit load (pixels 0 1 4 5 in one register, 2 3 6 7 in the
// other, so that splitting left from right samples gives them in order), and the blend done with each
// point in its own 32-bit lane, which needs fewer shuffles than widening bytes to words. Eight points
// of one colour are that colour (most of the attitude ball). The points inside fit 32 bits, so the
// walk is kept in 32-bit lanes.
__attribute__((target("avx2"))) void RotateInsideAvx2(const PixelRows& source, const RotateSteps& steps,
                                                      uint32_t* out, int64_t sx, int64_t sy, int count) {
  const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  const __m256i stepX = _mm256_mullo_epi32(lanes, _mm256_set1_epi32(int(steps.dxc)));
  const __m256i stepY = _mm256_mullo_epi32(lanes, _mm256_set1_epi32(int(steps.dxs)));
  const __m256i eightX = _mm256_set1_epi32(int(uint32_t(steps.dxc) * 8));
  const __m256i eightY = _mm256_set1_epi32(int(uint32_t(steps.dxs) * 8));
  // A point's column and row side by side as words times (4, stride): its byte offset in one madd.
  const __m256i bytesPer = _mm256_set1_epi32(int((uint32_t(uint16_t(source.stride)) << 16) | 4));
  const __m256i colour = _mm256_set1_epi32(int(kPixelColorMask)), evenBytes = _mm256_set1_epi32(0x00FF00FF);
  const __m256i zero = _mm256_setzero_si256();
  const uint8_t* upperRow = source.bits;
  const uint8_t* lowerRow = source.bits + source.stride;
  auto eight = [&](uint32_t * at, __m256i vx, __m256i vy) __attribute__((target("avx2"))) {
    const __m256i offset =
        _mm256_madd_epi16(_mm256_blend_epi16(_mm256_srli_epi32(vx, 16), vy, 0xAA), bytesPer);
    // Two offsets a 64-bit lane, taken to general registers without a trip through memory.
    const __m128i low = _mm256_castsi256_si128(offset), high = _mm256_extracti128_si256(offset, 1);
    const int64_t pairs[4] = {_mm_cvtsi128_si64(low), _mm_extract_epi64(low, 1), _mm_cvtsi128_si64(high),
                              _mm_extract_epi64(high, 1)};
    auto two = [&](const uint8_t* row, int64_t pair) __attribute__((target("avx2"))) {
      const __m128i first = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + int32_t(pair)));
      return _mm_castpd_si128(
          _mm_loadh_pd(_mm_castsi128_pd(first), reinterpret_cast<const double*>(row + (pair >> 32))));
    };
    // Pixels 0 1 and 4 5 (pairs 0 and 2), or 2 3 and 6 7 (pairs 1 and 3).
    auto four = [&](const uint8_t* row, int i) __attribute__((target("avx2"))) {
      return _mm256_castsi256_ps(
          _mm256_inserti128_si256(_mm256_castsi128_si256(two(row, pairs[i])), two(row, pairs[i + 2]), 1));
    };
    const __m256 top0 = four(upperRow, 0), top1 = four(upperRow, 1);
    const __m256 bottom0 = four(lowerRow, 0), bottom1 = four(lowerRow, 1);
    auto left = [&](__m256 a, __m256 b) __attribute__((target("avx2"))) {
      return _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
    };
    auto right = [&](__m256 a, __m256 b) __attribute__((target("avx2"))) {
      return _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
    };
    const __m256i tl = left(top0, top1), tr = right(top0, top1);
    const __m256i bl = left(bottom0, bottom1), br = right(bottom0, bottom1);
    const __m256i same = _mm256_and_si256(
        _mm256_and_si256(_mm256_cmpeq_epi32(tl, tr), _mm256_cmpeq_epi32(bl, br)), _mm256_cmpeq_epi32(tl, bl));
    if (_mm256_movemask_epi8(same) == -1) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), _mm256_and_si256(tl, colour));
      return;
    }
    // Each point keeps its 32-bit lane: blue and red as its two words, then green and the spare byte,
    // the fraction in both words.
    auto both = [&](__m256i v) __attribute__((target("avx2"))) {
      return _mm256_blend_epi16(v, _mm256_slli_epi32(v, 16), 0xAA);
    };
    const __m256i fx = both(vx), fy = both(vy);
    const __m256i hx = _mm256_cmpgt_epi16(zero, fx), hy = _mm256_cmpgt_epi16(zero, fy);
    auto blend = [&](auto channels) __attribute__((target("avx2"))) {
      return LerpAvx2(LerpAvx2(channels(tl), channels(tr), fx, hx),
                      LerpAvx2(channels(bl), channels(br), fx, hx), fy, hy);
    };
    const __m256i blueRed =
        blend([&](__m256i p) __attribute__((target("avx2"))) { return _mm256_and_si256(p, evenBytes); });
    const __m256i greenSpare =
        blend([&](__m256i p) __attribute__((target("avx2"))) { return _mm256_srli_epi16(p, 8); });
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(at),
                        _mm256_and_si256(_mm256_or_si256(blueRed, _mm256_slli_epi16(greenSpare, 8)), colour));
  };
  auto start = [&](int64_t s, __m256i step) __attribute__((target("avx2"))) {
    return _mm256_add_epi32(_mm256_set1_epi32(int(uint32_t(s))), step);
  };
  __m256i vx = start(sx, stepX), vy = start(sy, stepY);
  for (int x = 0; x + 8 <= count; x += 8) {
    eight(out + x, vx, vy);
    vx = _mm256_add_epi32(vx, eightX);
    vy = _mm256_add_epi32(vy, eightY);
  }
  // The last group ends where the stretch ends, making again what the one before made.
  if (count % 8) {
    const int64_t last = count - 8;
    eight(out + last, start(sx + last * steps.dxc, stepX), start(sy + last * steps.dxs, stepY));
  }
}

// Stretches shorter than a group pixel by pixel.
__attribute__((target("avx2"))) void RotateAvx2(const PixelRows& source, const PixelRows& rotated,
                                                const RotateSteps& steps, uint32_t fill) {
  RotateRowsBySpans(source, rotated, steps, fill, [&](uint32_t* out, int64_t sx, int64_t sy, int count) {
    if (count >= 8) return RotateInsideAvx2(source, steps, out, sx, sy, count);
    for (int x = 0; x < count; ++x, sx += steps.dxc, sy += steps.dxs)
      out[x] = BlendInside(source, sx, sy);
  });
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

__attribute__((target("sse4.1"))) inline __m128i LerpSse41(__m128i a, __m128i b, __m128i f, __m128i high) {
  return _mm_add_epi16(_mm_blendv_epi8(a, b, high), _mm_mulhi_epi16(_mm_sub_epi16(b, a), f));
}

// Bytes low and high of two points' lanes (lanes 0 and 1 with low 0, lanes 2 and 3 with low 8) spread
// to each point's four words: bytes 0 and 1 give the fraction, 1 and 1 its top byte twice, whose top
// bits blendv reads.
__attribute__((target("sse4.1"))) inline __m128i SpreadSse41(__m128i v, int low, int high) {
  return _mm_shuffle_epi8(
      v, _mm_setr_epi8(char(low), char(high), char(low), char(high), char(low), char(high), char(low),
                       char(high), char(low + 4), char(high + 4), char(low + 4), char(high + 4),
                       char(low + 4), char(high + 4), char(low + 4), char(high + 4)));
}

// Four points at a time, each point's samples found by 64-bit arithmetic, so any source fits, and
// read as the AVX2 walk reads them; the bytes widened to words (points 0 and 1 in the low half, 2 and
// 3 in the high one), as this processor blends them fastest. The fractions need only their low 16
// bits, which wrapping 32-bit lanes keep.
__attribute__((target("sse4.1"))) void RotateInsideSse41(const PixelRows& source, const RotateSteps& steps,
                                                         uint32_t* out, int64_t sx, int64_t sy, int count) {
  const __m128i lanes = _mm_setr_epi32(0, 1, 2, 3);
  const __m128i stepX = _mm_mullo_epi32(lanes, _mm_set1_epi32(int(steps.dxc)));
  const __m128i stepY = _mm_mullo_epi32(lanes, _mm_set1_epi32(int(steps.dxs)));
  const __m128i colour = _mm_set1_epi32(int(kPixelColorMask)), zero = _mm_setzero_si128();
  const std::ptrdiff_t stride = source.stride;
  auto four = [&](uint32_t * at, int64_t x0, int64_t y0) __attribute__((target("sse4.1"))) {
    const uint8_t* upper[4];
    for (int k = 0; k < 4; ++k)
      upper[k] = source.bits + ((y0 + k * steps.dxs) >> 16) * stride + ((x0 + k * steps.dxc) >> 16) * 4;
    auto two = [&](int i, std::ptrdiff_t below) __attribute__((target("sse4.1"))) {
      const __m128i first = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(upper[i] + below));
      return _mm_castpd_ps(
          _mm_loadh_pd(_mm_castsi128_pd(first), reinterpret_cast<const double*>(upper[i + 1] + below)));
    };
    const __m128 top01 = two(0, 0), top23 = two(2, 0), bottom01 = two(0, stride), bottom23 = two(2, stride);
    auto left = [&](__m128 a, __m128 b) __attribute__((target("sse4.1"))) {
      return _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
    };
    auto right = [&](__m128 a, __m128 b) __attribute__((target("sse4.1"))) {
      return _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
    };
    const __m128i tl = left(top01, top23), tr = right(top01, top23);
    const __m128i bl = left(bottom01, bottom23), br = right(bottom01, bottom23);
    const __m128i same = _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi32(tl, tr), _mm_cmpeq_epi32(bl, br)),
                                       _mm_cmpeq_epi32(tl, bl));
    if (_mm_movemask_epi8(same) == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm_and_si128(tl, colour));
      return;
    }
    const __m128i vx = _mm_add_epi32(_mm_set1_epi32(int(uint32_t(x0))), stepX);
    const __m128i vy = _mm_add_epi32(_mm_set1_epi32(int(uint32_t(y0))), stepY);
    auto half = [&](bool high) __attribute__((target("sse4.1"))) {
      auto words = [&](__m128i p) __attribute__((target("sse4.1"))) {
        return high ? _mm_unpackhi_epi8(p, zero) : _mm_unpacklo_epi8(p, zero);
      };
      const int first = high ? 8 : 0;
      const __m128i fx = SpreadSse41(vx, first, first + 1), fy = SpreadSse41(vy, first, first + 1);
      const __m128i hx = SpreadSse41(vx, first + 1, first + 1), hy = SpreadSse41(vy, first + 1, first + 1);
      return LerpSse41(LerpSse41(words(tl), words(tr), fx, hx), LerpSse41(words(bl), words(br), fx, hx), fy,
                       hy);
    };
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at),
                     _mm_and_si128(_mm_packus_epi16(half(false), half(true)), colour));
  };
  for (int x = 0; x + 4 <= count; x += 4)
    four(out + x, sx + x * steps.dxc, sy + x * steps.dxs);
  // The last group ends where the stretch ends, making again what the one before made.
  if (count % 4) four(out + count - 4, sx + (count - 4) * steps.dxc, sy + (count - 4) * steps.dxs);
}

__attribute__((target("sse4.1"))) void RotateSse41(const PixelRows& source, const PixelRows& rotated,
                                                   const RotateSteps& steps, uint32_t fill) {
  RotateRowsBySpans(source, rotated, steps, fill, [&](uint32_t* out, int64_t sx, int64_t sy, int count) {
    if (count >= 4) return RotateInsideSse41(source, steps, out, sx, sy, count);
    for (int x = 0; x < count; ++x, sx += steps.dxc, sy += steps.dxs)
      out[x] = BlendInside(source, sx, sy);
  });
}

// The AVX2 walk keeps points and byte offsets in 32 bits and rows' strides in 16; larger sources rotate
// with SSE4.1.
void RotateAvx2OrSse41(const PixelRows& source, const PixelRows& rotated, const RotateSteps& steps,
                       uint32_t fill) {
  if (source.width < 32768 && source.height < 32768 && std::llabs(int64_t(source.stride)) < 32768 &&
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
