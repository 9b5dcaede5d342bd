// Shrinking an image: cropping transparent borders of a frame and merging a frame with what the
// previous one shows.
#include <algorithm>

#include "imaging/gif/GIFImage.h"

namespace {

int TransparentIndexOf(TGIFSubImage* frame) {
    if (!frame->Transparent || !frame->GraphicControlExtension) return -1;
    return frame->GraphicControlExtension->TransparentColorIndex();
}

uint8_t DisposalOf(TGIFSubImage* frame) {
    return frame->GraphicControlExtension ? frame->GraphicControlExtension->Disposal() : 0;
}

// The painter takes disposal and delay from a frame's last control block, while transparency and
// what a re-read keeps follow its first: a frame with more than one is left as it is.
bool SoleControl(TGIFSubImage* frame) {
    int n = 0;
    for (int j = 0; j < frame->Extensions().Count(); ++j)
        if (dynamic_cast<TGIFGraphicControlExtension*>(frame->Extensions().Extensions(j))) ++n;
    return n <= 1;
}

// The disposal as the painter applies it: the last control block's.
uint8_t PaintedDisposal(TGIFSubImage* frame) {
    uint8_t d = 0;
    for (int j = 0; j < frame->Extensions().Count(); ++j)
        if (auto* gce = dynamic_cast<TGIFGraphicControlExtension*>(frame->Extensions().Extensions(j)))
            d = gce->Disposal();
    return d;
}

}  // namespace

void TGIFSubImage::Crop() {
    if (Empty()) return;
    const int t = TransparentIndexOf(this);
    if (t < 0) return;
    const int w = width_, h = height_;
    auto at = [&](int x, int y) { return data_[static_cast<size_t>(y) * w + x]; };
    auto columnClear = [&](int x) {
        for (int y = 0; y < h; ++y)
            if (at(x, y) != t) return false;
        return true;
    };
    int left = 0, right = w;
    while (left < right && columnClear(left)) ++left;
    while (right > left && columnClear(right - 1)) --right;
    auto rowClear = [&](int y) {
        for (int x = left; x < right; ++x)
            if (at(x, y) != t) return false;
        return true;
    };
    int top = 0, bottom = h;
    if (left < right) {
        while (top < bottom && rowClear(top)) ++top;
        while (bottom > top && rowClear(bottom - 1)) --bottom;
    }
    if (left >= right || top >= bottom) {
        Clear();
        return;
    }
    if (left == 0 && top == 0 && right == w && bottom == h) return;
    const int nw = right - left, nh = bottom - top;
    std::vector<uint8_t> cropped(static_cast<size_t>(nw) * nh);
    for (int y = 0; y < nh; ++y)
        std::copy_n(data_.begin() + static_cast<ptrdiff_t>(top + y) * w + left, nw,
                    cropped.begin() + static_cast<ptrdiff_t>(y) * nw);
    // The new size first (it makes a zero-filled buffer), then the cropped pixels.
    SetBoundsR(left_ + left, top_ + top, nw, nh);
    data_.swap(cropped);
    FreeBitmap();
    FreeMask();
}

