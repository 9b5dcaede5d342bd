// Drawing a whole image with animation, stopping its painters, adding frames, streaming and the
// clipboard.
#include "imaging/gif/GIFImage.h"
#include "imaging/gif/GIFPainter.h"
#include "platform/graphics/SysServices.h"

namespace {

bool Has(TGIFDrawOptions options, TGIFDrawOption o) { return (options & GIFDrawOption(o)) != 0; }

struct ListLock {
    TThreadList<TGIFPainter*>& list;
    std::vector<TGIFPainter*>& items;
    explicit ListLock(TThreadList<TGIFPainter*>& l) : list(l), items(l.LockList()) {}
    ~ListLock() { list.UnlockList(); }
};

// Lets pending painter calls run while a threaded painter is on its way out.
void YieldToPainters() {
    if (IsMainThread()) CheckSynchronize();
    Sleep(0);
}

}  // namespace

bool TGIFImage::OptimizeOnWrite = false;

void TGIFImage::Paint(TGIFPainter*& painter, TCanvas& canvas, const TRect& rect, TGIFDrawOptions options) {
    if (Empty() || rect.IsEmpty()) {
        painter = nullptr;
        return;
    }
    if (images_->Count() == 1)
        options &= static_cast<TGIFDrawOptions>(~(GIFDrawOption(doThreaded) | GIFDrawOption(doAnimate)));
    auto* p = new TGIFPainter(this, &canvas, rect, options, &painter);
    Painters.Add(p);
    p->OnStartPaint = OnStartPaint;
    p->OnPaint = OnPaint;
    p->OnAfterPaint = OnAfterPaint;
    p->OnLoop = OnLoop;
    p->OnEndPaint = OnEndPaint;
    if (p->Threaded()) {
        p->Priority = static_cast<TThreadPriority>(std::min<int>(ThreadPriority, tpTimeCritical));
        return;
    }
    std::exception_ptr error;
    try {
        p->Run();
        error = p->KeptError();
    } catch (...) {
        error = std::current_exception();
    }
    delete p;  // the clean-up clears painter
    if (error) std::rethrow_exception(error);
}

void TGIFImage::StopDraw() {
    for (;;) {
        bool threaded = false;
        {
            ListLock lock(Painters);
            for (size_t i = lock.items.size(); i-- > 0;) {
                TGIFPainter* p = lock.items[i];
                threaded = threaded || p->Threaded();
                p->Stop();
            }
        }
        if (!threaded) break;
        YieldToPainters();
    }
    bitmap_.reset();
}

void TGIFImage::StopPainting() {
    for (;;) {
        bool threaded = false;
        {
            ListLock lock(Painters);
            if (painter_) {
                threaded = painter_->Threaded();
                painter_->Stop();
            }
        }
        if (!threaded) break;
        YieldToPainters();
    }
    bitmap_.reset();
}

void TGIFImage::DetachPainters() {
    ListLock lock(Painters);
    for (TGIFPainter* p : lock.items) p->Detach();
    lock.items.clear();
    painter_ = nullptr;
}

void TGIFImage::DrawImageBitmap(TCanvas& canvas, const TRect& rect) {
    if (!bitmap_) return;
    if (!Has(DrawOptions, doTile)) {
        canvas.StretchDraw(rect, bitmap_.get());
        return;
    }
    const int w = Width(), h = Height();
    if (w <= 0 || h <= 0) {
        // A step that never advances: once.
        canvas.StretchDraw(Bounds(rect.Left, rect.Top, bitmap_->Width(), bitmap_->Height()), bitmap_.get());
        return;
    }
    for (int64_t x = rect.Left; x < rect.Right; x += w)
        for (int64_t y = rect.Top; y < rect.Bottom; y += h)
            canvas.StretchDraw(Bounds(static_cast<int>(x), static_cast<int>(y), w, h), bitmap_.get());
}

