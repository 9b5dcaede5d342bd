#pragma once
// The framework's image control: a widget that holds a picture and shows it, at its own size from
// the top-left corner, centred, or stretched over the control.
#include <QImage>
#include <QWidget>
#include <string>
#include <string_view>

#include "platform/Object.h"
#include "platform/graphics/Graphic.h"

// The image as ARGB32 with every pixel of its bottom-left pixel's colour (alpha aside) made fully
// transparent; a null image stays null.
QImage KeyColourTransparent(const QImage& image);

class TImage : public QWidget, public TObject {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);
    ~TImage() override;
    std::string ClassName() const override { return "TImage"; }

    // The picture is the control's own; setting one copies it.
    TPicture& Picture() { return picture_; }
    const TPicture& Picture() const { return picture_; }
    void SetPicture(TPicture* value) { picture_.Assign(value); }

    bool Stretch() const { return stretch_; }
    void SetStretch(bool value);
    bool Center() const { return center_; }
    void SetCenter(bool value);
    // With AutoSize the control takes the picture's size whenever the picture changes.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);

    // A transparent image shows what lies under it where the picture has the colour of its
    // bottom-left pixel.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);

    // Replaces the picture by the named bitmap resource (24 bits); raises EResNotFound.
    void LoadFromResourceName(std::string_view name);

    // The picture as it is shown (see-through pixels have alpha 0): null when the picture is empty.
    QImage Rendered() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PictureChanged();

    TPicture picture_;
    mutable QImage cache_;
    mutable bool cacheValid_ = false;
    bool stretch_ = false;
    bool center_ = false;
    bool autoSize_ = false;
    bool transparent_ = false;
};