void TGIFSubImage::Merge(TGIFSubImage* previous) {
    if (!previous || Empty() || previous->Empty()) return;
    if (!SoleControl(this) || !SoleControl(previous)) return;
    const uint8_t prevDisposal = DisposalOf(previous);
    if (prevDisposal == 2 || prevDisposal == 3) return;
    const TRect overlap = IntersectRect(BoundsRect(), previous->BoundsRect());
    if (overlap.IsEmpty()) return;

    int tIndex = TransparentIndexOf(this);
    const bool wasTransparent = tIndex >= 0;
    TGIFColorMap& map = ActiveColorMap();
    if (tIndex < 0) {
        // A transparent colour may have to be added to the map in use.
        const bool global = colorMap_->Count() == 0;
        if (map.Count() >= 256 || (global && map.Count() == 0)) return;
    }
    TGIFColorMap& prevMap = previous->ActiveColorMap();
    const bool sameMap = &map == &prevMap;
    const int prevT = TransparentIndexOf(previous);

    // Which pixels show what the previous frame shows there.
    std::vector<uint8_t> hit(data_.size(), 0);
    bool any = false;
    for (int y = overlap.Top; y < overlap.Bottom; ++y) {
        const uint8_t* row = data_.data() + static_cast<size_t>(y - top_) * width_;
        const uint8_t* prow = previous->data_.data() +
                              static_cast<size_t>(y - previous->top_) * previous->width_;
        for (int x = overlap.Left; x < overlap.Right; ++x) {
            const int a = row[x - left_];
            const int b = prow[x - previous->left_];
            if (a == tIndex || b == prevT) continue;
            bool equal = sameMap && a == b;
            if (!equal && a < map.Count() && b < prevMap.Count()) {
                const TGIFColor& ca = map.Data()[a];
                const TGIFColor& cb = prevMap.Data()[b];
                equal = ca.Red == cb.Red && ca.Green == cb.Green && ca.Blue == cb.Blue;
            }
            if (equal) {
                hit[static_cast<size_t>(y - top_) * width_ + (x - left_)] = 1;
                any = true;
            }
        }
    }
    if (!any) return;

    if (tIndex < 0) {
        // Another frame's transparent index over the global map serves only when no pixel of
        // this frame that stays opaque uses it; else black is added as the transparent colour.
        if (colorMap_->Count() == 0 && image_) {
            for (int i = 0; i < image_->Images().Count() && tIndex < 0; ++i) {
                TGIFSubImage* other = image_->Images().SubImages(i);
                if (other == this || other->colorMap_->Count() != 0) continue;
                const int candidate = TransparentIndexOf(other);
                if (candidate < 0 || candidate >= map.Count()) continue;
                bool used = false;
                for (size_t p = 0; p < data_.size() && !used; ++p)
                    used = !hit[p] && data_[p] == candidate;
                if (!used) tIndex = candidate;
            }
        }
        if (tIndex < 0) {
            // Pixels beyond the map's end, here or in any other frame drawn with the same map,
            // would change colour as the map grows: then no entry is added.
            const int added = map.Count();
            for (size_t p = 0; p < data_.size(); ++p)
                if (!hit[p] && data_[p] >= added) return;
            if (colorMap_->Count() == 0 && image_) {
                for (int i = 0; i < image_->Images().Count(); ++i) {
                    TGIFSubImage* other = image_->Images().SubImages(i);
                    if (other == this || other->colorMap_->Count() != 0) continue;
                    for (uint8_t v : other->data_)
                        if (v >= added) return;
                }
            }
            tIndex = map.Add(clBlack);
        }
    }
    for (size_t p = 0; p < data_.size(); ++p)
        if (hit[p]) data_[p] = static_cast<uint8_t>(tIndex);

    if (!wasTransparent) {
        if (!GraphicControlExtension) extensions_->Add(std::make_unique<TGIFGraphicControlExtension>(this));
        GraphicControlExtension->SetTransparentColorIndex(tIndex);
        GraphicControlExtension->SetTransparent(true);
    }
    FreeBitmap();
    FreeMask();
}

namespace {

// A frame's delay as shown: 10 units without one, at least 3.
int EffectiveDelay(TGIFSubImage* frame) {
    const int d = frame->GraphicControlExtension ? frame->GraphicControlExtension->Delay() : 0;
    return d <= 0 ? 10 : std::max(d, 3);
}

bool HasLoop(TGIFSubImage* frame) {
    for (int j = 0; j < frame->Extensions().Count(); ++j)
        if (dynamic_cast<TGIFAppExtNSLoop*>(frame->Extensions().Extensions(j))) return true;
    return false;
}

bool WhollyIndex(TGIFSubImage* frame, int index) {
    const uint8_t* p = frame->Data();
    for (int64_t i = 0; i < frame->DataSize(); ++i)
        if (p[i] != index) return false;
    return true;
}

bool Contains(const TRect& outer, const TRect& inner) {
    return outer.Left <= inner.Left && outer.Top <= inner.Top && outer.Right >= inner.Right &&
           outer.Bottom >= inner.Bottom;
}

}  // namespace

