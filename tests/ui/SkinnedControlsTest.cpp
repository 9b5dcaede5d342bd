// The skinned tab, button and folder bar: their bitmaps by state, stretching, the centred caption,
// clicks on their parts and the disabled button's mouse moves.
#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "platform/CpLiteral.h"
#include "platform/graphics/Bitmap.h"
#include "platform/gui/Bitmaps.h"
#include "platform/qtimage/QtImage.h"
#include "ui/ChatTabPageControl.h"
#include "ui/FolderButtonControl.h"
#include "ui/GradientButtonControl.h"

namespace {

void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

QImage Resource(const char* name) {
    return LoadBitmapResource(name).toImage().convertToFormat(QImage::Format_RGB32);
}

// The picture an image holds, as loaded (before any see-through keying).
QImage Held(TImage* img) {
    return BitmapToQImage(*img->Picture().Bitmap()).convertToFormat(QImage::Format_RGB32);
}

QColor Ink(TLabel* l) { return l->palette().color(QPalette::WindowText); }

const QColor kBack(212, 208, 200);
const QRgb kKey = qRgb(255, 0, 255);

// A host in the window's colour for one control.
struct Host {
    TPanel panel;
    Host() {
        panel.SetBevelOuter(bvNone);
        panel.SetColor(kBack);
        panel.resize(400, 40);
    }
};

// Pixels of a grab against a piece: where the piece is see-through the host shows.
void ExpectPiece(const QImage& shot, int x0, const QImage& piece, bool transparent, const std::vector<int>& rows,
                 const char* what) {
    for (int y : rows)
        for (int x = 0; x < piece.width(); ++x) {
            QRgb want = piece.pixel(x, y);
            if (transparent && want == piece.pixel(0, piece.height() - 1)) want = kBack.rgb();
            ASSERT_EQ(want, shot.pixel(x0 + x, y)) << what << " at " << x << "," << y;
        }
}

}  // namespace

TEST(ChatTabPageTest, StatesShowTheirPiecesAndCaptionLook) {
    TChatTabPage tab;
    EXPECT_EQ(22, tab.height());
    EXPECT_EQ(tsNone, tab.TabStyle());
    EXPECT_EQ(Resource("TABBG1LEFT"), Held(tab.imgShortInfo1));
    EXPECT_EQ(Resource("TABBG1"), Held(tab.imgBg));
    EXPECT_EQ(Resource("TABBG1RIGHT"), Held(tab.imgTopRight));
    EXPECT_EQ(QColor(128, 128, 128), Ink(tab.lbTabName));
    tab.SetTabStyle(tsSelected);
    EXPECT_EQ(Resource("TABBG2LEFT"), Held(tab.imgShortInfo1));
    EXPECT_EQ(Resource("TABBG2"), Held(tab.imgBg));
    EXPECT_EQ(Resource("TABBG2RIGHT"), Held(tab.imgTopRight));
    EXPECT_EQ(QColor(0, 0, 0), Ink(tab.lbTabName));
    EXPECT_TRUE(tab.lbTabName->font().bold());
    EXPECT_TRUE(tab.lbTabName->isEnabled());  // greyed is only a look
    tab.SetCaption(u8"Контакты"_cp);
    EXPECT_EQ(u8"Контакты"_cp, tab.Caption());
    EXPECT_EQ(QPoint(20, 3), tab.lbTabName->pos());
    EXPECT_EQ(QRect(3, 3, 16, 16), tab.imgIcon->geometry());
    EXPECT_TRUE(tab.imgIcon->Transparent());
    EXPECT_FALSE(tab.imgShortInfo1->Transparent());

    TBitmap icon;
    QImageToBitmap(Resource("TAB_CONTACTS"), icon);
    TPicture pic;
    pic.SetBitmap(&icon);
    tab.SetPicture(&pic);
    EXPECT_EQ(Resource("TAB_CONTACTS"), Held(tab.imgIcon));
}

TEST(ChatTabPageTest, WideningKeepsBothEndsAndStretchesOnlyTheMiddle) {
    for (TTabStyle style : {tsNone, tsSelected}) {
        Host host;
        auto* tab = new TChatTabPage(&host.panel);
        tab->SetTabStyle(style);
        tab->SetCaption("A");
        const char* n = style == tsSelected ? "2" : "1";
        const QImage left = Resource(style == tsSelected ? "TABBG2LEFT" : "TABBG1LEFT");
        const QImage right = Resource(style == tsSelected ? "TABBG2RIGHT" : "TABBG1RIGHT");
        const QImage mid = Resource(style == tsSelected ? "TABBG2" : "TABBG1");
        host.panel.show();
        for (int w : {89, 97, 300}) {
            tab->resize(w, 22);
            Settle();
            EXPECT_EQ(QRect(w - 8, 0, 8, 23), tab->imgTopRight->geometry()) << n;
            EXPECT_EQ(QRect(18, 0, w - 26, 22), tab->imgBg->geometry()) << n;
            const QImage shot = tab->grab().toImage().convertToFormat(QImage::Format_RGB32);
            ExpectPiece(shot, 0, left, false, {0, 1, 2, 19, 20, 21}, "left end");
            ExpectPiece(shot, w - 8, right, false, {0, 1, 2, 19, 20, 21}, "right end");
            for (int y : {0, 1, 2, 19, 20, 21})
                for (int x = 18; x < w - 8; ++x) ASSERT_EQ(mid.pixel(0, y), shot.pixel(x, y)) << x << "," << y;
        }
    }
}

