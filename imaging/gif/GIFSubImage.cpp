#include "imaging/gif/GIFImage.h"

#include <algorithm>

TGIFSubImage::TGIFSubImage(TGIFImage* image)
    : TGIFItem(image),
      colorMap_(std::make_unique<TGIFLocalColorMap>(this)),
      extensions_(std::make_unique<TGIFExtensionList>(image)) {}

TGIFSubImage::~TGIFSubImage() {
    if (image_) image_->Images().Remove(this);
    Clear();
    // The extensions forget this frame as they go; then nothing may call back into it.
    extensions_->Clear();
    extensions_.reset();
    colorMap_->Clear();
    if (palette_) DeletePalette(palette_);
    palette_ = nullptr;
}

void TGIFSubImage::Clear() {
    extensions_->Clear();
    colorMap_->Clear();
    FreeImage();
    SetBounds(4, 0);
    SetBounds(3, 0);
    Transparent = false;
    GraphicControlExtension = nullptr;
    FreeBitmap();
    FreeMask();
}

bool TGIFSubImage::Empty() const { return data_.empty() || height_ == 0 || width_ == 0; }

int TGIFSubImage::GetBounds(int index) const {
    switch (index) {
        case 1: return left_;
        case 2: return top_;
        case 3: return width_;
        case 4: return height_;
        default: return 0;
    }
}

void TGIFSubImage::SetBounds(int index, int value) {
    switch (index) {
        case 1: SetBoundsR(value, top_, width_, height_); break;
        case 2: SetBoundsR(left_, value, width_, height_); break;
        case 3: SetBoundsR(left_, top_, value, height_); break;
        case 4: SetBoundsR(left_, top_, width_, value); break;
        default: break;
    }
}

void TGIFSubImage::CheckSize(int64_t width, int64_t height) {
    // Two 16-bit fields from the file: the product needs 64 bits and a cap before allocating.
    if (width * height > TBitmap::MaxImageBytes()) Error("Invalid image dimensions");
}

void TGIFSubImage::SetBoundsR(int left, int top, int width, int height) {
    const auto field = [](int v) { return static_cast<uint16_t>(v); };
    const bool resized = field(width) != width_ || field(height) != height_;
    if (resized) CheckSize(field(width), field(height));
    left_ = field(left);
    top_ = field(top);
    width_ = field(width);
    height_ = field(height);
    if (resized) {
        FreeBitmap();
        FreeMask();
        NewImage();
    }
    if (!image_) return;
    bool warned = false;
    const int64_t right = int64_t{left_} + width_;
    const int64_t bottom = int64_t{top_} + height_;
    TGIFHeader& h = image_->Header();
    if (h.ScreenWidth < right) {
        if (h.ScreenWidth > 0) {
            Warning(1, "Image width too small for contained frames");
            warned = true;
        }
        h.ScreenWidth = static_cast<uint16_t>(std::min<int64_t>(right, 65535));
    }
    if (h.ScreenHeight < bottom) {
        if (h.ScreenHeight > 0) {
            Warning(1, "Image height too small for contained frames");
            warned = true;
        }
        h.ScreenHeight = static_cast<uint16_t>(std::min<int64_t>(bottom, 65535));
    }
    if (warned) Warning(1, "Image exceeds Logical Screen size");
}

TRect TGIFSubImage::BoundsRect() const { return Bounds(left_, top_, width_, height_); }

int TGIFSubImage::GetVersion() const {
    return colorMap_->Optimized() || extensions_->Count() > 0 ? 2 : 1;
}

void TGIFSubImage::NewImage() {
    FreeImage();
    const int64_t size = int64_t{width_} * height_;
    CheckSize(width_, height_);
    if (size > 0) data_.assign(static_cast<size_t>(size), 0);
}

void TGIFSubImage::FreeImage() {
    data_.clear();
    data_.shrink_to_fit();
}

void TGIFSubImage::NeedImage() {
    if (data_.empty()) NewImage();
    if (data_.empty()) Error("Image is empty");
}

uint8_t* TGIFSubImage::Scanline(int row) {
    if (row < 0 || row >= height_) Error("Invalid pixel coordinates");
    NeedImage();
    return data_.data() + static_cast<size_t>(row) * width_;
}

uint8_t TGIFSubImage::Pixels(int x, int y) {
    if (x < 0 || x >= width_) Error("Invalid pixel coordinates");
    return Scanline(y)[x];
}

TGIFColorMap& TGIFSubImage::ActiveColorMap() {
    if (colorMap_->Count() > 0) return *colorMap_;
    if (image_ && image_->Header().ColorMap().Count() > 0) return image_->Header().ColorMap();
    return *colorMap_;
}

void TGIFSubImage::SetPalette(HPALETTE value) {
    if (value == palette_) return;
    if (palette_) DeletePalette(palette_);
    if (bitmap_ && value != bitmap_->Palette()) {
        palette_ = value;
        FreeBitmap();
        if (image_) {
            image_->SetPaletteModified(true);
            image_->Changed(this);
        }
    } else {
        palette_ = value;
    }
}

