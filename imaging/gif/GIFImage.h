#pragma once
// The GIF codec's object tree: an image (TGIFImage) owns a header (screen descriptor and global
// colour map) and a list of frames (TGIFSubImage); each frame owns its local colour map, its
// extension blocks and its pixels, one 8-bit colour index per pixel. Reading goes through
// framework streams; problems that leave the data usable are warnings through the image's
// Warning, the others raise GIFException.
#include "platform/Threads.h"
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/gif/GIFSupport.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Graphic.h"

class TGIFImage;
class TGIFSubImage;
class TGIFExtension;

// Calling an operation whose class gives no body yet (the framework's abstract-method error).
VA_DECLARE_EXCEPTION(EAbstractError, Exception)

// ---------------------------------------------------------------------------------------------
// Items and lists

class TGIFItem : public TPersistent {
public:
    explicit TGIFItem(TGIFImage* image) : image_(image) {}
    std::string ClassName() const override { return "TGIFItem"; }

    TGIFImage* Image() const { return image_; }
    // The GIF version the item needs: 1 = "87a", 2 = "89a".
    virtual int GetVersion() const { return 1; }
    // To the owning image's Warning, with the item as sender.
    virtual void Warning(int severity, const std::string& message);

    virtual void SaveToStream(TStream& stream);
    virtual void LoadFromStream(TStream& stream) = 0;
    void SaveToFile(const std::string& fileName);
    void LoadFromFile(const std::string& fileName);

protected:
    TGIFImage* image_;
};

// A list that owns its items.
class TGIFList : public TPersistent {
public:
    explicit TGIFList(TGIFImage* image) : image_(image) {}
    ~TGIFList() override;
    std::string ClassName() const override { return "TGIFList"; }

    TGIFImage* Image() const { return image_; }
    int Count() const { return static_cast<int>(items_.size()); }
    TGIFItem* Items(int index) const;
    int Add(std::unique_ptr<TGIFItem> item);
    // Takes the item out, then frees it.
    void Delete(int index);
    // Frees every item, first to last.
    void Clear();
    // Takes the item out without freeing it (the caller owns it then); its index or -1.
    int Remove(TGIFItem* item);
    int IndexOf(const TGIFItem* item) const;

    virtual void Warning(int severity, const std::string& message);
    virtual void SaveToStream(TStream& stream);

protected:
    TGIFImage* image_;
    std::vector<std::unique_ptr<TGIFItem>> items_;
};

// ---------------------------------------------------------------------------------------------
// Colour maps

struct TGIFColor {
    uint8_t Red = 0;
    uint8_t Green = 0;
    uint8_t Blue = 0;
};

class TGIFColorMap : public TPersistent {
public:
    TGIFColorMap() = default;
    std::string ClassName() const override { return "TGIFColorMap"; }

    int Count() const { return count_; }
    int Capacity() const { return capacity_; }
    bool Optimized() const { return optimized_; }
    void SetOptimized(bool value) { optimized_ = value; }
    // The entries in use.
    const TGIFColor* Data() const { return data_.data(); }

    void Clear();
    void Assign(TPersistent* source) override;
    // The new entry's index; "Color table overflow" when 256 are held.
    int Add(TColor color);
    int AddUnique(TColor color);
    // From the first entry up when Optimized, else from the last down; -1 when absent.
    int IndexOf(TColor color) const;
    void Delete(int index);
    // Entry index as a framework colour; out of range warns "Invalid color index" and gives entry
    // 0, or raises "Color table is empty".
    TColor Colors(int index);

