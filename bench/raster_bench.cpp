// Speed of the dashboard's pixel work on each kernel path: the canvas scaled to common screens, the
// attitude ball rotated, a tape's worth of labels drawn.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>

#include "platform/raster/Bilinear.h"
#include "platform/raster/Png.h"
#include "platform/raster/Surface.h"

namespace {

using namespace kivu;

// Noise (no two neighbours alike: the kernels' worst case) or a dashboard's kind of picture: large
// areas of one colour with lines and text between them.
void Fill(Bitmap& image, bool blocky) {
  std::mt19937 random(1);
  for (int y = 0; y < image.Height(); ++y) {
    for (int x = 0; x < image.Width(); ++x) {
      uint32_t pixel = uint32_t(random());
      if (blocky) pixel = (x / 60 + y / 40) % 2 ? 0x00B4B4B4 : 0x00303730;
      if (blocky && (x % 50 == 0 || random() % 40 == 0)) pixel = 0x00FFFFFF;
      image.SetPixelAt(x, y, pixel);
    }
  }
}

PixelKernel KernelOf(const benchmark::State& state) {
  return static_cast<PixelKernel>(state.range(0));
}

bool Runnable(benchmark::State& state) {
  if (HasPixelKernel(KernelOf(state))) return true;
  state.SkipWithError("this processor lacks the kernel");
  return false;
}

// A 572 x 384 canvas to a screen of range(1) x range(2) through one kernel path (range(0)), the
// scaler kept from one scale to the next as the paint keeps it.
void Scale(benchmark::State& state, Bitmap& canvas) {
  std::optional<Bitmap> screen = Bitmap::Create(int(state.range(1)), int(state.range(2)));
  BilinearScaler scaler;
  for (auto _ : state) {
    scaler.Scale(PixelRows::Of(*screen), PixelRows::Of(canvas), KernelOf(state));
    benchmark::DoNotOptimize(screen->Row(0));
  }
  state.SetLabel(PixelKernelName(KernelOf(state)));
  state.SetItemsProcessed(state.iterations() * state.range(1) * state.range(2));
}
void ScaleFilled(benchmark::State& state, bool blocky) {
  if (!Runnable(state)) return;
  std::optional<Bitmap> canvas = Bitmap::Create(572, 384);
  Fill(*canvas, blocky);
  Scale(state, *canvas);
}
void BM_ScaleNoise(benchmark::State& state) {
  ScaleFilled(state, false);
}
void BM_ScaleBlocks(benchmark::State& state) {
  ScaleFilled(state, true);
}

// A picture of the dashboard (the README's, brought to the canvas's size pixel by pixel, so that its
// areas of one colour stay so) scaled to the screen.
void BM_ScaleDashboard(benchmark::State& state) {
  if (!Runnable(state)) return;
  std::optional<Bitmap> picture = ReadPng(KIVU_SOURCE_DIR "/docs/dashboard-800x480.png");
  std::optional<Bitmap> canvas = Bitmap::Create(572, 384);
  if (!picture) {
    state.SkipWithError("no docs/dashboard-800x480.png");
    return;
  }
  Surface(*canvas).StretchBlit(canvas->Bounds(), *picture, picture->Bounds());
  Scale(state, *canvas);
}

void KernelsAndScreens(benchmark::internal::Benchmark* b) {
  for (PixelKernel k : {PixelKernel::Portable, PixelKernel::Sse41, PixelKernel::Avx2, PixelKernel::Neon}) {
    if (!HasPixelKernel(k)) continue;
    b->Args({int64_t(k), 800, 480});
    b->Args({int64_t(k), 1920, 1080});
  }
}
BENCHMARK(BM_ScaleNoise)->Apply(KernelsAndScreens)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaleBlocks)->Apply(KernelsAndScreens)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaleDashboard)->Apply(KernelsAndScreens)->Unit(benchmark::kMillisecond);

// The attitude ball's turn: the centre of a 290 x 290 image rotated by 17 degrees, straight into an
// image of its size, as the paint does it; noise and a ball's kind of picture.
void Rotate(benchmark::State& state, bool blocky) {
  if (!Runnable(state)) return;
  std::optional<Bitmap> ball = Bitmap::Create(290, 290), turned = Bitmap::Create(290, 290);
  Fill(*ball, blocky);
  for (auto _ : state) {
    RotateBilinearCentre(PixelRows::Of(*ball), 17.0, Color{}, PixelRows::Of(*turned), KernelOf(state));
    benchmark::DoNotOptimize(turned->Row(0));
  }
  state.SetLabel(PixelKernelName(KernelOf(state)));
}
void BM_RotateNoise(benchmark::State& state) {
  Rotate(state, false);
}
void BM_RotateBall(benchmark::State& state) {
  Rotate(state, true);
}
void Kernels(benchmark::internal::Benchmark* b) {
  for (PixelKernel k : {PixelKernel::Portable, PixelKernel::Sse41, PixelKernel::Avx2, PixelKernel::Neon}) {
    if (HasPixelKernel(k)) b->Arg(int64_t(k));
  }
}
BENCHMARK(BM_RotateNoise)->Apply(Kernels)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RotateBall)->Apply(Kernels)->Unit(benchmark::kMicrosecond);

// One hundred short labels in the default font, as the tapes draw them: centred in 12-pixel bands;
// with the argument 1, anti-aliased.
void BM_DrawLabels(benchmark::State& state) {
  std::optional<Bitmap> canvas = Bitmap::Create(572, 384);
  Surface surface(*canvas);
  FontRecord record = DefaultFontRecord();
  record.antialiased = state.range(0) != 0;
  surface.SelectFont(Font::Create(record));
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
BENCHMARK(BM_DrawLabels)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The tapes' tick marks and the attitude ball's horizon at a large window's scale: one hundred lines,
// short and long, level and sloped, with a pen one pixel wide or, with the argument 3, three.
void BM_DrawLines(benchmark::State& state) {
  std::optional<Bitmap> canvas = Bitmap::Create(1716, 1152);
  Surface surface(*canvas);
  surface.SelectPen(Pen::Solid(Color{255, 255, 255}, int(state.range(0))));
  for (auto _ : state) {
    for (int i = 0; i < 100; ++i) {
      const int y = 10 + i * 11;
      surface.DrawLine({20, y}, {i % 2 ? 80 : 50, y});
      surface.DrawLine({300, 100 + i * 4}, {1400, 1100 - i * 7});
    }
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DrawLines)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);

}  // namespace
