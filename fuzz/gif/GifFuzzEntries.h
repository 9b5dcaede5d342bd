#pragma once
// Entry functions of the GIF fuzz targets, shared with the test that replays the inputs kept under
// tests/data/gif/regress/. A broken invariant aborts.
#include <gif_lib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/gif/GIFImage.h"
#include "imaging/LinearBitmap.h"

namespace giffuzz {

inline void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// Small caps keep huge declared sizes cheap.
inline void LowerCaps() {
    TBitmap::SetMaxImageBytes(int64_t{1} << 22);
    TLinearBitmap::SetMaxSize(int64_t{1} << 22);
}

inline bool Allowed(const std::string& m, std::initializer_list<const char*> texts) {
    for (const char* t : texts)
        if (m == t) return true;
    return false;
}

// The whole image load. Every frame read holds exactly its pixels, and the screen holds the frames.
inline void Load(const uint8_t* data, size_t size) {
    LowerCaps();
    TGIFImage image;
    int warnings = 0;
    image.OnWarning = [&](TObject*, int, const std::string&) { ++warnings; };
    TStringStream s(std::string(reinterpret_cast<const char*>(data), size));
    try {
        image.LoadFromStream(s);
    } catch (const GIFException&) {
        Check(s.Position() == 0, "a failed load puts the stream back");
    }
    for (int i = 0; i < image.Images().Count(); ++i) {
        TGIFSubImage* f = image.Images().SubImages(i);
        Check(f->DataSize() == int64_t{f->Width()} * f->Height(), "a frame holds width x height pixels");
        if (f->Extensions().Count() > 0) Check(f->GetVersion() == 2, "extensions need 89a");
        (void)f->ActiveColorMap().Count();
    }
    (void)image.IsTransparent();
}

// The decoder fed directly: 2 bytes width, 2 bytes height (each 1..256), a flags byte (bit 0
// interlaced, bit 1 transparent) and a fill byte; the rest is the LZW data.
inline void Decoder(const uint8_t* data, size_t size) {
    if (size < 6) return;
    LowerCaps();
    const int w = 1 + ((data[0] | data[1] << 8) & 255);
    const int h = 1 + ((data[2] | data[3] << 8) & 255);
    TGIFImage image;
    auto owned = std::make_unique<TGIFSubImage>(&image);
    TGIFSubImage* frame = owned.get();
    image.Images().Add(std::move(owned));
    frame->PackedFields = (data[4] & 1) ? 0x40 : 0;
    if (data[4] & 2) {
        auto gce = std::make_unique<TGIFGraphicControlExtension>(frame);
        gce->Record.TransparentColorIndex = data[5];
        gce->SetTransparent(true);
        frame->Extensions().Add(std::move(gce));
    }
    frame->SetBoundsR(0, 0, w, h);
    TStringStream s(std::string(reinterpret_cast<const char*>(data + 6), size - 6));
    try {
        frame->Decompress(s);
    } catch (const GIFException& e) {
        Check(Allowed(e.Message(), {"Circular decoder table entry", "Premature end of data"}),
              "only the two decoder errors");
        return;
    }
    Check(frame->DataSize() == int64_t{w} * h, "the buffer is exactly width x height");
}

// The extension loop, then save and reload: a saved list reloads to as many extensions, and from
// the second save on the bytes stay the same. (The first save may differ, and its reload may even
// fail: a block read as unregistered for its size byte is written with an 11-byte identifier,
// which a registry may then know and read the data by.)
inline std::string SaveAndReload(TGIFImage& image, TGIFSubImage& from, std::unique_ptr<TGIFSubImage>& to) {
    TStringStream saved;
    from.Extensions().SaveToStream(saved);
    to = std::make_unique<TGIFSubImage>(&image);
    saved.SetPosition(0);
    to->Extensions().LoadFromStream(saved, to.get());
    Check(to->Extensions().Count() == from.Extensions().Count(), "as many extensions come back");
    return saved.DataString();
}

inline void Extensions(const uint8_t* data, size_t size) {
    TGIFImage image;
    TGIFSubImage frame(&image);
    TStringStream s(std::string(reinterpret_cast<const char*>(data), size));
    try {
        frame.Extensions().LoadFromStream(s, &frame);
    } catch (const GIFException&) {
    }
    std::unique_ptr<TGIFSubImage> once, twice, thrice;
    try {
        SaveAndReload(image, frame, once);
    } catch (const GIFException&) {
        return;
    }
    const std::string second = SaveAndReload(image, *once, twice);
    const std::string third = SaveAndReload(image, *twice, thrice);
    Check(second == third, "a saved extension list reloads to the same bytes");
}

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t at;
};