    void LoadFromStream(TStream& stream, int count);
    // Each replaces the entries (at most 256) and calls Changed.
    void ImportPalette(HPALETTE palette);
    // Blue, green, red, reserved per entry.
    void ImportRGBQuads(const uint8_t* quads, int count);
    // The colour table of a palette-format bitmap.
    void ImportDIB(const TBitmap& bitmap);
    // A new palette of the entries (no-collapse); null for an empty map. The caller owns it.
    HPALETTE ExportPalette() const;
    // Entries in order of decreasing use, the pixels and transparent indexes that refer to them
    // remapped, unused ones cut. False for a map of 0 or 1 entries.
    virtual bool Optimize();
    // The entries, then black ones up to 2^BitsPerPixel.
    void SaveToStream(TStream& stream) const;
    int BitsPerPixel() const;

    virtual void Warning(int severity, const std::string& message) = 0;
    virtual void Changed() = 0;
    // Use count per entry of the pixels that refer to this map.
    virtual void BuildHistogram(std::vector<int>& counts) = 0;
    // Rewrites those pixels, and the transparent indexes of their frames, through map (old to new).
    virtual void MapImages(const std::vector<uint8_t>& map) = 0;

    static TColor ToColor(const TGIFColor& c) { return RGB(c.Red, c.Green, c.Blue); }
    static TGIFColor FromColor(TColor c) { return TGIFColor{GetRValue(c), GetGValue(c), GetBValue(c)}; }

private:
    void Expand(int count);

    std::vector<TGIFColor> data_;  // capacity_ entries
    int count_ = 0;
    int capacity_ = 0;
    bool optimized_ = false;
};

class TGIFHeader;

class TGIFGlobalColorMap : public TGIFColorMap {
public:
    explicit TGIFGlobalColorMap(TGIFHeader* header) : header_(header) {}
    std::string ClassName() const override { return "TGIFGlobalColorMap"; }
    TGIFHeader* Header() const { return header_; }
    void Warning(int severity, const std::string& message) override;
    // Drops the image's palette.
    void Changed() override;
    // False without touching anything when the image has no frames.
    bool Optimize() override;
    void BuildHistogram(std::vector<int>& counts) override;
    void MapImages(const std::vector<uint8_t>& map) override;

private:
    TGIFHeader* header_;
};

class TGIFLocalColorMap : public TGIFColorMap {
public:
    explicit TGIFLocalColorMap(TGIFSubImage* subImage) : subImage_(subImage) {}
    std::string ClassName() const override { return "TGIFLocalColorMap"; }
    TGIFSubImage* SubImage() const { return subImage_; }
    void Warning(int severity, const std::string& message) override;
    // Drops the frame's palette.
    void Changed() override;
    void BuildHistogram(std::vector<int>& counts) override;
    void MapImages(const std::vector<uint8_t>& map) override;

private:
    TGIFSubImage* subImage_;
};

// ---------------------------------------------------------------------------------------------
// Header

class TGIFHeader : public TGIFItem {
public:
    explicit TGIFHeader(TGIFImage* image);
    ~TGIFHeader() override;
    std::string ClassName() const override { return "TGIFHeader"; }

    // The logical screen descriptor as stored.
    uint16_t ScreenWidth = 0;
    uint16_t ScreenHeight = 0;
    uint8_t PackedFields = 0;
    uint8_t BackgroundColorIndex = 0;
    uint8_t AspectRatio = 0;

    TGIFGlobalColorMap& ColorMap() { return *colorMap_; }
    const TGIFGlobalColorMap& ColorMap() const { return *colorMap_; }

    void Clear();
    void Assign(TPersistent* source) override;
    int GetVersion() const override;
    TColor BackgroundColor();
    int GetBitsPerPixel() const { return colorMap_->BitsPerPixel(); }
    int GetColorResolution() const { return GetBitsPerPixel() - 1; }
    // Signature (upper-cased "GIF", also 4 bytes in), screen descriptor and global colour table.
    void LoadFromStream(TStream& stream) override;
    // "GIF87a" or "GIF89a" as the image needs, the descriptor and the global table.
    void SaveToStream(TStream& stream) override;

private:
    std::unique_ptr<TGIFGlobalColorMap> colorMap_;
};

// ---------------------------------------------------------------------------------------------
// Extensions

