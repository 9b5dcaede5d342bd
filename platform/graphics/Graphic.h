#pragma once
// The framework's graphic base class, its picture container and the registry of graphic classes
// by file extension and clipboard format name.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Events.h"
#include "platform/Object.h"
#include "platform/Streams.h"
#include "platform/graphics/Clipboard.h"
#include "platform/graphics/Palette.h"
#include "platform/graphics/Types.h"

class TCanvas;
class TBitmap;

enum TProgressStage { psStarting, psRunning, psEnding };
using TProgressEvent = std::function<void(TObject* sender, TProgressStage stage, uint8_t percentDone,
                                          bool redrawNow, const TRect& r, const std::string& msg)>;

class TGraphic : public TPersistent {
public:
    std::string ClassName() const override { return "TGraphic"; }

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int value) = 0;
    virtual void SetHeight(int value) = 0;
    virtual bool Empty() const = 0;

    // Paints the graphic into rect of the canvas, stretched to fit.
    virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;

    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) = 0;
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

    // The clipboard exchange: Data null takes the clipboard's data for Format. Classes without
    // a clipboard format raise "Unsupported clipboard format".
    virtual void LoadFromClipboardFormat(unsigned format, HCLIPDATA data, HPALETTE palette);
    virtual void SaveToClipboardFormat(unsigned& format, HCLIPDATA& data, HPALETTE& palette);

    // The graphic's palette handle, owned by the graphic; null when it has none.
    virtual HPALETTE Palette() const { return nullptr; }
    // Hands the palette over to the graphic; a graphic without palettes frees it.
    virtual void SetPalette(HPALETTE value);

    virtual bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool value);

    // True when both graphics save to the same bytes (or are one object).
    virtual bool Equals(TGraphic* other);

    // A new, empty graphic of the same class.
    virtual std::unique_ptr<TGraphic> NewInstance() const = 0;

    bool Modified() const { return modified_; }
    void SetModified(bool value);
    bool PaletteModified() const { return paletteModified_; }
    void SetPaletteModified(bool value) { paletteModified_ = value; }

    TNotifyEvent OnChange;
    TProgressEvent OnProgress;

    // Marks the graphic modified and fires OnChange.
    virtual void Changed(TObject* sender);
    // Fires OnProgress when assigned.
    virtual void Progress(TObject* sender, TProgressStage stage, uint8_t percentDone, bool redrawNow,
                          const TRect& r, const std::string& msg);

private:
    bool transparent_ = false;
    bool modified_ = false;
    bool paletteModified_ = false;
};

// A graphic class as the registries keep it: its name and how to make one.
struct TGraphicClass {
    std::string Name;
    std::function<std::unique_ptr<TGraphic>()> Create;

    explicit operator bool() const { return static_cast<bool>(Create); }
};

template <typename T>
TGraphicClass GraphicClassOf() {
    return TGraphicClass{T().ClassName(), [] { return std::unique_ptr<TGraphic>(new T()); }};
}

// Holds one graphic of any registered class; its Bitmap turns it into a bitmap.
class TPicture : public TPersistent {
public:
    TPicture();
    ~TPicture() override;
    std::string ClassName() const override { return "TPicture"; }

    TGraphic* Graphic() const { return graphic_.get(); }
    // Keeps a copy of the graphic (a new object of its class); null empties the picture.
    void SetGraphic(TGraphic* value);
    // The picture as a bitmap: any other graphic is replaced by a new empty bitmap first.
    TBitmap* Bitmap();
    void SetBitmap(TBitmap* value);

    int Width() const;
    int Height() const;

    void Assign(TPersistent* source) override;
    void AssignTo(TPersistent* dest) override;

    // By the file's extension through the registry; "Unknown picture file extension (.ext)" else.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

    TNotifyEvent OnChange;
    TProgressEvent OnProgress;

    // Registry of graphic classes. Extensions are kept without the dot and compared A-Z folded.
    static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                   const TGraphicClass& cls);
    static void RegisterClipboardFormat(const std::string& formatName, const TGraphicClass& cls);
    static void UnregisterGraphicClass(const std::string& className);
    static TGraphicClass FindFileFormat(const std::string& extension);
    static TGraphicClass FindClipboardFormat(const std::string& formatName);
    static bool SupportsClipboardFormat(const std::string& formatName);
    // "Description (*.ext)|*.ext" pairs joined by "|", as a file dialog's filter.
    static std::string GraphicFilter();

private:
    void Changed(TObject* sender);
    void TakeGraphic(std::unique_ptr<TGraphic> g);

    std::unique_ptr<TGraphic> graphic_;
};
