// Forms that are not dialogs, panels, alignment and anchors, transparent images, the hourglass
// guard and the shell's "OPEN" seam.
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

#include "platform/gui/Align.h"
#include "platform/gui/Application.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Screen.h"
#include "platform/gui/Shell.h"
#include "platform/gui/TImage.h"
#include "platform/CpLiteral.h"
#include "platform/graphics/Bitmap.h"

namespace {

void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

TPanel* Child(QWidget* parent, QRect r) {
    auto* p = new TPanel(parent);
    p->setGeometry(r);
    return p;
}

}  // namespace

TEST(AlignTest, TopBottomAndClientShareTheParentOnceTheEventsAreProcessed) {
    TCustomForm form;
    form.SetClientSize(300, 200);
    TPanel* bottom = Child(&form, QRect(0, 0, 50, 30));
    TPanel* client = Child(&form, QRect(5, 5, 10, 10));
    TPanel* top2 = Child(&form, QRect(0, 100, 50, 22));
    TPanel* top1 = Child(&form, QRect(0, 10, 50, 22));
    TPanel* hiddenTop = Child(&form, QRect(0, 50, 50, 40));
    hiddenTop->hide();
    form.show();
    Settle();
    SetAlign(bottom, alBottom);
    SetAlign(client, alClient);
    SetAlign(top1, alTop);
    SetAlign(top2, alTop);
    SetAlign(hiddenTop, alTop);
    // The new alignment is applied from the event loop, not at once.
    EXPECT_EQ(QRect(5, 5, 10, 10), client->geometry());
    Settle();
    EXPECT_EQ(QRect(0, 0, 300, 22), top1->geometry());
    EXPECT_EQ(QRect(0, 22, 300, 22), top2->geometry());
    EXPECT_EQ(QRect(0, 170, 300, 30), bottom->geometry());
    EXPECT_EQ(QRect(0, 44, 300, 126), client->geometry());
    // Showing a hidden aligned child makes room for it in the order of the tops; a resize of the
    // parent re-aligns at once.
    hiddenTop->show();
    Settle();
    EXPECT_EQ(QRect(0, 44, 300, 40), hiddenTop->geometry());
    EXPECT_EQ(QRect(0, 84, 300, 86), client->geometry());
    form.resize(400, 300);
    EXPECT_EQ(QRect(0, 270, 400, 30), bottom->geometry());
    EXPECT_EQ(QRect(0, 84, 400, 186), client->geometry());
}

TEST(AlignTest, DisabledAlignmentWaitsForTheMatchingEnable) {
    TPanel host;
    host.SetBevelOuter(bvNone);
    host.resize(200, 100);
    host.show();
    TPanel* c = Child(&host, QRect(0, 0, 686, 385));
    c->show();
    DisableAlign(&host);
    DisableAlign(&host);
    SetAlign(c, alClient);
    Settle();
    EXPECT_EQ(QRect(0, 0, 686, 385), c->geometry());
    EnableAlign(&host);
    Settle();
    EXPECT_EQ(QRect(0, 0, 686, 385), c->geometry());
    EnableAlign(&host);
    Settle();
    EXPECT_EQ(QRect(0, 0, 200, 100), c->geometry());
}

TEST(AnchorsTest, ChildrenKeepTheirDistanceToTheNamedEdges) {
    TPanel host;
    host.SetBevelOuter(bvNone);
    host.resize(100, 50);
    TPanel* right = Child(&host, QRect(92, 0, 8, 22));
    TPanel* stretch = Child(&host, QRect(18, 0, 74, 22));
    TPanel* corner = Child(&host, QRect(70, 30, 20, 10));
    TPanel* fixed = Child(&host, QRect(3, 3, 16, 16));
    TPanel* tall = Child(&host, QRect(1, 8, 1, 34));
    SetAnchors(right, akTop | akRight);
    SetAnchors(stretch, akLeft | akTop | akRight);
    SetAnchors(corner, akRight | akBottom);
    SetAnchors(tall, akLeft | akTop | akBottom);
    host.show();
    host.resize(300, 120);
    EXPECT_EQ(QRect(292, 0, 8, 22), right->geometry());
    EXPECT_EQ(QRect(18, 0, 274, 22), stretch->geometry());
    EXPECT_EQ(QRect(270, 100, 20, 10), corner->geometry());
    EXPECT_EQ(QRect(3, 3, 16, 16), fixed->geometry());
    EXPECT_EQ(QRect(1, 8, 1, 104), tall->geometry());
    // A child the program moves keeps its new distances from then on.
    right->move(250, 0);
    host.resize(200, 120);
    EXPECT_EQ(QRect(150, 0, 8, 22), right->geometry());
    host.resize(100, 50);
    EXPECT_EQ(QRect(50, 0, 8, 22), right->geometry());
    EXPECT_EQ(QRect(18, 0, 74, 22), stretch->geometry());
    EXPECT_EQ(QRect(1, 8, 1, 34), tall->geometry());
}