// A class of extension as the registries keep it.
struct TGIFExtensionClassInfo {
    const char* Name;
    uint8_t Label;
    std::unique_ptr<TGIFExtension> (*Create)(TGIFSubImage* subImage);
    // A more specific class for the block the stream stands in; the class itself or none.
    const TGIFExtensionClassInfo* (*FindSubExtension)(TStream& stream);
};
using TGIFExtensionClass = const TGIFExtensionClassInfo*;

using TGIFApplicationIdentifier = std::array<uint8_t, 11>;  // 8 bytes name, 3 authentication

class TGIFExtension : public TGIFItem {
public:
    explicit TGIFExtension(TGIFSubImage* subImage);
    // Takes itself out of its frame's extension list.
    ~TGIFExtension() override;
    std::string ClassName() const override { return "TGIFExtension"; }

    TGIFSubImage* SubImage() const { return subImage_; }
    int GetVersion() const override { return 2; }
    virtual uint8_t ExtensionType() const = 0;

    // Introducer and label.
    void SaveToStream(TStream& stream) override;
    // Reads the introducer and the label and checks them.
    void LoadFromStream(TStream& stream) override;

    // The class for the block whose label the stream stands at; none when the label is not
    // registered. The stream is put back.
    static TGIFExtensionClass FindExtension(TStream& stream);

protected:
    TGIFSubImage* subImage_;
};

// Registries, searched from the newest entry: a later entry for the same key wins.
void RegisterExtension(uint8_t label, TGIFExtensionClass cls);
void RegisterAppExtension(const TGIFApplicationIdentifier& identifier, TGIFExtensionClass cls);
// Empties both registries (at shut-down).
void FreeExtensionRegistries();

class TGIFGraphicControlExtension : public TGIFExtension {
public:
    explicit TGIFGraphicControlExtension(TGIFSubImage* subImage);
    // Clears the frame's reference to it (and its Transparent when this one set it).
    ~TGIFGraphicControlExtension() override;
    std::string ClassName() const override { return "TGIFGraphicControlExtension"; }
    static TGIFExtensionClass Class();
    uint8_t ExtensionType() const override { return 0xF9; }

    struct TRecord {
        uint8_t BlockSize = 4;
        uint8_t PackedFields = 0;
        uint16_t Delay = 0;
        uint8_t TransparentColorIndex = 0;
        uint8_t Terminator = 0;
    } Record;

    bool Transparent() const { return (Record.PackedFields & 1) != 0; }
    void SetTransparent(bool value);
    uint8_t TransparentColorIndex() const { return Record.TransparentColorIndex; }
    // Beyond the frame's active colour map: warns "Invalid color index" and stores 0.
    void SetTransparentColorIndex(int value);
    uint16_t Delay() const { return Record.Delay; }
    void SetDelay(uint16_t value) { Record.Delay = value; }
    bool UserInput() const { return (Record.PackedFields & 2) != 0; }
    uint8_t Disposal() const { return (Record.PackedFields >> 2) & 7; }
    void SetDisposal(uint8_t value);

    // Always size 4 and terminator 0.
    void SaveToStream(TStream& stream) override;
    // By the size byte: the fields from the first four data bytes (a missing one is 0), then
    // every sub-block up to the terminator is skipped. A block without its index byte, or cut off
    // by the end of the stream (a warning), marks nothing transparent.
    void LoadFromStream(TStream& stream) override;
};

class TGIFTextExtension : public TGIFExtension {
public:
    explicit TGIFTextExtension(TGIFSubImage* subImage);
    std::string ClassName() const override { return "TGIFTextExtension"; }
    static TGIFExtensionClass Class();
    uint8_t ExtensionType() const override { return 0x01; }

    struct TRecord {
        uint8_t BlockSize = 12;
        uint16_t Left = 0;
        uint16_t Top = 0;
        uint16_t Width = 0;
        uint16_t Height = 0;
        uint8_t CellWidth = 0;
        uint8_t CellHeight = 0;
        uint8_t TextFGColorIndex = 0;
        uint8_t TextBGColorIndex = 0;
    } Record;
    TStringList Text;

