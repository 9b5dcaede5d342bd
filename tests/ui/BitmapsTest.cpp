// The named bitmaps: every name loads at its size, the skin and card pieces are 24-bit, the
// see-through colours sit where the controls look for them, and a gallery for a person to look at.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <string>

#include "platform/gui/Bitmaps.h"
#include "support/ErrorOf.h"

namespace {

struct Named {
    const char* name;
    int w, h;
    int bits;  // bits per pixel of the file
};

const Named kBitmaps[] = {
    {"TABBG1", 50, 22, 24},        {"TABBG2", 50, 22, 24},         {"TABBG1LEFT", 18, 22, 24},
    {"TABBG2LEFT", 18, 22, 24},    {"TABBG1RIGHT", 8, 22, 24},     {"TABBG2RIGHT", 8, 22, 24},
    {"BTN1LEFT", 8, 22, 24},       {"BTN2LEFT", 8, 22, 24},        {"BTN1RIGHT", 8, 22, 24},
    {"BTN2RIGHT", 8, 22, 24},      {"ABSENT", 16, 16, 24},         {"CONNECTED", 16, 16, 24},
    {"ABSENTSELECTED", 16, 16, 24}, {"CONNECTEDSELECTED", 16, 16, 24}, {"TOPLEFTABSENT", 18, 23, 24},
    {"TOPLEFTCONNECTED", 18, 23, 24}, {"TOPRIGHT", 8, 23, 24},     {"BOTTOMLEFT", 8, 8, 24},
    {"RIGHTBOTTOM", 8, 8, 24},     {"GOTO", 50, 16, 24},           {"NOPHOTO", 46, 62, 24},
    {"LETTER", 19, 14, 24},        {"LETTERSHORT", 8, 6, 24},      {"VIP", 16, 16, 24},
    {"VOICE", 16, 16, 24},         {"BASKETRED", 16, 16, 24},      {"BTN_YES", 16, 16, 4},
    {"BTN_NO", 16, 16, 4},         {"BTN_OK", 16, 16, 4},          {"BTN_CANCEL", 16, 16, 4},
    {"BTN_ABORT", 16, 16, 4},      {"BTN_RETRY", 16, 16, 4},       {"BTN_IGNORE", 16, 16, 4},
    {"BTN_ALL", 16, 16, 4},        {"BTN_ALL_NO", 16, 16, 4},      {"BTN_ALL_YES", 16, 16, 4},
    {"BTN_HELP", 16, 16, 4},
    // The images of the main window and the settings page.
    {"TAB_CONTACTS", 16, 16, 24},  {"TAB_SETTINGS", 16, 16, 24},   {"MENU_IMPORT", 16, 16, 24},
    {"MENU_DELETE", 16, 16, 24},   {"MENU_CLEAR", 16, 16, 24},     {"MENU_EXIT", 16, 16, 24},
    {"MENU_ABOUT", 16, 16, 24},    {"APP_ICON", 32, 32, 24},       {"SERVER_ADD", 16, 16, 24},
    {"SERVER_DELETE", 16, 16, 24},
};

int FileBits(const char* name) {
    QFile f(QStringLiteral(":/bitmaps/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray head = f.read(30);
    if (head.size() < 30 || !head.startsWith("BM")) return -1;
    return static_cast<unsigned char>(head[28]) | static_cast<unsigned char>(head[29]) << 8;
}

QImage Load(const char* name) { return LoadBitmapResource(name).toImage().convertToFormat(QImage::Format_RGB32); }

const QRgb kKey = qRgb(255, 0, 255);

}  // namespace

TEST(BitmapsTest, EveryNameLoadsAtItsSizeAndDepth) {
    EXPECT_EQ(47u, std::size(kBitmaps));
    for (const Named& b : kBitmaps) {
        const QPixmap pm = LoadBitmapResource(b.name);
        EXPECT_EQ(QSize(b.w, b.h), pm.size()) << b.name;
        EXPECT_EQ(b.bits, FileBits(b.name)) << b.name;
    }
    EXPECT_EQ("Resource NOSUCHBITMAP not found", ErrorOf([] { LoadBitmapResource("NOSUCHBITMAP"); }));
    EXPECT_EQ("Resource tabbg1 not found", ErrorOf([] { LoadBitmapResource("tabbg1"); }));
}

TEST(BitmapsTest, SeeThroughColoursSitWhereTheControlsLookForThem) {
    // Shown transparent: the bottom-left pixel is the see-through colour, and the piece is not
    // all see-through.
    for (const char* name : {"BTN1LEFT", "BTN2LEFT", "BTN1RIGHT", "BTN2RIGHT", "ABSENT", "CONNECTED",
                             "ABSENTSELECTED", "CONNECTEDSELECTED", "GOTO", "VIP", "VOICE", "BASKETRED",
                             "TAB_CONTACTS", "TAB_SETTINGS"}) {
        const QImage img = Load(name);
        EXPECT_EQ(kKey, img.pixel(0, img.height() - 1)) << name;
        int solid = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) solid += img.pixel(x, y) != kKey;
        EXPECT_GT(solid, img.width() * img.height() / 5) << name;
    }
    // The stretched middles have no vertical features; their bottom row, the see-through colour
    // in the button, is a line of its own that no other row repeats.
    for (const char* name : {"TABBG1", "TABBG2"}) {
        const QImage img = Load(name);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 1; x < img.width(); ++x) ASSERT_EQ(img.pixel(0, y), img.pixel(x, y)) << name << " row " << y;
        for (int y = 0; y + 1 < img.height(); ++y) EXPECT_NE(img.pixel(0, 21), img.pixel(0, y)) << name;
        EXPECT_NE(kKey, img.pixel(0, 21));
    }
    // The ends join the middle: the inner column of each end has the middle's colour on the rows
    // between the rounded corners.
    for (const char* n : {"1", "2"}) {
        const QImage mid = Load(("TABBG" + std::string(n)).c_str());
        const QImage left = Load(("TABBG" + std::string(n) + "LEFT").c_str());
        const QImage right = Load(("TABBG" + std::string(n) + "RIGHT").c_str());
        const QImage bl = Load(("BTN" + std::string(n) + "LEFT").c_str());
        for (int y = 0; y < 21; ++y) {
            EXPECT_EQ(mid.pixel(0, y), left.pixel(17, y)) << n << " row " << y;
            EXPECT_EQ(mid.pixel(0, y), right.pixel(0, y)) << n << " row " << y;
        }
        for (int y = 1; y < 20; ++y) EXPECT_EQ(mid.pixel(0, y), bl.pixel(7, y)) << n << " row " << y;
        EXPECT_EQ(kKey, bl.pixel(7, 21));  // the button's bottom row is see-through, as the middle's
    }
}

