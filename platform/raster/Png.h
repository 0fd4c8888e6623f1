// PNG files for snapshots and test images.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "platform/raster/Bitmap.h"

namespace kivu {

// Reads a PNG file of any colour type into a top-down bitmap. An alpha channel is dropped (the colour
// is kept, the spare byte is zero). Nothing when the file is missing or not a valid PNG.
std::optional<Bitmap> ReadPng(const std::string& path);
std::optional<Bitmap> ReadPngFromMemory(std::span<const unsigned char> bytes);

// Writes the bitmap as an 8-bit RGB PNG (the spare byte is not written). False on any failure.
bool WritePng(const Bitmap& bitmap, const std::string& path);

}  // namespace kivu
