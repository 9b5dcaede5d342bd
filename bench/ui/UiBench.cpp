// The contacts page with a large folder, offscreen: made by name, embedded, shown, up to the end of
// its first paint; beside it the same file in a bare contact table; one click that opens and one
// that closes the first card; and switching to and from that folder. CPU is the process's user +
// system time; heap is malloc's bytes in use (after minus before).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <chrono>
#include <memory>
#include <string>

#include "platform/Initialise.h"
#include "platform/ProgramDir.h"
#include "platform/gui/Application.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/registry/Registry.h"
#include "storage/DataModuleUnit.h"
#include "storage/StorageInit.h"
#include "ui/ChatFormUnit.h"
#include "ui/Initialise.h"
#include "UiBenchSupport.h"

namespace {

using namespace uibench;

class THost : public TCustomForm, public TEmbeddingHost {
public:
    THost() : TEmbeddingHost(this) {
        SetClientSize(308, 540);
        panel = new TPanel(this);
        panel->SetBevelOuter(bvNone);
        panel->setGeometry(0, 0, 308, 540);
    }
    TPanel* panel;
};

void BM_ContactsPage(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    SetProgramDirectory(FolderFor(n));
    for (auto _ : state) {
        QApplication::processEvents();
        const double heap0 = HeapBytes();
        const double cpu0 = CpuSeconds();
        auto dm = std::make_unique<TdmFriend>();
        auto host = std::make_unique<THost>();
        host->show();
        auto* page = host->CreateEmbeddedForm(host->panel, "TfrmChatForm");
        PaintWatch watch;
        page->installEventFilter(&watch);
        while (!watch.painted) QApplication::processEvents();
        const double cpu = CpuSeconds() - cpu0;
        const double heap = HeapBytes() - heap0;
        state.SetIterationTime(cpu);
        state.counters["heap_MB"] = heap / 1e6;
        page->removeEventFilter(&watch);
        host.reset();
        dm.reset();
    }
}

void BM_BareFriend(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    SetProgramDirectory(FolderFor(n));
    for (auto _ : state) {
        const double heap0 = HeapBytes();
        const double cpu0 = CpuSeconds();
        auto t = std::make_unique<TFriend>();
        t->FileName = "CommonFriends.xml";
        t->Load();
        state.SetIterationTime(CpuSeconds() - cpu0);
        state.counters["heap_MB"] = (HeapBytes() - heap0) / 1e6;
    }
}

// One click on the first card of n, opening when `open`, else closing; wall time of the click alone.
void BM_Click(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const bool open = state.range(1) != 0;
    SetProgramDirectory(FolderFor(n));
    auto dm = std::make_unique<TdmFriend>();
    auto host = std::make_unique<THost>();
    host->show();
    auto* page = dynamic_cast<TfrmChatForm*>(host->CreateEmbeddedForm(host->panel, "TfrmChatForm"));
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    TChatPersonList* list = page->PersonList(0);
    TChatPerson* first = list->Cards().front();
    for (auto _ : state) {
        state.PauseTiming();
        // Bring the card to the state the click starts from.
        if ((first->ChatPersonStyle() == cpFull) == open) list->PersonClick(first);
        QApplication::processEvents();
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        list->PersonClick(first);
        const auto t1 = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
        state.PauseTiming();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    host.reset();
    dm.reset();
}

// Opening the folder of n contacts from another folder (range(1) 1), or leaving it for another
// (0): the bar's click up to the end of the first paint of the pane it shows. CPU time.
void BM_SwitchFolder(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const bool toBig = state.range(1) != 0;
    SetProgramDirectory(FolderFor(n));
    auto dm = std::make_unique<TdmFriend>();
    auto host = std::make_unique<THost>();
    host->show();
    auto* page = dynamic_cast<TfrmChatForm*>(host->CreateEmbeddedForm(host->panel, "TfrmChatForm"));
    int shown = 0;  // the page opens folder 0
    auto open = [&](int folder) {
        if (folder == shown) return;  // a bar of the open folder changes nothing
        shown = folder;
        PaintWatch watch(folder == 0 ? page->pnCommonFriends : page->pnFavoriteFriends);
        qApp->installEventFilter(&watch);
        if (folder == 0)
            page->fbCommonFriendsClick(nullptr);
        else
            page->fbFavoriteFriendsClick(nullptr);
        while (!watch.painted) QApplication::processEvents();
        qApp->removeEventFilter(&watch);
    };
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    for (auto _ : state) {
        open(toBig ? 1 : 0);
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
        const double cpu0 = CpuSeconds();
        open(toBig ? 0 : 1);
        state.SetIterationTime(CpuSeconds() - cpu0);
    }
    host.reset();
    dm.reset();
}

}  // namespace

BENCHMARK(BM_ContactsPage)->Arg(0)->Arg(1000)->Arg(10000)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareFriend)->Arg(0)->Arg(1000)->Arg(10000)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SwitchFolder)->Args({10000, 1})->Args({10000, 0})->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Click)->Args({10000, 1})->Args({10000, 0})->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    platform::initialise();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    InitialiseGui(argc, argv);
    QTemporaryDir registry;
    QSettings::setPath(static_cast<QSettings::Format>(RegistryFormat()), QSettings::UserScope, registry.path());
    storage::initialise();
    ui::initialise();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ui::finalise();
    FinaliseGui();
    return 0;
}
