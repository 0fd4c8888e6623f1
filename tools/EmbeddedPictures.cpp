#include "tools/EmbeddedPictures.h"

#include <span>

#include "platform/raster/Png.h"

namespace kivu {

std::optional<Bitmap> EmbeddedPictureBitmap(int id) {
  for (size_t i = 0; i < kEmbeddedPictureCount; ++i) {
    const EmbeddedPicture& picture = kEmbeddedPictures[i];
    if (picture.id == id) return ReadPngFromMemory(std::span<const unsigned char>(picture.png, picture.size));
  }
  return std::nullopt;
}

}  // namespace kivu
