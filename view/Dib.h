// CDib: a 32-bit image whose rows Kivu addresses directly, with a drawing surface borrowed from a
// process-wide pool of four memory contexts.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/raster/Bitmap.h"
#include "platform/raster/PixelRows.h"
#include "platform/raster/Surface.h"

namespace kivu {

// Compression values of a bitmap header.
constexpr int BI_RGB = 0;
constexpr int BI_BITFIELDS = 3;

// How ReadLayout takes the row order: from the bitmap's own header, or as the caller says.
enum class DibOrientation { FromHeader, TopDown, BottomUp };

class CDib {
 public:
  CDib() = default;
  virtual ~CDib();
  CDib(const CDib&) = delete;
  CDib& operator=(const CDib&) = delete;

  // A bitmap of width x |height| (rows top-down when height is negative, else bottom-up), zeroed.
  // Kivu's bitmaps have 32 bits per pixel: other depths, and bit-field masks other than red 0xFF0000,
  // green 0xFF00, blue 0xFF, are refused. Returns 1 on success, 0 on failure (the object stays empty).
  // An object that already held a bitmap lets it go first.
  int Create(int width, int height, int bitsPerPixel = 32, int compression = BI_RGB,
             const uint32_t* masks = nullptr);
  // A 32-bit image like Create's whose pixels start undefined: for one the caller paints whole.
  int CreateForOverwrite(int width, int height);
  // Fills the layout fields from the bitmap.
  void ReadLayout(DibOrientation orientation);
  // The memory context with the bitmap selected; nested calls return the same one. Null when empty.
  Surface* GetDC();
  // Ends one GetDC; the last one hands the context back to the pool. Unbalanced calls do nothing.
  void ReleaseDC();
  // Stretches the source rectangle of the bitmap onto the target rectangle of a surface.
  bool Draw(Surface& target, const Rect& targetRect, const Rect& sourceRect, RasterOp op);
  // Lets the bitmap go and clears the layout; a context still held is handed back first.
  void Destroy();

  // The layout.
  std::unique_ptr<Bitmap> bitmap;  // null when empty
  uint8_t* bits = nullptr;         // the first byte of the TOP row, whatever the row order in memory
  int width = 0;
  int height = 0;        // always positive
  int stride = 0;        // bytes from a row to the row below: negative for bottom-up memory
  int bitsPerPixel = 0;  // 32
  Surface* memoryDC = nullptr;
  int dcUseCount = 0;
  Bitmap* previousBitmap = nullptr;  // what the memory context held before

  // The pool as tests and diagnostics see it: slot i (0 to 3), how many contexts were made and deleted.
  static constexpr int kPoolSize = 4;
  static Surface* PoolSlot(int i);
  static long ContextsCreated();
  static long ContextsDeleted();
  // Deletes every pooled context (at exit, and for tests that need a known pool).
  static void EmptyPool();

 private:
  int Make(int width, int height, bool zeroed);
};

// The rows of a CDib (none when it is empty), for the raster layer's pixel kernels.
inline PixelRows RowsOf(const CDib& dib) {
  return PixelRows(dib.bits, dib.width, dib.height, dib.stride);
}

}  // namespace kivu