TEST(BitmapsTest, TheCardsCornersMeetItsLinesAndTitleBar) {
    const QRgb line = qRgb(160, 160, 164), green = qRgb(102, 204, 153), white = qRgb(255, 255, 255);
    for (const char* name : {"TOPLEFTABSENT", "TOPLEFTCONNECTED"}) {
        const QImage c = Load(name);
        EXPECT_EQ(line, c.pixel(17, 1)) << name;   // meets pnTopBorder at (18, 1)
        EXPECT_EQ(white, c.pixel(17, 2)) << name;
        for (int y = 3; y < 23; ++y) EXPECT_EQ(green, c.pixel(17, y)) << name << y;  // pnTop at (18, 3)
        EXPECT_EQ(line, c.pixel(1, 22)) << name;   // pnLeftBorder at (1, 8)
        EXPECT_EQ(white, c.pixel(0, 22)) << name;  // opaque: no see-through colour
        EXPECT_EQ(white, c.pixel(0, 0)) << name;
    }
    const QImage tr = Load("TOPRIGHT");  // at W - 8: pnTopBorder ends at W - 9, pnRightBorder at W - 2
    EXPECT_EQ(line, tr.pixel(0, 1));
    EXPECT_EQ(green, tr.pixel(0, 10));
    EXPECT_EQ(line, tr.pixel(6, 22));
    EXPECT_EQ(white, tr.pixel(7, 22));
    const QImage bl = Load("BOTTOMLEFT");  // at (0, H - 8): left line at column 1, bottom line at row 6
    EXPECT_EQ(line, bl.pixel(1, 0));
    EXPECT_EQ(line, bl.pixel(7, 6));
    EXPECT_EQ(white, bl.pixel(7, 7));
    const QImage br = Load("RIGHTBOTTOM");  // at (W - 8, H - 8): right line at column 6
    EXPECT_EQ(line, br.pixel(6, 0));
    EXPECT_EQ(line, br.pixel(0, 6));
    EXPECT_EQ(white, br.pixel(7, 7));
}

TEST(BitmapsTest, GalleryForAPersonToLookAt) {
    const int scale = 4, cellW = 50 * scale + 16, cellH = 62 * scale + 28, perRow = 6;
    const int rows = (static_cast<int>(std::size(kBitmaps)) + perRow - 1) / perRow;
    QImage gallery(perRow * cellW, rows * cellH, QImage::Format_RGB32);
    gallery.fill(qRgb(250, 250, 250));
    QPainter p(&gallery);
    int i = 0;
    for (const Named& b : kBitmaps) {
        const int x = (i % perRow) * cellW + 8, y = (i / perRow) * cellH + 4;
        p.setPen(Qt::black);
        p.drawText(x, y + 12, QLatin1String(b.name));
        const QImage img = Load(b.name);
        p.drawImage(QRect(x, y + 18, b.w * scale, b.h * scale), img);
        ++i;
    }
    p.end();
    const QString dir = QStringLiteral(VA_BUILD_DIR "/screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(gallery.save(dir + QStringLiteral("/bitmaps.png")));
}
