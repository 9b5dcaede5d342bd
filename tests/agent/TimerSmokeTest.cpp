// A small import driven by the framework timer under Qt's event loop, as the program runs it.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "AgentTestSupport.h"
#include "platform/CpLiteral.h"

namespace {

TEST(TimerSmoke, SmallImportUnderTheEventLoop) {
    QTemporaryDir config;
    QSettings::setPath(static_cast<QSettings::Format>(RegistryFormat()), QSettings::UserScope, config.path());
    TdmFriend dm;
    site::SiteState state;
    state.folders[0] = {MakeContact("t1", u8"Таня"_cp, "21", u8"Тула"_cp), MakeContact("t2", u8"Тома"_cp, "22", u8"Тверь"_cp)};
    site::StandInSite server(state);
    server.Start();
    dm.Settings->AgentServer = server.Host();

    std::vector<std::string> messages;
    TWorkerSeams seams;  // the framework timer: no Timer given
    seams.Pause = [](int) {};
    seams.Message = [&](const std::string& m) { messages.push_back(m); };
    TContactsImportClass worker(std::move(seams));
    EXPECT_FALSE(worker.Timer().Enabled());
    EXPECT_EQ(worker.Timer().Interval(), 200);
    worker.Host = server.Host();
    ASSERT_TRUE(worker.Login("velmora", "secret"));

    QEventLoop loop;
    bool complete = false;
    worker.OnComplete = [&](TObject*) {
        complete = true;
        worker.Logout();
    };
    QElapsedTimer clock;
    clock.start();
    worker.StartImport();
    // The box comes after OnComplete, from the same tick: wait for it (the clock only guards
    // against a hang).
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!messages.empty() || clock.elapsed() > 20000) loop.quit();
    });
    poll.start(20);
    loop.exec();

    EXPECT_TRUE(complete);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], u8"Импорт контактов завершен."_cp);
    EXPECT_FALSE(worker.Timer().Enabled());
    // 3 + 2 steps for the common folder, 2 for the empty favourites, one finishing tick. (How long
    // they take is the framework timer's affair: its own tests count its ticks.)
    EXPECT_EQ(worker.TickCount, 7);
    EXPECT_EQ(worker.Folders().GetFolderTable(0)->RecordCount(), 2);
    EXPECT_EQ(server.Log().back().route, "logout");
}

}  // namespace
