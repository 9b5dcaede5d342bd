#include "platform/graphics/Graphic.h"

#include <mutex>

#include "platform/Strings.h"
#include "platform/graphics/Bitmap.h"

// ---- TGraphic ----

void TGraphic::LoadFromFile(const std::string& fileName) {
    TMemoryStream s;
    s.LoadFromFile(fileName);
    s.SetPosition(0);
    LoadFromStream(s);
}

void TGraphic::SaveToFile(const std::string& fileName) {
    TMemoryStream s;
    SaveToStream(s);
    s.SaveToFile(fileName);
}

void TGraphic::SetPalette(HPALETTE value) {
    if (value) DeletePalette(value);
}

void TGraphic::SetTransparent(bool value) {
    if (value == transparent_) return;
    transparent_ = value;
    Changed(this);
}

bool TGraphic::Equals(TGraphic* other) {
    if (other == this) return true;
    if (!other || other->ClassName() != ClassName()) return false;
    if (Empty() || other->Empty()) return Empty() == other->Empty();
    TMemoryStream a, b;
    SaveToStream(a);
    other->SaveToStream(b);
    return a.Bytes() == b.Bytes();
}

void TGraphic::SetModified(bool value) {
    if (value) Changed(this);
    else modified_ = false;
}

void TGraphic::Changed(TObject*) {
    modified_ = true;
    if (OnChange) OnChange(this);
}

void TGraphic::Progress(TObject* sender, TProgressStage stage, uint8_t percentDone, bool redrawNow,
                        const TRect& r, const std::string& msg) {
    if (OnProgress) OnProgress(sender, stage, percentDone, redrawNow, r, msg);
}

// ---- The registry of graphic classes ----

namespace {

struct FileFormat {
    std::string Extension;  // upper-cased, no dot
    std::string Description;
    TGraphicClass Class;
};

struct ClipboardFormat {
    std::string Name;  // upper-cased
    TGraphicClass Class;
};

struct Registry {
    std::mutex lock;
    std::vector<FileFormat> files;
    std::vector<ClipboardFormat> clipboard;
};

Registry& Formats() {
    // The bitmap is always known, as the framework knows it.
    static Registry* r = [] {
        auto* reg = new Registry;
        reg->files.push_back({"BMP", "Bitmaps", GraphicClassOf<TBitmap>()});
        reg->clipboard.push_back({"BITMAP", GraphicClassOf<TBitmap>()});
        return reg;
    }();
    return *r;
}

std::string ExtensionOf(const std::string& fileName) {
    const size_t slash = fileName.find_last_of('/');
    const size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
    return fileName.substr(dot + 1);
}

}  // namespace

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  const TGraphicClass& cls) {
    Registry& r = Formats();
    std::lock_guard<std::mutex> g(r.lock);
    // A later registration of an extension wins, as the framework searches newest first.
    r.files.insert(r.files.begin(), FileFormat{UpperCase(extension), description, cls});
}

void TPicture::RegisterClipboardFormat(const std::string& formatName, const TGraphicClass& cls) {
    Registry& r = Formats();
    std::lock_guard<std::mutex> g(r.lock);
    r.clipboard.insert(r.clipboard.begin(), ClipboardFormat{UpperCase(formatName), cls});
}

void TPicture::UnregisterGraphicClass(const std::string& className) {
    Registry& r = Formats();
    std::lock_guard<std::mutex> g(r.lock);
    std::erase_if(r.files, [&](const FileFormat& f) { return f.Class.Name == className; });
    std::erase_if(r.clipboard, [&](const ClipboardFormat& f) { return f.Class.Name == className; });
}

TGraphicClass TPicture::FindFileFormat(const std::string& extension) {
    Registry& r = Formats();
    std::lock_guard<std::mutex> g(r.lock);
    const std::string ext = UpperCase(extension);
    for (const FileFormat& f : r.files)
        if (f.Extension == ext) return f.Class;
    return TGraphicClass{};
}

