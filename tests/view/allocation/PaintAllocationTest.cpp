// The dashboard's paint allocates nothing: counted with operator new replaced for this whole program.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <set>
#include <utility>

#include "trip/FixClock.h"
#include "trip/TripTestUtil.h"
#include "view/HeadlessWindow.h"
#include "view/KivuView.h"

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

void* Allocate(std::size_t size, std::size_t alignment = 0) {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
  if (size == 0) size = 1;
  void* p = alignment > alignof(std::max_align_t)
                ? std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
                : std::malloc(size);
  return p;
}
void* AllocateOrThrow(std::size_t size, std::size_t alignment = 0) {
  if (void* p = Allocate(size, alignment)) return p;
  throw std::bad_alloc();
}

// Out of line, so that the compiler does not see a new matched with free() once it inlines a delete.
[[gnu::noinline]] void Release(void* p) noexcept {
  std::free(p);
}

}  // namespace

void* operator new(std::size_t size) {
  return AllocateOrThrow(size);
}
void* operator new[](std::size_t size) {
  return AllocateOrThrow(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return AllocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return AllocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void operator delete(void* p) noexcept {
  Release(p);
}
void operator delete[](void* p) noexcept {
  Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
  Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  Release(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
  Release(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
  Release(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
  Release(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
  Release(p);
}

namespace kivu {
namespace {

// A drive for the dashboard: fixes that speed up, turn and climb, the advertisement stepping on,
// the readouts switched off and on, and at the end the GPS lost for a while.
class Drive {
 public:
  explicit Drive(Size size) : window(size), view(window, Settings(), clock) {
    clock.Set(1796644800);  // 2026-12-07 12:40 UTC
    view.SetReportGpsState(false);
    view.ComputeLayout(size.width, size.height);
  }
  static AppSettings Settings() {
    AppSettings settings;
    settings.adTexts = {kSponsorshipText, "Kivu: the car's own instruments"};
    return settings;
  }
  // Runs the drive; each paint's allocations are added up when `count` is set.
  long Run(bool count) {
    long total = 0;
    auto paint = [&] {
      const long before = allocations.load();
      counting = count;
      const Bitmap* image = view.PaintWindowImage();
      counting = false;
      EXPECT_NE(image, nullptr);
      total += allocations.load() - before;
    };
    for (int i = 0; i < 12; ++i) {
      GpsFix fix = test::MakeFix({.minute = 40,
                                  .second = i,
                                  .latitude = 48.0 + 0.0002 * i,
                                  .longitude = 11.0 + 0.0001 * i * i,
                                  .knots = 20.0f + 4.0f * static_cast<float>(i),
                                  .course = 10.0f * static_cast<float>(i * i % 37),
                                  .altitude = 500.0f + 3.0f * static_cast<float>(i * i)});
      clock.Set(1796644800 + i);
      view.OnGpsFix(fix);
      attitudes.insert({view.Stats().pitchInt, view.Stats().rollInt});
      if (i == 6) view.OnTimer(kAdTimer);
      if (i == 8) view.Settings().digitalReadout = 0;
      if (i == 9) view.Settings().digitalReadout = 1;
      paint();
      paint();  // a repaint with nothing changed
    }
    clock.Set(clock.Now() + 40);
    view.UpdateGpsState();  // the GPS state's flag over the attitude
    paint();
    return total;
  }

  HeadlessWindow window;
  FixClock clock;
  CKivuView view;
  std::set<std::pair<int, int>> attitudes;
};

TEST(PaintAllocations, APaintAtTheSizeOfTheLayoutAllocatesNothing) {
  const std::pair<Size, Size> sizes[] = {
      {{800, 480}, {580, 800}}, {{480, 800}, {900, 480}}, {{1920, 1080}, {1180, 1920}}};
  // A first drive at each size renders the glyphs of every figure and text, and fills the pool of
  // drawing contexts and the font cache, all of which live for the whole program.
  for (const auto& [size, other] : sizes) {
    Drive(size).Run(false);
    Drive(other).Run(false);
  }
  for (const auto& [size, other] : sizes) {
    // A second view has all its bitmaps made by its layout: from its very first paint on, nothing is
    // allocated.
    Drive drive(size);
    EXPECT_EQ(drive.Run(true), 0) << size.width << "x" << size.height;
    EXPECT_NE(drive.view.TheGpsState(), GpsState::Fix);  // the flag was shown
    // The attitude moved, so the ball was drawn and turned anew in counted paints.
    EXPECT_GE(drive.attitudes.size(), 3u);

    // Another size: the new layout makes new bitmaps, and its paints allocate nothing again.
    drive.window.client = other;
    drive.view.ComputeLayout(other.width, other.height);
    EXPECT_EQ(drive.Run(true), 0) << other.width << "x" << other.height;
  }
  // The replacement does count: a paint into a bitmap of another size than the layout's allocates.
  Drive drive({800, 480});
  drive.window.client = Size{640, 480};
  const long before = allocations.load();
  counting = true;
  drive.view.PaintWindowImage();
  counting = false;
  EXPECT_GT(allocations.load(), before);
}

}  // namespace
}  // namespace kivu
