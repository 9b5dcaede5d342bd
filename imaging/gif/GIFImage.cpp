#include "imaging/gif/GIFImage.h"

#include <algorithm>
#include <cstring>

#include "platform/Strings.h"

// ---------------------------------------------------------------------------------------------
// Items and lists

void TGIFItem::Warning(int severity, const std::string& message) {
    if (image_) image_->Warning(this, severity, message);
}

void TGIFItem::SaveToStream(TStream&) { throw EAbstractError("Abstract Error"); }

void TGIFItem::SaveToFile(const std::string& fileName) {
    TMemoryStream s;
    SaveToStream(s);
    s.SaveToFile(fileName);
}

void TGIFItem::LoadFromFile(const std::string& fileName) {
    TMemoryStream s;
    s.LoadFromFile(fileName);
    LoadFromStream(s);
}

TGIFList::~TGIFList() { Clear(); }

TGIFItem* TGIFList::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("List index out of bounds (" + IntToStr(index) + ")");
    return items_[static_cast<size_t>(index)].get();
}

int TGIFList::Add(std::unique_ptr<TGIFItem> item) {
    items_.push_back(std::move(item));
    return Count() - 1;
}

void TGIFList::Delete(int index) {
    Items(index);
    std::unique_ptr<TGIFItem> item = std::move(items_[static_cast<size_t>(index)]);
    items_.erase(items_.begin() + index);
    item.reset();  // out of the list before its destructor looks for itself there
}

void TGIFList::Clear() {
    // Taken out as a whole, then freed first to last: no item finds itself in the list.
    std::vector<std::unique_ptr<TGIFItem>> gone;
    gone.swap(items_);
    for (auto& item : gone) item.reset();
}

int TGIFList::IndexOf(const TGIFItem* item) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == item) return static_cast<int>(i);
    return -1;
}

int TGIFList::Remove(TGIFItem* item) {
    const int index = IndexOf(item);
    if (index < 0) return -1;
    (void)items_[static_cast<size_t>(index)].release();
    items_.erase(items_.begin() + index);
    return index;
}

void TGIFList::Warning(int severity, const std::string& message) {
    if (image_) image_->Warning(this, severity, message);
}

void TGIFList::SaveToStream(TStream& stream) {
    for (auto& item : items_) item->SaveToStream(stream);
}

// ---------------------------------------------------------------------------------------------
// Colour maps

void TGIFColorMap::Clear() {
    data_.clear();
    data_.shrink_to_fit();
    count_ = 0;
    capacity_ = 0;
    optimized_ = false;
}

void TGIFColorMap::Expand(int count) {
    if (count < capacity_) return;
    int capacity = count <= 16 ? 16 : (count + 31) / 32 * 32;
    capacity = std::min(capacity, 256);
    data_.resize(static_cast<size_t>(capacity));
    capacity_ = capacity;
}