TEST(PanelTest, ColourBevelHintAndVisibility) {
    TPanel parent;
    parent.SetBevelOuter(bvNone);
    parent.SetColor(QColor(10, 200, 30));
    parent.resize(40, 40);
    auto* own = Child(&parent, QRect(0, 0, 20, 20));
    own->SetBevelOuter(bvNone);
    own->SetColor(Qt::white);
    auto* inherits = Child(&parent, QRect(20, 20, 20, 20));
    inherits->SetBevelOuter(bvNone);
    inherits->SetParentColor(true);
    auto* raised = Child(&parent, QRect(20, 0, 20, 20));
    const QImage shot = parent.grab().toImage();
    EXPECT_EQ(qRgb(255, 255, 255), shot.pixel(5, 5));
    EXPECT_EQ(qRgb(10, 200, 30), shot.pixel(30, 30));
    EXPECT_EQ(qRgb(255, 255, 255), shot.pixel(20, 0));   // raised: light top left
    EXPECT_EQ(qRgb(128, 128, 128), shot.pixel(39, 19));  // dark bottom right
    EXPECT_EQ(qRgb(212, 208, 200), shot.pixel(30, 10));
    EXPECT_EQ(1, raised->BorderWidth());
    own->SetHint(u8"Недоступен"_cp);
    EXPECT_EQ(u8"Недоступен"_cp, own->Hint());
    EXPECT_EQ(QString::fromUtf16(u"Недоступен"), own->toolTip());
    own->SetVisible(false);
    EXPECT_FALSE(own->Visible());
    EXPECT_TRUE(inherits->Visible());  // its own flag, though the parent is not shown
}

TEST(CustomFormTest, APageIsAPlainWidgetWhoseKeysCloseNothing) {
    TCustomForm form;
    form.SetCaption(u8"Контакты"_cp);
    EXPECT_EQ(u8"Контакты"_cp, form.Caption());
    form.SetClientSize(686, 385);
    form.SetColor(QColor(212, 208, 200));
    auto* named = new TPanel(&form);
    named->setObjectName(QStringLiteral("pnPersonList"));
    EXPECT_EQ(named, form.FindComponent<TPanel>("pnPersonList"));
    EXPECT_EQ(nullptr, form.FindComponent<TPanel>("pnOther"));
    EXPECT_EQ(nullptr, dynamic_cast<QDialog*>(static_cast<QWidget*>(&form)));
    form.show();
    QTest::keyClick(&form, Qt::Key_Escape);
    QTest::keyClick(&form, Qt::Key_Return);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(qRgb(212, 208, 200), form.grab().toImage().pixel(600, 300));

    int asked = 0;
    form.OnCloseQuery = [&] { return ++asked > 1; };
    form.close();  // the close box
    EXPECT_TRUE(form.isVisible());
    form.Close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(2, asked);
}

TEST(CustomFormTest, TheMainFormsCloseTerminatesTheApplication) {
    TCustomForm form;
    Application->SetMainForm(&form);
    form.show();
    form.Close();
    EXPECT_TRUE(Application->Terminated());
    Application->SetMainForm(nullptr);
    EXPECT_EQ(0, Application->Run());  // a terminate before Run returns at once and is cleared
    EXPECT_FALSE(Application->Terminated());
}

TEST(CustomFormTest, PagesAreRegisteredAndCreatedByNameWithTheirOwner) {
    struct TPageA : TCustomForm {
        using TCustomForm::TCustomForm;
        std::string ClassName() const override { return "TPageA"; }
    };
    TPageRegistry registry;
    registry.RegisterClass<TPageA>("TPageA");
    TCustomForm owner;
    TCustomForm* page = registry.Create("tpagea", &owner);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ("TPageA", page->ClassName());
    EXPECT_EQ(&owner, page->parentWidget());
    EXPECT_TRUE(page->isWindow());  // owned, not yet embedded
    EXPECT_THROW(registry.Create("TPageB", &owner), EClassNotFound);
}

TEST(TImageTest, ATransparentImageSeesThroughTheBottomLeftColour) {
    TBitmap bmp;
    bmp.SetPixelFormat(pf24bit);
    bmp.SetSize(4, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) bmp.SetPixel(x, y, 0xFF00FF);  // clFuchsia
    bmp.SetPixel(1, 0, 0x0000FF);                                   // red
    TPanel back;
    back.SetBevelOuter(bvNone);
    back.SetColor(QColor(0, 0, 255));
    back.resize(4, 2);
    auto* img = new TImage(&back);
    img->setGeometry(0, 0, 4, 2);
    img->Picture().SetBitmap(&bmp);
    EXPECT_EQ(qRgb(255, 0, 255), back.grab().toImage().pixel(0, 0));
    img->SetTransparent(true);
    const QImage shot = back.grab().toImage();
    EXPECT_EQ(qRgb(0, 0, 255), shot.pixel(0, 0));
    EXPECT_EQ(qRgb(0, 0, 255), shot.pixel(3, 1));
    EXPECT_EQ(qRgb(255, 0, 0), shot.pixel(1, 0));
    EXPECT_EQ(0, qAlpha(img->Rendered().pixel(0, 1)));
}

TEST(HourGlassTest, TheGuardRestoresWhatItSetAlsoOnAnError) {
    EXPECT_FALSE(HourGlassShown());
    EXPECT_EQ(nullptr, QApplication::overrideCursor());
    try {
        THourGlass outer;
        EXPECT_EQ(Qt::WaitCursor, QApplication::overrideCursor()->shape());
        {
            THourGlass inner;
            EXPECT_TRUE(HourGlassShown());
        }
        EXPECT_EQ(Qt::WaitCursor, QApplication::overrideCursor()->shape());
        throw std::runtime_error("page failed");
    } catch (const std::exception&) {
    }
    EXPECT_FALSE(HourGlassShown());
    EXPECT_EQ(nullptr, QApplication::overrideCursor());
}

TEST(ShellTest, TheHookRecordsTheAddressInsteadOfStartingABrowser) {
    std::vector<std::string> opened;
    SetShellOpenHook([&](const std::string& a) { opened.push_back(a); });
    ShellOpen("http://example.invalid/id/masha/");
    SetShellOpenHook({});
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ("http://example.invalid/id/masha/", opened[0]);
}
