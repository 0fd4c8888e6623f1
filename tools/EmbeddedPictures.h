// Pictures of res/ built into a program that has no resource system (kivu-replay).
#pragma once

#include <cstddef>
#include <vector>

#include "platform/raster/Bitmap.h"

namespace kivu {

struct EmbeddedPicture {
  int id;
  const unsigned char* png;
  size_t size;
};

extern const EmbeddedPicture kEmbeddedPictures[];
extern const size_t kEmbeddedPictureCount;

// Every drawing the program carries of the picture numbered id, as bitmaps: none when it carries none.
std::vector<Bitmap> EmbeddedPictureDrawings(int id);

}  // namespace kivu
