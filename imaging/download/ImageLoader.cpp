#include "imaging/download/ImageLoader.h"

#include "imaging/LinearBitmap.h"
#include "web/clSubmit.h"

const char* const kImageLoaderAccept =
    "text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,text/plain;q=0.8,video/x-mng,"
    "image/png,image/jpeg,image/gif;q=0.2,*/*;q=0.1";

bool DownloadPicture(TSubmit& submit, const std::string& format, TPicture& picture) {
    bool ok = false;
    try {
        TMemoryStream body;
        submit.RequestHeader().SetRawHeaderText("");
        submit.Connect();
        submit.RequestHeader().SetHeaderValueByPropertyIndex(0, kImageLoaderAccept);
        submit.Get(&body);
        if (body.Size() > 0) {
            body.SetPosition(0);
            TLinearBitmap image;
            image.LoadFromStream(body, format);
            // A fresh bitmap takes the image, rather than the old picture being converted first.
            picture.SetGraphic(nullptr);
            image.AssignTo(&picture);
            ok = true;
        }
    } catch (...) {
        // A failed download is no error to the caller: the answer says it.
    }
    try {
        submit.Disconnect();
    } catch (...) {
    }
    if (!ok) {
        // Never leave the previous picture behind as if it belonged to this address.
        try {
            picture.SetGraphic(nullptr);
        } catch (...) {
        }
    }
    return ok;
}

TImageLoader::TImageLoader(QWidget* owner) : TImage(owner), submit_(std::make_unique<TSubmit>()) {}

TImageLoader::~TImageLoader() = default;

std::string TImageLoader::URL() const { return submit_->GetURL(); }

void TImageLoader::SetURL(const std::string& url) { submit_->SetURL(url); }

bool TImageLoader::SetActive(bool value) {
    active_ = value;
    return value ? Download() : false;
}

bool TImageLoader::Download() {
    succeeded_ = DownloadPicture(*submit_, Format, Picture());
    return succeeded_;
}
