// The aarch64 kernels: NEON, which every aarch64 processor has. Elsewhere this file is empty and its
// table is null.
#include "platform/raster/BilinearKernels.h"

#if defined(__aarch64__)
#include <arm_neon.h>

#include <algorithm>

namespace kivu::detail {
namespace {

// Two destination pixels at a time: their left and right source pixels widened to 16 bits and
// multiplied with (X - rx) and rx, the products of a byte added in 32 bits.
void HorizontalNeon(const uint32_t* row, const ScaleSetup& s, uint32_t* h, int from, int to) {
  const auto* weights = reinterpret_cast<const uint16_t*>(s.pairedWeights.data());
  for (int j = from; j < to; j += 2) {
    const size_t k = size_t(j);
    const uint32x2_t leftPixels = {row[s.left[k]], row[s.left[k + 1]]};
    const uint32x2_t rightPixels = {row[s.right[k]], row[s.right[k + 1]]};
    const uint16x8_t l = vmovl_u8(vreinterpret_u8_u32(leftPixels));
    const uint16x8_t r = vmovl_u8(vreinterpret_u8_u32(rightPixels));
    // The weights lie as (X - rx, rx) pairs: taken apart, eight of each.
    const uint16x8x2_t w = vld2q_u16(weights + 8 * k);
    const uint32x4_t first = vmlal_u16(vmull_u16(vget_low_u16(l), vget_low_u16(w.val[0])), vget_low_u16(r),
                                       vget_low_u16(w.val[1]));
    const uint32x4_t second = vmlal_high_u16(vmull_high_u16(l, w.val[0]), r, w.val[1]);
    vst1q_u32(h + 4 * k, first);
    vst1q_u32(h + 4 * k + 4, second);
  }
}

// n div D for four numerators: the high halves of the 64-bit products n m, then the rest of the shift.
inline uint32x4_t DivideNeon(uint32x4_t n, uint32x2_t multiplier, int32x4_t shift) {
  const uint32x2_t low = vshrn_n_u64(vmull_u32(vget_low_u32(n), multiplier), 32);
  const uint32x4_t high = vshrn_high_n_u64(low, vmull_high_u32(n, vcombine_u32(multiplier, multiplier)), 32);
  return vshlq_u32(high, shift);
}

void VerticalNeon(const uint32_t* ha, const uint32_t* hb, const VerticalWeights& w, uint32_t* out, int from,
                  int to) {
  const uint32x4_t rounding = vdupq_n_u32(w.half);
  const uint32x2_t multiplier = vdup_n_u32(w.divider->multiplier);
  const int32x4_t shift = vdupq_n_s32(-(w.divider->shift - 32));
  int j = from;
  for (; j + 4 <= to; j += 4) {
    auto pixel = [&](int at) {
      const uint32x4_t n = vmlaq_n_u32(vmlaq_n_u32(rounding, vld1q_u32(ha + 4 * std::ptrdiff_t(at)), w.upper),
                                       vld1q_u32(hb + 4 * std::ptrdiff_t(at)), w.lower);
      return vmovn_u32(DivideNeon(n, multiplier, shift));
    };
    // Every quotient is at most 255: the narrowing loses nothing.
    const uint8x8_t first = vmovn_u16(vcombine_u16(pixel(j), pixel(j + 1)));
    const uint8x8_t second = vmovn_u16(vcombine_u16(pixel(j + 2), pixel(j + 3)));
    vst1q_u8(reinterpret_cast<uint8_t*>(out + j), vcombine_u8(first, second));
    // The last group ends at `to`, making again what the one before made.
    if (j + 4 < to && j + 8 > to) j = to - 8;
  }
  VerticalPortable(ha, hb, w, out, j, to);
}

// Four columns at a time: three comparisons of four pixels, their lanes weighed 1, 2, 4 and 8 and added.
void SameColumnsNeon(const uint32_t* a, const uint32_t* b, int n, uint64_t* bits) {
  std::fill(bits, bits + SameColumnWords(n), 0);
  const uint32x4_t weights = {1, 2, 4, 8};
  // A word of bits is gathered in a register and stored whole.
  int c = 0;
  for (; c + 65 <= n; c += 64) {
    uint64_t word = 0;
    for (int k = 0; k < 64; k += 4) {
      const uint32x4_t a0 = vld1q_u32(a + c + k), b0 = vld1q_u32(b + c + k);
      const uint32x4_t same = vandq_u32(
          vandq_u32(vceqq_u32(a0, vld1q_u32(a + c + k + 1)), vceqq_u32(b0, vld1q_u32(b + c + k + 1))),
          vceqq_u32(a0, b0));
      word |= uint64_t{vaddvq_u32(vandq_u32(same, weights))} << k;
    }
    bits[c / 64] = word;
  }
  SameColumnsTail(a, b, c, n, bits);
}

// The blend with the bytes of a pixel side by side in 32-bit lanes; every product stays below 2^24.
uint32_t BlendNeon(const uint32_t* upper, const uint32_t* lower, uint32_t fx, uint32_t fy) {
  auto widen = [](uint32_t p) {
    return vmovl_u16(vget_low_u16(vmovl_u8(vreinterpret_u8_u32(vdup_n_u32(p)))));
  };
  const uint32x4_t top =
      vshrq_n_u32(vmlaq_n_u32(vmulq_n_u32(widen(upper[0]), 65536 - fx), widen(upper[1]), fx), 16);
  const uint32x4_t bottom =
      vshrq_n_u32(vmlaq_n_u32(vmulq_n_u32(widen(lower[0]), 65536 - fx), widen(lower[1]), fx), 16);
  const uint32x4_t value = vshrq_n_u32(vmlaq_n_u32(vmulq_n_u32(top, 65536 - fy), bottom, fy), 16);
  const uint8x8_t bytes = vmovn_u16(vcombine_u16(vmovn_u32(value), vdup_n_u16(0)));
  return vget_lane_u32(vreinterpret_u32_u8(bytes), 0) & kPixelColorMask;
}

void RotateNeon(const PixelRows& source, const PixelRows& rotated, const RotateSteps& steps, uint32_t fill) {
  RotateRowsWith(source, rotated, steps, fill, BlendNeon);
}

}  // namespace

const PixelKernels* NeonKernels() {
  static constexpr PixelKernels kernels{HorizontalNeon, VerticalNeon, SameColumnsNeon, RotateNeon};
  return &kernels;
}

}  // namespace kivu::detail

#else

namespace kivu::detail {
const PixelKernels* NeonKernels() {
  return nullptr;
}
}  // namespace kivu::detail

#endif
