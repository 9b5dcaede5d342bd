#pragma once
// A bitmap of the graphics stand-in as a Qt image, for painting.
#include <QImage>

class TBitmap;

// A copy of the pixels: 1 and 8 bits stay indexed with the bitmap's colour table, 4 bits become
// 8-bit indexed, 24 bits (and the device format) stay 24-bit, 32 bits become opaque RGB32.
// An empty bitmap, or one that Qt cannot hold, gives a null image.
QImage BitmapToQImage(const TBitmap& bitmap);

// The image as a 24-bit bitmap (alpha dropped); a null image empties the bitmap.
void QImageToBitmap(const QImage& image, TBitmap& bitmap);
