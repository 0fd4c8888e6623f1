#include "tools/EmbeddedPictures.h"

#include <optional>
#include <span>

#include "platform/raster/Png.h"

namespace kivu {

std::vector<Bitmap> EmbeddedPictureDrawings(int id) {
  std::vector<Bitmap> drawings;
  for (size_t i = 0; i < kEmbeddedPictureCount; ++i) {
    const EmbeddedPicture& picture = kEmbeddedPictures[i];
    if (picture.id != id) continue;
    std::optional<Bitmap> drawing =
        ReadPngFromMemory(std::span<const unsigned char>(picture.png, picture.size));
    if (drawing) drawings.push_back(std::move(*drawing));
  }
  return drawings;
}

}  // namespace kivu
