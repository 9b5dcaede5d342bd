// The image downloader against loopback test servers, with a test-only PPM loader registered.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "imaging/BitmapLoader.h"
#include "imaging/LinearBitmap.h"
#include "imaging/PpmLoader.h"
#include "imaging/download/ImageLoader.h"
#include "support/http/RefusingPort.h"
#include "support/http/TestHttpServer.h"
#include "web/clSubmit.h"

namespace {

void RegisterPpmOnce() {
    static testing_ppm::TPpmStreamLoader loader;
    static bool done = false;
    if (!done) RegisterLoader(&loader), done = true;
}

const std::string kRedBlue = testing_ppm::MakePpm(2, 1, {255, 0, 0, 0, 0, 255});
const std::string kGreen = testing_ppm::MakePpm(1, 1, {0, 200, 0});
// A GIF of a 16 x 12 screen with eight colours that ends after its graphic control block.
const std::string kGifWithoutImage = [] {
    std::string s = std::string("GIF89a") + '\x10' + '\0' + '\x0C' + '\0' + '\x82' + '\0' + '\0';
    for (int i = 0; i < 8; ++i) s += std::string{static_cast<char>(i * 32), static_cast<char>(i * 32), 0};
    return s + std::string("\x21\xF9\x04\x00\x00\x00\x00\x00", 8);
}();

class ImageLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterPpmOnce();
        for (auto* s : {&a, &b}) {
            s->Get("/red.ppm", [](const httplib::Request&, httplib::Response& r) { r.set_content(kRedBlue, "image/x-ppm"); });
            s->Get("/green.ppm", [](const httplib::Request&, httplib::Response& r) { r.set_content(kGreen, "image/x-ppm"); });
            s->Get("/empty", [](const httplib::Request&, httplib::Response& r) { r.set_content("", "image/x-ppm"); });
            s->Get("/junk", [](const httplib::Request&, httplib::Response& r) { r.set_content("GIF89a...", "image/gif"); });
            s->Get("/noimage.gif", [](const httplib::Request&, httplib::Response& r) {
                r.set_content(kGifWithoutImage, "image/gif");
            });
            ASSERT_TRUE(s->Start());
        }
    }

    // Downloads into a loader that already shows a picture; answers the outcome.
    bool Fetch(TImageLoader& loader, const std::string& url, const std::string& format = "ppm") {
        loader.SetURL(url);
        loader.Format = format;
        return loader.SetActive(true);
    }

    testsupport::TestHttpServer a, b;
};

}  // namespace

