// The table of live handles.
#include "platform/winhttp/CurlTypes.h"

namespace winhttp::curl {

HINTERNET HandleTable::Add(std::shared_ptr<Handle> h) {
    std::lock_guard<std::mutex> lock(mutex_);
    HINTERNET key = h.get();
    map_[key] = std::move(h);
    return key;
}

std::shared_ptr<Handle> HandleTable::Find(HINTERNET key) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = map_.find(key);
    return it == map_.end() ? nullptr : it->second;
}

std::shared_ptr<Handle> HandleTable::Remove(HINTERNET key) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = map_.find(key);
    if (it == map_.end()) return nullptr;
    auto h = std::move(it->second);
    map_.erase(it);
    return h;
}

}  // namespace winhttp::curl
