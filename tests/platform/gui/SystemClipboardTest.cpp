// The Qt clipboard back end and the thread hooks that the GUI start-up installs.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>

#include "platform/Threads.h"
#include "platform/graphics/Graphics.h"
#include "platform/gui/Application.h"

namespace {

TEST(SystemClipboard, GifBytesTravelAsImageGifAndTheBitmapAsAnImage) {
    const unsigned gif = RegisterClipboardFormat("GIF Image");
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(2, 1);
    b.SetPixel(0, 0, RGB(255, 0, 0));
    b.SetPixel(1, 0, RGB(0, 0, 255));
    b.SaveToClipboard();
    ASSERT_TRUE(SetClipboardData(gif, MakeClipboardBytes({'G', 'I', 'F', '8', '9', 'a'})));

    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_EQ(mime->data(QStringLiteral("image/gif")), QByteArray("GIF89a"));
    EXPECT_TRUE(mime->hasImage());  // the bitmap stayed beside the GIF

    TBitmap back;
    back.LoadFromClipboard();
    ASSERT_EQ(back.Width(), 2);
    EXPECT_EQ(back.GetPixel(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(back.GetPixel(1, 0), RGB(0, 0, 255));
    HCLIPDATA bytes = GetClipboardData(gif);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes->Bytes.size(), 6u);
    EmptyClipboard();
    EXPECT_EQ(GetClipboardData(gif), nullptr);
    EXPECT_THROW(back.LoadFromClipboard(), EInvalidGraphic);
}

class Worker : public TThread {
protected:
    void Execute() override {
        TThread::Synchronize([this] { synchronizedOnMain = IsMainThread(); });
    }

public:
    bool synchronizedOnMain = false;
};

TEST(GuiThreadHooks, TheEventLoopRunsAWorkersSynchronizedCall) {
    // No CheckSynchronize here: only the queued wake-up can run the call.
    auto* w = new Worker();
    bool ended = false, onMain = false;
    w->FreeOnTerminate = true;
    w->OnTerminate = [&](TObject* s) {
        onMain = static_cast<Worker*>(s)->synchronizedOnMain;
        ended = true;
    };
    w->Start();
    QElapsedTimer t;
    t.start();
    while (!ended && t.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(ended);
    EXPECT_TRUE(onMain);
}

TEST(GuiThreadHooks, PumpRunsQtEventsAndReportsQuitting) {
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    EXPECT_FALSE(PumpMessages());
    EXPECT_TRUE(fired);
    Application->Terminate();
    EXPECT_TRUE(PumpMessages());
    Application->Run();  // a Terminate before Run returns at once and clears the flag
    EXPECT_FALSE(PumpMessages());
}

}  // namespace
