// Pages created by class name and embedded into a host's panel.
#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>

#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Screen.h"
#include "ui/EmbeddedForms.h"

namespace {

void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

int activations = 0;

class TTestPage : public TCustomForm {
public:
    explicit TTestPage(QWidget* owner) : TCustomForm(owner) {
        SetClientSize(300, 200);
        edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("edName"));
        edit->setGeometry(10, 10, 100, 20);
        SetActiveControl(edit);
    }
    std::string ClassName() const override { return "TTestPage"; }
    void PageActivated() override { ++activations; }
    QLineEdit* edit;
};

class TNoScrollPage : public TCustomForm {
public:
    explicit TNoScrollPage(QWidget* owner) : TCustomForm(owner) { SetAutoScroll(false); }
};

class TFailingPage : public TCustomForm {
public:
    explicit TFailingPage(QWidget* owner) : TCustomForm(owner) { throw std::runtime_error("no page"); }
};

// A page that asks its own host for another page while it is being created.
class THost;
THost* reentrantHost = nullptr;
TCustomForm* innerResult = reinterpret_cast<TCustomForm*>(1);
bool hourGlassAfterInner = false;

class THost : public TCustomForm, public TEmbeddingHost {
public:
    THost() : TEmbeddingHost(this) {
        SetClientSize(400, 300);
        panel = new TPanel(this);
        panel->setGeometry(0, 0, 400, 300);
        panel->SetHint("old hint");
        show();
        Settle();
    }
    TPanel* panel;
};

class TReentrantPage : public TCustomForm {
public:
    explicit TReentrantPage(QWidget* owner) : TCustomForm(owner) {
        innerResult = reentrantHost->CreateEmbeddedForm(reentrantHost->panel, "TTestPage");
        // The refused inner call leaves the outer call's hourglass alone.
        hourGlassAfterInner = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    }
};

struct Registered : ::testing::Test {
    static void SetUpTestSuite() {
        auto& r = TPageRegistry::Global();
        r.RegisterClass<TTestPage>("TTestPage");
        r.RegisterClass<TNoScrollPage>("TNoScrollPage");
        r.RegisterClass<TFailingPage>("TFailingPage");
        r.RegisterClass<TReentrantPage>("TReentrantPage");
    }
};

}  // namespace

TEST_F(Registered, APageStartsAt686By385AndThenFillsThePanelAndFollowsIt) {
    THost host;
    activations = 0;
    TCustomForm* page = host.CreateEmbeddedForm(host.panel, "ttestpage");
    ASSERT_NE(nullptr, page);
    EXPECT_FALSE(host.CreatingForm());
    EXPECT_FALSE(HourGlassShown());
    EXPECT_EQ(host.panel, page->parentWidget());
    EXPECT_FALSE(page->isWindow());
    EXPECT_EQ(QRect(0, 0, 686, 385), page->geometry());
    EXPECT_TRUE(page->isVisible());
    EXPECT_TRUE(host.panel->isVisible());
    EXPECT_EQ("", host.panel->Hint());
    EXPECT_EQ(0, activations);
    Settle();
    EXPECT_EQ(1, activations);
    EXPECT_EQ(host.panel->contentsRect(), page->geometry());
    EXPECT_EQ(static_cast<TTestPage*>(page)->edit, QApplication::focusWidget());
    host.panel->resize(250, 120);
    EXPECT_EQ(host.panel->contentsRect(), page->geometry());
    EXPECT_TRUE(page->AutoScroll());
    // Keys on the embedded page close nothing.
    QTest::keyClick(page, Qt::Key_Escape);
    QTest::keyClick(page, Qt::Key_Return);
    EXPECT_TRUE(page->isVisible());
}

TEST_F(Registered, APageWithAutoScrollOffKeepsItOff) {
    THost host;
    TCustomForm* page = host.CreateEmbeddedForm(host.panel, "TNoScrollPage");
    ASSERT_NE(nullptr, page);
    EXPECT_FALSE(page->AutoScroll());
}

TEST_F(Registered, AFailedCreationGivesNullAndLeavesThePanelAsItWas) {
    for (const char* name : {"TUnknownPage", "TFailingPage"}) {
        THost host;
        const int before = static_cast<int>(host.panel->children().size());
        EXPECT_EQ(nullptr, host.CreateEmbeddedForm(host.panel, name)) << name;
        EXPECT_TRUE(host.panel->isVisible()) << name;
        EXPECT_EQ("old hint", host.panel->Hint()) << name;
        EXPECT_EQ(before, static_cast<int>(host.panel->children().size())) << name;
        EXPECT_FALSE(host.CreatingForm());
        EXPECT_FALSE(HourGlassShown());
        EXPECT_EQ(nullptr, QApplication::overrideCursor());
    }
}

TEST_F(Registered, ReEntryGivesNullAndCreatesNothing) {
    THost host;
    reentrantHost = &host;
    TCustomForm* outer = host.CreateEmbeddedForm(host.panel, "TReentrantPage");
    reentrantHost = nullptr;
    ASSERT_NE(nullptr, outer);
    EXPECT_EQ(nullptr, innerResult);
    EXPECT_TRUE(hourGlassAfterInner);
    EXPECT_EQ(1, static_cast<int>(host.panel->findChildren<TCustomForm*>().size()));
    EXPECT_EQ(nullptr, QApplication::overrideCursor());
    EXPECT_FALSE(host.CreatingForm());
}
