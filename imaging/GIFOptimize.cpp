// Shrinking an image: cropping transparent borders of a frame and merging a frame with what the
// previous one shows.
#include <algorithm>

#include "imaging/GIFImage.h"

namespace {

int TransparentIndexOf(TGIFSubImage* frame) {
    if (!frame->Transparent || !frame->GraphicControlExtension) return -1;
    return frame->GraphicControlExtension->TransparentColorIndex();
}

uint8_t DisposalOf(TGIFSubImage* frame) {
    return frame->GraphicControlExtension ? frame->GraphicControlExtension->Disposal() : 0;
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
}

void TGIFSubImage::Merge(TGIFSubImage* previous) {
    if (!previous || Empty() || previous->Empty()) return;
    const uint8_t prevDisposal = DisposalOf(previous);
    if (prevDisposal == 2 || prevDisposal == 3) return;
    const TRect overlap = IntersectRect(BoundsRect(), previous->BoundsRect());
    if (overlap.IsEmpty()) return;

    const bool wasTransparent = Transparent && GraphicControlExtension;
    int tIndex = wasTransparent ? GraphicControlExtension->TransparentColorIndex() : -1;
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
        if (tIndex < 0) tIndex = map.Add(clBlack);
    }
    for (size_t p = 0; p < data_.size(); ++p)
        if (hit[p]) data_[p] = static_cast<uint8_t>(tIndex);

    if (!wasTransparent) {
        if (!GraphicControlExtension) extensions_->Add(std::make_unique<TGIFGraphicControlExtension>(this));
        GraphicControlExtension->SetTransparentColorIndex(tIndex);
        GraphicControlExtension->SetTransparent(true);
    }
    FreeBitmap();
}