void TGIFColorMap::Assign(TPersistent* source) {
    if (auto* src = dynamic_cast<TGIFColorMap*>(source)) {
        if (src == this) return;
        Clear();
        capacity_ = src->capacity_;
        count_ = src->count_;
        optimized_ = src->optimized_;
        data_ = src->data_;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

int TGIFColorMap::Add(TColor color) {
    if (count_ >= 256) throw GIFException("Color table overflow");
    if (count_ >= capacity_) Expand(count_ + 1);
    data_[static_cast<size_t>(count_)] = FromColor(color);
    const int index = count_++;
    optimized_ = false;
    Changed();
    return index;
}

int TGIFColorMap::AddUnique(TColor color) {
    const int index = IndexOf(color);
    return index >= 0 ? index : Add(color);
}

int TGIFColorMap::IndexOf(TColor color) const {
    const TGIFColor c = FromColor(color);
    auto same = [&](int i) {
        const TGIFColor& e = data_[static_cast<size_t>(i)];
        return e.Red == c.Red && e.Green == c.Green && e.Blue == c.Blue;
    };
    if (optimized_) {
        for (int i = 0; i < count_; ++i)
            if (same(i)) return i;
    } else {
        for (int i = count_ - 1; i >= 0; --i)
            if (same(i)) return i;
    }
    return -1;
}

void TGIFColorMap::Delete(int index) {
    if (index < 0 || index >= count_) throw GIFException("Invalid color index");
    std::copy(data_.begin() + index + 1, data_.begin() + count_, data_.begin() + index);
    --count_;
    optimized_ = false;
    Changed();
}

TColor TGIFColorMap::Colors(int index) {
    if (index < 0 || index >= count_) {
        Warning(1, "Invalid color index");
        if (count_ == 0) throw GIFException("Color table is empty");
        index = 0;
    }
    return ToColor(data_[static_cast<size_t>(index)]);
}

void TGIFColorMap::LoadFromStream(TStream& stream, int count) {
    Clear();
    count = std::clamp(count, 0, 256);
    Expand(count);
    if (count > 0) ReadCheck(stream, data_.data(), int64_t{count} * 3);
    count_ = count;
}

void TGIFColorMap::SaveToStream(TStream& stream) const {
    if (count_ == 0) return;
    stream.WriteBuffer(data_.data(), int64_t{count_} * 3);
    const int padded = 1 << BitsPerPixel();
    const TGIFColor black{};
    for (int i = count_; i < padded; ++i) stream.WriteBuffer(&black, 3);
}

int TGIFColorMap::BitsPerPixel() const { return ColorResolution(count_); }

void TGIFColorMap::ImportPalette(HPALETTE palette) {
    Clear();
    PALETTEENTRY entries[256];
    const int count = GetPaletteEntries(palette, 0, 256, entries);
    if (count <= 0) return;
    Expand(count);
    for (int i = 0; i < count; ++i)
        data_[static_cast<size_t>(i)] = TGIFColor{entries[i].peRed, entries[i].peGreen, entries[i].peBlue};
    count_ = count;
    Changed();
}

void TGIFColorMap::ImportRGBQuads(const uint8_t* quads, int count) {
    Clear();
    count = std::clamp(count, 0, 256);
    if (count > 0) {
        Expand(count);
        for (int i = 0; i < count; ++i)
            data_[static_cast<size_t>(i)] = TGIFColor{quads[i * 4 + 2], quads[i * 4 + 1], quads[i * 4]};
    }
    count_ = count;
    Changed();
}

void TGIFColorMap::ImportDIB(const TBitmap& bitmap) {
    std::vector<uint8_t> quads;
    if (TBitmap::BitsPerPixel(bitmap.PixelFormat()) <= 8) {
        const std::vector<PALETTEENTRY> table = bitmap.ColorTable();
        for (size_t i = 0; i < table.size() && i < 256; ++i)
            quads.insert(quads.end(), {table[i].peBlue, table[i].peGreen, table[i].peRed, 0});
    }
    ImportRGBQuads(quads.data(), static_cast<int>(quads.size() / 4));
}

HPALETTE TGIFColorMap::ExportPalette() const {
    if (count_ == 0) return nullptr;
    PALETTEENTRY entries[256];
    for (int i = 0; i < count_; ++i) {
        const TGIFColor& c = data_[static_cast<size_t>(i)];
        entries[i] = PALETTEENTRY{c.Red, c.Green, c.Blue, PC_NOCOLLAPSE};
    }
    return CreatePalette(entries, count_);
}

bool TGIFColorMap::Optimize() {
    if (count_ <= 1) return false;
    optimized_ = true;
    std::vector<int> counts(static_cast<size_t>(count_), 0);
    BuildHistogram(counts);
    std::vector<int> order(static_cast<size_t>(count_));
    for (int i = 0; i < count_; ++i) order[static_cast<size_t>(i)] = i;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return counts[static_cast<size_t>(a)] > counts[static_cast<size_t>(b)];
    });
    bool same = true;
    for (int i = 0; i < count_ && same; ++i) same = order[static_cast<size_t>(i)] == i;
    if (same) return true;
    std::vector<uint8_t> map(256);
    for (int i = 0; i < 256; ++i) map[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    for (int i = 0; i < count_; ++i) map[static_cast<size_t>(order[static_cast<size_t>(i)])] = static_cast<uint8_t>(i);
    MapImages(map);
    std::vector<TGIFColor> sorted(data_.size());
    int used = count_;
    for (int i = 0; i < count_; ++i) {
        sorted[static_cast<size_t>(i)] = data_[static_cast<size_t>(order[static_cast<size_t>(i)])];
        if (used == count_ && counts[static_cast<size_t>(order[static_cast<size_t>(i)])] == 0) used = i;
    }
    data_ = std::move(sorted);
    count_ = used;
    Changed();
    return true;
}

namespace {

// Pixels below count of the frame, counted or rewritten.
void CountPixels(TGIFSubImage& frame, std::vector<int>& counts) {
    const uint8_t* p = frame.Data();
    const size_t n = counts.size();
    for (int64_t i = 0; p && i < frame.DataSize(); ++i)
        if (p[i] < n) ++counts[p[i]];
}

void RemapPixels(TGIFSubImage& frame, const std::vector<uint8_t>& map, int count) {
    uint8_t* p = frame.Data();
    for (int64_t i = 0; p && i < frame.DataSize(); ++i)
        if (p[i] < count) p[i] = map[p[i]];
    TGIFGraphicControlExtension* gce = frame.GraphicControlExtension;
    if (frame.Transparent && gce && gce->Record.TransparentColorIndex < count)
        gce->Record.TransparentColorIndex = map[gce->Record.TransparentColorIndex];
    frame.FreeBitmap();
    frame.FreeMask();
}

}  // namespace

bool TGIFGlobalColorMap::Optimize() {
    if (!header_ || !header_->Image() || header_->Image()->Images().Count() == 0) return false;
    return TGIFColorMap::Optimize();
}

void TGIFGlobalColorMap::BuildHistogram(std::vector<int>& counts) {
    TGIFImageList& list = header_->Image()->Images();
    for (int i = 0; i < list.Count(); ++i)
        if (&list.SubImages(i)->ActiveColorMap() == this) CountPixels(*list.SubImages(i), counts);
}

void TGIFGlobalColorMap::MapImages(const std::vector<uint8_t>& map) {
    TGIFImageList& list = header_->Image()->Images();
    for (int i = 0; i < list.Count(); ++i)
        if (&list.SubImages(i)->ActiveColorMap() == this) RemapPixels(*list.SubImages(i), map, Count());
}

void TGIFLocalColorMap::BuildHistogram(std::vector<int>& counts) {
    if (subImage_) CountPixels(*subImage_, counts);
}

void TGIFLocalColorMap::MapImages(const std::vector<uint8_t>& map) {
    if (subImage_) RemapPixels(*subImage_, map, Count());
}

void TGIFGlobalColorMap::Warning(int severity, const std::string& message) {
    if (header_ && header_->Image()) header_->Image()->Warning(this, severity, message);
}

void TGIFGlobalColorMap::Changed() {
    if (header_ && header_->Image()) header_->Image()->SetPalette(nullptr);
}

void TGIFLocalColorMap::Warning(int severity, const std::string& message) {
    if (subImage_ && subImage_->Image()) subImage_->Image()->Warning(this, severity, message);
}

void TGIFLocalColorMap::Changed() {
    if (subImage_) subImage_->SetPalette(nullptr);
}

static_assert(sizeof(TGIFColor) == 3, "colour map entries are stored as file bytes");

// ---------------------------------------------------------------------------------------------
// Header

TGIFHeader::TGIFHeader(TGIFImage* image)
    : TGIFItem(image), colorMap_(std::make_unique<TGIFGlobalColorMap>(this)) {
    Clear();
}

// The map goes with the header; the image drops its own palette as it goes.
TGIFHeader::~TGIFHeader() = default;

void TGIFHeader::Clear() {
    colorMap_->Clear();
    ScreenWidth = ScreenHeight = 0;
    PackedFields = BackgroundColorIndex = AspectRatio = 0;
}

void TGIFHeader::Assign(TPersistent* source) {
    if (auto* src = dynamic_cast<TGIFHeader*>(source)) {
        if (src == this) return;
        colorMap_->Assign(&src->ColorMap());
        ScreenWidth = src->ScreenWidth;
        ScreenHeight = src->ScreenHeight;
        PackedFields = src->PackedFields;
        BackgroundColorIndex = src->BackgroundColorIndex;
        AspectRatio = src->AspectRatio;
        return;
    }
    if (auto* map = dynamic_cast<TGIFColorMap*>(source)) {
        Clear();
        colorMap_->Assign(map);
        return;
    }
    TGIFItem::Assign(source);
}

int TGIFHeader::GetVersion() const { return colorMap_->Optimized() || AspectRatio != 0 ? 2 : 1; }

void TGIFHeader::SaveToStream(TStream& stream) {
    const int version = image_ ? image_->GetVersion() : 1;
    if (version != 1 && version != 2) Error("Unsupported GIF version");
    stream.WriteBuffer(version == 1 ? "GIF87a" : "GIF89a", 6);
    const TGIFGlobalColorMap& map = *colorMap_;
    PackedFields = 0;
    if (map.Count() > 0) {
        PackedFields = 0x80;
        if (map.Optimized()) PackedFields |= 0x08;
    }
    const int resolution = image_ ? image_->GetColorResolution() : GetColorResolution();
    PackedFields |= static_cast<uint8_t>((resolution << 4) & 0x70);
    // The size code follows the table that is written, not the largest local map.
    PackedFields |= static_cast<uint8_t>((map.BitsPerPixel() - 1) & 7);
    const uint8_t d[7] = {static_cast<uint8_t>(ScreenWidth), static_cast<uint8_t>(ScreenWidth >> 8),
                          static_cast<uint8_t>(ScreenHeight), static_cast<uint8_t>(ScreenHeight >> 8),
                          PackedFields, BackgroundColorIndex, AspectRatio};
    stream.WriteBuffer(d, 7);
    if (PackedFields & 0x80) map.SaveToStream(stream);
}

TColor TGIFHeader::BackgroundColor() { return colorMap_->Colors(BackgroundColorIndex); }

void TGIFHeader::LoadFromStream(TStream& stream) {
    const int64_t start = stream.Position();
    char signature[6];
    ReadCheck(stream, signature, 6);
    if (UpperCase(std::string_view(signature, 3)) != "GIF") {
        // A signature may stand 4 bytes in.
        stream.SetPosition(start);
        stream.Seek(4, soCurrent);
        ReadCheck(stream, signature, 6);
        if (UpperCase(std::string_view(signature, 3)) != "GIF") Error("Invalid GIF signature");
    }
    uint8_t d[7];
    ReadCheck(stream, d, 7);
    ScreenWidth = static_cast<uint16_t>(d[0] | d[1] << 8);
    ScreenHeight = static_cast<uint16_t>(d[2] | d[3] << 8);
    PackedFields = d[4];
    BackgroundColorIndex = d[5];
    AspectRatio = d[6];
    if (PackedFields & 0x80) {
        const int count = 2 << (PackedFields & 7);
        if (count < 2 || count > 256) Error("Invalid number of colors specified in Screen Descriptor");
        colorMap_->LoadFromStream(stream, count);
    } else {
        colorMap_->Clear();
    }
}

// ---------------------------------------------------------------------------------------------
// Frame list and trailer

void TGIFImageList::LoadFromStream(TStream& stream, TGIFImage* parent) {
    for (;;) {
        uint8_t b = 0;
        do {
            if (stream.Read(&b, 1) != 1) return;
        } while (b == 0);
        stream.Seek(-1, soCurrent);
        if (b == 0x3B) return;
        if (b != 0x21 && b != 0x2C) {
            Warning(1, "Unknown GIF block type");
            return;
        }
        auto frame = std::make_unique<TGIFSubImage>(parent);
        frame->LoadFromStream(stream);
        Add(std::move(frame));
        const int64_t size = stream.Size();
        const int64_t percent = size > 0 ? std::clamp<int64_t>(stream.Position() * 100 / size, 0, 100) : 0;
        parent->Progress(parent, psRunning, static_cast<uint8_t>(percent), TGIFImage::RenderOnLoad, TRect{},
                         "Loading...");
    }
}

void TGIFTrailer::SaveToStream(TStream& stream) { WriteByte(stream, 0x3B); }

void TGIFTrailer::LoadFromStream(TStream& stream) {
    uint8_t b = 0;
    if (stream.Read(&b, 1) == 1 && b != 0x3B) Warning(1, "Invalid Image trailer");
}

// ---------------------------------------------------------------------------------------------
// Image

bool TGIFImage::RenderOnLoad = false;
TGIFDrawOptions TGIFImage::DefaultDrawOptions = 0x068F;
uint8_t TGIFImage::DefaultColorReduction = 6;
int TGIFImage::DefaultReductionBits = 8;
uint8_t TGIFImage::DefaultDitherMode = 0;
uint8_t TGIFImage::DefaultCompression = 0;
uint8_t TGIFImage::DefaultThreadPriority = 3;
int TGIFImage::DefaultAnimationSpeed = 100;

TGIFImage::TGIFImage()
    : DrawOptions(DefaultDrawOptions),
      ColorReduction(DefaultColorReduction),
      ReductionBits(DefaultReductionBits),
      DitherMode(DefaultDitherMode),
      Compression(DefaultCompression),
      ThreadPriority(DefaultThreadPriority),
      AnimationSpeed(DefaultAnimationSpeed) {
    images_ = std::make_unique<TGIFImageList>(this);
    header_ = std::make_unique<TGIFHeader>(this);
    Clear();
}

TGIFImage::~TGIFImage() {
    // Everything that may call back into the image goes while the image is whole.
    StopDraw();
    DetachPainters();
    OnWarning = nullptr;
    images_->Clear();
    header_->ColorMap().Clear();
    images_.reset();
    header_.reset();
    if (globalPalette_) DeletePalette(globalPalette_);
    globalPalette_ = nullptr;
}


void TGIFImage::Clear() {
    StopDraw();
    images_->Clear();
    header_->ColorMap().Clear();
    header_->ScreenWidth = 0;
    header_->ScreenHeight = 0;
    // The packed fields as a header write would rebuild them for an image with no colours.
    header_->PackedFields = 0;
    SetPalette(nullptr);
}

bool TGIFImage::IsTransparent() const {
    for (int i = 0; i < images_->Count(); ++i) {
        TGIFSubImage* frame = images_->SubImages(i);
        TGIFExtensionList& ext = frame->Extensions();
        for (int j = 0; j < ext.Count(); ++j) {
            auto* gce = dynamic_cast<TGIFGraphicControlExtension*>(ext.Extensions(j));
            if (gce && gce->Transparent()) return true;
        }
    }
    return false;
}

void TGIFImage::SetWidth(int value) {
    for (int i = 0; i < images_->Count(); ++i) {
        TGIFSubImage* f = images_->SubImages(i);
        if (int64_t{f->Left()} + f->Width() > value) Error("Image width too small for contained frames");
    }
    if (value != header_->ScreenWidth) {
        header_->ScreenWidth = static_cast<uint16_t>(std::clamp(value, 0, 65535));
        bitmap_.reset();
        Changed(this);
    }
}

void TGIFImage::SetHeight(int value) {
    for (int i = 0; i < images_->Count(); ++i) {
        TGIFSubImage* f = images_->SubImages(i);
        if (int64_t{f->Top()} + f->Height() > value) Error("Image height too small for contained frames");
    }
    if (value != header_->ScreenHeight) {
        header_->ScreenHeight = static_cast<uint16_t>(std::clamp(value, 0, 65535));
        bitmap_.reset();
        Changed(this);
    }
}

void TGIFImage::Warning(TObject* sender, int severity, const std::string& message) {
    if (OnWarning) OnWarning(sender, severity, message);
}

void TGIFImage::SetPalette(HPALETTE value) {
    if (value == globalPalette_) return;
    if (globalPalette_) DeletePalette(globalPalette_);
    globalPalette_ = value;
    if (bitmap_ && bitmap_->Palette() != value) {
        bitmap_.reset();
        SetPaletteModified(true);
        Changed(this);
    }
}

void TGIFImage::ScreenSizeFix() {
    // The sums may pass the 16-bit fields: they stop at 65535 instead of wrapping.
    for (int i = 0; i < images_->Count(); ++i) {
        TGIFSubImage* f = images_->SubImages(i);
        const int64_t right = int64_t{f->Left()} + f->Width();
        const int64_t bottom = int64_t{f->Top()} + f->Height();
        if (right > header_->ScreenWidth) header_->ScreenWidth = static_cast<uint16_t>(std::min<int64_t>(right, 65535));
        if (bottom > header_->ScreenHeight)
            header_->ScreenHeight = static_cast<uint16_t>(std::min<int64_t>(bottom, 65535));
    }
}

void TGIFImage::LoadFromStream(TStream& stream) {
    Progress(this, psStarting, 0, false, TRect{}, "Loading...");
    try {
        Clear();
        const int64_t start = stream.Position();
        try {
            header_->LoadFromStream(stream);
            images_->LoadFromStream(stream, this);
            ScreenSizeFix();
            TGIFTrailer trailer(this);
            trailer.LoadFromStream(stream);
        } catch (...) {
            stream.SetPosition(start);
            throw;
        }
    } catch (...) {
        Progress(this, psEnding, 0, true, TRect{}, "Loading...");
        throw;
    }
    Progress(this, psEnding, 100, true, TRect{}, "Loading...");
}

int TGIFImage::GetVersion() const {
    int version = 0;
    for (int i = 0; i < images_->Count(); ++i) {
        version = std::max(version, images_->SubImages(i)->GetVersion());
        if (version >= 2) break;
    }
    return version;
}

int TGIFImage::GetBitsPerPixel() const {
    int bits = header_->GetBitsPerPixel();
    for (int i = 0; i < images_->Count(); ++i) bits = std::max(bits, images_->SubImages(i)->GetBitsPerPixel());
    return bits;
}

int TGIFImage::GetColorResolution() const {
    int bits = header_->GetColorResolution();
    for (int i = 0; i < images_->Count(); ++i) bits = std::max(bits, images_->SubImages(i)->GetColorResolution());
    return bits;
}

void TGIFImage::SaveToStream(TStream& stream) {
    Progress(this, psStarting, 0, false, TRect{}, "Saving...");
    try {
        header_->SaveToStream(stream);
        const int count = images_->Count();
        for (int i = 0; i < count; ++i) {
            images_->SubImages(i)->SaveToStream(stream);
            Progress(this, psRunning, static_cast<uint8_t>((i + 1) * 100 / count), false, TRect{}, "Saving...");
        }
        TGIFTrailer trailer(this);
        trailer.SaveToStream(stream);
    } catch (...) {
        Progress(this, psEnding, 0, true, TRect{}, "Saving...");
        throw;
    }
    Progress(this, psEnding, 100, true, TRect{}, "Saving...");
}

void TGIFImage::Assign(TPersistent* source) {
    if (source == this) return;
    if (!source) {
        Clear();
        return;
    }
    if (auto* src = dynamic_cast<TGIFImage*>(source)) {
        Clear();
        // The source's handlers hear the copy; ours come back afterwards.
        TGIFWarning ownWarning = std::move(OnWarning);
        TProgressEvent ownProgress = std::move(OnProgress);
        OnWarning = src->OnWarning;
        OnProgress = src->OnProgress;
        struct Restore {
            TGIFImage* self;
            TGIFWarning& w;
            TProgressEvent& p;
            ~Restore() {
                self->OnWarning = std::move(w);
                self->OnProgress = std::move(p);
            }
        } restore{this, ownWarning, ownProgress};
        Progress(this, psStarting, 0, false, TRect{}, "Copying...");
        try {
            header_->Assign(&src->Header());
            ThreadPriority = src->ThreadPriority;
            BackgroundColor = src->BackgroundColor;
            DrawOptions = src->DrawOptions;
            ColorReduction = src->ColorReduction;
            DitherMode = src->DitherMode;
            StillFrame = src->StillFrame;
            OnStartPaint = src->OnStartPaint;
            OnPaint = src->OnPaint;
            OnAfterPaint = src->OnAfterPaint;
            OnLoop = src->OnLoop;
            OnEndPaint = src->OnEndPaint;
            const int count = src->Images().Count();
            for (int i = 0; i < count; ++i) {
                auto frame = std::make_unique<TGIFSubImage>(this);
                frame->Assign(src->Images().SubImages(i));
                images_->Add(std::move(frame));
                Progress(this, psRunning, static_cast<uint8_t>((i + 1) * 100 / count), false, TRect{},
                         "Copying...");
            }
            ScreenSizeFix();
        } catch (...) {
            Progress(this, psEnding, 0, true, TRect{}, "Copying...");
            throw;
        }
        Progress(this, psEnding, 100, true, TRect{}, "Copying...");
        return;
    }
    Clear();
    auto frame = std::make_unique<TGIFSubImage>(this);
    frame->Assign(source);
    images_->Add(std::move(frame));
    bitmap_.reset();
    Changed(this);
}