    void SaveToStream(TStream& stream) override;
    void LoadFromStream(TStream& stream) override;
};

class TGIFCommentExtension : public TGIFExtension {
public:
    explicit TGIFCommentExtension(TGIFSubImage* subImage) : TGIFExtension(subImage) {}
    std::string ClassName() const override { return "TGIFCommentExtension"; }
    static TGIFExtensionClass Class();
    uint8_t ExtensionType() const override { return 0xFE; }

    TStringList Text;

    void SaveToStream(TStream& stream) override;
    void LoadFromStream(TStream& stream) override;
};

class TGIFApplicationExtension : public TGIFExtension {
public:
    explicit TGIFApplicationExtension(TGIFSubImage* subImage) : TGIFExtension(subImage) {}
    std::string ClassName() const override { return "TGIFApplicationExtension"; }
    static TGIFExtensionClass Class();
    uint8_t ExtensionType() const override { return 0xFF; }
    // Size byte 10 and 11 identify the block further; other sizes answer self, the class asked,
    // with the stream put back; a stream at its end answers none.
    static TGIFExtensionClass FindSubExtension(TStream& stream, TGIFExtensionClass self);

    TGIFApplicationIdentifier Identifier{};

    void SaveToStream(TStream& stream) override;
    void LoadFromStream(TStream& stream) override;

protected:
    virtual void SaveData(TStream& stream) = 0;
    virtual void LoadData(TStream& stream) = 0;
};

// One data sub-block as read.
struct TGIFBlock {
    uint8_t Size = 0;
    std::vector<uint8_t> Data;
};

// An application block of an identifier no one registered: its data kept byte for byte.
class TGIFUnknownAppExtension : public TGIFApplicationExtension {
public:
    explicit TGIFUnknownAppExtension(TGIFSubImage* subImage) : TGIFApplicationExtension(subImage) {}
    std::string ClassName() const override { return "TGIFUnknownAppExtension"; }
    static TGIFExtensionClass Class();

    std::vector<TGIFBlock> Blocks;

protected:
    void SaveData(TStream& stream) override;
    void LoadData(TStream& stream) override;
};

// The loop block of "NETSCAPE2.0" and "ANIMEXTS1.0".
class TGIFAppExtNSLoop : public TGIFApplicationExtension {
public:
    explicit TGIFAppExtNSLoop(TGIFSubImage* subImage);
    std::string ClassName() const override { return "TGIFAppExtNSLoop"; }
    static TGIFExtensionClass Class();

    uint16_t Loops = 0;       // 0: without end
    uint32_t BufferSize = 0;  // 0: none

protected:
    void SaveData(TStream& stream) override;
    void LoadData(TStream& stream) override;
};

class TGIFExtensionList : public TGIFList {
public:
    explicit TGIFExtensionList(TGIFImage* image) : TGIFList(image) {}
    std::string ClassName() const override { return "TGIFExtensionList"; }
    TGIFExtension* Extensions(int index) const { return static_cast<TGIFExtension*>(Items(index)); }
    // The extension blocks before an image descriptor, created with parent as their frame.
    void LoadFromStream(TStream& stream, TGIFSubImage* parent);
};

// ---------------------------------------------------------------------------------------------
// Frames

class TGIFSubImage : public TGIFItem {
public:
    explicit TGIFSubImage(TGIFImage* image);
    // Takes itself out of the image's frame list (without freeing), then clears.
    ~TGIFSubImage() override;
    std::string ClassName() const override { return "TGIFSubImage"; }

    // The image descriptor as stored.
    uint8_t Separator = 0x2C;
    uint16_t Left() const { return left_; }
    uint16_t Top() const { return top_; }
    uint16_t Width() const { return width_; }
    uint16_t Height() const { return height_; }
    uint8_t PackedFields = 0;

