#pragma once
// An image control that fetches one picture from a web address and shows it. The caller names the
// format ("GIF", "JPEG", or any name a registered loader accepts); the bytes are never inspected to
// find it. Each download is self-contained: connect, one GET, disconnect, so no cookie or session
// passes from one download to the next.
#include <memory>
#include <string>

#include "platform/gui/TImage.h"

class TSubmit;

// What the downloader asks the server for.
extern const char* const kImageLoaderAccept;

// Fetches the client's current address and decodes the body through the loader registered for
// format into picture. True when the picture holds the new image; on any failure (no answer, an
// error status, an empty body, undecodable data, an unknown format) the picture is left empty and
// the answer is false. Raises nothing; the client is disconnected afterwards in every case.
bool DownloadPicture(TSubmit& submit, const std::string& format, TPicture& picture);

class TImageLoader : public TImage {
    Q_OBJECT
public:
    explicit TImageLoader(QWidget* owner = nullptr);
    ~TImageLoader() override;
    std::string ClassName() const override { return "TImageLoader"; }

    std::string URL() const;
    // Changes the address only; an open connection stays as it is.
    void SetURL(const std::string& url);

    bool Active() const { return active_; }
    // Writing true downloads at once, every time it is written true; false is only stored. The
    // answer tells whether a download ran and succeeded.
    bool SetActive(bool value);
    // The outcome of the last download.
    bool Succeeded() const { return succeeded_; }

    // The format name handed to the loader registry; callers write it directly.
    std::string Format;

    TSubmit& Submit() { return *submit_; }

private:
    bool Download();

    bool active_ = false;
    bool succeeded_ = false;
    std::unique_ptr<TSubmit> submit_;
};
