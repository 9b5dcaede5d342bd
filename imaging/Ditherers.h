#pragma once
// Ditherers: walk a picture row by row in alternating directions, ask a colour lookup for each
// pixel and spread the colour error over the pixels not yet visited.
//
// Protocol: create for the row width; for each row, while 0 <= Column < Width, take the source
// pixel at Column and call Dither (or NextColumn to skip it), storing the index at that column;
// then NextLine. The caller steps its own pointers by Direction.
//
// The diffusing kinds keep their pending error terms per row in arrays indexed by column, so a
// skipped pixel moves the error positions with the column and its own pending term is dropped.
#include <cstdint>
#include <vector>

#include "imaging/ColorLookup.h"

// No diffusion: each pixel's nearest colour.
class TDitherEngine : public TObject {
public:
    TDitherEngine(int width, TColorLookup* lookup);
    std::string ClassName() const override { return "TDitherEngine"; }

    virtual uint8_t Dither(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b);
    virtual void NextLine();
    void NextColumn() { Column += Direction; }

    int Direction = 1;  // +1 left to right, -1 right to left
    int Column = 0;     // column of the next pixel
    TColorLookup* Lookup;  // not owned
    int Width;
};

// Error diffusion over a kernel that reaches `rows` rows (the current one included) and `reach`
// pixels to either side. Terms are integers scaled by the divisor D; a pixel gets
// channel + (acc + D div 2) div D (truncating), clamped to 0..255, and the error is taken after
// the clamp.
class TDiffusionDitherer : public TDitherEngine {
public:
    std::string ClassName() const override { return "TDiffusionDitherer"; }
    uint8_t Dither(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;
    void NextLine() override;

protected:
    TDiffusionDitherer(int width, TColorLookup* lookup, int rows, int reach, int divisor);
    // Adds the error e (red, green, blue) times the kernel's weights; row[k] points at the entry of
    // the current column in row +k, dir is the direction of travel (pixel offsets are dir * n * 3).
    virtual void Propagate(int* const* row, int dir, const int* e) = 0;
    // Adds weight * e at `offset` pixels along the direction.
    static void Add(int* row, int dir, int offset, int weight, const int* e) {
        int* p = row + dir * offset * 3;
        p[0] += weight * e[0];
        p[1] += weight * e[1];
        p[2] += weight * e[2];
    }

    int Divisor;

private:
    int reach_;
    // One array per reached row: (Width + 2 * reach) pixels of three channels, margins included.
    std::vector<std::vector<int>> rows_;
};

class TFloydSteinbergDitherer : public TDiffusionDitherer {
public:
    TFloydSteinbergDitherer(int width, TColorLookup* lookup);
    std::string ClassName() const override { return "TFloydSteinbergDitherer"; }

protected:
    void Propagate(int* const* row, int dir, const int* e) override;
};

// The three five-by-three kernels.
class T5by3Ditherer : public TDiffusionDitherer {
public:
    std::string ClassName() const override { return "T5by3Ditherer"; }

protected:
    T5by3Ditherer(int width, TColorLookup* lookup) : TDiffusionDitherer(width, lookup, 3, 2, 1) {}
};

class TStuckiDitherer : public T5by3Ditherer {
public:
    TStuckiDitherer(int width, TColorLookup* lookup);
    std::string ClassName() const override { return "TStuckiDitherer"; }

protected:
    void Propagate(int* const* row, int dir, const int* e) override;
};

class TSierraDitherer : public T5by3Ditherer {
public:
    TSierraDitherer(int width, TColorLookup* lookup);
    std::string ClassName() const override { return "TSierraDitherer"; }

protected:
    void Propagate(int* const* row, int dir, const int* e) override;
};

class TJaJuNiDitherer : public T5by3Ditherer {
public:
    TJaJuNiDitherer(int width, TColorLookup* lookup);
    std::string ClassName() const override { return "TJaJuNiDitherer"; }

protected:
    void Propagate(int* const* row, int dir, const int* e) override;
};

// Stevenson-Arce.
class TSteveArcheDitherer : public TDiffusionDitherer {
public:
    TSteveArcheDitherer(int width, TColorLookup* lookup);
    std::string ClassName() const override { return "TSteveArcheDitherer"; }

protected:
    void Propagate(int* const* row, int dir, const int* e) override;
};

class TBurkesDitherer : public TDiffusionDitherer {
public:
    TBurkesDitherer(int width, TColorLookup* lookup);
    std::string ClassName() const override { return "TBurkesDitherer"; }

protected:
    void Propagate(int* const* row, int dir, const int* e) override;
};
