#pragma once
// Basic graphics types of the framework: colours, rectangles, pixel formats, graphic errors.
#include <algorithm>
#include <cstdint>
#include <climits>

#include "platform/Exceptions.h"

// 0x00BBGGRR, as the framework keeps colours; clNone and clDefault are markers, not colours.
using TColor = int32_t;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;

constexpr TColor RGB(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<TColor>(r | (g << 8) | (b << 16));
}
constexpr uint8_t GetRValue(TColor c) { return static_cast<uint8_t>(c & 0xFF); }
constexpr uint8_t GetGValue(TColor c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
constexpr uint8_t GetBValue(TColor c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }

struct TPoint {
    int X = 0;
    int Y = 0;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool operator==(const TRect&) const = default;
};

inline TRect Rect(int left, int top, int right, int bottom) { return TRect{left, top, right, bottom}; }
// Right and bottom stop at the int range instead of wrapping.
inline TRect Bounds(int left, int top, int width, int height) {
    auto add = [](int a, int b) {
        return static_cast<int>(std::clamp<int64_t>(int64_t{a} + b, INT32_MIN, INT32_MAX));
    };
    return TRect{left, top, add(left, width), add(top, height)};
}
inline TRect IntersectRect(const TRect& a, const TRect& b) {
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
    if (r.IsEmpty()) return TRect{};
    return r;
}

// The framework's order. pfDevice is the screen's own format, kept here as 24 bits per pixel.
enum TPixelFormat : uint8_t { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

VA_DECLARE_EXCEPTION(EInvalidGraphic, Exception)
VA_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception)
VA_DECLARE_EXCEPTION(EOutOfResources, EOutOfMemory)
