// Speed of the dashboard's pixel work: the canvas scaled to common screens, the attitude ball rotated,
// a tape's worth of labels drawn.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>

#include "platform/raster/Surface.h"
#include "view/Bilinear.h"
#include "view/Dib.h"

namespace {

using namespace kivu;

void FillRandom(CDib& dib) {
  std::mt19937 random(1);
  for (int y = 0; y < dib.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(dib.bits + y * dib.stride);
    for (int x = 0; x < dib.width; ++x)
      row[x] = uint32_t(random());
  }
}

void Scale(benchmark::State& state, detail::ScaleKernel kernel) {
  CDib canvas, screen;
  canvas.Create(572, 384);
  FillRandom(canvas);
  screen.Create(int(state.range(0)), int(state.range(1)));
  // Kept from one scale to the next, as the paint keeps it.
  BilinearScaler scaler;
  for (auto _ : state) {
    scaler.Scale(screen, canvas, kernel);
    benchmark::DoNotOptimize(screen.bits);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}

void BM_ScaleBilinear(benchmark::State& state) {
  Scale(state, detail::ScaleKernel::Best);
}
void BM_ScaleBilinearPortable(benchmark::State& state) {
  Scale(state, detail::ScaleKernel::Portable);
}
void BM_ScaleBilinearPlain(benchmark::State& state) {
  Scale(state, detail::ScaleKernel::Plain);
}
BENCHMARK(BM_ScaleBilinear)->Args({800, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaleBilinearPortable)->Args({800, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaleBilinearPlain)->Args({800, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

void BM_RotateBilinear(benchmark::State& state) {
  CDib ball;
  ball.Create(290, 290);
  FillRandom(ball);
  for (auto _ : state) {
    std::unique_ptr<CDib> rotated;
    RotateBilinear(ball, double(state.range(0)), Color{}, rotated);
    benchmark::DoNotOptimize(rotated);
  }
}
BENCHMARK(BM_RotateBilinear)->Arg(17)->Unit(benchmark::kMillisecond);

// One hundred short labels in the default font, as the tapes draw them: centred in 12-pixel bands.
void BM_DrawLabels(benchmark::State& state) {
  std::optional<Bitmap> canvas = Bitmap::Create(572, 384);
  Surface surface(*canvas);
  surface.SetTextColor(Color{255, 255, 255});
  surface.SetBackgroundMode(BackgroundMode::Transparent);
  char labels[100][8];
  for (int i = 0; i < 100; ++i)
    std::snprintf(labels[i], sizeof labels[i], "%.3d", (i - 50) * 10);
  for (auto _ : state) {
    for (int i = 0; i < 100; ++i) {
      const int x = (i % 10) * 57, y = (i / 10) * 38;
      surface.DrawText(labels[i], Rect{x, y, x + 32, y + 12}, DT_CENTER);
    }
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DrawLabels)->Unit(benchmark::kMicrosecond);

}  // namespace
