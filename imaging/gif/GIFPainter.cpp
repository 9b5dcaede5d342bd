#include "imaging/gif/GIFPainter.h"

#include <algorithm>
#include <climits>

#include "platform/graphics/SysServices.h"

namespace {

bool Has(TGIFDrawOptions options, TGIFDrawOption o) { return (options & GIFDrawOption(o)) != 0; }

// Disposal methods 4 to 7 are drawn as method 1.
uint8_t Effective(uint8_t disposal) { return disposal >= 4 ? 1 : disposal; }

}  // namespace

TGIFPainter::TGIFPainter(TGIFImage* image, TCanvas* canvas, const TRect& rect, TGIFDrawOptions options,
                         TGIFPainter** painterVar)
    : image_(image), canvas_(canvas), rect_(rect), options_(options), painterVar_(painterVar) {
    FreeOnTerminate = Threaded();
    AnimationSpeed = image->AnimationSpeed;
    if (painterVar_) *painterVar_ = this;
    // The canvas can go away under a painter; the token tells before every paint.
    dc_ = canvas_->Handle();
    if (Threaded() && Has(options_, doAnimate) && image->Images().Count() >= 2 && AnimationSpeed >= 0)
        event_ = std::make_unique<TEvent>();

    if (image->BackgroundColor != clNone) BackgroundColor = image->BackgroundColor & 0xFFFFFF;
    else if (image->Header().ColorMap().Count() == 0) BackgroundColor = clWhite;  // the window colour
    else BackgroundColor = image->Header().BackgroundColor();

    unsigned disposals = 0;
    for (int i = 0; i < image->Images().Count(); ++i) {
        TGIFSubImage* f = image->Images().SubImages(i);
        TGIFExtensionList& ext = f->Extensions();
        for (int j = 0; j < ext.Count(); ++j)
            if (auto* gce = dynamic_cast<TGIFGraphicControlExtension*>(ext.Extensions(j)))
                disposals |= 1u << gce->Disposal();
    }
    if (Has(options_, doClearOnLoop)) disposals |= 1u << 2;
    const int w = rect_.Width(), h = rect_.Height();
    const TRect whole{0, 0, w, h};
    auto snapshot = [&] {
        auto b = std::make_unique<TBitmap>();
        b->SetPixelFormat(pf24bit);
        b->SetSize(w, h);
        b->Canvas().CopyRect(whole, *canvas_, rect_);
        return b;
    };
    if ((disposals & (1u << 2)) && Has(options_, doTransparent)) background_ = snapshot();
    if (disposals & ((1u << 2) | (1u << 3))) {
        buffer_ = snapshot();
        buffer_->Canvas().Brush.Color = BackgroundColor;
        buffer_->Canvas().Brush.Style = bsSolid;
        oldBuffer_ = std::make_unique<TBitmap>();
        oldBuffer_->SetPixelFormat(pf24bit);
        oldBuffer_->SetSize(w, h);
        oldBuffer_->Canvas().Brush = buffer_->Canvas().Brush;
    }
}

TGIFPainter::~TGIFPainter() { Cleanup(); }

void TGIFPainter::Cleanup() noexcept {
    if (cleaned_) return;
    cleaned_ = true;
    if (image_) {
        auto& list = image_->Painters.LockList();
        if (painterVar_ && *painterVar_ == this) *painterVar_ = nullptr;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        image_->Painters.UnlockList();
    } else if (painterVar_ && *painterVar_ == this) {
        *painterVar_ = nullptr;
    }
    image_ = nullptr;
    painterVar_ = nullptr;
    buffer_.reset();
    oldBuffer_.reset();
    background_.reset();
    event_.reset();
}

void TGIFPainter::DoTerminate() {
    // Main thread, at the thread's end: the kept error goes to the image as a warning.
    if (error_ && image_) {
        try {
            image_->Warning(this, 1, errorMessage_);
        } catch (...) {
        }
    }
    Cleanup();
}

void TGIFPainter::Start() {
    if (Threaded()) TThread::Start();
}

void TGIFPainter::Stop() {
    Terminate();
    if (!Threaded()) return;
    if (event_) event_->SetEvent();
    Priority = tpNormal;
    if (Suspended()) TThread::Start();
}

void TGIFPainter::Run() {
    if (Threaded()) return;
    Execute();
}

void TGIFPainter::Sync(const std::function<void()>& call) {
    if (Threaded()) TThread::Synchronize(call);
    else call();
}

void TGIFPainter::Fire(const TNotifyEvent& event) {
    if (!event || Terminated()) return;
    Sync([&] {
        if (!Terminated()) event(this);
    });
}

TGIFSubImage* TGIFPainter::Frame(int index) const {
    if (!image_ || index < 0 || index >= image_->Images().Count()) return nullptr;
    return image_->Images().SubImages(index);
}