TEST_F(ImageLoaderTest, ThePictureLandsAndTheRequestCarriesAcceptAndUserAgent) {
    TImageLoader loader;
    EXPECT_TRUE(Fetch(loader, a.Url("/red.ppm")));
    EXPECT_TRUE(loader.Succeeded());
    EXPECT_TRUE(loader.Active());
    TBitmap* bmp = loader.Picture().Bitmap();
    ASSERT_EQ(bmp->Width(), 2);
    EXPECT_EQ(bmp->PixelFormat(), pf24bit);
    EXPECT_EQ(bmp->GetPixel(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(bmp->GetPixel(1, 0), RGB(0, 0, 255));

    ASSERT_EQ(a.RequestCount(), 1u);
    const testsupport::RecordedRequest r = a.LastRequest();
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.target, "/red.ppm");
    // Spelled out here, so that a slip in the downloader's own constant shows.
    EXPECT_EQ(r.Header("Accept"),
              "text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,text/plain;q=0.8,video/x-mng,"
              "image/png,image/jpeg,image/gif;q=0.2,*/*;q=0.1");
    EXPECT_EQ(r.HeaderCount("Accept"), 1u);
    EXPECT_EQ(r.Header("User-Agent"), "Mozilla/5.0 (compatible; MSIE 6.0; Windows 98)");
    EXPECT_FALSE(loader.Submit().Connected());

    // The control shows what it holds.
    const QImage shown = loader.Rendered();
    ASSERT_EQ(shown.width(), 2);
    EXPECT_EQ(shown.pixel(1, 0), qRgb(0, 0, 255));
}

TEST_F(ImageLoaderTest, FailuresLeaveThePictureEmptyAndReportIt) {
    TImageLoader loader;
    const std::pair<const char*, const char*> failures[] = {
        {"/missing", "ppm"}, {"/empty", "ppm"}, {"/junk", "ppm"}, {"/noimage.gif", "GIF"}};
    for (const auto& [path, format] : failures) {
        ASSERT_TRUE(Fetch(loader, a.Url("/red.ppm")));
        EXPECT_FALSE(Fetch(loader, a.Url(path), format)) << path;
        EXPECT_FALSE(loader.Succeeded());
        EXPECT_TRUE(loader.Picture().Bitmap()->Empty()) << path;
        EXPECT_TRUE(loader.Rendered().isNull());
    }
    // A format no loader accepts, and an empty address.
    ASSERT_TRUE(Fetch(loader, a.Url("/red.ppm")));
    EXPECT_FALSE(Fetch(loader, a.Url("/red.ppm"), "png"));
    EXPECT_TRUE(loader.Picture().Bitmap()->Empty());
    ASSERT_TRUE(Fetch(loader, a.Url("/red.ppm")));
    EXPECT_FALSE(Fetch(loader, ""));
    EXPECT_TRUE(loader.Picture().Bitmap()->Empty());
}

TEST_F(ImageLoaderTest, NoAnswerAtAllFailsQuietly) {
    testsupport::RefusingPort gone;
    const std::string url = "http://" + gone.HostPort() + "/red.ppm";
    TImageLoader loader;
    ASSERT_TRUE(Fetch(loader, a.Url("/red.ppm")));
    EXPECT_FALSE(Fetch(loader, url));
    EXPECT_TRUE(loader.Picture().Bitmap()->Empty());
}

TEST_F(ImageLoaderTest, DownloadsToTwoHostsInARowEachGoToItsOwnHost) {
    TImageLoader loader;
    EXPECT_TRUE(Fetch(loader, a.Url("/red.ppm")));
    EXPECT_TRUE(Fetch(loader, b.Url("/green.ppm")));
    EXPECT_EQ(loader.Picture().Bitmap()->GetPixel(0, 0), RGB(0, 200, 0));
    EXPECT_EQ(a.RequestCount(), 1u);
    EXPECT_EQ(b.RequestCount(), 1u);

    // A failed decode leaves no open connection: the next address's host is asked.
    EXPECT_FALSE(Fetch(loader, a.Url("/junk")));
    EXPECT_TRUE(Fetch(loader, b.Url("/red.ppm")));
    EXPECT_EQ(b.LastRequest().target, "/red.ppm");
    EXPECT_EQ(a.RequestCount(), 2u);
}

TEST_F(ImageLoaderTest, ActiveTrueTwiceDownloadsTwiceAndFalseOnlyStores) {
    TImageLoader loader;
    loader.SetURL(a.Url("/green.ppm"));
    loader.Format = "PPM";
    EXPECT_TRUE(loader.SetActive(true));
    EXPECT_TRUE(loader.SetActive(true));
    EXPECT_EQ(a.RequestCount(), 2u);
    // One connection per download: each request came on a connection of its own.
    const auto reqs = a.Requests();
    EXPECT_NE(reqs[0].remotePort, reqs[1].remotePort);
    EXPECT_FALSE(loader.SetActive(false));
    EXPECT_FALSE(loader.Active());
    EXPECT_EQ(a.RequestCount(), 2u);
    EXPECT_EQ(loader.URL(), a.Url("/green.ppm"));
}

TEST_F(ImageLoaderTest, FormatNamesMatchInAnyCase) {
    TImageLoader loader;
    EXPECT_TRUE(Fetch(loader, a.Url("/green.ppm"), "Ppm"));
}

TEST_F(ImageLoaderTest, RequestHeadersOfAnEarlierUseDoNotGoOut) {
    TImageLoader loader;
    loader.Submit().RequestHeader().SetRawHeaderText("Referer: http://elsewhere/\r\nX-Trace: 1\r\n");
    EXPECT_TRUE(Fetch(loader, a.Url("/green.ppm")));
    const testsupport::RecordedRequest r = a.LastRequest();
    EXPECT_FALSE(r.HasHeader("Referer"));
    EXPECT_FALSE(r.HasHeader("X-Trace"));
}

TEST(DownloadPicture, WorksWithoutAWidget) {
    RegisterPpmOnce();
    testsupport::TestHttpServer s;
    s.Get("/p", [](const httplib::Request&, httplib::Response& r) { r.set_content(kGreen, "image/x-ppm"); });
    ASSERT_TRUE(s.Start());
    TSubmit submit;
    submit.SetURL(s.Url("/p"));
    TPicture pic;
    EXPECT_TRUE(DownloadPicture(submit, "ppm", pic));
    EXPECT_EQ(pic.Bitmap()->GetPixel(0, 0), RGB(0, 200, 0));
    EXPECT_FALSE(submit.Connected());
}

TEST(ImageControl, ShowsThePictureAtItsSizeCentredOrStretched) {
    TImage image;
    image.resize(4, 2);
    TBitmap* b = image.Picture().Bitmap();
    b->SetPixelFormat(pf24bit);
    b->SetSize(2, 1);
    b->SetPixel(0, 0, RGB(255, 0, 0));
    b->SetPixel(1, 0, RGB(0, 0, 255));
    EXPECT_EQ(image.sizeHint(), QSize(2, 1));

    image.SetStretch(true);
    QImage shot = image.grab().toImage();
    EXPECT_EQ(shot.pixel(0, 1), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(1, 0), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(3, 1), qRgb(0, 0, 255));

    image.SetStretch(false);
    image.SetCenter(true);
    shot = image.grab().toImage();
    EXPECT_EQ(shot.pixel(1, 0), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(2, 0), qRgb(0, 0, 255));
    EXPECT_NE(shot.pixel(0, 0), qRgb(255, 0, 0));

    // A change of the picture shows at once.
    b->SetPixel(0, 0, RGB(0, 255, 0));
    shot = image.grab().toImage();
    EXPECT_EQ(shot.pixel(1, 0), qRgb(0, 255, 0));

    image.SetAutoSize(true);
    EXPECT_EQ(image.size(), QSize(2, 1));
}

TEST_F(ImageLoaderTest, AJpegPhotoComesThroughTheRegisteredLoaderAsDjpegDecodesIt) {
    auto read = [](const std::string& name) {
        std::ifstream in(std::string(VA_TEST_DATA_DIR) + "/jpeg/" + name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    };
    const std::string photo = read("pil_420.jpg"), grey = read("cjpeg_grey.jpg");
    a.Get("/photo.jpg", [&](const httplib::Request&, httplib::Response& r) { r.set_content(photo, "image/jpeg"); });
    a.Get("/grey.jpg", [&](const httplib::Request&, httplib::Response& r) { r.set_content(grey, "image/jpeg"); });
    TImageLoader loader;
    ASSERT_TRUE(Fetch(loader, a.Url("/photo.jpg"), "JPEG"));
    TBitmap* bmp = loader.Picture().Bitmap();
    ASSERT_EQ(bmp->PixelFormat(), pf24bit);
    const std::string ppm = read("dec/pil_420.pnm");
    const std::string header = "P6\n64 48\n255\n";
    ASSERT_EQ(ppm.compare(0, header.size(), header), 0);
    ASSERT_EQ(bmp->Width(), 64);
    ASSERT_EQ(bmp->Height(), 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const auto* p = reinterpret_cast<const uint8_t*>(ppm.data() + header.size() + (y * 64 + x) * 3);
            ASSERT_EQ(bmp->GetPixel(x, y), RGB(p[0], p[1], p[2])) << x << "," << y;
        }
    // A greyscale photo arrives as 8 bits with the grey palette.
    ASSERT_TRUE(Fetch(loader, a.Url("/grey.jpg"), "JPEG"));
    EXPECT_EQ(loader.Picture().Bitmap()->PixelFormat(), pf8bit);
}
