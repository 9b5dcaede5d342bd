#include "platform/qtimage/QtImage.h"

#include <cstring>
#include <vector>

#include "platform/graphics/Bitmap.h"

namespace {

QList<QRgb> ColorTableOf(const TBitmap& bitmap) {
    QList<QRgb> table;
    for (const PALETTEENTRY& e : bitmap.ColorTable()) table.push_back(qRgb(e.peRed, e.peGreen, e.peBlue));
    return table;
}

}  // namespace

QImage BitmapToQImage(const TBitmap& bitmap) {
    // Qt refuses some sizes our bitmaps allow (rows wider than its int arithmetic, or no memory):
    // every branch then gives a null image instead of writing through a null row.
    if (bitmap.Empty()) return QImage();
    const int w = bitmap.Width(), h = bitmap.Height();
    switch (bitmap.PixelFormat()) {
        case pf1bit:
        case pf8bit: {
            // Both keep our row layout: 1 bit is most significant bit first, as Format_Mono.
            QImage img(w, h, bitmap.PixelFormat() == pf1bit ? QImage::Format_Mono : QImage::Format_Indexed8);
            if (img.isNull()) return QImage();
            img.setColorTable(ColorTableOf(bitmap));
            const size_t n = static_cast<size_t>(std::min<qsizetype>(img.bytesPerLine(), bitmap.BytesPerLine()));
            for (int y = 0; y < h; ++y) std::memcpy(img.scanLine(y), bitmap.ScanLine(y), n);
            return img;
        }
        case pf4bit: {
            QImage img(w, h, QImage::Format_Indexed8);
            if (img.isNull()) return QImage();
            img.setColorTable(ColorTableOf(bitmap));
            for (int y = 0; y < h; ++y) {
                const uint8_t* src = bitmap.ScanLine(y);
                uchar* dst = img.scanLine(y);
                for (int x = 0; x < w; ++x) dst[x] = (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4);
            }
            return img;
        }
        case pf32bit: {
            QImage img(w, h, QImage::Format_RGB32);
            if (img.isNull()) return QImage();
            for (int y = 0; y < h; ++y) {
                const uint8_t* src = bitmap.ScanLine(y);
                auto* dst = reinterpret_cast<QRgb*>(img.scanLine(y));
                for (int x = 0; x < w; ++x) dst[x] = qRgb(src[x * 4 + 2], src[x * 4 + 1], src[x * 4]);
            }
            return img;
        }
        default: {
            // Blue, green, red rows are Qt's BGR888.
            QImage img(w, h, QImage::Format_BGR888);
            if (img.isNull()) return QImage();
            for (int y = 0; y < h; ++y)
                std::memcpy(img.scanLine(y), bitmap.ScanLine(y), static_cast<size_t>(w) * 3);
            return img;
        }
    }
}

void QImageToBitmap(const QImage& image, TBitmap& bitmap) {
    if (image.isNull()) {
        bitmap.SetSize(0, 0);
        return;
    }
    // Qt's BGR888 rows are ours without the padding to four bytes.
    const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
    const int w = bgr.width(), h = bgr.height();
    const int64_t line = TBitmap::BytesPerScanline(w, 24);
    std::vector<uint8_t> rows(static_cast<size_t>(line * h));
    for (int y = 0; y < h; ++y)
        std::memcpy(rows.data() + static_cast<size_t>(line) * static_cast<size_t>(y), bgr.constScanLine(y),
                    static_cast<size_t>(w) * 3);
    bitmap.TakeImage(pf24bit, w, h, std::move(rows), nullptr);
}
