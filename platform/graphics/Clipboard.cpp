#include "platform/graphics/Clipboard.h"

#include "platform/graphics/Bitmap.h"

namespace {
std::unique_ptr<TClipboardBackend> installed;
}

HCLIPDATA TMemoryClipboard::GetData(unsigned format) {
    auto it = data_.find(format);
    return it == data_.end() ? nullptr : it->second;
}

bool TMemoryClipboard::SetData(unsigned format, HCLIPDATA data) {
    if (!data || format == 0) return false;
    data_[format] = std::move(data);
    return true;
}

void SetClipboardBackend(std::unique_ptr<TClipboardBackend> backend) { installed = std::move(backend); }

TClipboardBackend& ClipboardBackend() {
    if (!installed) installed = std::make_unique<TMemoryClipboard>();
    return *installed;
}

HCLIPDATA GetClipboardData(unsigned format) { return ClipboardBackend().GetData(format); }
bool SetClipboardData(unsigned format, HCLIPDATA data) {
    return ClipboardBackend().SetData(format, std::move(data));
}
void EmptyClipboard() { ClipboardBackend().Empty(); }

HCLIPDATA MakeClipboardBytes(std::vector<uint8_t> bytes) {
    auto d = std::make_shared<TClipboardData>();
    d->Bytes = std::move(bytes);
    return d;
}