void TGIFImage::DrawAnimated(TCanvas& canvas, const TRect& rect) {
    const bool direct = Has(DrawOptions, doDirectDraw);
    if (!direct && bitmap_) {
        DrawImageBitmap(canvas, rect);
        return;
    }
    ListLock lock(Painters);
    if (painter_ && painter_->DestCanvas() == &canvas && painter_->DestRect() == rect) return;
    StopPainting();
    TCanvas* dest = &canvas;
    TRect destRect = rect;
    if (!direct) {
        auto b = std::make_unique<TBitmap>();
        b->SetPixelFormat(pf24bit);
        if (HPALETTE pal = GetPalette()) b->SetPalette(CopyPalette(pal));
        b->SetHeight(Height());
        b->SetWidth(Width());
        b->Canvas().CopyRect(b->Canvas().ClipRect(), canvas, rect);
        bitmap_ = std::move(b);
        dest = &bitmap_->Canvas();
        destRect = dest->ClipRect();
    }
    Paint(painter_, *dest, destRect, DrawOptions);
    if (!painter_) {
        // A painter without a thread ran to its end inside Paint: the canvas gets what it left.
        if (!direct) DrawImageBitmap(canvas, rect);
        return;
    }
    painter_->Start();
    if (direct) return;
    while (painter_ && !painter_->Painted() && !painter_->Stopped()) {
        if (!(IsMainThread() && CheckSynchronize())) Sleep(0);
    }
    DrawImageBitmap(canvas, rect);
}

int TGIFImage::Add(TPersistent* source) {
    std::unique_ptr<TGIFSubImage> frame;
    if (auto* sub = dynamic_cast<TGIFSubImage*>(source)) {
        if (sub->Image() && sub->Image() != this) sub->Image()->Images().Remove(sub);
        frame.reset(sub);
    } else if (dynamic_cast<TGraphic*>(source) || dynamic_cast<TPicture*>(source)) {
        frame = std::make_unique<TGIFSubImage>(this);
        frame->Assign(source);
    } else {
        Error("Object type not supported for operation");
    }
    const int index = images_->Add(std::move(frame));
    bitmap_.reset();
    Changed(this);
    return index;
}

void TGIFImage::WriteData(TStream& stream) {
    if (OptimizeOnWrite)
        Optimize(GIFOptimizeOption(opCrop) | GIFOptimizeOption(opMerge) | GIFOptimizeOption(opCleanup) |
                     GIFOptimizeOption(opColorMaps) | GIFOptimizeOption(opReduceColors),
                 0, 0, 8);
    SaveToStream(stream);
}

unsigned TGIFImage::ClipboardFormat() { return RegisterClipboardFormat("GIF Image"); }

void TGIFImage::LoadFromClipboardFormat(unsigned format, HCLIPDATA data, HPALETTE palette) {
    if (!data) data = GetClipboardData(format);
    if (data && format == ClipboardFormat()) {
        TMemoryStream s;
        if (!data->Bytes.empty()) s.Write(data->Bytes.data(), static_cast<int64_t>(data->Bytes.size()));
        s.SetPosition(0);
        LoadFromStream(s);
        return;
    }
    if (data && format == CF_BITMAP && data->Bitmap) {
        TBitmap b;
        b.LoadFromClipboardFormat(format, data, palette);
        Assign(&b);
        return;
    }
    Error("Unsupported clipboard format");
}

void TGIFImage::SaveToClipboardFormat(unsigned& format, HCLIPDATA& data, HPALETTE& palette) {
    if (Empty()) return;
    TBitmap* first = Bitmap();
    if (first) first->SaveToClipboardFormat(format, data, palette);
    TMemoryStream s;
    SaveToStream(s);
    std::vector<uint8_t> bytes(static_cast<size_t>(s.Size()));
    s.SetPosition(0);
    if (!bytes.empty()) s.Read(bytes.data(), static_cast<int64_t>(bytes.size()));
    if (!SetClipboardData(ClipboardFormat(), MakeClipboardBytes(std::move(bytes))))
        Error("Failed to store GIF on clipboard");
}