    void Clear();
    bool Empty() const;
    // 1 Left, 2 Top, 3 Width, 4 Height; other indexes read 0 and write nothing.
    int GetBounds(int index) const;
    void SetBounds(int index, int value);
    // A new size gives a new zero-filled pixel buffer ("Invalid image dimensions" over the bitmap
    // size cap); the logical screen widens to hold the frame, with warnings.
    void SetBoundsR(int left, int top, int width, int height);
    TRect BoundsRect() const;
    bool Interlaced() const { return (PackedFields & 0x40) != 0; }
    int GetBitsPerPixel() const { return colorMap_->BitsPerPixel(); }
    int GetColorResolution() const { return GetBitsPerPixel() - 1; }
    int GetVersion() const override;

    // Pixels: Width x Height indexes, top row first.
    void NewImage();
    void FreeImage();
    void NeedImage();
    uint8_t* Data() { return data_.empty() ? nullptr : data_.data(); }
    const uint8_t* Data() const { return data_.empty() ? nullptr : data_.data(); }
    int64_t DataSize() const { return static_cast<int64_t>(data_.size()); }
    uint8_t* Scanline(int row);
    uint8_t Pixels(int x, int y);

    TGIFLocalColorMap& ColorMap() { return *colorMap_; }
    // The local map when it has entries, else the global one when it has, else the local one.
    TGIFColorMap& ActiveColorMap();
    TGIFExtensionList& Extensions() { return *extensions_; }

    bool Transparent = false;
    TGIFGraphicControlExtension* GraphicControlExtension = nullptr;  // an item of Extensions

    // The cached palette; GetPalette makes one when there is none.
    HPALETTE Palette() const { return palette_; }
    HPALETTE GetPalette();
    void SetPalette(HPALETTE value);
    bool HasBitmap() const { return static_cast<bool>(bitmap_); }
    void FreeBitmap() { bitmap_.reset(); }
    void NewBitmap() { bitmap_ = std::make_unique<TBitmap>(); }
    // The rendered frame, 8 bits per pixel, built on first use; none for an empty frame.
    TBitmap* Bitmap();
    // 1 bit per pixel of the frame's size, a set bit where the frame is transparent; none when no
    // pixel is.
    TBitmap* Mask() const { return mask_.get(); }
    // Builds the mask when it is still due.
    bool HasMask();
    void FreeMask();

    // Onto rect, which stands for the whole logical screen; tiled at the screen's pitch with doTile.
    void Draw(TCanvas& canvas, const TRect& rect, bool doTransparent, bool doTile);

    void Assign(TPersistent* source) override;
    void AssignTo(TPersistent* dest) override;

    // Extensions, descriptor, local colour table and pixels.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // The LZW image data after the descriptor into a new pixel buffer.
    void Decompress(TStream& stream);
    // The packed fields as they are written.
    void Prepare();
    // The pixels as LZW image data.
    void Compress(TStream& stream);

    // A bitmap, icon, metafile, picture or any other graphic as this frame (false for anything
    // else); above 8 bits per pixel a bitmap is colour-reduced by the image's settings.
    bool AssignGraphic(TPersistent* source);

    // Cuts the borders that hold only the transparent index; a frame left with nothing is cleared.
    void Crop();
    // Pixels that show what previous shows there become transparent.
    void Merge(TGIFSubImage* previous);

private:
    friend class TGIFExtensionList;
    friend class TGIFLocalColorMap;
    friend class TGIFGlobalColorMap;
    void CheckSize(int64_t width, int64_t height);
    void RenderBitmap();
    void RenderDitheredBitmap();
    void AssignBitmap(TBitmap& source);
    // Pixels whose mask byte is not 0 become a transparent black entry (none for a full map).
    void TransparencyFromMask(const std::vector<uint8_t>& mask);

