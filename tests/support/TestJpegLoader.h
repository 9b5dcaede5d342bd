#pragma once
// A test-only "JPEG" loader over Qt's image reader, registered by the test mains while the system
// has no JPEG loader of its own, so that the code dialog and the cards show the real pictures.
// It stands aside by itself once a real "JPEG" loader is registered, whenever that happens.
#include <QImage>

#include "imaging/BitmapLoader.h"
#include "imaging/LinearBitmap.h"

class TQtJpegTestLoader : public TBitmapLoader {
public:
    bool CanLoad(const std::string& ext) override {
        if (ext != "JPEG" && ext != "JPG") return false;
        TBitmapLoaders& all = BitmapLoaders();
        for (int i = 0; i < all.Count(); ++i)
            if (all.Items(i) != this && all.Items(i)->CanLoad(ext)) return false;
        return true;
    }
    void LoadFromStream(TSeekableStream& stream, const std::string&, TLinearBitmap& image) override {
        TSeekableNorvStream in(stream);
        QByteArray data;
        char buf[4096];
        for (int64_t n; (n = in.Read(buf, sizeof buf)) > 0;) data.append(buf, static_cast<qsizetype>(n));
        QImage q = QImage::fromData(data, "JPEG").convertToFormat(QImage::Format_RGB888);
        if (q.isNull()) throw ELinearBitmap("Error in bitmap data");
        image.New(q.width(), q.height(), pf24bit);
        for (int y = 0; y < q.height(); ++y) {
            const uchar* src = q.constScanLine(y);
            uint8_t* dst = image.ScanLine(y);
            for (int x = 0; x < q.width(); ++x) {
                dst[x * 3] = src[x * 3 + 2];
                dst[x * 3 + 1] = src[x * 3 + 1];
                dst[x * 3 + 2] = src[x * 3];
            }
        }
    }
};

// Registers the test loader unless a JPEG loader is there already.
inline void RegisterTestJpegLoaderIfMissing() {
    static TQtJpegTestLoader loader;
    try {
        BitmapLoaders().FindLoader("JPEG");
    } catch (const EUnsupportedFileFormat&) {
        RegisterLoader(&loader);
    }
}