void TGIFExtensionList::LoadFromStream(TStream& stream, TGIFSubImage* parent) {
    uint8_t b = 0;
    if (stream.Read(&b, 1) != 1) return;
    while (b != 0x2C && b != 0x3B) {
        if (b != 0x21) {
            Warning(1, "Invalid extension introducer");
            break;
        }
        TGIFExtensionClass cls = TGIFExtension::FindExtension(stream);
        if (!cls) Error("Unknown extension type");
        stream.Seek(-1, soCurrent);
        std::unique_ptr<TGIFExtension> ext = cls->Create(parent);
        ext->LoadFromStream(stream);
        Add(std::move(ext));
        if (stream.Read(&b, 1) != 1) return;
    }
    stream.Seek(-1, soCurrent);
}

void TGIFSubImage::LoadFromStream(TStream& stream) {
    Clear();
    extensions_->LoadFromStream(stream, this);
    uint8_t b = 0;
    if (stream.Read(&b, 1) != 1) return;
    stream.Seek(-1, soCurrent);
    // Only an image separator starts a descriptor here; any other byte is the frame loop's.
    if (b != 0x2C) return;
    uint8_t d[10];
    ReadCheck(stream, d, 10);
    Separator = d[0];
    left_ = static_cast<uint16_t>(d[1] | d[2] << 8);
    top_ = static_cast<uint16_t>(d[3] | d[4] << 8);
    width_ = static_cast<uint16_t>(d[5] | d[6] << 8);
    height_ = static_cast<uint16_t>(d[7] | d[8] << 8);
    PackedFields = d[9];
    if (height_ == 0 || width_ == 0) {
        height_ = image_ ? image_->Header().ScreenHeight : 0;
        width_ = image_ ? image_->Header().ScreenWidth : 0;
        Warning(1, "Image exceeds Logical Screen size");
    }
    CheckSize(width_, height_);
    if (PackedFields & 0x80) {
        const int count = 2 << (PackedFields & 7);
        if (count < 2 || count > 256) Error("Invalid number of colors specified in Image Descriptor");
        colorMap_->LoadFromStream(stream, count);
    }
    Decompress(stream);
    if (TGIFImage::RenderOnLoad) Bitmap();
}

void TGIFSubImage::Assign(TPersistent* source) {
    if (source == this) return;
    if (!source) {
        Clear();
        return;
    }
    if (auto* src = dynamic_cast<TGIFSubImage*>(source)) {
        Clear();
        if (src->Empty()) return;
        Separator = src->Separator;
        left_ = src->left_;
        top_ = src->top_;
        width_ = src->width_;
        height_ = src->height_;
        PackedFields = src->PackedFields;
        Transparent = src->Transparent;
        NewImage();
        std::copy(src->data_.begin(), src->data_.end(), data_.begin());
        colorMap_->Assign(&src->ColorMap());
        TMemoryStream s;
        src->Extensions().SaveToStream(s);
        s.SetPosition(0);
        extensions_->LoadFromStream(s, this);
        if (src->HasBitmap()) {
            NewBitmap();
            bitmap_->Assign(src->Bitmap());
        }
        return;
    }
    if (AssignGraphic(source)) return;
    TGIFItem::Assign(source);
}

void TGIFSubImage::Prepare() {
    if (colorMap_->Count() > 0) {
        PackedFields = static_cast<uint8_t>(0x80 | (colorMap_->Optimized() ? 0x20 : 0) |
                                            ((colorMap_->BitsPerPixel() - 1) & 7));
    } else {
        PackedFields &= 0x58;
    }
}

void TGIFSubImage::SaveToStream(TStream& stream) {
    extensions_->SaveToStream(stream);
    if (Empty()) return;
    Prepare();
    const uint8_t d[10] = {Separator,
                           static_cast<uint8_t>(left_), static_cast<uint8_t>(left_ >> 8),
                           static_cast<uint8_t>(top_), static_cast<uint8_t>(top_ >> 8),
                           static_cast<uint8_t>(width_), static_cast<uint8_t>(width_ >> 8),
                           static_cast<uint8_t>(height_), static_cast<uint8_t>(height_ >> 8),
                           PackedFields};
    stream.WriteBuffer(d, 10);
    colorMap_->SaveToStream(stream);
    Compress(stream);
}

void TGIFSubImage::Compress(TStream& stream) {
    NeedImage();  // "Image is empty" rather than reading pixels that are not there
    int bits, maxColor;
    if (colorMap_->Count() > 0) {
        bits = colorMap_->BitsPerPixel();
        maxColor = colorMap_->Count();
    } else {
        bits = image_ ? image_->GetBitsPerPixel() : 8;
        maxColor = 1 << bits;
    }
    // Prepare has run: a frame with a local map goes out in plain row order.
    if (image_ && image_->Compression == 1) {
        TRLEEncoder encoder;
        encoder.Compress(stream, bits, width_, height_, Interlaced(), Data(), maxColor);
    } else {
        TLZWEncoder encoder;
        encoder.Compress(stream, bits, width_, height_, Interlaced(), Data(), maxColor);
    }
}
