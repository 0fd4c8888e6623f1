#include "view/Dib.h"

#include <atomic>
#include <climits>

namespace kivu {
namespace {

// Slots are taken and filled by atomic exchange, so the pool needs no lock and never hands one
// context out twice.
std::atomic<Surface*> pool[CDib::kPoolSize];
std::atomic<long> created{0};
std::atomic<long> deleted{0};

void DeleteContext(Surface* context) {
  delete context;
  deleted.fetch_add(1);
}

struct PoolReaper {
  ~PoolReaper() { CDib::EmptyPool(); }
} reaper;

}  // namespace

CDib::~CDib() {
  Destroy();
}

int CDib::Create(int w, int h, int bpp, int compression, const uint32_t* masks) {
  Destroy();
  if (bpp != 32) return 0;
  if (compression == BI_BITFIELDS) {
    if (!masks || masks[0] != 0x00FF0000 || masks[1] != 0x0000FF00 || masks[2] != 0x000000FF) return 0;
  } else if (compression != BI_RGB) {
    return 0;
  }
  return Make(w, h, true);
}

int CDib::CreateForOverwrite(int w, int h) {
  Destroy();
  return Make(w, h, false);
}

int CDib::Make(int w, int h, bool zeroed) {
  if (w <= 0 || h == 0 || h == INT_MIN) return 0;
  const bool topDown = h < 0;
  const int rows = topDown ? -h : h;
  const RowOrder order = topDown ? RowOrder::TopDown : RowOrder::BottomUp;
  std::optional<Bitmap> made =
      zeroed ? Bitmap::Create(w, rows, order) : Bitmap::CreateForOverwrite(w, rows, order);
  if (!made) return 0;
  bitmap = std::make_unique<Bitmap>(std::move(*made));
  ReadLayout(topDown ? DibOrientation::TopDown : DibOrientation::BottomUp);
  return 1;
}

void CDib::ReadLayout(DibOrientation orientation) {
  if (!bitmap) return;
  width = bitmap->Width();
  height = bitmap->Height();
  bitsPerPixel = 32;
  const int rowSize = ((bitsPerPixel * width + 31) / 32) * 4;
  const bool bottomUp = orientation == DibOrientation::BottomUp ||
                        (orientation == DibOrientation::FromHeader && bitmap->Order() == RowOrder::BottomUp);
  bits = bitmap->Memory();
  stride = rowSize;
  if (bottomUp) {
    bits += std::ptrdiff_t(height - 1) * rowSize;
    stride = -rowSize;
  }
}

Surface* CDib::GetDC() {
  if (!bitmap) return nullptr;
  ++dcUseCount;
  if (!memoryDC) {
    for (auto& slot : pool) {
      memoryDC = slot.exchange(nullptr);
      if (memoryDC) break;
    }
    if (!memoryDC) {
      memoryDC = new Surface();
      created.fetch_add(1);
    }
    previousBitmap = memoryDC->SelectBitmap(bitmap.get());
  }
  return memoryDC;
}

void CDib::ReleaseDC() {
  if (dcUseCount <= 0 || !memoryDC) return;
  if (--dcUseCount > 0) return;
  memoryDC->SelectBitmap(previousBitmap);
  // The next user gets a context as fresh as a new one.
  memoryDC->ResetState();
  previousBitmap = nullptr;
  // Into slot 0; what comes out goes into slot 1, and so on until a slot was empty. What comes out of
  // the last slot is one context too many.
  Surface* returning = std::exchange(memoryDC, nullptr);
  for (auto& slot : pool) {
    returning = slot.exchange(returning);
    if (!returning) return;
  }
  DeleteContext(returning);
}

bool CDib::Draw(Surface& target, const Rect& targetRect, const Rect& sourceRect, RasterOp op) {
  Surface* context = GetDC();
  if (!context) return false;
  target.StretchBlit(targetRect, *context->SelectedBitmap(), sourceRect, op);
  ReleaseDC();
  return !targetRect.IsEmpty() && !sourceRect.IsEmpty();
}

void CDib::Destroy() {
  if (memoryDC) {
    dcUseCount = 1;
    ReleaseDC();
  }
  dcUseCount = 0;
  if (bitmap) {
    bitmap.reset();
    bits = nullptr;
    width = height = stride = bitsPerPixel = 0;
  }
}

Surface* CDib::PoolSlot(int i) {
  return i >= 0 && i < kPoolSize ? pool[i].load() : nullptr;
}
long CDib::ContextsCreated() {
  return created.load();
}
long CDib::ContextsDeleted() {
  return deleted.load();
}

void CDib::EmptyPool() {
  for (auto& slot : pool) {
    if (Surface* context = slot.exchange(nullptr)) DeleteContext(context);
  }
}

}  // namespace kivu