int TGIFPainter::FrameDelay(int delay, bool threaded) {
    if (delay <= 0) return GIFDefaultDelay;
    delay = std::max(delay, GIFMinimumDelay);
    if (!threaded) delay = std::min(delay, GIFMaximumDelay);
    return delay;
}

int64_t TGIFPainter::WaitTime(int pendingDelay, int64_t elapsed, int64_t& lag, int speed) {
    // 32-bit arithmetic as the timing always had: an overflow waits the longest delay.
    const int64_t base = int64_t{pendingDelay} * GIFDelayExp - (elapsed - lag) / 2;
    const int64_t scaled = base * 100;
    if (speed <= 0 || base > INT32_MAX || base < INT32_MIN || scaled > INT32_MAX || scaled < INT32_MIN) {
        lag = 0;
        return int64_t{GIFMaximumDelay} * GIFDelayExp;
    }
    lag = scaled / speed;
    return lag;
}

void TGIFPainter::Delay(int pendingDelay, uint32_t& lastTime, int64_t& lag) {
    const uint32_t now = timeGetTime();
    const bool endless = AnimationSpeed <= 0 && Threaded();
    int64_t wait;
    if (AnimationSpeed > 0) wait = WaitTime(pendingDelay, static_cast<int64_t>(static_cast<uint32_t>(now - lastTime)), lag, AnimationSpeed);
    else wait = int64_t{GIFMaximumDelay} * GIFDelayExp;
    lastTime = now;
    if (Threaded()) {
        if (wait <= 0 && AnimationSpeed != 0) return;
        if (event_) {
            const uint32_t ms = endless ? INFINITE : static_cast<uint32_t>(std::max<int64_t>(wait, 0));
            if (event_->WaitFor(ms) == wrSignaled) {
                lag = 0;
                lastTime = timeGetTime();
            }
            return;
        }
        // No event to wake on: short slices, watching the stop flag.
        int64_t left = wait;
        while (!Terminated() && !restart_.load() && (endless || left > 0)) {
            const uint32_t step = endless ? 10u : static_cast<uint32_t>(std::min<int64_t>(left, 10));
            ::Sleep(step);
            left -= step;
        }
        return;
    }
    int64_t left = std::max<int64_t>(wait, 1);
    while (left > 0 && !Terminated() && !restart_.load()) {
        const uint32_t step = static_cast<uint32_t>(std::min<int64_t>(left, 100));
        const uint32_t t0 = timeGetTime();
        ::Sleep(step);
        if (PumpMessages()) {
            // The application is quitting: this painter ends with it.
            Stop();
            break;
        }
        left -= std::max<int64_t>(static_cast<uint32_t>(timeGetTime() - t0), step);
    }
}

void TGIFPainter::Execute() {
    const bool threaded = Threaded();
    const bool animate = Has(options_, doAnimate);
    const bool loopForever = Has(options_, doLoopForever);
    try {
        restart_.store(true);
        while (!Terminated() && restart_.load()) {
            ActiveImage = 0;
            Fire(OnStartPaint);
            painted_.store(false);
            restart_.store(false);
            int loopCount = 1, loopStart = 0;
            bool loopSeen = false;
            int pending = threaded ? 0 : 1;
            oldDisposal_ = 1;
            uint32_t lastTime = timeGetTime();
            int64_t lag = 0;
            while ((loopCount != 0 || loopForever) && !Terminated() && !restart_.load()) {
                ActiveImage = loopStart;
                if (painted_.load()) Fire(OnLoop);
                bool paintedInPass = false;
                while (!Terminated() && !restart_.load()) {
                    struct Info {
                        bool valid = false, empty = true, hasGce = false, hasLoop = false;
                        int delay = 0, loops = 0;
                        uint8_t disposal = 0;
                    } info;
                    Sync([&] {
                        TGIFSubImage* f = Frame(ActiveImage);
                        if (!f) return;
                        info.valid = true;
                        info.empty = f->Empty();
                        if (info.empty) return;
                        TGIFExtensionList& ext = f->Extensions();
                        for (int j = 0; j < ext.Count(); ++j) {
                            TGIFExtension* e = ext.Extensions(j);
                            if (auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(e)) {
                                if (!info.hasLoop) {
                                    info.hasLoop = true;
                                    info.loops = loop->Loops;
                                }
                            } else if (auto* gce = dynamic_cast<TGIFGraphicControlExtension*>(e)) {
                                info.hasGce = true;
                                info.disposal = gce->Disposal();
                                info.delay = gce->Delay();
                            }
                        }
                    });
                    if (!info.valid || info.empty) break;
                    if (pending > 0) {
                        // Rendered before the delay is measured, so decoding does not add to it.
                        Sync([&] {
                            if (TGIFSubImage* f = Frame(ActiveImage)) f->Bitmap();
                        });
                        Delay(pending, lastTime, lag);
                    } else {
                        ::Sleep(0);
                    }
                    if (Terminated()) break;
                    Fire(OnPaint);
                    if (Terminated()) break;
                    disposal_ = 1;
                    if (info.hasLoop && !loopSeen) {
                        loopSeen = true;
                        loopCount = info.loops;
                        if (threaded && (info.loops == 0 || loopForever)) loopCount = -1;
                        loopStart = ActiveImage;
                    }
                    if (info.hasGce) disposal_ = info.disposal;
                    Sync([this] { PaintFrame(); });
                    oldDisposal_ = disposal_;
                    paintedInPass = true;
                    if (Terminated()) break;
                    pending = FrameDelay(info.hasGce ? info.delay : 0, threaded);
                    const int before = ActiveImage;
                    Fire(OnAfterPaint);
                    if (Terminated()) break;
                    if (ActiveImage == before) ++ActiveImage;
                    if (!animate) break;
                }
                if (loopCount > 0) --loopCount;
                if (!(animate && Has(options_, doLoop))) break;
                // A pass that shows nothing would only repeat at once.
                if (!paintedInPass) break;
            }
        }
        ActiveImage = -1;
        Fire(OnEndPaint);
    } catch (const Exception& e) {
        error_ = std::current_exception();
        errorMessage_ = e.Message();
        Terminate();
    } catch (const std::exception& e) {
        error_ = std::current_exception();
        errorMessage_ = e.what();
        Terminate();
    } catch (...) {
        error_ = std::current_exception();
        errorMessage_ = "Unknown exception";
        Terminate();
    }
}