    uint16_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    std::unique_ptr<TBitmap> bitmap_;
    std::unique_ptr<TBitmap> mask_;
    bool needMask_ = true;
    HPALETTE palette_ = nullptr;  // owned
    std::vector<uint8_t> data_;
    std::unique_ptr<TGIFLocalColorMap> colorMap_;
    std::unique_ptr<TGIFExtensionList> extensions_;
};

class TGIFImageList : public TGIFList {
public:
    explicit TGIFImageList(TGIFImage* image) : TGIFList(image) {}
    std::string ClassName() const override { return "TGIFImageList"; }
    TGIFSubImage* SubImages(int index) const { return static_cast<TGIFSubImage*>(Items(index)); }
    // The frame loop: blocks up to the trailer (left for the trailer to read) or an unknown byte.
    void LoadFromStream(TStream& stream, TGIFImage* parent);
};

// Draws the source rectangle onto the destination rectangle, stretched, keeping the destination
// where the mask (1 bit per pixel, the source's size) has a 1 bit.
bool TransparentStretchBlt(TCanvas& dst, const TRect& dstRect, const TBitmap& src, const TRect& srcRect,
                           const TBitmap& mask);

class TGIFTrailer : public TGIFItem {
public:
    explicit TGIFTrailer(TGIFImage* image) : TGIFItem(image) {}
    std::string ClassName() const override { return "TGIFTrailer"; }
    void SaveToStream(TStream& stream) override;
    // One byte; other than 0x3B warns "Invalid Image trailer". Never raises.
    void LoadFromStream(TStream& stream) override;
};

// ---------------------------------------------------------------------------------------------
// Image

enum TGIFDrawOption {
    doThreaded,
    doTransparent,
    doAnimate,
    doLoop,
    doLoopForever,
    doValidateCanvas,
    doDirectDraw,
    doClearOnLoop,
    doTile,
    doDither,
    doAutoDither
};
using TGIFDrawOptions = uint16_t;  // bit n set: option n
constexpr TGIFDrawOptions GIFDrawOption(TGIFDrawOption o) { return static_cast<TGIFDrawOptions>(1u << o); }

// What Optimize may do (bit n set: option n).
enum TGIFOptimizeOption { opCrop, opMerge, opCleanup, opColorMaps, opReduceColors };
using TGIFOptimizeOptions = uint8_t;
constexpr TGIFOptimizeOptions GIFOptimizeOption(TGIFOptimizeOption o) {
    return static_cast<TGIFOptimizeOptions>(1u << o);
}

class TGIFPainter;

using TGIFWarning = std::function<void(TObject* sender, int severity, const std::string& message)>;

class TGIFImage : public TGraphic {
public:
    TGIFImage();
    ~TGIFImage() override;
    std::string ClassName() const override { return "TGIFImage"; }

    TGIFHeader& Header() { return *header_; }
    TGIFImageList& Images() { return *images_; }

    int Width() const override { return header_->ScreenWidth; }
    int Height() const override { return header_->ScreenHeight; }
    // "Image width (height) too small for contained frames" when a frame would stick out.
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    bool Empty() const override { return images_->Count() == 0; }
    bool IsTransparent() const;

