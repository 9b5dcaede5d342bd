#pragma once
// The benchmark inputs of make_inputs.sh, and giflib reading them from memory.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

// The input's bytes, "" when make_inputs.sh has not made it.
inline std::string Input(const std::string& name) {
    std::ifstream in(std::string(VA_GIF_BENCH_INPUTS) + "/" + name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct Reader {
    const std::string* data;
    size_t at;
};

// giflib's input function over a Reader given as the user data.
inline int ReadMemory(GifFileType* gif, GifByteType* out, int n) {
    auto* r = static_cast<Reader*>(gif->UserData);
    const size_t k = std::min<size_t>(static_cast<size_t>(n), r->data->size() - r->at);
    std::memcpy(out, r->data->data() + r->at, k);
    r->at += k;
    return static_cast<int>(k);
}
