// Feeds arbitrary bytes to the registry as the HKEY_CURRENT_USER store file. Each input gets a
// folder of its own; the registry walks every key and reads every value, then writes one value,
// which writes the whole store back, and reads it again.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Exceptions.h"
#include "platform/Initialise.h"
#include "platform/Strings.h"
#include "platform/registry/Registry.h"

namespace fs = std::filesystem;

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// Reads every value of the key at path and of its sub-keys (a few levels deep); answers the number
// of values seen.
int Walk(const std::string& path, int depth) {
    TRegistry reg;
    if (!reg.OpenKeyReadOnly(path)) return 0;
    int seen = 0;
    TStringList values;
    reg.GetValueNames(values);
    for (int i = 0; i < values.Count(); ++i) {
        const std::string name = values[i];
        // A name with a character that code page 1251 lacks is listed with '?' in its place and
        // cannot be found under that name; every other listed value can be read.
        const bool exact = name.find('?') == std::string::npos;
        Check(!exact || reg.ValueExists(name), "a listed value exists");
        switch (reg.GetDataType(name)) {
            case rdInteger: (void)reg.ReadInteger(name); break;
            case rdString: (void)reg.ReadString(name); break;
            default: Check(!exact, "a listed value has a kind");
        }
        ++seen;
    }
    (void)reg.HasSubKeys();
    TStringList keys;
    reg.GetKeyNames(keys);
    reg.CloseKey();
    if (depth < 4)
        for (int i = 0; i < keys.Count(); ++i) seen += Walk(path + "\\" + keys[i], depth + 1);
    return seen;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::initialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fs::path base = fs::temp_directory_path() / ("va_fuzz_registry_" + std::to_string(::getpid()));
    static unsigned serial = 0;
    const fs::path dir = base / std::to_string(serial++);
    fs::create_directories(dir / "VelmoraAgent");
    {
        std::ofstream out(dir / "VelmoraAgent" / "HKEY_CURRENT_USER.hive", std::ios::binary);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    SetRegistryFolder(dir.string());

    try {
        const int before = Walk("\\", 0);
        {
            TRegistry reg;
            if (reg.OpenKey("\\Software\\Fuzz", true)) {
                reg.WriteInteger("n", before);
                reg.WriteString("s", "x\\\"\n");
                reg.CloseKey();
            }
        }
        (void)Walk("\\", 0);
    } catch (const Exception&) {
        // A store that cannot be written raises on close; that is its expected outcome.
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
