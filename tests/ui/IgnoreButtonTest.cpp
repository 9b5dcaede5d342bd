// The message box's widest caption: glyph and word stay inside the fixed 100 x 25 button.
#include <QDir>
#include <QFontMetrics>
#include <gtest/gtest.h>
#include <memory>

#include "platform/CpLiteral.h"
#include "platform/gui/Bitmaps.h"
#include "platform/gui/Controls.h"
#include "platform/gui/QtText.h"
#include "ui/dlMessages.h"
#include "UiTestSupport.h"

TEST(IgnoreButtonTest, GlyphAndCaptionStayInsideTheButton) {
    std::unique_ptr<TForm> box(dlgMessages->CreateDialog(u8"Файл занят другой программой."_cp, mtWarning,
                                                         {mbAbort, mbRetry, mbIgnore}));
    auto* ignore = box->FindComponent<TBitBtn>("Ignore");
    ASSERT_NE(nullptr, ignore);
    EXPECT_EQ(u8"Игнорировать"_cp, ignore->Caption());
    EXPECT_EQ(QSize(100, 25), ignore->size());
    box->show();
    Settle();
    const QRect inside = ignore->rect().adjusted(3, 3, -3, -3);
    for (TBitBtn* b : box->findChildren<TBitBtn*>()) {
        EXPECT_TRUE(inside.contains(b->GlyphRect())) << b->Caption();
        EXPECT_TRUE(inside.contains(b->CaptionRect())) << b->Caption();
        EXPECT_LT(b->GlyphRect().right(), b->CaptionRect().left()) << b->Caption();
        // The whole word is shown, not cut, in a font still easy to read.
        EXPECT_EQ(QFontMetrics(b->CaptionFont()).horizontalAdvance(ToQString(b->Caption())), b->CaptionRect().width());
        EXPECT_GE(b->CaptionFont().pixelSize(), 9) << b->Caption();
    }
    // The glyph is drawn where the layout puts it: its see-through corner shows the button face
    // and its solid pixels show as they are in the bitmap.
    const QImage glyph = LoadBitmapResource("BTN_IGNORE").toImage().convertToFormat(QImage::Format_RGB32);
    const QImage shot = ignore->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint g = ignore->GlyphRect().topLeft();
    int same = 0, solid = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            if (glyph.pixel(x, y) == glyph.pixel(0, 15)) continue;
            ++solid;
            same += shot.pixel(g.x() + x, g.y() + y) == glyph.pixel(x, y);
        }
    EXPECT_GT(solid, 20);
    EXPECT_EQ(solid, same);
    const QString dir = QStringLiteral(VA_BUILD_DIR "/screenshots");
    QDir().mkpath(dir);
    const QImage whole = box->grab().toImage();
    EXPECT_TRUE(whole.scaled(whole.size() * 2).save(dir + QStringLiteral("/message_box_ignore.png")));
}
