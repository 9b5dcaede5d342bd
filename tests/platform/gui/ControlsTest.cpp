#include <QFontMetrics>
#include <gtest/gtest.h>

#include "platform/gui/Controls.h"
#include "platform/gui/QtText.h"
#include "platform/CpLiteral.h"

TEST(TextTest, Cp1251AndQStringConvertBothWays) {
    const std::string text = u8"Привет, «мир» №1 \u0098"_cp;
    const QString q = ToQString(text);
    EXPECT_EQ(QString::fromUtf16(u"Привет, «мир» №1 \u0098"), q);
    EXPECT_EQ(text, FromQString(q));
    EXPECT_EQ("?", FromQString(QString::fromUtf16(u"\u4E2D")));  // not in the code page
    EXPECT_EQ(std::string("a\0b", 3), FromQString(ToQString(std::string_view("a\0b", 3))));
}

TEST(LabelTest, MarkupIsShownAsText) {
    TLabel label;
    label.SetCaption("<b>x</b>");
    EXPECT_EQ("<b>x</b>", label.Caption());
    // As text, the tags take room of their own; read as markup only the "x" would.
    const QFontMetrics fm(label.font());
    EXPECT_GE(label.width(), fm.horizontalAdvance(QStringLiteral("<b>x</b>")));
    TLabel rich;
    rich.setTextFormat(Qt::RichText);
    rich.setText(QStringLiteral("<b>x</b>"));
    EXPECT_GT(label.sizeHint().width(), rich.sizeHint().width() * 3);
}

TEST(LabelTest, AutoSizeFollowsTheText) {
    TLabel label;
    label.SetCaption(u8"Код"_cp);
    const int shortWidth = label.width();
    label.SetCaption(u8"Сервер запросил ввод кода, показанного на картинке"_cp);
    EXPECT_GT(label.width(), shortWidth * 5);
    label.SetAutoSize(false);
    label.resize(10, 10);
    label.SetCaption(u8"Код"_cp);
    EXPECT_EQ(10, label.width());
}

TEST(BitBtnTest, KindsGiveResultsDefaultAndCancel) {
    struct Case {
        TBitBtnKind kind;
        TModalResult result;
        bool isDefault, isCancel;
    };
    const Case cases[] = {{bkOK, mrOk, true, false},       {bkCancel, mrCancel, false, true},
                          {bkYes, mrYes, true, false},     {bkNo, mrNo, false, true},
                          {bkAbort, mrAbort, false, false}, {bkRetry, mrRetry, false, false},
                          {bkIgnore, mrIgnore, false, false}, {bkAll, mrAll, false, false},
                          {bkHelp, mrNone, false, false}};
    for (const Case& c : cases) {
        TBitBtn b;
        b.SetKind(c.kind);
        EXPECT_EQ(c.result, b.ModalResult()) << c.kind;
        EXPECT_EQ(c.isDefault, b.Default()) << c.kind;
        EXPECT_EQ(c.isCancel, b.Cancel()) << c.kind;
    }
}

TEST(BitBtnTest, TheGlyphsBottomLeftColourIsTransparent) {
    QImage image(20, 16, QImage::Format_RGB32);
    image.fill(qRgb(255, 0, 255));
    image.setPixel(5, 5, qRgb(0, 128, 0));
    TBitBtn b;
    b.SetGlyph(QPixmap::fromImage(image));
    b.SetGlyphSize(16, 16);
    EXPECT_EQ(QSize(16, 16), b.Glyph().size());
    const QImage shown = b.icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(0, qAlpha(shown.pixel(0, 15)));
    EXPECT_EQ(0, qAlpha(shown.pixel(10, 3)));
    EXPECT_EQ(255, qAlpha(shown.pixel(5, 5)));
    EXPECT_EQ(qRgb(0, 128, 0), shown.pixel(5, 5) | 0xFF000000u);
}
