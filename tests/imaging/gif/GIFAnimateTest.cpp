// The animation painter on a fake clock, its composition against ImageMagick's, Optimize keeping
// the look, threaded painters on real threads, the clipboard and GIF saving read back by giflib.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "GifTestSupport.h"
#include "GiflibOracle.h"
#include "imaging/gif/GIFPainter.h"
#include "platform/graphics/SysServices.h"
#include "support/ErrorOf.h"

namespace {

const std::string kAnim = std::string(VA_TEST_DATA_DIR) + "/gif/anim/";
constexpr TColor kBackground = RGB(0x33, 0x66, 0x99);

struct Ppm {
    int width = 0, height = 0;
    std::vector<TColor> pixels;
};

Ppm ReadPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    Ppm p;
    int max = 0;
    in >> magic >> p.width >> p.height >> max;
    in.get();
    for (int i = 0; i < p.width * p.height; ++i) {
        uint8_t rgb[3];
        in.read(reinterpret_cast<char*>(rgb), 3);
        p.pixels.push_back(RGB(rgb[0], rgb[1], rgb[2]));
    }
    return p;
}

// Timing runs on a fake clock: every sleep advances it.
struct FakeClock : ::testing::Test {
    uint32_t now = 1000;
    std::vector<uint32_t> sleeps;
    void SetUp() override {
        SetTimeSource([this] { return now; });
        SetSleepHook([this](uint32_t ms) {
            now += ms;
            sleeps.push_back(ms);
        });
    }
    void TearDown() override {
        SetTimeSource({});
        SetSleepHook({});
        SetMessagePumpHook({});
    }
};

// n frames of w x h, frame k all colour index k % 4 of a 4-colour global map, with the delays.
void Build(TGIFImage& gif, int n, std::vector<int> delays, int w = 4, int h = 3) {
    for (int i = 0; i < 4; ++i) gif.Header().ColorMap().Add(RGB(static_cast<uint8_t>(i * 60), 10, 200));
    for (int k = 0; k < n; ++k) {
        auto owned = std::make_unique<TGIFSubImage>(&gif);
        TGIFSubImage* f = owned.get();
        gif.Images().Add(std::move(owned));
        f->SetBoundsR(0, 0, w, h);
        std::fill(f->Data(), f->Data() + f->DataSize(), static_cast<uint8_t>(k % 4));
        if (k < static_cast<int>(delays.size()) && delays[k] >= 0) {
            f->Extensions().Add(std::make_unique<TGIFGraphicControlExtension>(f));
            f->GraphicControlExtension->SetDelay(static_cast<uint16_t>(delays[k]));
        }
    }
}

void AddLoop(TGIFImage& gif, int frame, int loops) {
    TGIFSubImage* f = gif.Images().SubImages(frame);
    auto ext = std::make_unique<TGIFAppExtNSLoop>(f);
    ext->Loops = static_cast<uint16_t>(loops);
    f->Extensions().Add(std::move(ext));
}

constexpr TGIFDrawOptions Opt(std::initializer_list<TGIFDrawOption> list) {
    TGIFDrawOptions o = 0;
    for (auto x : list) o |= GIFDrawOption(x);
    return o;
}

// Paints without a thread; records the fake time of each frame's paint and the frame shown.
struct PaintRun {
    std::vector<uint32_t> times;
    std::vector<int> frames;
};

PaintRun PaintOnce(FakeClock& clock, TGIFImage& gif, TGIFDrawOptions options, int speed = 100) {
    PaintRun run;
    gif.AnimationSpeed = speed;
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(std::max(1, gif.Width()), std::max(1, gif.Height()));
    gif.OnPaint = [&](TObject* s) {
        run.times.push_back(clock.now);
        run.frames.push_back(static_cast<TGIFPainter*>(s)->ActiveImage);
    };
    TGIFPainter* painter = nullptr;
    gif.Paint(painter, target.Canvas(), Rect(0, 0, target.Width(), target.Height()), options);
    EXPECT_EQ(painter, nullptr);  // ran and freed itself
    gif.OnPaint = nullptr;
    return run;
}

std::vector<int64_t> Gaps(const PaintRun& run) {
    std::vector<int64_t> g;
    for (size_t i = 1; i < run.times.size(); ++i) g.push_back(int64_t{run.times[i]} - run.times[i - 1]);
    return g;
}

using PainterTiming = FakeClock;