TEST(ChatTabPageTest, EveryListedPartClicksTheTabOnceEvenTheGreyCaption) {
    TChatTabPage tab;
    tab.resize(97, 22);
    tab.SetCaption(u8"Настройки"_cp);
    std::vector<TObject*> senders;
    tab.OnTabClick = [&](TObject* s) {
        senders.push_back(s);
        tab.SetTabStyle(tsSelected);
    };
    tab.show();
    Settle();
    ASSERT_EQ(tsNone, tab.TabStyle());
    QTest::mouseClick(tab.lbTabName, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(tsSelected, tab.TabStyle());
    for (QWidget* part : std::vector<QWidget*>{tab.imgBg, tab.imgIcon, tab.imgShortInfo1, tab.imgTopRight})
        QTest::mouseClick(part, Qt::LeftButton, {}, QPoint(1, 1));
    ASSERT_EQ(5u, senders.size());
    for (TObject* s : senders) EXPECT_EQ(&tab, s);
    QTest::mouseClick(tab.pnTab, Qt::LeftButton, {}, QPoint(1, 22));  // the white row below the pieces
    EXPECT_EQ(5u, senders.size());
}

TEST(GradientButtonTest, StatesShowTheirPieces) {
    TGradientButton b;
    EXPECT_TRUE(b.Enabled());
    EXPECT_EQ(Resource("BTN2LEFT"), Held(b.imgTopLeft));
    EXPECT_EQ(Resource("TABBG2"), Held(b.imgBg));
    EXPECT_EQ(Resource("BTN2RIGHT"), Held(b.imgTopRight));
    EXPECT_EQ(QColor(0, 0, 0), Ink(b.lbTabName));
    b.SetEnabled(false);
    EXPECT_EQ(Resource("BTN1LEFT"), Held(b.imgTopLeft));
    EXPECT_EQ(Resource("TABBG1"), Held(b.imgBg));
    EXPECT_EQ(Resource("BTN1RIGHT"), Held(b.imgTopRight));
    EXPECT_EQ(QColor(128, 128, 128), Ink(b.lbTabName));
    EXPECT_TRUE(b.isEnabled());
    for (TImage* i : {b.imgTopLeft, b.imgBg, b.imgTopRight}) EXPECT_TRUE(i->Transparent());
}

TEST(GradientButtonTest, WideningKeepsTheEndsAndTheCaptionCentred) {
    for (bool enabled : {true, false}) {
        Host host;
        auto* b = new TGradientButton(&host.panel);
        b->SetCaption(u8"Импортировать контакты"_cp);
        b->SetEnabled(enabled);
        const QImage left = Resource(enabled ? "BTN2LEFT" : "BTN1LEFT");
        const QImage right = Resource(enabled ? "BTN2RIGHT" : "BTN1RIGHT");
        const QImage mid = Resource(enabled ? "TABBG2" : "TABBG1");
        host.panel.show();
        for (int w : {180, 233, 308}) {
            b->resize(w, 22);
            Settle();
            EXPECT_EQ((w - b->lbTabName->width()) / 2, b->lbTabName->x()) << w;
            EXPECT_EQ(3, b->lbTabName->y());
            // The host shows through the see-through pixels, so the grab is of the host.
            const QImage shot = host.panel.grab(b->geometry()).toImage().convertToFormat(QImage::Format_RGB32);
            ExpectPiece(shot, 0, left, true, {0, 1, 2, 19, 20, 21}, "left end");
            ExpectPiece(shot, w - 8, right, true, {0, 1, 2, 19, 20, 21}, "right end");
            for (int y : {0, 1, 2, 19, 20, 21})
                for (int x = 8; x < w - 8; ++x) {
                    const QRgb want = y == 21 ? kBack.rgb() : mid.pixel(0, y);  // the see-through bottom row
                    ASSERT_EQ(want, shot.pixel(x, y)) << x << "," << y;
                }
        }
    }
}

TEST(GradientButtonTest, ADisabledButtonIgnoresClicksButGetsEveryMouseMove) {
    Host host;
    auto* b = new TGradientButton(&host.panel);
    b->setGeometry(10, 5, 200, 22);
    b->SetCaption(u8"Сохранить настройки"_cp);
    int clicks = 0;
    TObject* sender = nullptr;
    b->OnClick = [&](TObject* s) {
        ++clicks;
        sender = s;
    };
    std::vector<QPoint> moves;
    b->OnMouseMove = [&](TObject* s, unsigned, int x, int y) {
        EXPECT_EQ(b, s);
        moves.emplace_back(x, y);
    };
    host.panel.show();
    Settle();
    const std::vector<QWidget*> parts{b->imgBg, b->lbTabName, b->imgTopLeft, b->imgTopRight};
    for (QWidget* part : parts) QTest::mouseClick(part, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(4, clicks);
    EXPECT_EQ(b, sender);
    b->SetEnabled(false);
    for (QWidget* part : parts) QTest::mouseClick(part, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(4, clicks);

    // Hover moves through the window, over each part in turn.
    QWindow* window = host.panel.windowHandle();
    ASSERT_NE(nullptr, window);
    const std::vector<QPoint> over{{12, 8}, {100, 8}, {b->lbTabName->x() + 2, 9}, {195, 20}};
    for (const QPoint& p : over) QTest::mouseMove(window, b->mapTo(&host.panel, p));
    Settle();
    ASSERT_EQ(over.size(), moves.size());
    for (size_t i = 0; i < over.size(); ++i) EXPECT_EQ(over[i], moves[i]);
    QTest::mouseMove(window, QPoint(300, 30));  // off the button
    Settle();
    EXPECT_EQ(over.size(), moves.size());
}

TEST(FolderButtonTest, StylesAndClicks) {
    TFolderButton bar;
    bar.resize(300, 22);
    EXPECT_EQ(22, bar.height());
    EXPECT_EQ(TFolderButtonStyle::bsNone, bar.FolderButtonStyle());
    EXPECT_EQ(Resource("TABBG1"), Held(bar.imgBackground));
    bar.SetFolderButtonStyle(TFolderButtonStyle::bsSelected);
    EXPECT_EQ(Resource("TABBG2"), Held(bar.imgBackground));
    bar.SetCaption(u8"Общая папка"_cp);
    EXPECT_EQ(u8"Общая папка"_cp, bar.Caption());
    EXPECT_EQ(QPoint(3, 3), bar.lbCaption->pos());
    // The caption is in the bar's font, also one set after it.
    QFont bold = bar.font();
    bold.setBold(true);
    bar.setFont(bold);
    Settle();
    EXPECT_TRUE(bar.lbCaption->font().bold());
    EXPECT_EQ(bar.lbCaption->sizeHint(), bar.lbCaption->size());
    std::vector<TObject*> senders;
    bar.OnClick = [&](TObject* s) { senders.push_back(s); };
    bar.show();
    Settle();
    EXPECT_EQ(bar.contentsRect(), bar.imgBackground->geometry());
    QTest::mouseClick(bar.imgBackground, Qt::LeftButton, {}, QPoint(200, 5));
    QTest::mouseClick(bar.lbCaption, Qt::LeftButton, {}, QPoint(2, 2));
    ASSERT_EQ(2u, senders.size());
    EXPECT_EQ(&bar, senders[0]);
    EXPECT_EQ(&bar, senders[1]);
}

TEST(SkinnedControlsScreenshot, EveryStateForAPersonToLookAt) {
    TPanel sheet;
    sheet.SetBevelOuter(bvNone);
    sheet.SetColor(kBack);
    sheet.resize(340, 170);
    TBitmap icon;
    QImageToBitmap(Resource("TAB_CONTACTS"), icon);
    TPicture pic;
    pic.SetBitmap(&icon);
    int y = 6;
    for (TTabStyle s : {tsSelected, tsNone}) {
        auto* t = new TChatTabPage(&sheet);
        t->setGeometry(6, y, 97, 22);
        t->SetCaption(u8"Контакты"_cp);
        t->SetPicture(&pic);
        t->SetTabStyle(s);
        y += 28;
    }
    for (bool e : {true, false}) {
        auto* b = new TGradientButton(&sheet);
        b->setGeometry(6, y, 220, 22);
        b->SetCaption(u8"Импортировать контакты"_cp);
        b->SetEnabled(e);
        y += 28;
    }
    for (auto s : {TFolderButtonStyle::bsSelected, TFolderButtonStyle::bsNone}) {
        auto* f = new TFolderButton(&sheet);
        f->setGeometry(6, y, 320, 22);
        QFont bold = f->font();
        bold.setBold(true);
        f->setFont(bold);
        f->SetCaption(u8"Избранные пользователи"_cp);
        f->SetFolderButtonStyle(s);
        y += 28;
    }
    sheet.show();
    Settle();
    const QString dir = QStringLiteral(VA_BUILD_DIR "/screenshots");
    QDir().mkpath(dir);
    const QImage shot = sheet.grab().toImage();
    EXPECT_TRUE(shot.scaled(shot.size() * 2).save(dir + QStringLiteral("/skinned_controls.png")));
}