void TGIFImage::Optimize(TGIFOptimizeOptions options, uint8_t colorReduction, uint8_t, int) {
    if (Empty()) return;
    StopDraw();
    auto& painters = Painters.LockList();
    (void)painters;
    struct Unlock {
        TThreadList<TGIFPainter*>& list;
        ~Unlock() { list.UnlockList(); }
    } unlock{Painters};
    constexpr const char* kOptimizing = "Optimizing...";
    const int64_t total = int64_t{images_->Count()} * 6;
    int64_t done = 0;
    auto tick = [&] {
        ++done;
        Progress(this, psRunning, static_cast<uint8_t>(std::min<int64_t>(100, done * 100 / std::max<int64_t>(total, 1))),
                 false, TRect{}, kOptimizing);
    };
    auto has = [&](TGIFOptimizeOption o) { return (options & GIFOptimizeOption(o)) != 0; };
    auto frames = [&] { return images_->Count(); };
    auto frame = [&](int i) { return images_->SubImages(i); };
    Progress(this, psStarting, 0, false, TRect{}, kOptimizing);
    try {
        const int count = frames();
        // 1. Colour maps.
        if (has(opColorMaps) && header_->ColorMap().Count() > 0) header_->ColorMap().Optimize();
        for (int i = 0; i < count; ++i) {
            if (has(opColorMaps) && i < frames() && frame(i)->ColorMap().Count() > 0) frame(i)->ColorMap().Optimize();
            tick();
        }
        // 2. Transparency that no pixel uses, and disposals that the next frame makes moot.
        for (int i = 0; i < count; ++i) {
            if (has(opCleanup) && i < frames() && SoleControl(frame(i))) {
                TGIFSubImage* f = frame(i);
                TGIFGraphicControlExtension* gce = f->GraphicControlExtension;
                if (f->Transparent && gce && !f->Empty()) {
                    const uint8_t t = gce->TransparentColorIndex();
                    const uint8_t* p = f->Data();
                    bool used = false;
                    for (int64_t k = 0; k < f->DataSize() && !used; ++k) used = p[k] == t;
                    if (!used) gce->SetTransparent(false);
                }
                if (i + 1 < frames() && gce && (gce->Disposal() == 2 || gce->Disposal() == 3)) {
                    TGIFSubImage* next = frame(i + 1);
                    const TRect overlap = IntersectRect(f->BoundsRect(), next->BoundsRect());
                    // A next frame that restores what it covered would bring the disposal back.
                    const uint8_t nextDisposal = PaintedDisposal(next);
                    if (!next->Transparent && !next->Empty() && nextDisposal != 3 && !overlap.IsEmpty() &&
                        Contains(next->BoundsRect(), f->BoundsRect()))
                        gce->SetDisposal(0);
                }
            }
            tick();
        }
        // 3. Merge each frame with what shows beneath it, from the last one down.
        for (int i = count - 1; i >= 0; --i) {
            if (has(opMerge) && i >= 1 && i < frames()) {
                int j = i - 1;
                while (j > 0 && PaintedDisposal(frame(j)) == 3) --j;
                frame(i)->Merge(frame(j));
            }
            tick();
        }
        // 4. Crop transparent borders; a wholly transparent frame that changes nothing goes, its
        // delay moving to its predecessor.
        for (int i = count - 1; i >= 0; --i) {
            if (has(opCrop) && i < frames() && SoleControl(frame(i))) {
                TGIFSubImage* f = frame(i);
                TGIFGraphicControlExtension* gce = f->GraphicControlExtension;
                if (f->Transparent && gce && !f->Empty()) {
                    if (WhollyIndex(f, gce->TransparentColorIndex())) {
                        TGIFSubImage* prev = i > 0 ? frame(i - 1) : nullptr;
                        const uint8_t prevDisposal = prev ? DisposalOf(prev) : 0;
                        // A sum beyond 16 bits cannot be written: then the frame stays.
                        const int sum = prev ? EffectiveDelay(prev) + EffectiveDelay(f) : 0;
                        if (prev && SoleControl(prev) && gce->Disposal() <= 1 && prevDisposal <= 1 && !HasLoop(f) &&
                            sum <= 65535) {
                            if (!prev->GraphicControlExtension)
                                prev->Extensions().Add(std::make_unique<TGIFGraphicControlExtension>(prev));
                            prev->GraphicControlExtension->SetDelay(static_cast<uint16_t>(sum));
                            images_->Delete(i);
                        }
                    } else if (gce->Disposal() != 2) {
                        // A frame that clears its area afterwards clears the borders too.
                        f->Crop();
                    }
                }
            }
            tick();
        }
        // 5. Extensions that change nothing, and frames left with nothing.
        for (int i = count - 1; i >= 0; --i) {
            if (has(opCleanup) && i < frames()) {
                TGIFSubImage* f = frame(i);
                const bool single = frames() == 1;
                TGIFExtensionList& ext = f->Extensions();
                const bool sole = SoleControl(f);
                for (int j = ext.Count() - 1; j >= 0; --j) {
                    TGIFExtension* e = ext.Extensions(j);
                    bool drop = dynamic_cast<TGIFCommentExtension*>(e) || dynamic_cast<TGIFTextExtension*>(e) ||
                                dynamic_cast<TGIFUnknownAppExtension*>(e);
                    if (dynamic_cast<TGIFAppExtNSLoop*>(e)) drop = !(i == 0 && !single);
                    if (auto* gce = dynamic_cast<TGIFGraphicControlExtension*>(e))
                        drop = sole && (gce->Delay() == 0 || single) && !gce->Transparent() && !gce->UserInput() &&
                               (gce->Disposal() < 2 || single);
                    if (drop) ext.Delete(j);
                }
                if (f->Empty() && ext.Count() == 0) images_->Delete(i);
            }
            tick();
        }
        // 6. Colour reduction.
        if (has(opReduceColors) && colorReduction == 9) Error("Invalid reduction method");
        for (int i = 0; i < count; ++i) tick();
    } catch (...) {
        Progress(this, psEnding, 0, true, TRect{}, kOptimizing);
        throw;
    }
    bitmap_.reset();
    Progress(this, psEnding, 100, true, TRect{}, kOptimizing);
}