TEST_F(PainterTiming, DelayUnitsScaleWithTheSpeed) {
    const auto options = Opt({doAnimate});
    for (auto [speed, wait] : {std::pair{100, 36}, {200, 18}, {50, 72}}) {
        TGIFImage gif;
        Build(gif, 3, {1, 1, 1});
        const PaintRun run = PaintOnce(*this, gif, options, speed);
        EXPECT_EQ(run.frames, (std::vector<int>{0, 1, 2}));
        EXPECT_EQ(Gaps(run), (std::vector<int64_t>{wait, wait})) << "speed " << speed;
    }
    // A frame without a delay waits 10 units.
    TGIFImage gif;
    Build(gif, 2, {-1, -1});
    EXPECT_EQ(Gaps(PaintOnce(*this, gif, options)), (std::vector<int64_t>{120}));
}

TEST_F(PainterTiming, LongDelaysAreCappedOnlyWithoutAThread) {
    TGIFImage gif;
    Build(gif, 2, {2000, 2000});
    const PaintRun run = PaintOnce(*this, gif, Opt({doAnimate}));
    EXPECT_EQ(Gaps(run), (std::vector<int64_t>{12000}));
    for (uint32_t s : sleeps) EXPECT_LE(s, 100u);  // the wait pumps messages in steps
    EXPECT_EQ(TGIFPainter::FrameDelay(2000, false), 1000);
    EXPECT_EQ(TGIFPainter::FrameDelay(2000, true), 2000);
    EXPECT_EQ(TGIFPainter::FrameDelay(1, true), 3);
    EXPECT_EQ(TGIFPainter::FrameDelay(0, true), 10);
    int64_t lag = 0;
    EXPECT_EQ(TGIFPainter::WaitTime(2000, 0, lag, 100), 24000);
    EXPECT_EQ(lag, 24000);
    // An overflowing product waits the longest delay and forgets the lag.
    lag = 5;
    EXPECT_EQ(TGIFPainter::WaitTime(3, 4000000000LL, lag, 100), 12000);
    EXPECT_EQ(lag, 0);
}

TEST_F(PainterTiming, OverrunsAreHalvedFromTheNextWait) {
    TGIFImage gif;
    Build(gif, 4, {3, 3, 3, 3});
    // Every paint takes 10 ms of the clock.
    gif.OnAfterPaint = [this](TObject*) { now += 10; };
    const PaintRun run = PaintOnce(*this, gif, Opt({doAnimate}));
    // Waits of 36 - 10 / 2 = 31 ms, plus the 10 ms of painting.
    EXPECT_EQ(Gaps(run), (std::vector<int64_t>{41, 41, 41}));
}

TEST_F(PainterTiming, LoopsAndTheLoopExtensionsFrame) {
    const auto looping = Opt({doAnimate, doLoop});
    {
        // Loops 0 without a thread: shown once.
        TGIFImage gif;
        Build(gif, 3, {3, 3, 3});
        AddLoop(gif, 0, 0);
        EXPECT_EQ(PaintOnce(*this, gif, looping).frames, (std::vector<int>{0, 1, 2}));
    }
    {
        // Frames before the loop extension only in the first pass; Loops 2 gives two passes.
        TGIFImage gif;
        Build(gif, 3, {3, 3, 3});
        AddLoop(gif, 1, 2);
        EXPECT_EQ(PaintOnce(*this, gif, looping).frames, (std::vector<int>{0, 1, 2, 1, 2}));
    }
    {
        // Without doLoop one pass, without doAnimate one frame.
        TGIFImage gif;
        Build(gif, 3, {3, 3, 3});
        AddLoop(gif, 0, 5);
        EXPECT_EQ(PaintOnce(*this, gif, Opt({doAnimate})).frames, (std::vector<int>{0, 1, 2}));
        EXPECT_EQ(PaintOnce(*this, gif, Opt({doLoop})).frames, (std::vector<int>{0}));
    }
}

TEST_F(PainterTiming, APassThatPaintsNothingEndsThePainter) {
    TGIFImage gif;
    Build(gif, 3, {3, 3, 3});
    gif.Images().SubImages(0)->FreeImage();  // the passes start on an empty frame
    // Looping forever, each pass would end at once and start again without a wait.
    const PaintRun run = PaintOnce(*this, gif, Opt({doAnimate, doLoop, doLoopForever}));
    EXPECT_TRUE(run.frames.empty());
}

