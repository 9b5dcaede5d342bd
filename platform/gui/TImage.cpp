#include "platform/gui/TImage.h"

#include <QPainter>

#include "platform/graphics/Bitmap.h"
#include "platform/gui/Bitmaps.h"
#include "platform/graphics/Canvas.h"
#include "platform/qtimage/QtImage.h"

QImage KeyColourTransparent(const QImage& image) {
    if (image.isNull()) return image;
    QImage keyed = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = keyed.pixel(0, keyed.height() - 1) | 0xFF000000u;
    for (int y = 0; y < keyed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x)
            if ((line[x] | 0xFF000000u) == key) line[x] = 0;
    }
    return keyed;
}

TImage::TImage(QWidget* parent) : QWidget(parent) {
    picture_.OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage() { picture_.OnChange = nullptr; }

void TImage::PictureChanged() {
    cacheValid_ = false;
    if (autoSize_ && picture_.Width() > 0 && picture_.Height() > 0) resize(picture_.Width(), picture_.Height());
    updateGeometry();
    update();
}

void TImage::SetTransparent(bool value) {
    transparent_ = value;
    cacheValid_ = false;
    update();
}

void TImage::LoadFromResourceName(std::string_view name) {
    const QImage image = LoadBitmapResource(name).toImage();
    TBitmap bitmap;
    QImageToBitmap(image, bitmap);
    picture_.SetBitmap(&bitmap);
}

void TImage::SetStretch(bool value) {
    stretch_ = value;
    update();
}

void TImage::SetCenter(bool value) {
    center_ = value;
    update();
}

void TImage::SetAutoSize(bool value) {
    autoSize_ = value;
    if (value) PictureChanged();
}

QImage TImage::Rendered() const {
    if (cacheValid_) return cache_;
    cache_ = QImage();
    TGraphic* g = picture_.Graphic();
    if (g && !g->Empty()) {
        if (auto* b = dynamic_cast<TBitmap*>(g)) {
            cache_ = BitmapToQImage(*b);
        } else {
            // Any other graphic draws itself onto a bitmap first.
            TBitmap tmp;
            tmp.SetPixelFormat(pf24bit);
            tmp.SetSize(g->Width(), g->Height());
            tmp.Canvas().Draw(0, 0, g);
            cache_ = BitmapToQImage(tmp);
        }
    }
    if (transparent_) cache_ = KeyColourTransparent(cache_);
    cacheValid_ = true;
    return cache_;
}

QSize TImage::sizeHint() const {
    if (picture_.Width() > 0 && picture_.Height() > 0) return QSize(picture_.Width(), picture_.Height());
    return QSize(105, 105);
}

void TImage::paintEvent(QPaintEvent*) {
    // Painting is a Qt callback: a picture that fails to render shows nothing.
    try {
        const QImage img = Rendered();
        if (img.isNull()) return;
        QPainter p(this);
        if (stretch_) {
            p.drawImage(rect(), img);
        } else if (center_) {
            p.drawImage(QPoint((width() - img.width()) / 2, (height() - img.height()) / 2), img);
        } else {
            p.drawImage(QPoint(0, 0), img);
        }
    } catch (...) {
    }
}
