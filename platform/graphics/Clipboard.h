#pragma once
// The clipboard behind an interface: data kept by format id, registered formats as bytes and the
// bitmap format as a bitmap. An in-memory back end is the default; the GUI installs one over the
// system clipboard.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class TBitmap;

constexpr unsigned CF_BITMAP = 2;

// What one format holds: bytes for a registered format, a bitmap for CF_BITMAP.
struct TClipboardData {
    std::vector<uint8_t> Bytes;
    std::shared_ptr<const TBitmap> Bitmap;
};
using HCLIPDATA = std::shared_ptr<const TClipboardData>;

class TClipboardBackend {
public:
    virtual ~TClipboardBackend() = default;
    // Null when the clipboard holds nothing in that format.
    virtual HCLIPDATA GetData(unsigned format) = 0;
    // Adds the format to what the clipboard holds; false when it was refused.
    virtual bool SetData(unsigned format, HCLIPDATA data) = 0;
    virtual void Empty() = 0;
};

class TMemoryClipboard : public TClipboardBackend {
public:
    HCLIPDATA GetData(unsigned format) override;
    bool SetData(unsigned format, HCLIPDATA data) override;
    void Empty() override { data_.clear(); }

private:
    std::map<unsigned, HCLIPDATA> data_;
};

// The installed back end; null restores the in-memory default.
void SetClipboardBackend(std::unique_ptr<TClipboardBackend> backend);
TClipboardBackend& ClipboardBackend();

HCLIPDATA GetClipboardData(unsigned format);
bool SetClipboardData(unsigned format, HCLIPDATA data);
void EmptyClipboard();

HCLIPDATA MakeClipboardBytes(std::vector<uint8_t> bytes);