TEST_F(PainterTiming, QuittingApplicationStopsAWaitingPainter) {
    TGIFImage gif;
    Build(gif, 3, {500, 500, 500});
    int pumps = 0;
    SetMessagePumpHook([&] { return ++pumps == 3; });
    const PaintRun run = PaintOnce(*this, gif, Opt({doAnimate}));
    EXPECT_EQ(run.frames, (std::vector<int>{0}));
    EXPECT_EQ(pumps, 3);
}

TEST_F(PainterTiming, EventsStopAndThePaintersErrorReachesTheCaller) {
    TGIFImage gif;
    Build(gif, 3, {3, 3, 3});
    std::vector<std::string> events;
    gif.OnStartPaint = [&](TObject*) { events.push_back("start"); };
    gif.OnEndPaint = [&](TObject*) { events.push_back("end"); };
    gif.OnAfterPaint = [&](TObject* s) {
        events.push_back("after" + std::to_string(static_cast<TGIFPainter*>(s)->ActiveImage));
        if (static_cast<TGIFPainter*>(s)->ActiveImage == 1) gif.StopDraw();  // stops at once
    };
    PaintOnce(*this, gif, Opt({doAnimate}));
    EXPECT_EQ(events, (std::vector<std::string>{"start", "after0", "after1"}));
    EXPECT_EQ(gif.Painters.Count(), 0u);

    gif.OnAfterPaint = [](TObject*) { throw GIFException("painter broke"); };
    TBitmap target;
    target.SetSize(4, 3);
    TGIFPainter* painter = nullptr;
    EXPECT_EQ(ErrorOf([&] { gif.Paint(painter, target.Canvas(), Rect(0, 0, 4, 3), Opt({doAnimate})); }),
              "painter broke");
    EXPECT_EQ(painter, nullptr);
    EXPECT_EQ(gif.Painters.Count(), 0u);
}

TEST_F(PainterTiming, TilesAtTheImagesPitch) {
    TGIFImage gif;
    Build(gif, 2, {3, 3}, 16, 16);
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(40, 20);
    target.Canvas().Brush.Color = clWhite;
    target.Canvas().FillRect(Rect(0, 0, 40, 20));
    TGIFPainter* painter = nullptr;
    gif.AnimationSpeed = 100;
    gif.Paint(painter, target.Canvas(), Rect(0, 0, 40, 20), Opt({doTile}));
    const TColor c = gif.Header().ColorMap().Colors(0);
    for (auto [x, y] : {std::pair{0, 0}, {0, 16}, {16, 0}, {16, 16}, {32, 0}, {32, 16}, {39, 19}})
        EXPECT_EQ(target.GetPixel(x, y), c) << x << "," << y;
}

TEST_F(PainterTiming, DrawWithoutAThreadShowsWhatThePainterLeft) {
    // Neither doThreaded nor doDirectDraw: the painter runs inside Draw into the image's bitmap.
    for (bool raises : {false, true}) {
        SCOPED_TRACE(raises);
        TGIFImage gif;
        Build(gif, 2, {3, 3});
        gif.DrawOptions = Opt({doAnimate, doTransparent});
        if (raises) gif.OnAfterPaint = [](TObject*) { throw GIFException("painter broke"); };
        TBitmap target;
        target.SetPixelFormat(pf24bit);
        target.SetSize(8, 6);
        target.Canvas().Brush.Color = clWhite;
        target.Canvas().FillRect(Rect(0, 0, 8, 6));
        EXPECT_EQ(ErrorOf([&] { gif.Draw(target.Canvas(), Rect(0, 0, 8, 6)); }), raises ? "painter broke" : "(no error)");
        // The last frame painted, stretched over the rectangle; nothing when the painter raised.
        const TColor want = raises ? clWhite : gif.Header().ColorMap().Colors(1);
        for (auto [x, y] : {std::pair{0, 0}, {7, 5}}) EXPECT_EQ(target.GetPixel(x, y), want) << x << "," << y;
    }
}

// ---------------------------------------------------------------------------------------------
// Composition

struct Composition {
    std::vector<std::vector<TColor>> frames;
    std::vector<int> delays;
};