TGraphicClass TPicture::FindClipboardFormat(const std::string& formatName) {
    Registry& r = Formats();
    std::lock_guard<std::mutex> g(r.lock);
    const std::string name = UpperCase(formatName);
    for (const ClipboardFormat& f : r.clipboard)
        if (f.Name == name) return f.Class;
    return TGraphicClass{};
}

bool TPicture::SupportsClipboardFormat(const std::string& formatName) {
    return static_cast<bool>(FindClipboardFormat(formatName));
}

std::string TPicture::GraphicFilter() {
    Registry& r = Formats();
    std::lock_guard<std::mutex> g(r.lock);
    std::string filter;
    for (auto it = r.files.rbegin(); it != r.files.rend(); ++it) {
        const std::string ext = LowerCase(it->Extension);
        if (!filter.empty()) filter += '|';
        filter += it->Description + " (*." + ext + ")|*." + ext;
    }
    return filter;
}

// ---- TPicture ----

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed(TObject*) {
    if (OnChange) OnChange(this);
}

void TPicture::TakeGraphic(std::unique_ptr<TGraphic> g) {
    graphic_ = std::move(g);
    if (graphic_) {
        graphic_->OnChange = [this](TObject* sender) { Changed(sender); };
        graphic_->OnProgress = [this](TObject* sender, TProgressStage stage, uint8_t pct, bool redraw,
                                      const TRect& r, const std::string& msg) {
            if (OnProgress) OnProgress(sender, stage, pct, redraw, r, msg);
        };
    }
    Changed(this);
}

void TPicture::SetGraphic(TGraphic* value) {
    if (value == graphic_.get() && value) return;
    std::unique_ptr<TGraphic> copy;
    if (value) {
        copy = value->NewInstance();
        copy->Assign(value);
    }
    TakeGraphic(std::move(copy));
}

void TPicture::SetBitmap(TBitmap* value) { SetGraphic(value); }

TBitmap* TPicture::Bitmap() {
    if (auto* b = dynamic_cast<TBitmap*>(graphic_.get())) return b;
    TakeGraphic(std::make_unique<TBitmap>());
    return static_cast<TBitmap*>(graphic_.get());
}

int TPicture::Width() const { return graphic_ ? graphic_->Width() : 0; }
int TPicture::Height() const { return graphic_ ? graphic_->Height() : 0; }

void TPicture::Assign(TPersistent* source) {
    if (!source) {
        SetGraphic(nullptr);
    } else if (auto* p = dynamic_cast<TPicture*>(source)) {
        if (p != this) SetGraphic(p->Graphic());
    } else if (auto* g = dynamic_cast<TGraphic*>(source)) {
        SetGraphic(g);
    } else {
        TPersistent::Assign(source);
    }
}

void TPicture::AssignTo(TPersistent* dest) {
    if (graphic_ && dynamic_cast<TGraphic*>(dest)) {
        dest->Assign(graphic_.get());
        return;
    }
    TPersistent::AssignTo(dest);
}

void TPicture::LoadFromFile(const std::string& fileName) {
    const std::string ext = ExtensionOf(fileName);
    const TGraphicClass cls = FindFileFormat(ext);
    if (!cls) throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
    std::unique_ptr<TGraphic> g = cls.Create();
    g->LoadFromFile(fileName);
    TakeGraphic(std::move(g));
}

void TPicture::SaveToFile(const std::string& fileName) {
    if (graphic_) graphic_->SaveToFile(fileName);
}

void TGraphic::LoadFromClipboardFormat(unsigned, HCLIPDATA, HPALETTE) {
    throw EInvalidGraphic("Unsupported clipboard format");
}

void TGraphic::SaveToClipboardFormat(unsigned&, HCLIPDATA&, HPALETTE&) {
    throw EInvalidGraphic("Unsupported clipboard format");
}
