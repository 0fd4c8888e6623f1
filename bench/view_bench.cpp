// The whole dashboard paint at common screen sizes.
#include <benchmark/benchmark.h>

#include <optional>

#include "gps/NmeaParser.h"
#include "platform/raster/Bitmap.h"
#include "view/HeadlessWindow.h"
#include "view/KivuView.h"

namespace {

using namespace kivu;

void BM_OnDraw(benchmark::State& state) {
  const Size size{static_cast<int>(state.range(0)), static_cast<int>(state.range(1))};
  HeadlessWindow window(size);
  AppSettings settings;
  settings.adTexts = {kSponsorshipText};
  CKivuView view(window, settings);
  view.ComputeLayout(size.width, size.height);
  // A dashboard in motion: two fixes of a car doing 60 knots in a gentle turn.
  GpsFix fix{};
  ParseNmeaBlock(fix, "$GPRMC,120000,A,4807.038,N,01131.000,E,060.0,084.4,230394,003.1,W*66\n");
  view.OnGpsFix(fix);
  ParseNmeaBlock(fix, "$GPRMC,120001,A,4807.068,N,01131.050,E,060.0,087.4,230394,003.1,W*64\n");
  view.OnGpsFix(fix);
  if (!view.StatsStarted()) state.SkipWithError("the fixes were not taken");
  std::optional<Bitmap> bitmap = Bitmap::Create(size.width, size.height);
  Surface surface(*bitmap);
  for (auto _ : state) {
    view.OnDraw(surface);
    benchmark::DoNotOptimize(bitmap->Row(0));
  }
}
BENCHMARK(BM_OnDraw)->Args({800, 480})->Args({1024, 600})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

}  // namespace