// A buffered painter without a thread over a canvas filled with the background.
Composition Compose(TGIFImage& gif) {
    Composition out;
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(gif.Width(), gif.Height());
    target.Canvas().Brush.Color = kBackground;
    target.Canvas().FillRect(Rect(0, 0, gif.Width(), gif.Height()));
    gif.OnAfterPaint = [&](TObject* s) {
        TGIFSubImage* f = gif.Images().SubImages(static_cast<TGIFPainter*>(s)->ActiveImage);
        std::vector<TColor> px;
        for (int y = 0; y < target.Height(); ++y)
            for (int x = 0; x < target.Width(); ++x) px.push_back(target.GetPixel(x, y));
        out.frames.push_back(std::move(px));
        out.delays.push_back(TGIFPainter::FrameDelay(f->GraphicControlExtension ? f->GraphicControlExtension->Delay() : 0, true));
    };
    TGIFPainter* painter = nullptr;
    gif.Paint(painter, target.Canvas(), Rect(0, 0, gif.Width(), gif.Height()),
              Opt({doAnimate, doTransparent, doClearOnLoop}));
    gif.OnAfterPaint = nullptr;
    return out;
}

// Consecutive equal pictures joined, their delays added.
Composition Timeline(const Composition& c) {
    Composition t;
    for (size_t i = 0; i < c.frames.size(); ++i) {
        if (!t.frames.empty() && t.frames.back() == c.frames[i]) {
            t.delays.back() += c.delays[i];
            continue;
        }
        t.frames.push_back(c.frames[i]);
        t.delays.push_back(c.delays[i]);
    }
    return t;
}

std::vector<std::string> AnimatedFiles() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(kAnim))
        if (e.path().extension() == ".gif") names.push_back(e.path().stem().string());
    for (const char* n : {"anim", "local", "optimized"}) names.push_back(n);
    std::sort(names.begin(), names.end());
    return names;
}

std::string GifPath(const std::string& name) {
    const std::string here = kAnim + name + ".gif";
    return std::filesystem::exists(here) ? here : std::string(VA_TEST_DATA_DIR) + "/gif/corpus/" + name + ".gif";
}

using Composing = FakeClock;

TEST_F(Composing, BufferedPainterShowsWhatImageMagickComposes) {
    const auto names = AnimatedFiles();
    ASSERT_GE(names.size(), 9u);
    for (const std::string& name : names) {
        // Its frame 0 sticks out of the screen: ImageMagick moves the frame, we grow the screen.
        if (name == "anim") continue;
        SCOPED_TRACE(name);
        TRecordedGif g;
        ASSERT_EQ(g.Load(ReadFile(GifPath(name))), "");
        const Composition c = Compose(g.image);
        size_t n = 0;
        while (std::filesystem::exists(kAnim + name + "-" + std::to_string(n) + ".ppm")) ++n;
        ASSERT_EQ(c.frames.size(), n);
        for (size_t i = 0; i < n; ++i) {
            const Ppm want = ReadPpm(kAnim + name + "-" + std::to_string(i) + ".ppm");
            // A screen too small for its frames grows here; ImageMagick keeps it and clips.
            ASSERT_LE(want.width, g.image.Width());
            ASSERT_LE(want.height, g.image.Height());
            int wrong = 0;
            for (int y = 0; y < want.height; ++y)
                for (int x = 0; x < want.width; ++x)
                    wrong += want.pixels[static_cast<size_t>(y) * want.width + x] !=
                             c.frames[i][static_cast<size_t>(y) * g.image.Width() + x];
            EXPECT_EQ(wrong, 0) << "frame " << i;
        }
    }
}

int Total(const std::vector<int>& delays) {
    int t = 0;
    for (int d : delays) t += d;
    return t;
}

TEST_F(Composing, OptimizeKeepsEveryComposedFrameAndTheTime) {
    const TGIFOptimizeOptions all = GIFOptimizeOption(opCrop) | GIFOptimizeOption(opMerge) |
                                    GIFOptimizeOption(opCleanup) | GIFOptimizeOption(opColorMaps);
    auto area = [](TGIFImage& gif) {
        int64_t a = 0;
        for (int i = 0; i < gif.Images().Count(); ++i)
            a += int64_t{gif.Images().SubImages(i)->Width()} * gif.Images().SubImages(i)->Height();
        return a;
    };
    int64_t areaBefore = 0, areaAfter = 0;
    for (const std::string& name : AnimatedFiles()) {
        SCOPED_TRACE(name);
        TRecordedGif g;
        ASSERT_EQ(g.Load(ReadFile(GifPath(name))), "");
        const Composition before = Timeline(Compose(g.image));
        areaBefore += area(g.image);
        g.image.Optimize(all, 0, 0, 8);
        areaAfter += area(g.image);
        const Composition after = Timeline(Compose(g.image));
        EXPECT_EQ(after.frames == before.frames, true);
        EXPECT_EQ(after.delays, before.delays);
        EXPECT_EQ(Total(after.delays), Total(before.delays));
        // And the optimised file reads back the same way, through giflib and through us.
        TStringStream s;
        g.image.SaveToStream(s);
        GiflibFile lib;
        ASSERT_TRUE(GiflibRead(s.DataString(), lib));
        EXPECT_EQ(static_cast<int>(lib.frames.size()), g.image.Images().Count());
        TRecordedGif back;
        ASSERT_EQ(back.Load(s.DataString()), "");
        const Composition reread = Timeline(Compose(back.image));
        EXPECT_EQ(reread.frames == before.frames, true);
    }
    EXPECT_LT(areaAfter, areaBefore);  // cropping did cut something
}