void TGIFPainter::PaintFrame() {
    TGIFSubImage* frame = Frame(ActiveImage);
    if (!frame || GetObjectType(dc_) != OBJ_DC) {
        // Detached from the image, or the canvas is gone.
        Terminate();
        return;
    }
    if (buffer_) {
        PaintWithBuffers();
        return;
    }
    frame->Draw(*canvas_, rect_, Has(options_, doTransparent), Has(options_, doTile));
    painted_.store(true);
}

void TGIFPainter::PaintWithBuffers() {
    TGIFSubImage* frame = Frame(ActiveImage);
    const bool clearFirst = Has(options_, doClearOnLoop) && ActiveImage == 0;
    const uint8_t d = Effective(disposal_), od = Effective(oldDisposal_);
    const TRect whole{0, 0, rect_.Width(), rect_.Height()};
    TCanvas* target = &buffer_->Canvas();
    TRect targetRect = whole;
    TBitmap* copyFrom = buffer_.get();
    if (d == 3 && od <= 1) {
        target = canvas_;
        targetRect = rect_;
        copyFrom = nullptr;
    } else if (d == 3) {
        oldBuffer_->Canvas().CopyRect(whole, buffer_->Canvas(), whole);
        target = &oldBuffer_->Canvas();
        copyFrom = oldBuffer_.get();
    }
    if (clearFirst) RestoreBackground(buffer_->Canvas(), frame);
    frame->Draw(*target, targetRect, Has(options_, doTransparent), Has(options_, doTile));
    if (copyFrom) canvas_->CopyRect(rect_, copyFrom->Canvas(), whole);
    if (d == 2) RestoreBackground(buffer_->Canvas(), frame);
    painted_.store(true);
}

void TGIFPainter::RestoreBackground(TCanvas& target, TGIFSubImage* frame) {
    const int iw = image_->Width(), ih = image_->Height();
    const int bw = rect_.Width(), bh = rect_.Height();
    const int w = frame->Width(), h = frame->Height();
    const TRect scaled = iw > 0 && ih > 0
                             ? TRect{MulDiv(frame->Left(), bw, iw), MulDiv(frame->Top(), bh, ih),
                                     MulDiv(frame->Left() + w, bw, iw), MulDiv(frame->Top() + h, bh, ih)}
                             : TRect{};
    // Tile positions as the frame is drawn; a step of 0 or less is one position.
    std::vector<TRect> tiles;
    if (iw <= 0 || ih <= 0) {
        tiles.push_back(Bounds(frame->Left(), frame->Top(), w, h));
    } else {
        for (int64_t x = frame->Left(); x < bw; x += iw)
            for (int64_t y = frame->Top(); y < bh; y += ih)
                tiles.push_back(Bounds(static_cast<int>(x), static_cast<int>(y), w, h));
    }
    const bool tile = Has(options_, doTile);
    if (!Has(options_, doTransparent)) {
        if (tile && w != iw && h != ih) {
            const TBrush saved = target.Brush;
            target.Brush.Color = image_->BackgroundColor == clNone ? BackgroundColor : image_->BackgroundColor;
            target.Brush.Style = bsSolid;
            for (const TRect& r : tiles) target.FillRect(r);
            target.Brush = saved;
        } else {
            target.FillRect(scaled);
        }
        return;
    }
    if (!background_) return;
    if (tile) {
        for (const TRect& r : tiles) target.CopyRect(r, background_->Canvas(), r);
    } else {
        target.CopyRect(scaled, background_->Canvas(), scaled);
    }
}
