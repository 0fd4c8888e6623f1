// CDib: layout of the rows, and the pool of four memory contexts.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "view/Dib.h"

namespace kivu {
namespace {

TEST(DibLayout, CreateDescribesTopDownAndBottomUpRows) {
  CDib topDown, bottomUp;
  ASSERT_EQ(topDown.Create(5, -3), 1);
  ASSERT_EQ(bottomUp.Create(5, 3, 32, BI_RGB), 1);
  EXPECT_EQ(topDown.width, 5);
  EXPECT_EQ(topDown.height, 3);
  EXPECT_EQ(topDown.bitsPerPixel, 32);
  EXPECT_EQ(topDown.stride, 20);
  EXPECT_EQ(topDown.bits, topDown.bitmap->Memory());
  EXPECT_EQ(bottomUp.height, 3);
  EXPECT_EQ(bottomUp.stride, -20);
  EXPECT_EQ(bottomUp.bits, bottomUp.bitmap->Memory() + 40);
  // Writing through bits at row 1 reaches the second row from the top in both.
  for (CDib* dib : {&topDown, &bottomUp}) {
    reinterpret_cast<uint32_t*>(dib->bits + dib->stride)[2] = 0x00ABCDEF;
    EXPECT_EQ(dib->bitmap->PixelAt(2, 1), 0x00ABCDEFu);
    EXPECT_EQ(dib->bitmap->PixelAt(2, 0), 0u);
  }
}

TEST(DibLayout, CreateRefusesWhatItCannotHoldAndLeavesTheObjectEmpty) {
  CDib dib;
  EXPECT_EQ(dib.Create(4, 4, 8), 0);
  EXPECT_EQ(dib.Create(4, 4, 24), 0);
  EXPECT_EQ(dib.Create(0, 4), 0);
  EXPECT_EQ(dib.Create(4, 0), 0);
  EXPECT_EQ(dib.Create(4, 4, 32, 1), 0);
  const uint32_t swapped[3] = {0xFF, 0xFF00, 0xFF0000};
  EXPECT_EQ(dib.Create(4, 4, 32, BI_BITFIELDS, swapped), 0);
  EXPECT_EQ(dib.Create(4, 4, 32, BI_BITFIELDS, nullptr), 0);
  EXPECT_EQ(dib.bits, nullptr);
  EXPECT_EQ(dib.width, 0);
  EXPECT_EQ(dib.GetDC(), nullptr);
  const uint32_t masks[3] = {0xFF0000, 0xFF00, 0xFF};
  EXPECT_EQ(dib.Create(4, 4, 32, BI_BITFIELDS, masks), 1);
}

TEST(DibLayout, ReadLayoutTakesTheOrientationItIsGiven) {
  CDib dib;
  ASSERT_EQ(dib.Create(2, 4), 1);  // bottom-up memory
  dib.ReadLayout(DibOrientation::TopDown);
  EXPECT_EQ(dib.bits, dib.bitmap->Memory());
  EXPECT_EQ(dib.stride, 8);
  dib.ReadLayout(DibOrientation::FromHeader);
  EXPECT_EQ(dib.bits, dib.bitmap->Memory() + 24);
  EXPECT_EQ(dib.stride, -8);
}

TEST(DibLayout, DestroyClearsTheLayout) {
  CDib dib;
  ASSERT_EQ(dib.Create(3, 3), 1);
  dib.Destroy();
  EXPECT_EQ(dib.bitmap, nullptr);
  EXPECT_EQ(dib.bits, nullptr);
  EXPECT_EQ(dib.width + dib.height + dib.stride + dib.bitsPerPixel, 0);
  dib.Destroy();
}

class DibPool : public ::testing::Test {
 protected:
  void SetUp() override { CDib::EmptyPool(); }
  void TearDown() override { CDib::EmptyPool(); }
};

TEST_F(DibPool, NestedGetDCSharesOneContextUntilTheLastRelease) {
  CDib dib;
  ASSERT_EQ(dib.Create(2, 2), 1);
  Surface* first = dib.GetDC();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->SelectedBitmap(), dib.bitmap.get());
  EXPECT_EQ(dib.GetDC(), first);
  EXPECT_EQ(dib.dcUseCount, 2);
  dib.ReleaseDC();
  EXPECT_EQ(dib.memoryDC, first);
  EXPECT_EQ(CDib::PoolSlot(0), nullptr);
  dib.ReleaseDC();
  EXPECT_EQ(dib.memoryDC, nullptr);
  EXPECT_EQ(CDib::PoolSlot(0), first);
  EXPECT_EQ(first->SelectedBitmap(), nullptr);  // the previous selection is back
  dib.ReleaseDC();                              // one too many: nothing happens
  EXPECT_EQ(dib.dcUseCount, 0);
  EXPECT_EQ(CDib::PoolSlot(1), nullptr);
}

TEST_F(DibPool, FiveReleasedContextsKeepTheLastFourAndDeleteTheFirst) {
  const long createdBefore = CDib::ContextsCreated(), deletedBefore = CDib::ContextsDeleted();
  CDib dibs[5];
  Surface* contexts[5];
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(dibs[i].Create(1, 1), 1);
    contexts[i] = dibs[i].GetDC();
  }
  EXPECT_EQ(CDib::ContextsCreated() - createdBefore, 5);
  for (int i = 0; i < 5; ++i)
    dibs[i].ReleaseDC();
  EXPECT_EQ(CDib::PoolSlot(0), contexts[4]);
  EXPECT_EQ(CDib::PoolSlot(1), contexts[3]);
  EXPECT_EQ(CDib::PoolSlot(2), contexts[2]);
  EXPECT_EQ(CDib::PoolSlot(3), contexts[1]);
  EXPECT_EQ(CDib::ContextsDeleted() - deletedBefore, 1);
}