TGIFSubImage* AddFrame(TGIFImage& image, int left, int top, const std::vector<std::string>& rows, int transparent,
                       int disposal, int delay) {
    auto owned = std::make_unique<TGIFSubImage>(&image);
    TGIFSubImage* f = owned.get();
    image.Images().Add(std::move(owned));
    const int h = static_cast<int>(rows.size()), w = static_cast<int>(rows[0].size());
    f->SetBoundsR(left, top, w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) f->Scanline(y)[x] = static_cast<uint8_t>(rows[y][x] - '0');
    f->Extensions().Add(std::make_unique<TGIFGraphicControlExtension>(f));
    f->GraphicControlExtension->SetDisposal(static_cast<uint8_t>(disposal));
    f->GraphicControlExtension->SetDelay(static_cast<uint16_t>(delay));
    if (transparent >= 0) {
        f->GraphicControlExtension->SetTransparentColorIndex(transparent);
        f->GraphicControlExtension->SetTransparent(true);
    }
    return f;
}

TEST_F(Composing, WhollyTransparentFramesGoOnlyWhenNothingChanges) {
    const TGIFOptimizeOptions crop = GIFOptimizeOption(opCrop);
    {
        // The delay of a deleted frame moves to its transparent predecessor: 5 + 10 (none).
        TGIFImage gif;
        for (int i = 0; i < 4; ++i) gif.Header().ColorMap().Add(RGB(static_cast<uint8_t>(i * 70), 0, 0));
        AddFrame(gif, 0, 0, {"1230", "3210"}, 0, 1, 5);
        AddFrame(gif, 0, 0, {"00", "00"}, 0, 0, 0);
        AddFrame(gif, 0, 0, {"22", "22"}, -1, 0, 7);
        const Composition before = Timeline(Compose(gif));
        gif.Optimize(crop, 0, 0, 8);
        ASSERT_EQ(gif.Images().Count(), 2);
        EXPECT_EQ(gif.Images().SubImages(0)->GraphicControlExtension->Delay(), 15);
        const Composition after = Timeline(Compose(gif));
        EXPECT_EQ(after.frames == before.frames, true);
        EXPECT_EQ(after.delays, before.delays);
    }
    {
        // Kept: frame 0, a frame disposing to background, a frame holding the loop extension.
        TGIFImage gif;
        for (int i = 0; i < 4; ++i) gif.Header().ColorMap().Add(RGB(0, static_cast<uint8_t>(i * 70), 0));
        AddFrame(gif, 0, 0, {"00", "00"}, 0, 0, 9);
        AddFrame(gif, 0, 0, {"12", "21"}, -1, 0, 4);
        AddFrame(gif, 0, 0, {"33", "33"}, 3, 2, 4);
        AddFrame(gif, 0, 0, {"33", "33"}, 3, 1, 4);
        AddLoop(gif, 3, 0);
        AddFrame(gif, 0, 0, {"1", "2"}, -1, 0, 4);
        const Composition before = Timeline(Compose(gif));
        gif.Optimize(crop, 0, 0, 8);
        EXPECT_EQ(gif.Images().Count(), 5);
        EXPECT_EQ(gif.Images().SubImages(0)->Width(), 2);  // not cropped to nothing
        const Composition after = Timeline(Compose(gif));
        EXPECT_EQ(after.frames == before.frames, true);
        EXPECT_EQ(after.delays, before.delays);
    }
    {
        // A predecessor without a graphic control extension gets one holding both delays.
        TGIFImage gif;
        for (int i = 0; i < 2; ++i) gif.Header().ColorMap().Add(RGB(0, 0, static_cast<uint8_t>(i * 90)));
        auto owned = std::make_unique<TGIFSubImage>(&gif);
        TGIFSubImage* first = owned.get();
        gif.Images().Add(std::move(owned));
        first->SetBoundsR(0, 0, 2, 1);
        AddFrame(gif, 0, 0, {"11"}, 1, 0, 2);
        gif.Optimize(crop, 0, 0, 8);
        ASSERT_EQ(gif.Images().Count(), 1);
        ASSERT_NE(first->GraphicControlExtension, nullptr);
        EXPECT_EQ(first->GraphicControlExtension->Delay(), 13);  // 10 + at least 3
    }
    for (const int previous : {65525, 65526}) {
        // Both delays must fit the 16-bit field; otherwise the frame stays with its own.
        TGIFImage gif;
        for (int i = 0; i < 2; ++i) gif.Header().ColorMap().Add(RGB(0, static_cast<uint8_t>(i * 90), 0));
        AddFrame(gif, 0, 0, {"10"}, 0, 1, previous);
        AddFrame(gif, 0, 0, {"00"}, 0, 0, 10);
        AddFrame(gif, 0, 0, {"11"}, -1, 0, 4);
        const Composition before = Timeline(Compose(gif));
        gif.Optimize(crop, 0, 0, 8);
        const bool fits = previous + 10 <= 65535;
        ASSERT_EQ(gif.Images().Count(), fits ? 2 : 3) << previous;
        EXPECT_EQ(gif.Images().SubImages(0)->GraphicControlExtension->Delay(), fits ? 65535 : previous);
        EXPECT_EQ(Timeline(Compose(gif)).delays, before.delays) << previous;
    }
}

