// Animated drawing under Qt's offscreen event loop: painter threads reach the main thread only
// through the GUI's queued wake-up, and every way of ending the image ends its painters.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <filesystem>

#include "imaging/gif/GIFImage.h"
#include "imaging/gif/GIFPainter.h"
#include "platform/graphics/Canvas.h"

namespace {

int ThreadCount() {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/task")) ++n;
    return n;
}

// Runs Qt's events (never CheckSynchronize itself) until done() or 5 s.
template <class F>
bool RunEventsUntil(F done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

void Build(TGIFImage& gif, int frames, bool loopForever = false) {
    const TColor colours[] = {RGB(200, 0, 0), RGB(0, 200, 0), RGB(0, 0, 200)};
    for (TColor c : colours) gif.Header().ColorMap().Add(c);
    for (int k = 0; k < frames; ++k) {
        auto owned = std::make_unique<TGIFSubImage>(&gif);
        TGIFSubImage* f = owned.get();
        gif.Images().Add(std::move(owned));
        f->SetBoundsR(0, 0, 6, 4);
        std::fill(f->Data(), f->Data() + f->DataSize(), static_cast<uint8_t>(k % 3));
        f->Extensions().Add(std::make_unique<TGIFGraphicControlExtension>(f));
        f->GraphicControlExtension->SetDelay(3);
        if (k == 0 && loopForever) f->Extensions().Add(std::make_unique<TGIFAppExtNSLoop>(f));  // Loops 0
    }
}

TEST(GIFAnimationGui, DrawPaintsFrameZeroAndTheAnimationMovesOn) {
    const int threadsBefore = ThreadCount();
    TGIFImage gif;
    Build(gif, 3, true);
    EXPECT_EQ(gif.DrawOptions, TGIFImage::DefaultDrawOptions);
    gif.AnimationSpeed = 1000;
    std::vector<int> shown;
    gif.OnAfterPaint = [&](TObject* s) { shown.push_back(static_cast<TGIFPainter*>(s)->ActiveImage); };
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(12, 8);
    gif.Draw(target.Canvas(), Rect(0, 0, 12, 8));
    EXPECT_EQ(target.GetPixel(11, 7), RGB(200, 0, 0));  // frame 0, stretched
    ASSERT_NE(gif.OwnPainter(), nullptr);
    EXPECT_TRUE(gif.OwnPainter()->Threaded());
    ASSERT_TRUE(RunEventsUntil([&] { return shown.size() >= 4; }));
    EXPECT_EQ((std::vector<int>(shown.begin(), shown.begin() + 4)), (std::vector<int>{0, 1, 2, 0}));
    // Drawing again shows the animation's bitmap as it stands now.
    gif.Draw(target.Canvas(), Rect(0, 0, 12, 8));
    gif.StopDraw();
    EXPECT_EQ(gif.OwnPainter(), nullptr);
    EXPECT_EQ(gif.Painters.Count(), 0u);
    EXPECT_TRUE(RunEventsUntil([&] { return ThreadCount() <= threadsBefore; }));

    // Without a loop extension one pass, and the painter ends by itself.
    TGIFImage once;
    Build(once, 3);
    once.AnimationSpeed = 1000;
    shown.clear();
    once.OnAfterPaint = gif.OnAfterPaint;
    once.Draw(target.Canvas(), Rect(0, 0, 12, 8));
    EXPECT_TRUE(RunEventsUntil([&] { return once.OwnPainter() == nullptr; }));
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(RunEventsUntil([&] { return ThreadCount() <= threadsBefore; }));
}

TEST(GIFAnimationGui, ClearAndDestroyEndPaintersWithoutHelp) {
    const int threadsBefore = ThreadCount();
    auto gif = std::make_unique<TGIFImage>();
    Build(*gif, 2);
    TBitmap target;
    target.SetSize(6, 4);
    TGIFPainter *a = nullptr, *b = nullptr;
    gif->Paint(a, target.Canvas(), Rect(0, 0, 6, 4), gif->DrawOptions);
    gif->Paint(b, target.Canvas(), Rect(0, 0, 6, 4), gif->DrawOptions);
    a->Start();
    b->Start();
    RunEventsUntil([&] { return a->Painted() && b->Painted(); });
    gif->Clear();
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(b, nullptr);
    Build(*gif, 2);
    gif->Paint(a, target.Canvas(), Rect(0, 0, 6, 4), gif->DrawOptions);
    a->Start();
    gif.reset();
    EXPECT_EQ(a, nullptr);
    EXPECT_TRUE(RunEventsUntil([&] { return ThreadCount() <= threadsBefore; }));
}

}  // namespace