inline int ReadMemory(GifFileType* gif, GifByteType* out, int n) {
    auto* m = static_cast<MemoryReader*>(gif->UserData);
    const size_t k = std::min<size_t>(static_cast<size_t>(n), m->size - m->at);
    std::memcpy(out, m->data + m->at, k);
    m->at += k;
    return static_cast<int>(k);
}

// Whether the codes of the data (one bit stream, as the full sub-blocks give it) reach, before the
// frame is full, a code beyond the entry being defined or a first code after a clear beyond the
// end code: giflib reads those differently without refusing them, so they are not compared.
inline bool HasUndefinedCodes(const uint8_t* data, size_t size, int codeSize, int64_t pixels) {
    const int clear = 1 << codeSize, eoi = clear + 1;
    int width = codeSize + 1, nextFree = clear + 2, maxCode = 2 * clear, old = -1;
    std::vector<int> length(4096, 1);
    const int64_t bits = static_cast<int64_t>(size) * 8;
    int64_t pos = 0, done = 0;
    bool afterClear = true;
    while (done < pixels && pos + width <= bits) {
        int c = 0;
        for (int i = 0; i < width; ++i, ++pos) c |= ((data[pos >> 3] >> (pos & 7)) & 1) << i;
        if (c == clear) {
            width = codeSize + 1;
            nextFree = clear + 2;
            maxCode = 2 * clear;
            afterClear = true;
            continue;
        }
        if (c == eoi) return false;
        if (afterClear) {
            if (c > eoi) return true;
            afterClear = false;
            old = c;
            ++done;
            continue;
        }
        if (c > nextFree) return true;
        const int len = c == nextFree ? length[static_cast<size_t>(old)] + 1 : length[static_cast<size_t>(c)];
        if (nextFree < 4096) {
            length[static_cast<size_t>(nextFree)] = length[static_cast<size_t>(old)] + 1;
            if (++nextFree >= maxCode && maxCode < 4096) {
                maxCode *= 2;
                ++width;
            }
        }
        done += len;
        old = c;
    }
    return false;
}

// The input as one frame's LZW data (width, height, flags, code size, then the data bytes cut into
// sub-blocks): whenever giflib decodes the frame, our indices must equal giflib's.
inline void Differential(const uint8_t* data, size_t size) {
    if (size < 4) return;
    const int w = 1 + data[0] % 64, h = 1 + data[1] % 64;
    const bool interlaced = data[2] & 1;
    const int codeSize = 2 + data[3] % 7;
    std::string gif = "GIF89a";
    gif += {static_cast<char>(w), 0, static_cast<char>(h), 0, static_cast<char>(0xF7), 0, 0};
    for (int i = 0; i < 256; ++i) gif += {static_cast<char>(i), static_cast<char>(i), static_cast<char>(i)};
    gif += {',', 0, 0, 0, 0, static_cast<char>(w), 0, static_cast<char>(h), 0, static_cast<char>(interlaced ? 0x40 : 0)};
    gif += static_cast<char>(codeSize);
    for (size_t at = 4; at < size; at += 255) {
        const size_t n = std::min<size_t>(255, size - at);
        gif += static_cast<char>(n);
        gif.append(reinterpret_cast<const char*>(data + at), n);
    }
    gif += '\0';
    gif += ';';

    if (HasUndefinedCodes(data + 4, size - 4, codeSize, int64_t{w} * h)) return;
    MemoryReader reader{reinterpret_cast<const uint8_t*>(gif.data()), gif.size(), 0};
    int error = 0;
    GifFileType* g = DGifOpen(&reader, ReadMemory, &error);
    if (!g) return;
    const bool ok = DGifSlurp(g) == GIF_OK && g->ImageCount == 1;
    std::string theirs;
    if (ok) theirs.assign(reinterpret_cast<const char*>(g->SavedImages[0].RasterBits), static_cast<size_t>(w * h));
    DGifCloseFile(g, &error);
    if (!ok) return;

    TGIFImage image;
    TStringStream s(gif);
    image.LoadFromStream(s);
    Check(image.Images().Count() == 1, "one frame");
    TGIFSubImage* f = image.Images().SubImages(0);
    const std::string ours(reinterpret_cast<const char*>(f->Data()), static_cast<size_t>(f->DataSize()));
    if (ours != theirs) {
        for (const std::string* v : {&ours, static_cast<const std::string*>(&theirs)}) {
            for (unsigned char c : *v) std::fprintf(stderr, "%02x", c);
            std::fprintf(stderr, "\n");
        }
    }
    Check(ours == theirs, "our indices equal giflib's");
}

}  // namespace giffuzz