    void Clear();
    void StopDraw();
    // A whole GIF data stream; on an exception the stream goes back to where it stood and the
    // frames read so far stay.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // The still frame (frame 0 unless StillFrame names one of the list).
    void Draw(TCanvas& canvas, const TRect& rect) override;
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TGIFImage>(); }
    bool Equals(TGraphic* other) override { return other == this; }
    void Assign(TPersistent* source) override;
    void AssignTo(TPersistent* dest) override;

    // The first frame composed on the logical screen (24 bits; a frame 0 that covers the screen is
    // its own 8-bit bitmap); none without frames. Cached once built.
    TBitmap* Bitmap();

    // The global palette as held; GetPalette makes one when there is none.
    HPALETTE Palette() const override { return globalPalette_; }
    HPALETTE GetPalette();
    void SetPalette(HPALETTE value) override;
    bool HasBitmap() const { return static_cast<bool>(bitmap_); }
    // Whether frames render dithered to the web palette.
    bool DoDither() const;

    // 0 without frames, else 2 when some frame needs "89a", else 1.
    int GetVersion() const;
    int GetBitsPerPixel() const;
    int GetColorResolution() const;

    // The one channel for problems that do not stop the work.
    void Warning(TObject* sender, int severity, const std::string& message);
    TGIFWarning OnWarning;

    // A graphic (a copy, as a new frame) or a frame (itself) appended; its index.
    int Add(TPersistent* source);
    // Optimize first when OptimizeOnWrite is set, then the GIF data.
    void WriteData(TStream& stream);
    static bool OptimizeOnWrite;
    // Every frame renders its bitmap as soon as it is read, and the frame loop's progress asks for
    // a redraw. Off by default.
    static bool RenderOnLoad;

    // Shrinks the image; the look of every frame and the total of delays stay.
    void Optimize(TGIFOptimizeOptions options, uint8_t colorReduction, uint8_t ditherMode, int reductionBits);

    // The "GIF Image" clipboard format and the bitmap format.
    void LoadFromClipboardFormat(unsigned format, HCLIPDATA data, HPALETTE palette) override;
    void SaveToClipboardFormat(unsigned& format, HCLIPDATA& data, HPALETTE& palette) override;
    static unsigned ClipboardFormat();

    // Animation: a painter for a destination (none for an empty image or rectangle; a painter
    // that is not threaded has run and is gone when this returns, and its error is raised).
    void Paint(TGIFPainter*& painter, TCanvas& canvas, const TRect& rect, TGIFDrawOptions options);
    // Stops the image's own painter, waiting for a threaded one; drops the image's bitmap.
    void StopPainting();
    TGIFPainter* OwnPainter() const { return painter_; }
    // Every painter drawing this image.
    TThreadList<TGIFPainter*> Painters;
    TNotifyEvent OnStartPaint, OnPaint, OnAfterPaint, OnLoop, OnEndPaint;

    TGIFDrawOptions DrawOptions;
    uint8_t ColorReduction;
    int ReductionBits;
    uint8_t DitherMode;
    uint8_t Compression;
    uint8_t ThreadPriority;
    int AnimationSpeed;
    TColor BackgroundColor = clNone;
    int StillFrame = -1;  // -1: frame 0

    // Defaults copied into every new image.
    static TGIFDrawOptions DefaultDrawOptions;
    static uint8_t DefaultColorReduction;
    static int DefaultReductionBits;
    static uint8_t DefaultDitherMode;
    static uint8_t DefaultCompression;
    static uint8_t DefaultThreadPriority;
    static int DefaultAnimationSpeed;

private:
    friend class TGIFImageList;
    void ScreenSizeFix();
    // Draw of an animated image.
    void DrawAnimated(TCanvas& canvas, const TRect& rect);
    // The image's bitmap onto rect, tiled at the image's size with doTile.
    void DrawImageBitmap(TCanvas& canvas, const TRect& rect);
    // Painters still listed (running up the stack) forget the image.
    void DetachPainters();

    std::unique_ptr<TGIFImageList> images_;
    std::unique_ptr<TGIFHeader> header_;
    HPALETTE globalPalette_ = nullptr;  // owned
    std::unique_ptr<TBitmap> bitmap_;   // the first-frame bitmap
    bool drawing_ = false;
    bool inGetPalette_ = false;
    TGIFPainter* painter_ = nullptr;  // the own painter, in Painters
};

// Set when the screen shows 8 bits per pixel or fewer: read at start-up, switched by tests.
extern bool GIFPaletteDisplay;

// ---------------------------------------------------------------------------------------------
// Writing

