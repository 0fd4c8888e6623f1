#include "platform/raster/Png.h"

#include <png.h>

#include <cstring>
#include <vector>

namespace kivu {
namespace {

std::optional<Bitmap> FinishRead(png_image& image) {
  image.format = PNG_FORMAT_BGRA;
  if (image.width == 0 || image.height == 0 || image.width > 1u << 20 || image.height > 1u << 20) {
    png_image_free(&image);
    return std::nullopt;
  }
  std::optional<Bitmap> bitmap = Bitmap::Create(int(image.width), int(image.height));
  if (!bitmap) {
    png_image_free(&image);
    return std::nullopt;
  }
  // Rows top-down, 4 bytes a pixel in blue, green, red, alpha order: the bitmap's own layout.
  if (!png_image_finish_read(&image, nullptr, bitmap->Row(0), png_int_32(bitmap->Stride()), nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  for (int y = 0; y < bitmap->Height(); ++y) {
    uint32_t* row = bitmap->Row(y);
    for (int x = 0; x < bitmap->Width(); ++x)
      row[x] &= kPixelColorMask;
  }
  return bitmap;
}

}  // namespace

std::optional<Bitmap> ReadPng(const std::string& path) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    png_image_free(&image);
    return std::nullopt;
  }
  return FinishRead(image);
}

std::optional<Bitmap> ReadPngFromMemory(std::span<const unsigned char> bytes) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (bytes.empty() || !png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
    png_image_free(&image);
    return std::nullopt;
  }
  return FinishRead(image);
}

bool WritePng(const Bitmap& bitmap, const std::string& path) {
  if (bitmap.Width() <= 0 || bitmap.Height() <= 0) return false;
  std::vector<unsigned char> rgb(size_t(bitmap.Width()) * size_t(bitmap.Height()) * 3);
  unsigned char* out = rgb.data();
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint32_t* row = bitmap.Row(y);
    for (int x = 0; x < bitmap.Width(); ++x) {
      *out++ = static_cast<unsigned char>(row[x] >> 16);
      *out++ = static_cast<unsigned char>(row[x] >> 8);
      *out++ = static_cast<unsigned char>(row[x]);
    }
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(bitmap.Width());
  image.height = png_uint_32(bitmap.Height());
  image.format = PNG_FORMAT_RGB;
  const bool ok = png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return ok;
}

}  // namespace kivu
