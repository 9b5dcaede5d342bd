#pragma once
// The animation painter: shows an image's frames one after the other on a canvas, with their
// delays, disposal and loops, either on its own thread (painting through the main thread) or at
// once on the caller's thread, pumping the caller's messages while it waits.
#include <cstdint>
#include <memory>

#include "imaging/gif/GIFImage.h"
#include "platform/Threads.h"
#include "platform/graphics/Canvas.h"

// One delay unit of the GIF data lasts this long; the bounds of a frame's delay in units.
constexpr int GIFDelayExp = 12;
constexpr int GIFDefaultDelay = 10;
constexpr int GIFMinimumDelay = 3;
constexpr int GIFMaximumDelay = 1000;

class TGIFPainter : public TThread {
public:
    // Suspended; a threaded painter frees itself when its thread ends, and its clean-up clears
    // painterVar (when it still names this painter).
    TGIFPainter(TGIFImage* image, TCanvas* canvas, const TRect& rect, TGIFDrawOptions options,
                TGIFPainter** painterVar);
    // Runs the clean-up; never raises.
    ~TGIFPainter() override;
    std::string ClassName() const override { return "TGIFPainter"; }

    // Resumes a threaded painter.
    void Start();
    // Tells the painter to stop; a threaded one's delay ends at once.
    void Stop();
    // The run: on the caller's thread for a painter that is not threaded.
    void Run();

    bool Threaded() const { return (options_ & GIFDrawOption(doThreaded)) != 0; }
    TGIFImage* Image() const { return image_; }
    TCanvas* DestCanvas() const { return canvas_; }
    const TRect& DestRect() const { return rect_; }
    bool Painted() const { return painted_.load(); }
    bool Stopped() const { return Terminated(); }
    // Asks a running painter to start again at frame 0.
    void Restart() { restart_.store(true); }

    int ActiveImage = -1;
    int AnimationSpeed = 100;
    TColor BackgroundColor = clWhite;

    TNotifyEvent OnStartPaint, OnPaint, OnAfterPaint, OnLoop, OnEndPaint;

    // The error that ended the run, kept; none when the run ended normally.
    std::exception_ptr KeptError() const { return error_; }
    std::string KeptErrorMessage() const { return errorMessage_; }

    // Leaves the image alone from now on (the image is going away).
    void Detach() { image_ = nullptr; }

    // The frame's delay in units: 10 without a delay, at least 3, and at most 1000 unless threaded.
    static int FrameDelay(int delay, bool threaded);
    // Milliseconds to wait for a pending delay, corrected for drift: elapsed is the time since the
    // last wait was computed, lag that wait. Sets lag to the result (0 on overflow).
    static int64_t WaitTime(int pendingDelay, int64_t elapsed, int64_t& lag, int speed);

protected:
    void Execute() override;
    void DoTerminate() override;

private:
    void Cleanup() noexcept;
    void Fire(const TNotifyEvent& event);
    void Delay(int pendingDelay, uint32_t& lastTime, int64_t& lag);
    void PaintFrame();
    void PaintWithBuffers();
    void RestoreBackground(TCanvas& target, TGIFSubImage* frame);
    TGIFSubImage* Frame(int index) const;
    void Sync(const std::function<void()>& call);

    TGIFImage* image_;
    TCanvas* canvas_;
    TRect rect_;
    TGIFDrawOptions options_;
    uint8_t disposal_ = 0, oldDisposal_ = 0;
    std::unique_ptr<TBitmap> buffer_, oldBuffer_, background_;
    TCanvasToken dc_;
    std::atomic<bool> restart_{false};
    std::atomic<bool> painted_{false};
    TGIFPainter** painterVar_;
    std::unique_ptr<TEvent> event_;
    std::exception_ptr error_;
    std::string errorMessage_;
    bool cleaned_ = false;
};
