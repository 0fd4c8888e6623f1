#include "tools/SmoothScale.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/raster/Bilinear.h"
#include "platform/raster/PixelRows.h"

namespace kivu {

namespace {

// How much of each source pixel along a side of from pixels falls in each of to target pixels, in
// 1/to of a source pixel: target t covers [t from, (t + 1) from) and source s [s to, (s + 1) to) in
// those units, so that a target's weights add up to from.
struct Span {
  int first = 0;
  std::vector<uint32_t> weights;
};
std::vector<Span> Coverage(int from, int to) {
  std::vector<Span> spans(to);
  for (int t = 0; t < to; ++t) {
    const int64_t begin = int64_t{t} * from, end = int64_t{t + 1} * from;
    spans[t].first = static_cast<int>(begin / to);
    for (int64_t s = spans[t].first; s < from && s * to < end; ++s)
      spans[t].weights.push_back(
          static_cast<uint32_t>(std::min(end, (s + 1) * to) - std::max(begin, s * to)));
  }
  return spans;
}

// Every target pixel the average of the source's area under it, each byte rounded to nearest: what
// a scale down must do not to alias, whatever its factor.
void AverageAreas(const Bitmap& source, Bitmap& target) {
  const std::vector<Span> across = Coverage(source.Width(), target.Width());
  const std::vector<Span> down = Coverage(source.Height(), target.Height());
  const uint64_t whole = uint64_t(source.Width()) * uint64_t(source.Height());
  std::vector<uint64_t> sums(size_t(target.Width()) * 3);
  for (int y = 0; y < target.Height(); ++y) {
    std::fill(sums.begin(), sums.end(), 0);
    for (size_t j = 0; j < down[y].weights.size(); ++j) {
      const uint32_t* row = source.Row(down[y].first + static_cast<int>(j));
      const uint64_t rowWeight = down[y].weights[j];
      for (int x = 0; x < target.Width(); ++x) {
        for (size_t i = 0; i < across[x].weights.size(); ++i) {
          const uint32_t pixel = row[across[x].first + static_cast<int>(i)];
          const uint64_t weight = rowWeight * across[x].weights[i];
          for (int c = 0; c < 3; ++c)
            sums[size_t(x) * 3 + c] += weight * ((pixel >> (8 * c)) & 0xFF);
        }
      }
    }
    uint32_t* to = target.Row(y);
    for (int x = 0; x < target.Width(); ++x) {
      uint32_t pixel = 0;
      for (int c = 0; c < 3; ++c)
        pixel |= uint32_t((sums[size_t(x) * 3 + c] + whole / 2) / whole) << (8 * c);
      to[x] = pixel;
    }
  }
}

}  // namespace

const Bitmap* DrawingFor(const std::vector<Bitmap>& drawings, Size size) {
  const Bitmap* best = nullptr;
  for (const Bitmap& drawing : drawings) {
    if (drawing.Width() == size.width && drawing.Height() == size.height) return &drawing;
    const bool largeEnough = drawing.Width() >= size.width && drawing.Height() >= size.height;
    const bool bestLargeEnough = best && best->Width() >= size.width && best->Height() >= size.height;
    const int64_t area = int64_t{drawing.Width()} * drawing.Height();
    const int64_t bestArea = best ? int64_t{best->Width()} * best->Height() : 0;
    // Among drawings large enough the smallest; until one is found, the largest.
    if (!best || (largeEnough && (!bestLargeEnough || area < bestArea)) ||
        (!largeEnough && !bestLargeEnough && area > bestArea))
      best = &drawing;
  }
  return best;
}

std::optional<Bitmap> ScaleSmoothly(const Bitmap& source, Size size) {
  if (size.width < 2 || size.height < 2 || source.Width() < 1 || source.Height() < 1) return std::nullopt;
  std::optional<Bitmap> scaled = Bitmap::CreateForOverwrite(size.width, size.height);
  if (!scaled) return std::nullopt;
  if (size.width <= source.Width() || size.height <= source.Height()) {
    AverageAreas(source, *scaled);
    return scaled;
  }
  // Larger every way: each pixel blended from its four nearest in the source.
  Bitmap& readable = const_cast<Bitmap&>(source);  // only read, whatever PixelRows' pointer says
  if (ScaleBilinear(PixelRows::Of(*scaled), PixelRows::Of(readable)) != 0) return std::nullopt;
  return scaled;
}

}  // namespace kivu
