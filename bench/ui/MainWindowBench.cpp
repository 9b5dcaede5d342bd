// The program's start-up and the new-message marks, offscreen. Start-up: from the creation of the
// data module to the end of the main window's first paint, with n contacts in "CommonFriends.xml"
// and no settings (no scan, no timer). Marks: CheckMessagesComplete over 10,000 stored contacts
// against 1,000 found (500 of them stored), beside the plain walk of the same work (every card's
// address and every found login compared for each stored record). CPU is the process's user +
// system time.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "agent/CheckMessagesClass.h"
#include "platform/Initialise.h"
#include "platform/ProgramDir.h"
#include "platform/gui/Application.h"
#include "platform/registry/Registry.h"
#include "storage/DataModuleUnit.h"
#include "storage/clUrlList.h"
#include "ui/ChatFormUnit.h"
#include "ui/ChatPersonControl.h"
#include "ui/ChatPersonListControl.h"
#include "ui/MainAgentUnit.h"
#include "ui/VelAgent.h"
#include "UiBenchSupport.h"

namespace {

using namespace uibench;

void BM_StartUp(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    SetProgramDirectory(FolderFor(n));
    for (auto _ : state) {
        QApplication::processEvents();
        const double cpu0 = CpuSeconds();
        auto dm = std::make_unique<TdmFriend>();
        auto win = std::make_unique<TfrmMain>();
        PaintWatch watch;
        win->installEventFilter(&watch);
        win->show();
        while (!watch.painted) QApplication::processEvents();
        state.SetIterationTime(CpuSeconds() - cpu0);
        win->removeEventFilter(&watch);
        win.reset();
        dm.reset();
    }
}

// The window over 10,000 stored contacts; the checker has found 1,000, every other one stored.
struct MarksWorld {
    std::unique_ptr<TdmFriend> dm;
    std::unique_ptr<TfrmMain> win;
    MarksWorld() {
        SetProgramDirectory(FolderFor(10000));
        dm = std::make_unique<TdmFriend>();
        win = std::make_unique<TfrmMain>();
        win->show();
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
        TFriend* found = win->CheckMessages->Folders().GetFolderTable(0);
        for (int i = 0; i < 1000; ++i) {
            const int id = i % 2 == 0 ? i * 10 : 20000 + i;  // 500 stored, 500 not
            found->AddFriend("F", "user" + std::to_string(id), Url(id), "", 0, 0, 0, 0, 0, "");
        }
    }
};

void BM_NewMessageMarks(benchmark::State& state) {
    MarksWorld world;
    for (auto _ : state) {
        const double cpu0 = CpuSeconds();
        world.win->CheckMessagesComplete();
        state.SetIterationTime(CpuSeconds() - cpu0);
    }
}

// The plain walk: for each stored record, every card's address until one matches, and every found
// record's login.
void BM_NewMessageMarksPlainWalk(benchmark::State& state) {
    MarksWorld world;
    TFriend* stored = world.dm->Folders->GetFolderTable(0);
    TFriend* found = world.win->CheckMessages->Folders().GetFolderTable(0);
    const auto& cards = world.win->ChatForm->PersonList(0)->Cards();
    long long comparisons = 0;
    for (auto _ : state) {
        const double cpu0 = CpuSeconds();
        for (int r = 0; r < stored->RecordNodes()->Count(); ++r) {
            const std::string url = stored->RecordNodes()->Nodes(r).FindChild("URL").Text();
            const std::string login = ExtractLogin(url);
            bool mark = false;
            for (int f = 0; f < found->RecordNodes()->Count() && !mark; ++f, ++comparisons)
                mark = ExtractLogin(found->RecordNodes()->Nodes(f).FindChild("URL").Text()) == login;
            for (TChatPerson* c : cards) {
                ++comparisons;
                if (c->URL() == url) {
                    c->SetLetter(mark);
                    break;
                }
            }
        }
        state.SetIterationTime(CpuSeconds() - cpu0);
    }
    state.counters["comparisons"] = static_cast<double>(comparisons) / static_cast<double>(state.iterations());
}

}  // namespace

BENCHMARK(BM_StartUp)->Arg(0)->Arg(1000)->Arg(10000)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NewMessageMarks)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NewMessageMarksPlainWalk)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    platform::initialise();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int qtArgc = 1;
    InitialiseGui(qtArgc, argv);
    QTemporaryDir registry;
    QSettings::setPath(static_cast<QSettings::Format>(RegistryFormat()), QSettings::UserScope, registry.path());
    program::StartUnits();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    program::StopUnits();
    FinaliseGui();
    return 0;
}
