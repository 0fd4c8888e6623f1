// Pictures of res/ built into a program that has no resource system (kivu-replay).
#pragma once

#include <cstddef>
#include <optional>

#include "platform/raster/Bitmap.h"

namespace kivu {

struct EmbeddedPicture {
  int id;
  const unsigned char* png;
  size_t size;
};

extern const EmbeddedPicture kEmbeddedPictures[];
extern const size_t kEmbeddedPictureCount;

// The picture numbered id as a bitmap; nothing when the program does not carry it.
std::optional<Bitmap> EmbeddedPictureBitmap(int id);

}  // namespace kivu
