// Extension blocks: the common frame, the registries by label and application identifier, and
// each kind's fields as read and written.
#include <cstring>
#include <vector>

#include "imaging/gif/GIFImage.h"

namespace {

template <typename T>
std::unique_ptr<TGIFExtension> Make(TGIFSubImage* subImage) {
    return std::make_unique<T>(subImage);
}

TGIFExtensionClass Self(TGIFExtensionClass cls) {
    return cls;
}

struct TLabelEntry {
    uint8_t Label;
    TGIFExtensionClass Class;
};
struct TAppEntry {
    TGIFApplicationIdentifier Identifier;
    TGIFExtensionClass Class;
};

std::vector<TLabelEntry>& ExtensionRegistry() {
    static std::vector<TLabelEntry> list = {{0x01, TGIFTextExtension::Class()},
                                            {0xF9, TGIFGraphicControlExtension::Class()},
                                            {0xFE, TGIFCommentExtension::Class()},
                                            {0xFF, TGIFApplicationExtension::Class()}};
    return list;
}

TGIFApplicationIdentifier Ident(const char (&text)[12]) {
    TGIFApplicationIdentifier id{};
    std::memcpy(id.data(), text, 11);
    return id;
}

std::vector<TAppEntry>& AppExtensionRegistry() {
    static std::vector<TAppEntry> list = {{Ident("NETSCAPE2.0"), TGIFAppExtNSLoop::Class()},
                                          {Ident("ANIMEXTS1.0"), TGIFAppExtNSLoop::Class()}};
    return list;
}

TGIFExtensionClass FindByLabel(uint8_t label) {
    const auto& list = ExtensionRegistry();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (it->Label == label) return it->Class;
    return nullptr;
}

TGIFExtensionClass FindByIdentifier(const TGIFApplicationIdentifier& id) {
    const auto& list = AppExtensionRegistry();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (it->Identifier == id) return it->Class;
    return nullptr;
}

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
void PutWord(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

}  // namespace

void FreeExtensionRegistries() {
    std::vector<TLabelEntry>().swap(ExtensionRegistry());
    std::vector<TAppEntry>().swap(AppExtensionRegistry());
}

void RegisterExtension(uint8_t label, TGIFExtensionClass cls) { ExtensionRegistry().push_back({label, cls}); }

void RegisterAppExtension(const TGIFApplicationIdentifier& identifier, TGIFExtensionClass cls) {
    AppExtensionRegistry().push_back({identifier, cls});
}

// ---------------------------------------------------------------------------------------------
// The base

TGIFExtension::TGIFExtension(TGIFSubImage* subImage)
    : TGIFItem(subImage ? subImage->Image() : nullptr), subImage_(subImage) {}

TGIFExtension::~TGIFExtension() {
    if (subImage_) subImage_->Extensions().Remove(this);
}

void TGIFExtension::SaveToStream(TStream& stream) {
    WriteByte(stream, 0x21);
    WriteByte(stream, ExtensionType());
}

void TGIFExtension::LoadFromStream(TStream& stream) {
    uint8_t b[2];
    ReadCheck(stream, b, 2);
    if (b[0] != 0x21) Error("Invalid extension introducer");
    if (b[1] != ExtensionType()) Error("Internal error: Extension Instance does not match Extension Label");
}

TGIFExtensionClass TGIFExtension::FindExtension(TStream& stream) {
    const int64_t start = stream.Position();
    uint8_t label = 0;
    TGIFExtensionClass cls = nullptr;
    if (stream.Read(&label, 1) == 1) cls = FindByLabel(label);
    while (cls) {
        TGIFExtensionClass sub = cls->FindSubExtension(stream);
        if (!sub || sub == cls) break;
        cls = sub;
    }
    stream.SetPosition(start);
    return cls;
}

// ---------------------------------------------------------------------------------------------
// Graphic control

TGIFExtensionClass TGIFGraphicControlExtension::Class() {
    static const TGIFExtensionClassInfo info{"TGIFGraphicControlExtension", 0xF9,
                                             &Make<TGIFGraphicControlExtension>,
                                             [](TStream&) { return Self(Class()); }};
    return &info;
}

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage* subImage) : TGIFExtension(subImage) {
    if (subImage_ && !subImage_->GraphicControlExtension) subImage_->GraphicControlExtension = this;
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension() {
    if (subImage_ && subImage_->GraphicControlExtension == this) {
        subImage_->GraphicControlExtension = nullptr;
        if (Transparent()) subImage_->Transparent = false;
    }
}

void TGIFGraphicControlExtension::SetTransparent(bool value) {
    if (subImage_) subImage_->Transparent = value;
    Record.PackedFields = static_cast<uint8_t>(value ? Record.PackedFields | 1 : Record.PackedFields & ~1);
}

void TGIFGraphicControlExtension::SetTransparentColorIndex(int value) {
    if (subImage_) {
        const int count = subImage_->ActiveColorMap().Count();
        if (count > 0 && value >= count) {
            Warning(1, "Invalid color index");
            value = 0;
        }
    }
    Record.TransparentColorIndex = static_cast<uint8_t>(value);
}

void TGIFGraphicControlExtension::SetDisposal(uint8_t value) {
    Record.PackedFields = static_cast<uint8_t>((Record.PackedFields & ~0x1C) | (value & 7) << 2);
}

void TGIFGraphicControlExtension::SaveToStream(TStream& stream) {
    TGIFExtension::SaveToStream(stream);
    // Always the standard block: the fields beyond the fourth byte and any further sub-blocks of
    // what was read are not kept.
    uint8_t b[6] = {4, Record.PackedFields, 0, 0, Record.TransparentColorIndex, 0};
    PutWord(b + 2, Record.Delay);
    stream.WriteBuffer(b, 6);
}

void TGIFGraphicControlExtension::LoadFromStream(TStream& stream) {
    TGIFExtension::LoadFromStream(stream);
    // The block goes by its size byte and ends at its terminator, as other readers take it: a
    // block of another size must not swallow or leave behind bytes of the blocks after it.
    Record = TRecord{};
    uint8_t b[255] = {};
    uint8_t size = 0;
    bool whole = stream.Read(&size, 1) == 1;
    Record.BlockSize = size;
    if (whole && size > 0) {
        whole = stream.Read(b, size) == size;
        Record.PackedFields = b[0];
        Record.Delay = Word(b + 1);
        Record.TransparentColorIndex = b[3];
        while (whole) {
            uint8_t more = 0;
            if (stream.Read(&more, 1) != 1) whole = false;
            else if (more == 0) break;
            else whole = stream.Read(b, more) == more;
        }
    }
    // Without its index byte the block names no transparent colour.
    if (!whole || size < 4) Record.PackedFields &= static_cast<uint8_t>(~1);
    if (!whole) {
        Warning(1, "Premature end of data");
        return;
    }
    if (Transparent() && subImage_) subImage_->Transparent = true;
}

// ---------------------------------------------------------------------------------------------
// Plain text and comment

TGIFExtensionClass TGIFTextExtension::Class() {
    static const TGIFExtensionClassInfo info{"TGIFTextExtension", 0x01, &Make<TGIFTextExtension>,
                                             [](TStream&) { return Self(Class()); }};
    return &info;
}

TGIFTextExtension::TGIFTextExtension(TGIFSubImage* subImage) : TGIFExtension(subImage) {}

void TGIFTextExtension::SaveToStream(TStream& stream) {
    TGIFExtension::SaveToStream(stream);
    uint8_t b[13] = {Record.BlockSize};
    PutWord(b + 1, Record.Left);
    PutWord(b + 3, Record.Top);
    PutWord(b + 5, Record.Width);
    PutWord(b + 7, Record.Height);
    b[9] = Record.CellWidth;
    b[10] = Record.CellHeight;
    b[11] = Record.TextFGColorIndex;
    b[12] = Record.TextBGColorIndex;
    stream.WriteBuffer(b, 13);
    WriteStrings(stream, Text);
}

void TGIFTextExtension::LoadFromStream(TStream& stream) {
    TGIFExtension::LoadFromStream(stream);
    uint8_t b[13];
    ReadCheck(stream, b, 13);
    Record.BlockSize = b[0];
    Record.Left = Word(b + 1);
    Record.Top = Word(b + 3);
    Record.Width = Word(b + 5);
    Record.Height = Word(b + 7);
    Record.CellWidth = b[9];
    Record.CellHeight = b[10];
    Record.TextFGColorIndex = b[11];
    Record.TextBGColorIndex = b[12];
    ReadStrings(stream, Text);
}

TGIFExtensionClass TGIFCommentExtension::Class() {
    static const TGIFExtensionClassInfo info{"TGIFCommentExtension", 0xFE, &Make<TGIFCommentExtension>,
                                             [](TStream&) { return Self(Class()); }};
    return &info;
}

void TGIFCommentExtension::SaveToStream(TStream& stream) {
    TGIFExtension::SaveToStream(stream);
    WriteStrings(stream, Text);
}

void TGIFCommentExtension::LoadFromStream(TStream& stream) {
    TGIFExtension::LoadFromStream(stream);
    ReadStrings(stream, Text);
}

// ---------------------------------------------------------------------------------------------
// Application blocks

TGIFExtensionClass TGIFApplicationExtension::Class() {
    // A block that says no more about itself keeps its data as an unregistered one: the base class
    // cannot read data of its own.
    static const TGIFExtensionClassInfo info{"TGIFApplicationExtension", 0xFF, &Make<TGIFUnknownAppExtension>,
                                             [](TStream& s) { return FindSubExtension(s, Class()); }};
    return &info;
}

TGIFExtensionClass TGIFApplicationExtension::FindSubExtension(TStream& stream, TGIFExtensionClass self) {
    const int64_t start = stream.Position();
    uint8_t size = 0;
    if (stream.Read(&size, 1) != 1) return nullptr;
    if (size == 10) {
        uint8_t id[10];
        if (stream.Read(id, 10) == 10) return TGIFUnknownAppExtension::Class();
        return nullptr;
    }
    if (size == 11) {
        TGIFApplicationIdentifier id{};
        if (stream.Read(id.data(), 11) == 11) {
            TGIFExtensionClass cls = FindByIdentifier(id);
            return cls ? cls : TGIFUnknownAppExtension::Class();
        }
    }
    stream.SetPosition(start);
    return self;
}

void TGIFApplicationExtension::SaveToStream(TStream& stream) {
    TGIFExtension::SaveToStream(stream);
    WriteByte(stream, 11);
    stream.WriteBuffer(Identifier.data(), 11);
    SaveData(stream);
}

void TGIFApplicationExtension::LoadFromStream(TStream& stream) {
    TGIFExtension::LoadFromStream(stream);
    const uint8_t size = ReadByte(stream);
    if (size == 10) {
        Identifier.fill(0);
        ReadCheck(stream, Identifier.data(), 10);
    } else if (size < 10) {
        Error("Unsupported Application Extension block size");
    } else {
        ReadCheck(stream, Identifier.data(), 11);
        if (size > 11) stream.Seek(size - 11, soCurrent);
    }
    LoadData(stream);
}

TGIFExtensionClass TGIFUnknownAppExtension::Class() {
    static const TGIFExtensionClassInfo info{"TGIFUnknownAppExtension", 0xFF, &Make<TGIFUnknownAppExtension>,
                                             [](TStream& s) { return FindSubExtension(s, Class()); }};
    return &info;
}

void TGIFUnknownAppExtension::LoadData(TStream& stream) {
    Blocks.clear();
    uint8_t size = 0;
    while (stream.Read(&size, 1) == 1 && size != 0) {
        TGIFBlock block;
        block.Size = size;
        block.Data.resize(size);
        ReadCheck(stream, block.Data.data(), size);
        Blocks.push_back(std::move(block));
    }
}

void TGIFUnknownAppExtension::SaveData(TStream& stream) {
    for (const TGIFBlock& block : Blocks) {
        WriteByte(stream, block.Size);
        stream.WriteBuffer(block.Data.data(), block.Size);
    }
    WriteByte(stream, 0);
}

TGIFExtensionClass TGIFAppExtNSLoop::Class() {
    static const TGIFExtensionClassInfo info{"TGIFAppExtNSLoop", 0xFF, &Make<TGIFAppExtNSLoop>,
                                             [](TStream& s) { return FindSubExtension(s, Class()); }};
    return &info;
}

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage* subImage) : TGIFApplicationExtension(subImage) {
    Identifier = Ident("NETSCAPE2.0");
}

