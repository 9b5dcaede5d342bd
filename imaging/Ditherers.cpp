#include "imaging/Ditherers.h"

#include <algorithm>

// ---- TDitherEngine ----

TDitherEngine::TDitherEngine(int width, TColorLookup* lookup) : Lookup(lookup), Width(width) {}

uint8_t TDitherEngine::Dither(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) {
    const uint8_t index = Lookup->Lookup(red, green, blue, r, g, b);
    NextColumn();
    return index;
}

void TDitherEngine::NextLine() {
    Direction = -Direction;
    Column = Direction > 0 ? 0 : Width - 1;
}

// ---- TDiffusionDitherer ----

TDiffusionDitherer::TDiffusionDitherer(int width, TColorLookup* lookup, int rows, int reach, int divisor)
    : TDitherEngine(width, lookup), Divisor(divisor), reach_(reach) {
    const size_t entries = (static_cast<size_t>(std::max(width, 0)) + 2 * static_cast<size_t>(reach)) * 3;
    rows_.assign(static_cast<size_t>(rows), std::vector<int>(entries, 0));
}

uint8_t TDiffusionDitherer::Dither(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g,
                                   uint8_t& b) {
    // Off the row (outside the protocol) there is no error position: the plain nearest colour.
    if (Column < 0 || Column >= Width) return TDitherEngine::Dither(red, green, blue, r, g, b);
    const int dir = Direction;
    const size_t at = static_cast<size_t>(Column + reach_) * 3;
    int* row[4];
    for (size_t k = 0; k < rows_.size(); ++k) row[k] = rows_[k].data() + at;

    const int half = Divisor / 2;
    const int channel[3] = {red, green, blue};
    int value[3];
    for (int c = 0; c < 3; ++c) value[c] = std::clamp(channel[c] + (row[0][c] + half) / Divisor, 0, 255);
    const uint8_t index = TDitherEngine::Dither(static_cast<uint8_t>(value[0]), static_cast<uint8_t>(value[1]),
                                                static_cast<uint8_t>(value[2]), r, g, b);
    const int e[3] = {value[0] - r, value[1] - g, value[2] - b};
    if (e[0] | e[1] | e[2]) Propagate(row, dir, e);
    return index;
}

void TDiffusionDitherer::NextLine() {
    // Row +1 becomes the current row; the finished row, cleared, becomes the last.
    std::fill(rows_.front().begin(), rows_.front().end(), 0);
    std::rotate(rows_.begin(), rows_.begin() + 1, rows_.end());
    TDitherEngine::NextLine();
}

// ---- The kernels ----

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int width, TColorLookup* lookup)
    : TDiffusionDitherer(width, lookup, 2, 1, 16) {}

void TFloydSteinbergDitherer::Propagate(int* const* row, int dir, const int* e) {
    Add(row[0], dir, 1, 7, e);
    Add(row[1], dir, -1, 3, e);
    Add(row[1], dir, 0, 5, e);
    Add(row[1], dir, 1, 1, e);
}

TStuckiDitherer::TStuckiDitherer(int width, TColorLookup* lookup) : T5by3Ditherer(width, lookup) { Divisor = 42; }

void TStuckiDitherer::Propagate(int* const* row, int dir, const int* e) {
    Add(row[0], dir, 1, 8, e);
    Add(row[0], dir, 2, 4, e);
    static const int w1[5] = {2, 4, 8, 4, 2}, w2[5] = {1, 2, 4, 2, 1};
    for (int k = 0; k < 5; ++k) {
        Add(row[1], dir, k - 2, w1[k], e);
        Add(row[2], dir, k - 2, w2[k], e);
    }
}

TSierraDitherer::TSierraDitherer(int width, TColorLookup* lookup) : T5by3Ditherer(width, lookup) { Divisor = 32; }

void TSierraDitherer::Propagate(int* const* row, int dir, const int* e) {
    Add(row[0], dir, 1, 5, e);
    Add(row[0], dir, 2, 3, e);
    static const int w1[5] = {2, 4, 5, 4, 2};
    for (int k = 0; k < 5; ++k) Add(row[1], dir, k - 2, w1[k], e);
    Add(row[2], dir, -1, 2, e);
    Add(row[2], dir, 0, 3, e);
    Add(row[2], dir, 1, 2, e);
}

TJaJuNiDitherer::TJaJuNiDitherer(int width, TColorLookup* lookup) : T5by3Ditherer(width, lookup) { Divisor = 48; }

void TJaJuNiDitherer::Propagate(int* const* row, int dir, const int* e) {
    Add(row[0], dir, 1, 7, e);
    Add(row[0], dir, 2, 5, e);
    static const int w1[5] = {3, 5, 7, 5, 3}, w2[5] = {1, 3, 5, 3, 1};
    for (int k = 0; k < 5; ++k) {
        Add(row[1], dir, k - 2, w1[k], e);
        Add(row[2], dir, k - 2, w2[k], e);
    }
}

TSteveArcheDitherer::TSteveArcheDitherer(int width, TColorLookup* lookup)
    : TDiffusionDitherer(width, lookup, 4, 3, 200) {}

void TSteveArcheDitherer::Propagate(int* const* row, int dir, const int* e) {
    Add(row[0], dir, 2, 32, e);
    Add(row[1], dir, -3, 12, e);
    Add(row[1], dir, -1, 26, e);
    Add(row[1], dir, 1, 30, e);
    Add(row[1], dir, 3, 16, e);
    Add(row[2], dir, -2, 12, e);
    Add(row[2], dir, 0, 26, e);
    Add(row[2], dir, 2, 12, e);
    Add(row[3], dir, -3, 5, e);
    Add(row[3], dir, -1, 12, e);
    Add(row[3], dir, 1, 12, e);
    Add(row[3], dir, 3, 5, e);
}

TBurkesDitherer::TBurkesDitherer(int width, TColorLookup* lookup) : TDiffusionDitherer(width, lookup, 2, 2, 32) {}

void TBurkesDitherer::Propagate(int* const* row, int dir, const int* e) {
    Add(row[0], dir, 1, 8, e);
    Add(row[0], dir, 2, 4, e);
    static const int w1[5] = {2, 4, 8, 4, 2};
    for (int k = 0; k < 5; ++k) Add(row[1], dir, k - 2, w1[k], e);
}
