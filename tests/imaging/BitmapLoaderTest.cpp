// The loader registry's name rules and the base loader's temporary-file fall-backs.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "imaging/BitmapLoader.h"
#include "imaging/Imaging.h"
#include "imaging/LinearBitmap.h"
#include "imaging/PpmLoader.h"
#include "support/ErrorOf.h"

namespace {

class FilterLoader : public TBitmapLoader {
public:
    explicit FilterLoader(std::string filter) : filter_(std::move(filter)) {}
    std::string GetLoadFilter() override { return filter_; }

private:
    std::string filter_;
};

const char* kGifFilter = "Graphics Interchange Format (*.gif)|*.gif";
const char* kJpegFilter = "Joint Picture Expert Group (*.jpg,*.jpeg,*.jpe)|*.jpg;*.jpeg;*.jpe";

// Points the temporary folder at a fresh directory for one test.
class TempFolder {
public:
    TempFolder() {
        const char* old = std::getenv("TMPDIR");
        if (old) saved_ = old, hadOld_ = true;
        char tmpl[] = "/tmp/va-loader-XXXXXX";
        path = mkdtemp(tmpl);
        setenv("TMPDIR", path.c_str(), 1);
    }
    ~TempFolder() {
        if (hadOld_) setenv("TMPDIR", saved_.c_str(), 1);
        else unsetenv("TMPDIR");
        std::filesystem::remove_all(path);
    }
    bool IsEmpty() const { return std::filesystem::is_empty(path); }
    std::string path;

private:
    std::string saved_;
    bool hadOld_ = false;
};

// Implements only the file operations, so the stream operations go through temporary files.
class PpmFileLoader : public TBitmapLoader {
public:
    std::string GetLoadFilter() override { return "File pixmap (*.fppm)|*.fppm"; }
    void LoadFromFile(const std::string& fileName, const std::string&, TLinearBitmap& image) override {
        seenName = fileName;
        struct stat st;
        seenMode = ::stat(fileName.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0;
        std::ifstream in(fileName, std::ios::binary);
        const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        seenSize = data.size();
        testing_ppm::DecodePpm(data, image);
    }
    void SaveToFile(const std::string& fileName, const std::string&, TLinearBitmap& image) override {
        seenName = fileName;
        std::ofstream(fileName, std::ios::binary) << testing_ppm::EncodePpm(image);
    }
    std::string seenName;
    unsigned seenMode = 0;
    size_t seenSize = 0;
};

// Zero bytes of a given length, without holding them.
class ZeroSource : public TSeekableStream {
public:
    explicit ZeroSource(int64_t size) : size_(size) {}
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Read(void* buffer, int64_t count) override {
        const int64_t n = std::max<int64_t>(0, std::min(count, size_ - pos_));
        std::memset(buffer, 0, static_cast<size_t>(n));
        pos_ += n;
        return n;
    }
    int64_t Available() override { return size_ - pos_; }
    int64_t GetPosition() override { return pos_; }
    int64_t GetSize() override { return size_; }
    void SetPosition(int64_t p) override { pos_ = p; }
    void Truncate() override { size_ = pos_; }

private:
    int64_t size_;
    int64_t pos_ = 0;
};

}  // namespace

TEST(BitmapLoaders, NamesFindTheirLoaderInAnyCase) {
    FilterLoader gif(kGifFilter), jpeg(kJpegFilter);
    TBitmapLoaders reg;
    reg.Add(&gif);
    reg.Add(&jpeg);
    EXPECT_EQ(&reg.FindLoader("gif"), &gif);
    EXPECT_EQ(&reg.FindLoader("GIF"), &gif);
    EXPECT_EQ(&reg.FindLoader("Gif"), &gif);
    EXPECT_EQ(&reg.FindLoader("jpeg"), &jpeg);
    EXPECT_EQ(&reg.FindLoader("Jpg"), &jpeg);
    EXPECT_EQ(&reg.FindLoader("JPE"), &jpeg);
    EXPECT_EQ(ErrorOf([&] { reg.FindLoader("png"); }), "Unsupported file format: PNG");
    EXPECT_EQ(ErrorOf([&] { reg.FindLoader(""); }), "Unsupported file format: ");
    EXPECT_THROW(reg.FindLoader("bmp"), EUnsupportedFileFormat);
}

TEST(BitmapLoaders, GrowsByFivePlacesAndKeepsTheOrder) {
    TBitmapLoaders reg;
    EXPECT_EQ(reg.Capacity(), 0);
    std::vector<std::unique_ptr<FilterLoader>> loaders;
    for (int i = 0; i < 6; ++i) {
        loaders.push_back(std::make_unique<FilterLoader>("x (*.x" + std::to_string(i) + ")"));
        reg.Add(loaders.back().get());
        EXPECT_EQ(reg.Capacity(), i < 5 ? 5 : 10);
    }
    EXPECT_EQ(reg.Count(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(reg.Items(i), loaders[static_cast<size_t>(i)].get());
}

TEST(BitmapLoaders, TheFirstRegisteredWinsAndNamesMatchAsSubstrings) {
    FilterLoader first("A (*.abc)|*.abc"), second("B (*.abc)|*.abc");
    TBitmapLoaders reg;
    reg.Add(&first);
    reg.Add(&second);
    EXPECT_EQ(&reg.FindLoader("abc"), &first);
    EXPECT_TRUE(first.CanLoad("abc"));
    EXPECT_TRUE(first.CanLoad("AB"));
    EXPECT_FALSE(first.CanLoad("abcd"));
    EXPECT_FALSE(first.CanLoad(""));
    EXPECT_TRUE(first.CanSave("ABC"));  // the save filter defaults to the load filter
    TBitmapLoader bare;
    EXPECT_FALSE(bare.CanLoad("abc"));
    EXPECT_EQ(bare.GetSaveFilter(), "");
}

TEST(BitmapLoaders, LoadFromStreamFindsTheLoaderBeforeClearing) {
    static testing_ppm::TPpmStreamLoader ppm;
    static bool registered = false;
    if (!registered) RegisterLoader(&ppm), registered = true;

    TLinearBitmap b;
    b.New(1, 1, pf8bit);
    TStringStream png("\x89PNG");
    EXPECT_EQ(ErrorOf([&] { b.LoadFromStream(png, "png"); }), "Unsupported file format: PNG");
    EXPECT_TRUE(b.Present());  // not cleared

    TStringStream data(testing_ppm::MakePpm(2, 1, {255, 0, 0, 1, 2, 3}));
    b.LoadFromStream(data, "ppm");
    EXPECT_EQ(b.PixelFormat(), pf24bit);
    EXPECT_EQ(b.Width(), 2);
    EXPECT_EQ(std::vector<uint8_t>(b.Map(), b.Map() + 6), (std::vector<uint8_t>{0, 0, 255, 3, 2, 1}));

    // A loader that fails leaves the bitmap cleared.
    TStringStream bad("P6 nonsense");
    EXPECT_EQ(ErrorOf([&] { b.LoadFromStream(bad, "PPM"); }), "Error in bitmap data");
    EXPECT_FALSE(b.Present());
}

TEST(LoaderFallbacks, StreamLoadGoesThroughAPrivateTemporaryFileAndRemovesIt) {
    TempFolder tmp;
    PpmFileLoader loader;
    TStringStream mem(testing_ppm::MakePpm(1, 1, {10, 20, 30}));
    TNorvFilterStream src(mem);
    TLinearBitmap b;
    loader.LoadFromStream(src, "FPPM", b);
    EXPECT_EQ(std::vector<uint8_t>(b.Map(), b.Map() + 3), (std::vector<uint8_t>{30, 20, 10}));
    EXPECT_EQ(loader.seenName.substr(0, tmp.path.size() + 1), tmp.path + "/");
    EXPECT_EQ(loader.seenName.substr(loader.seenName.size() - 5), ".FPPM");
    EXPECT_EQ(loader.seenMode, 0600u);
    EXPECT_TRUE(src.ExactIO);
    EXPECT_TRUE(tmp.IsEmpty());
}

TEST(LoaderFallbacks, AFailingLoadLeavesNoFileAndRestoresExactIO) {
    TempFolder tmp;
    PpmFileLoader loader;
    TStringStream mem("not a picture");
    TNorvFilterStream src(mem);
    TLinearBitmap b;
    EXPECT_EQ(ErrorOf([&] { loader.LoadFromStream(src, "fppm", b); }), "Error in bitmap data");
    EXPECT_TRUE(src.ExactIO);
    EXPECT_TRUE(tmp.IsEmpty());
}

TEST(LoaderFallbacks, StreamSaveRoundTripLeavesNoFile) {
    TempFolder tmp;
    PpmFileLoader loader;
    TLinearBitmap b;
    b.New(2, 1, pf24bit);
    const uint8_t px[6] = {1, 2, 3, 4, 5, 6};
    std::memcpy(b.Map(), px, 6);
    TStringStream mem;
    TNorvFilterStream dst(mem);
    loader.SaveToStream(dst, "fppm", b);
    EXPECT_EQ(mem.DataString(), testing_ppm::EncodePpm(b));
    EXPECT_TRUE(tmp.IsEmpty());

    mem.SetPosition(0);
    TLinearBitmap back;
    loader.LoadFromStream(dst, "fppm", back);
    EXPECT_EQ(std::vector<uint8_t>(back.Map(), back.Map() + 6), std::vector<uint8_t>(px, px + 6));
    EXPECT_TRUE(tmp.IsEmpty());
}

TEST(LoaderFallbacks, ANameCannotLeadTheTemporaryFileElsewhere) {
    TempFolder tmp;
    PpmFileLoader loader;
    TStringStream mem(testing_ppm::MakePpm(1, 1, {1, 2, 3}));
    TNorvFilterStream src(mem);
    TLinearBitmap b;
    loader.LoadFromStream(src, "../../x/fppm", b);
    EXPECT_EQ(std::filesystem::path(loader.seenName).parent_path(), tmp.path);
    EXPECT_TRUE(tmp.IsEmpty());
}

TEST(LoaderFallbacks, StreamLoadCopiesAtMostOneHundredMebibytes) {
    TempFolder tmp;
    PpmFileLoader loader;
    const int64_t hundredMebibytes = 100 * 1024 * 1024;  // as written, not the product's constant
    ZeroSource src(hundredMebibytes + 5000);
    TLinearBitmap b;
    EXPECT_THROW(loader.LoadFromStream(src, "fppm", b), ELinearBitmap);
    EXPECT_EQ(loader.seenSize, static_cast<size_t>(hundredMebibytes));
    EXPECT_EQ(src.GetPosition(), hundredMebibytes);
    EXPECT_TRUE(tmp.IsEmpty());
}

TEST(LoaderFallbacks, FileOperationsGoThroughStreams) {
    TempFolder tmp;
    testing_ppm::TPpmStreamLoader loader;
    const std::string name = tmp.path + "/pic.ppm";
    std::ofstream(name, std::ios::binary) << testing_ppm::MakePpm(1, 1, {7, 8, 9});
    TLinearBitmap b;
    loader.LoadFromFile(name, "ppm", b);
    EXPECT_EQ(b.Map()[2], 7);
    EXPECT_EQ(ErrorOf([&] { loader.LoadFromFile(tmp.path + "/none.ppm", "ppm", b); }),
              "Error opening \"" + tmp.path + "/none.ppm\" - No such file or directory");
}

TEST(ImagingStartUp, FillsTheGreyPaletteAndASecondCallKeepsTheRegistry) {
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(GrayPalette[i * 3], i);
        ASSERT_EQ(GrayPalette[i * 3 + 1], i);
        ASSERT_EQ(GrayPalette[i * 3 + 2], i);
    }
    static FilterLoader late("Late (*.late)|*.late");
    TBitmapLoaders* before = &BitmapLoaders();
    RegisterLoader(&late);
    const int count = BitmapLoaders().Count();
    imaging::initialise();
    EXPECT_EQ(&BitmapLoaders(), before);
    EXPECT_EQ(BitmapLoaders().Count(), count);
    EXPECT_EQ(&BitmapLoaders().FindLoader("late"), &late);
}
