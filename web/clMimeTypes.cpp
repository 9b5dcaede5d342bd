#include "web/clMimeTypes.h"

#include <memory>

#include "platform/registry/Registry.h"

namespace {
std::unique_ptr<THashedStringList> g_extensions;
std::unique_ptr<THashedStringList> g_contentTypes;

const char kContentTypeKey[] = "\\MIME\\Database\\Content Type";

// Reads one string value; a key that cannot be read counts as having none.
std::string ReadValue(TRegistry& reg, const std::string& key, const std::string& name) {
    try {
        if (!reg.OpenKeyReadOnly(key)) return std::string();
        return reg.ReadString(name);
    } catch (const Exception&) {
        return std::string();
    }
}
}  // namespace

int THashedStringList::Add(std::string line) {
    size_t eq = line.find('=');
    std::string name = line.substr(0, eq);
    int at = list_.Add(std::move(line));
    index_.emplace(std::move(name), at);  // keeps the first
    return at;
}

void THashedStringList::Clear() {
    list_.Clear();
    index_.clear();
}

std::string THashedStringList::Values(std::string_view name) const {
    auto it = index_.find(std::string(name));
    if (it == index_.end()) return std::string();
    const std::string& line = list_[it->second];
    size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

const THashedStringList* MimeExtensionTable() { return g_extensions.get(); }
const THashedStringList* MimeContentTypeTable() { return g_contentTypes.get(); }

void InitMimeTypes() {
    auto extensions = std::make_unique<THashedStringList>();
    auto contentTypes = std::make_unique<THashedStringList>();
    TRegistry reg;
    reg.SetRootKey(HKEY_CLASSES_ROOT);

    TStringList names;
    if (reg.OpenKeyReadOnly("\\")) reg.GetKeyNames(names);
    for (const auto& name : names) {
        if (name.size() < 2 || name[0] != '.') continue;
        std::string type = ReadValue(reg, "\\" + name, "Content Type");
        if (!type.empty()) extensions->Add(LowerCase(name) + "=" + LowerCase(type));
    }

    names.Clear();
    if (reg.OpenKeyReadOnly(kContentTypeKey)) reg.GetKeyNames(names);
    for (const auto& name : names) {
        std::string ext = ReadValue(reg, std::string(kContentTypeKey) + "\\" + name, "Extension");
        if (ext.empty()) continue;
        if (ext[0] != '.') ext.insert(ext.begin(), '.');
        contentTypes->Add(LowerCase(name) + "=" + LowerCase(ext));
    }
    reg.CloseKey();
    g_extensions = std::move(extensions);
    g_contentTypes = std::move(contentTypes);
}

void FreeMimeTypes() {
    g_extensions.reset();
    g_contentTypes.reset();
}