// Packs bytes into data sub-blocks of at most 255 bytes on the destination stream.
class TGIFWriter : public TStream {
public:
    explicit TGIFWriter(TStream& stream) : stream_(stream) {}
    // Flushes what is pending; a failure then is dropped.
    ~TGIFWriter() override;
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void FlushBuffer();
    bool OutputDirty() const { return dirty_; }
    void WriteOne(uint8_t b) {
        dirty_ = true;
        buffer_[count_++] = b;
        if (count_ == 256) FlushBuffer();
    }

private:
    TStream& stream_;
    uint8_t buffer_[256] = {};
    int count_ = 1;
    bool dirty_ = false;
};

// Codes of (prefix code << 8 | pixel) keys, each slot the key in the upper 20 bits and the code in
// the lower 12, all bits set when empty. Linear probing over a multiplicative hash: every slot is
// reachable, so a probe always ends, and at most 4089 keys of 8192 slots keep probes short.
class THashTable : public TObject {
public:
    THashTable() { Clear(); }
    std::string ClassName() const override { return "THashTable"; }
    void Clear() { slots_.fill(kEmpty); }
    void Insert(uint32_t key, int code) {
        uint32_t slot = Slot(key);
        while (slots_[slot] != kEmpty) slot = (slot + 1) & (kSize - 1);
        slots_[slot] = (key << 12) | (static_cast<uint32_t>(code) & 0xFFF);
    }
    // The code, or -1.
    int Lookup(uint32_t key) const {
        for (uint32_t slot = Slot(key);; slot = (slot + 1) & (kSize - 1)) {
            const uint32_t v = slots_[slot];
            if (v == kEmpty) return -1;
            if ((v >> 12) == key) return static_cast<int>(v & 0xFFF);
        }
    }

    static constexpr uint32_t kSize = 8192;
    static uint32_t Slot(uint32_t key) { return (key * 2654435761u) >> 19; }

private:
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
    std::array<uint32_t, kSize> slots_;
};

class TGIFEncoder : public TObject {
public:
    std::string ClassName() const override { return "TGIFEncoder"; }
    // One frame's LZW minimum code size, data sub-blocks and terminator. A pixel not below
    // maxColor raises "Color not in color table" with the partial sub-block written.
    void Compress(TStream& stream, int bitsPerPixel, int width, int height, bool interlace,
                  const uint8_t* data, int maxColor);

protected:
    virtual void Output(int value);
    virtual void Clear();
    virtual void DoCompress() = 0;
    // The next pixel in file order; false when the frame is done.
    bool Advance();
    uint8_t Take();

    int MaxColor = 0;
    int BitsPerPixel = 0;
    int Width = 0, Height = 0;
    bool Interlace = false;
    const uint8_t* Data = nullptr;
    TGIFWriter* Writer = nullptr;
    uint32_t OutputBucket = 0;
    int OutputBits = 0;
    bool ClearFlag = false;
    int BitsPerCode = 0, InitialBitsPerCode = 0;
    int MaxCode = 0, ClearCode = 0, EOICode = 0, BaseCode = 0;
    int64_t Pixel = 0;
    int64_t Step = 0;
    int Row = 0, Pass = 0;
};

class TLZWEncoder : public TGIFEncoder {
public:
    std::string ClassName() const override { return "TLZWEncoder"; }

protected:
    void Output(int value) override;
    void Clear() override;
    void DoCompress() override;

private:
    int Prefix = 0;
    int FreeEntry = 0;
    THashTable* HashTable = nullptr;  // during DoCompress
};

class TRLEEncoder : public TGIFEncoder {
public:
    std::string ClassName() const override { return "TRLEEncoder"; }

protected:
    void Clear() override;
    void DoCompress() override;

private:
    void OutputPlain(int code);
    void FlushRun(int count);
    void FlushFromClear(int count);
    void FlushClearOrRep(int count);
    void FlushWithTable(int count);
    static int ComputeTriangleCount(int count, int maxCodes);

    int MaxCodes = 0, OutBumpInit = 0, OutClearInit = 0;
    int RLPixel = -1, RLTableMax = 0, RLTablePixel = 0;
    int OutCount = 0, OutClear = 0, OutBump = 0;
};