TEST_F(DibPool, GetDCTakesTheFirstPooledContextBeforeMakingOne) {
  CDib a, b, c;
  ASSERT_TRUE(a.Create(1, 1) && b.Create(1, 1) && c.Create(1, 1));
  Surface* ca = a.GetDC();
  Surface* cb = b.GetDC();
  b.ReleaseDC();
  a.ReleaseDC();  // pool: ca, cb
  const long createdBefore = CDib::ContextsCreated();
  EXPECT_EQ(c.GetDC(), ca);
  EXPECT_EQ(CDib::PoolSlot(0), nullptr);
  EXPECT_EQ(b.GetDC(), cb);
  EXPECT_NE(a.GetDC(), nullptr);
  EXPECT_EQ(CDib::ContextsCreated() - createdBefore, 1);
  a.ReleaseDC(), b.ReleaseDC(), c.ReleaseDC();
}

TEST_F(DibPool, APooledContextComesBackWithAFreshState) {
  CDib a, b;
  ASSERT_TRUE(a.Create(1, 1) && b.Create(1, 1));
  Surface* context = a.GetDC();
  context->SelectPen(Pen::Solid(Color{255, 255, 0}));
  context->SetTextColor(Color{0, 255, 0});
  a.ReleaseDC();
  ASSERT_EQ(b.GetDC(), context);
  EXPECT_EQ(context->CurrentPen(), Pen::Solid(Color{0, 0, 0}));
  EXPECT_EQ(context->TextColor(), (Color{0, 0, 0}));
  b.ReleaseDC();
}

TEST_F(DibPool, DestroyingAnImageInUseHandsItsContextBack) {
  CDib dib;
  ASSERT_EQ(dib.Create(2, 2), 1);
  Surface* context = dib.GetDC();
  dib.GetDC();
  dib.Destroy();
  EXPECT_EQ(dib.memoryDC, nullptr);
  EXPECT_EQ(CDib::PoolSlot(0), context);
  EXPECT_EQ(context->SelectedBitmap(), nullptr);
  context->FillRect(Rect{0, 0, 2, 2}, Color{1, 1, 1});  // draws nothing, touches no freed memory
}

TEST_F(DibPool, DrawStretchesThroughAPooledContext) {
  CDib dib;
  ASSERT_EQ(dib.Create(2, 1), 1);
  dib.bitmap->SetPixelAt(0, 0, 0x112233);
  dib.bitmap->SetPixelAt(1, 0, 0x445566);
  std::optional<Bitmap> target = Bitmap::Create(4, 2);
  Surface surface(*target);
  EXPECT_TRUE(dib.Draw(surface, Rect{0, 0, 4, 2}, Rect{0, 0, 2, 1}, RasterOp::SrcCopy));
  EXPECT_EQ(target->PixelAt(1, 1), 0x112233u);
  EXPECT_EQ(target->PixelAt(2, 0), 0x445566u);
  EXPECT_NE(CDib::PoolSlot(0), nullptr);
  EXPECT_EQ(dib.dcUseCount, 0);
  EXPECT_TRUE(dib.Draw(surface, Rect{0, 0, 4, 2}, Rect{0, 0, 2, 1}, RasterOp::SrcAnd));
  EXPECT_EQ(target->PixelAt(1, 1), 0x112233u);
  EXPECT_FALSE(dib.Draw(surface, Rect{0, 0, 0, 2}, Rect{0, 0, 2, 1}, RasterOp::SrcCopy));
}

TEST_F(DibPool, ThreadsTakingAndReturningContextsNeverShareOne) {
  // A context handed out twice would show another thread's bitmap while this one holds it.
  const long createdBefore = CDib::ContextsCreated(), deletedBefore = CDib::ContextsDeleted();
  std::atomic<int> faults{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&faults] {
      CDib dib;
      if (!dib.Create(1, 1)) return faults.fetch_add(1000), void();
      for (int i = 0; i < 20000; ++i) {
        Surface* context = dib.GetDC();
        if (context->SelectedBitmap() != dib.bitmap.get()) faults.fetch_add(1);
        std::this_thread::yield();
        if (context->SelectedBitmap() != dib.bitmap.get()) faults.fetch_add(1);
        dib.ReleaseDC();
      }
    });
  }
  for (std::thread& t : threads)
    t.join();
  EXPECT_EQ(faults.load(), 0);
  // Every context made is either pooled or deleted: none lost, none twice.
  int pooled = 0;
  for (int i = 0; i < CDib::kPoolSize; ++i)
    pooled += CDib::PoolSlot(i) != nullptr;
  EXPECT_EQ(CDib::ContextsCreated() - createdBefore, CDib::ContextsDeleted() - deletedBefore + pooled);
}

}  // namespace
}  // namespace kivu