TEST(GIFOptimize, CustomReductionIsRefusedAndProgressIsReported) {
    TRecordedGif g;
    Build(g.image, 2, {3, 3});
    std::vector<std::pair<TProgressStage, int>> seen;
    g.image.OnProgress = [&](TObject*, TProgressStage stage, uint8_t pct, bool, const TRect&, const std::string& msg) {
        if (msg == "Optimizing...") seen.emplace_back(stage, pct);
    };
    EXPECT_EQ(ErrorOf([&] { g.image.Optimize(GIFOptimizeOption(opReduceColors), 9, 0, 8); }), "Invalid reduction method");
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), (std::pair<TProgressStage, int>{psEnding, 0}));
    seen.clear();
    g.image.Optimize(GIFOptimizeOption(opReduceColors), 7, 0, 8);  // no other method reduces
    EXPECT_EQ(seen.front().first, psStarting);
    EXPECT_EQ(seen.size(), 2u + 12u);  // 6 units for each of the 2 frames
    EXPECT_EQ(seen.back(), (std::pair<TProgressStage, int>{psEnding, 100}));
    EXPECT_EQ(g.image.Images().Count(), 2);
}

TEST(GIFOptimize, CleanupDropsWhatChangesNothing) {
    TRecordedGif g;
    for (int i = 0; i < 4; ++i) g.image.Header().ColorMap().Add(RGB(static_cast<uint8_t>(i * 70), 0, 0));
    TGIFSubImage* a = AddFrame(g.image, 0, 0, {"12", "21"}, 3, 2, 0);  // index 3 never used
    AddLoop(g.image, 0, 0);
    TGIFSubImage* b = AddFrame(g.image, 0, 0, {"123", "321"}, -1, 0, 0);  // covers a
    auto comment = std::make_unique<TGIFCommentExtension>(b);
    b->Extensions().Add(std::move(comment));
    AddLoop(g.image, 1, 0);
    g.image.Optimize(GIFOptimizeOption(opCleanup), 0, 0, 8);
    ASSERT_EQ(g.image.Images().Count(), 2);
    // a: no longer transparent, disposal 0 since b covers it; its delay-0 extension then goes.
    EXPECT_FALSE(a->Transparent);
    EXPECT_EQ(a->GraphicControlExtension, nullptr);
    ASSERT_EQ(a->Extensions().Count(), 1);  // the loop of frame 0 stays
    // b: the comment, the second loop and its extension that changes nothing are gone.
    EXPECT_EQ(b->Extensions().Count(), 0);
}

// ---------------------------------------------------------------------------------------------
// Threads

int ThreadCount() {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/task")) ++n;
    return n;
}