void TGIFAppExtNSLoop::LoadData(TStream& stream) {
    uint8_t size = 0;
    while ((size = ReadByte(stream)) != 0) {
        const uint8_t kind = ReadByte(stream);
        int left = size - 1;
        switch (kind & 7) {
            case 1: {
                if (left < 2) Error("Invalid GIF data");
                uint8_t b[2];
                ReadCheck(stream, b, 2);
                Loops = Word(b);
                left -= 2;
                break;
            }
            case 2: {
                if (left < 4) Error("Invalid GIF data");
                uint8_t b[4];
                ReadCheck(stream, b, 4);
                BufferSize = static_cast<uint32_t>(b[0] | b[1] << 8 | b[2] << 16) | uint32_t{b[3]} << 24;
                left -= 4;
                break;
            }
            default: break;
        }
        if (left > 0) stream.Seek(left, soCurrent);
    }
}

void TGIFAppExtNSLoop::SaveData(TStream& stream) {
    uint8_t loop[4] = {3, 1, 0, 0};
    PutWord(loop + 2, Loops);
    stream.WriteBuffer(loop, 4);
    if (BufferSize != 0) {
        const uint8_t buf[6] = {5, 2, static_cast<uint8_t>(BufferSize), static_cast<uint8_t>(BufferSize >> 8),
                                static_cast<uint8_t>(BufferSize >> 16), static_cast<uint8_t>(BufferSize >> 24)};
        stream.WriteBuffer(buf, 6);
    }
    WriteByte(stream, 0);
}
