// The bitmap-to-QImage adapter, pixel by pixel; and Qt's BMP reader and writer as an independent
// check of the bitmap files the stand-in reads and writes.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include "platform/graphics/Graphics.h"
#include "platform/qtimage/QtImage.h"

namespace {

// A picture with distinct colours at distinct places, drawn through the stand-in itself.
std::unique_ptr<TBitmap> Pattern(TPixelFormat f, int w, int h) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(f);
    b->SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b->SetPixel(x, y, RGB(static_cast<uint8_t>(x * 37 + y), static_cast<uint8_t>(y * 53), static_cast<uint8_t>((x ^ y) * 29)));
    return b;
}

void ExpectSamePixels(const TBitmap& b, const QImage& img) {
    ASSERT_EQ(img.width(), b.Width());
    ASSERT_EQ(img.height(), b.Height());
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const QRgb q = img.pixel(x, y);
            const TColor c = b.GetPixel(x, y);
            ASSERT_EQ(RGB(static_cast<uint8_t>(qRed(q)), static_cast<uint8_t>(qGreen(q)), static_cast<uint8_t>(qBlue(q))), c)
                << "at " << x << "," << y;
        }
}

}  // namespace

TEST(BitmapToQImage, EveryFormatIsPixelExact) {
    for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf24bit, pf32bit, pfDevice}) {
        for (int h : {1, 3}) {
            auto b = Pattern(f, 13, h);
            const QImage img = BitmapToQImage(*b);
            SCOPED_TRACE(int(f));
            ExpectSamePixels(*b, img);
        }
    }
}

TEST(QImageToBitmap, GivesA24BitBitmapOfTheSamePixels) {
    // Formats with and without alpha, widths with and without row padding, and a null image.
    for (QImage::Format format : {QImage::Format_ARGB32, QImage::Format_RGB888, QImage::Format_Indexed8}) {
        for (int w : {1, 4, 13}) {
            QImage img = BitmapToQImage(*Pattern(pf24bit, w, 3)).convertToFormat(format);
            SCOPED_TRACE(int(format) * 100 + w);
            TBitmap b;
            QImageToBitmap(img, b);
            EXPECT_EQ(b.PixelFormat(), pf24bit);
            ExpectSamePixels(b, img);
        }
    }
    TBitmap b;
    b.SetSize(2, 2);
    QImageToBitmap(QImage(), b);
    EXPECT_TRUE(b.Empty());
}

TEST(BitmapToQImage, KeepsIndexesAndColourTables) {
    PALETTEENTRY e[4] = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}, {7, 8, 9, 0}};
    TBitmap b;
    b.SetPixelFormat(pf8bit);
    b.SetPalette(CreatePalette(e, 4));
    b.SetSize(3, 1);
    b.ScanLine(0)[0] = 3;
    b.ScanLine(0)[1] = 0;
    b.ScanLine(0)[2] = 2;
    const QImage img = BitmapToQImage(b);
    EXPECT_EQ(img.format(), QImage::Format_Indexed8);
    EXPECT_EQ(img.pixelIndex(0, 0), 3);
    EXPECT_EQ(img.pixelIndex(2, 0), 2);
    EXPECT_EQ(img.colorTable().size(), 256);
    EXPECT_EQ(img.color(1), qRgb(4, 5, 6));

    TBitmap mono;
    mono.SetPixelFormat(pf1bit);
    mono.SetSize(10, 1);
    mono.SetPixel(9, 0, clBlack);
    const QImage m = BitmapToQImage(mono);
    EXPECT_EQ(m.format(), QImage::Format_Mono);
    EXPECT_EQ(m.pixelIndex(9, 0), 0);
    EXPECT_EQ(m.pixelIndex(8, 0), 1);

    EXPECT_TRUE(BitmapToQImage(TBitmap()).isNull());
}

TEST(BitmapFiles, QtReadsWhatTheBitmapWrites) {
    for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf24bit, pf32bit}) {
        auto b = Pattern(f, 7, 5);
        TMemoryStream s;
        b->SaveToStream(s);
        QImage img;
        ASSERT_TRUE(img.loadFromData(s.Memory(), static_cast<int>(s.Bytes().size()), "BMP")) << int(f);
        SCOPED_TRACE(int(f));
        ExpectSamePixels(*b, img);
    }
}

TEST(BitmapFiles, TheBitmapReadsWhatQtWrites) {
    auto src = Pattern(pf24bit, 9, 4);
    const QImage original = BitmapToQImage(*src);
    for (QImage::Format qf : {QImage::Format_RGB32, QImage::Format_Indexed8, QImage::Format_Mono}) {
        const QImage img = original.convertToFormat(qf);
        QByteArray data;
        QBuffer buf(&data);
        buf.open(QIODevice::WriteOnly);
        ASSERT_TRUE(img.save(&buf, "BMP"));
        TMemoryStream s;
        s.Write(data.constData(), data.size());
        s.SetPosition(0);
        TBitmap b;
        b.LoadFromStream(s);
        SCOPED_TRACE(int(qf));
        ExpectSamePixels(b, img);
    }
}

TEST(BitmapToQImage, ABitmapTooWideForQtGivesANullImage) {
    // 4 bits per pixel keep this row at 128 MiB; expanded to 8 bits it passes Qt's int limit.
    const int w = 268435453;
    TBitmap b;
    b.TakeImage(pf4bit, w, 1, std::vector<uint8_t>(static_cast<size_t>(TBitmap::BytesPerScanline(w, 4))), nullptr);
    EXPECT_TRUE(BitmapToQImage(b).isNull());
}