template <class F>
bool PumpUntil(F done, int ms = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        if (!CheckSynchronize()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

struct ThreadedPainter : ::testing::Test {
    TBitmap target;
    int threadsBefore = 0;
    void SetUp() override {
        threadsBefore = ThreadCount();
        target.SetPixelFormat(pf24bit);
        target.SetSize(4, 3);
    }
    TGIFPainter* Start(TGIFImage& gif, TGIFDrawOptions options, TGIFPainter*& var) {
        gif.Paint(var, target.Canvas(), Rect(0, 0, 4, 3), options);
        EXPECT_NE(var, nullptr);
        if (var) var->Start();
        return var;
    }
    void ExpectNoThreadLeft() {
        EXPECT_TRUE(PumpUntil([&] { return ThreadCount() <= threadsBefore; }));
    }
};

TEST_F(ThreadedPainter, LoopsZeroRepeatsUntilStopped) {
    TGIFImage gif;
    Build(gif, 3, {3, 3, 3});
    AddLoop(gif, 0, 0);
    gif.AnimationSpeed = 100000;  // no wait worth the name
    int loops = 0, paints = 0;
    bool onMain = true;
    gif.OnLoop = [&](TObject*) { ++loops; };
    gif.OnPaint = [&](TObject*) {
        ++paints;
        onMain = onMain && IsMainThread();
    };
    TGIFPainter* var = nullptr;
    Start(gif, Opt({doThreaded, doAnimate, doLoop}), var);
    EXPECT_TRUE(PumpUntil([&] { return loops >= 3; }));
    EXPECT_TRUE(onMain);
    gif.StopDraw();
    EXPECT_EQ(var, nullptr);  // the clean-up cleared the caller's variable
    EXPECT_EQ(gif.Painters.Count(), 0u);
    EXPECT_GE(paints, 9);
    ExpectNoThreadLeft();
}

TEST_F(ThreadedPainter, EndsByItselfWhenAPassPaintsNothing) {
    TGIFImage gif;
    Build(gif, 2, {3, 3});
    gif.Images().SubImages(0)->FreeImage();
    TGIFPainter* var = nullptr;
    Start(gif, Opt({doThreaded, doAnimate, doLoop, doLoopForever}), var);
    EXPECT_TRUE(PumpUntil([&] { return var == nullptr; }));
    ExpectNoThreadLeft();
}

TEST_F(ThreadedPainter, AStopEndsALongWaitAtOnce) {
    for (int speed : {100, 0, -1}) {  // an event; an event without end; no event at all
        SCOPED_TRACE(speed);
        TGIFImage gif;
        Build(gif, 2, {1000, 1000});
        gif.AnimationSpeed = speed;
        int paints = 0;
        gif.OnPaint = [&](TObject*) { ++paints; };
        TGIFPainter* var = nullptr;
        Start(gif, Opt({doThreaded, doAnimate, doLoop}), var);
        EXPECT_TRUE(PumpUntil([&] { return paints == 1; }));
        const auto t0 = std::chrono::steady_clock::now();
        gif.StopPainting();  // not the own painter: nothing
        EXPECT_NE(var, nullptr);
        gif.StopDraw();
        EXPECT_EQ(var, nullptr);
        // A 12-second delay (or one without end) cut short.
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
        EXPECT_EQ(paints, 1);
    }
    ExpectNoThreadLeft();
}

TEST_F(ThreadedPainter, AnErrorInTheRunBecomesAWarning) {
    TRecordedGif g;
    Build(g.image, 2, {3, 3});
    g.image.OnPaint = [](TObject*) { throw GIFException("thread broke"); };
    TGIFPainter* var = nullptr;
    Start(g.image, Opt({doThreaded, doAnimate}), var);
    EXPECT_TRUE(PumpUntil([&] { return var == nullptr; }));
    EXPECT_EQ(g.warnings, (std::vector<std::string>{"thread broke"}));
    ExpectNoThreadLeft();
}

TEST_F(ThreadedPainter, ClearAndDestroyEndEveryPainter) {
    auto gif = std::make_unique<TGIFImage>();
    Build(*gif, 2, {1000, 1000});
    TGIFPainter *a = nullptr, *b = nullptr;
    Start(*gif, Opt({doThreaded, doAnimate}), a);
    Start(*gif, Opt({doThreaded, doAnimate}), b);
    EXPECT_EQ(gif->Painters.Count(), 2u);
    gif->Clear();
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(b, nullptr);
    Build(*gif, 2, {1000, 1000});
    Start(*gif, Opt({doThreaded, doAnimate}), a);
    TGIFPainter* never = nullptr;
    gif->Paint(never, target.Canvas(), Rect(0, 0, 4, 3), Opt({doThreaded, doAnimate}));  // never started
    gif.reset();
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(never, nullptr);
    ExpectNoThreadLeft();
}

TEST_F(ThreadedPainter, DrawWithoutDirectDrawShowsTheAnimationBitmap) {
    TGIFImage gif;
    Build(gif, 2, {3, 3});
    gif.DrawOptions = TGIFImage::DefaultDrawOptions;
    TBitmap big;
    big.SetPixelFormat(pf24bit);
    big.SetSize(8, 6);
    gif.Draw(big.Canvas(), Rect(0, 0, 8, 6));
    ASSERT_NE(gif.OwnPainter(), nullptr);
    EXPECT_TRUE(gif.OwnPainter()->Painted());
    EXPECT_EQ(big.GetPixel(7, 5), gif.Header().ColorMap().Colors(0));  // frame 0, stretched
    // The same destination again: the running painter stays.
    TGIFPainter* first = gif.OwnPainter();
    gif.Draw(big.Canvas(), Rect(0, 0, 8, 6));
    EXPECT_EQ(gif.OwnPainter(), first);
    gif.StopDraw();
    EXPECT_EQ(gif.OwnPainter(), nullptr);
    EXPECT_FALSE(gif.HasBitmap());
    ExpectNoThreadLeft();
}

// ---------------------------------------------------------------------------------------------
// Clipboard

struct GifClipboard : ::testing::Test {
    void SetUp() override { SetClipboardBackend(std::make_unique<TMemoryClipboard>()); }
    void TearDown() override { SetClipboardBackend(nullptr); }
};

TEST_F(GifClipboard, SaveThenLoadGivesTheSameFileAndFrames) {
    TRecordedGif g;
    ASSERT_EQ(g.Load(ReadFile(kAnim + "previous.gif")), "");
    unsigned format = 0;
    HCLIPDATA data;
    HPALETTE palette = nullptr;
    EmptyClipboard();
    g.image.SaveToClipboardFormat(format, data, palette);
    if (palette) DeletePalette(palette);
    EXPECT_EQ(format, CF_BITMAP);
    ASSERT_TRUE(data && data->Bitmap);
    EXPECT_EQ(data->Bitmap->Width(), g.image.Width());
    TStringStream saved;
    g.image.SaveToStream(saved);
    HCLIPDATA gif = GetClipboardData(TGIFImage::ClipboardFormat());
    ASSERT_NE(gif, nullptr);
    EXPECT_EQ(std::string(gif->Bytes.begin(), gif->Bytes.end()), saved.DataString());

    TGIFImage back;
    back.LoadFromClipboardFormat(TGIFImage::ClipboardFormat(), nullptr, nullptr);
    ASSERT_EQ(back.Images().Count(), g.image.Images().Count());
    TStringStream again;
    back.SaveToStream(again);
    EXPECT_EQ(again.DataString(), saved.DataString());

    // The bitmap format gives one frame of the first-frame picture.
    TGIFImage fromBitmap;
    fromBitmap.LoadFromClipboardFormat(CF_BITMAP, data, nullptr);
    ASSERT_EQ(fromBitmap.Images().Count(), 1);
    TBitmap* mine = fromBitmap.Bitmap();
    for (int y = 0; y < mine->Height(); ++y)
        for (int x = 0; x < mine->Width(); ++x) ASSERT_EQ(mine->GetPixel(x, y), data->Bitmap->GetPixel(x, y));
}

TEST_F(GifClipboard, UnsupportedFormatsRaise) {
    TGIFImage gif;
    EmptyClipboard();
    EXPECT_EQ(ErrorOf([&] { gif.LoadFromClipboardFormat(TGIFImage::ClipboardFormat(), nullptr, nullptr); }),
              "Unsupported clipboard format");
    EXPECT_EQ(ErrorOf([&] { gif.LoadFromClipboardFormat(RegisterClipboardFormat("Other"), MakeClipboardBytes({1}), nullptr); }),
              "Unsupported clipboard format");
    unsigned format = 0;
    HCLIPDATA data;
    HPALETTE palette = nullptr;
    gif.SaveToClipboardFormat(format, data, palette);  // empty: nothing
    EXPECT_EQ(format, 0u);
    EXPECT_EQ(GetClipboardData(TGIFImage::ClipboardFormat()), nullptr);
}

}  // namespace
