// The tray program's work on the Qt runtime (offscreen), for 100, 1,000 and
// 10,000 sentences, beside the floor: what Qt itself needs for the same
// amount of work. The table at the end gives each operation as a multiple of
// its floor, and its growth from 1,000 to 10,000 sentences (1.0 is linear).

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QSettings>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "editor/frmSet.h"
#include "platform/conv.h"
#include "platform/ini.h"
#include "platform/posix/ini_file_store.h"
#include "platform/qt/qt_runtime.h"
#include "platform/qt/text.h"
#include "tray/frmMenu.h"

namespace {

constexpr std::uint32_t kLeftPress = 0x201;

std::u16string Sentence(std::int64_t i) {
    std::u16string s = u"定型文 " + vb::Str(i) + u" いつもお世話になっております。";
    if (i % 3 == 0) s += u"\r\n二行目の文章です。\r\nよろしくお願いいたします。";
    return s;
}

// The tray program, started once, on a store in a temporary folder.
struct Program {
    qtrt::QtRuntime rt;
    frmMenu form{rt};
    QString path = QString::fromStdString(posix::IniFileStore::PathFor(mdlOrbek::kApp));
    std::int64_t sentences = -1;

    Program() {
        rt.AppTitle = u"Orbek";
        rt.Load(form);
        OpenLeftMenu();  // the Qt menu is made when it is first shown
    }

    // Writes a store of n sentences and rebuilds the menu from it.
    void Use(std::int64_t n) {
        if (n == sentences) return;
        form.mdl.ClearSMenu();
        vb::ini::Sections store;
        auto& keys = store[std::u16string(mdlOrbek::kSection)];
        keys[std::u16string(mdlOrbek::kCountKey)] = vb::Str(n - 1);
        for (std::int64_t i = 0; i < n; ++i) keys[mdlOrbek::SentenceKey(i)] = Sentence(i);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        const std::string bytes = vb::ini::Write(store);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
                static_cast<qint64>(bytes.size())) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            std::exit(1);
        }
        file.close();
        NewEvent();
        form.mdl.ShowSMenu();
        sentences = n;
    }

    // What the event loop does between two events.
    void NewEvent() { rt.Store().EventBoundary(); }

    // A left press on the icon; the menu is closed as soon as it is open.
    void OpenLeftMenu() {
        CloseNextPopup();
        NewEvent();
        rt.NotifyIcon(IconRecord(), kLeftPress);
    }

    vb::NotifyIconData IconRecord() const {
        vb::NotifyIconData record;
        record.hWnd = form.hWnd();
        record.uID = 1;
        record.uCallbackMessage = WM_MOUSEMOVE;
        return record;
    }

    // Closes the next popup menu once it is shown.
    static void CloseNextPopup() {
        auto* timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, [timer] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                popup->close();
                timer->deleteLater();
            }
        });
        timer->start(0);
    }
};

Program* program;

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->MinTime(0.3);
}

std::vector<QString> Captions(std::int64_t n) {
    std::vector<QString> captions;
    for (std::int64_t i = 0; i < n; ++i)
        captions.push_back(qtrt::ToQt(mdlOrbek::SentenceCaption(Sentence(i))));
    return captions;
}

// Our operations.

void BM_ShowSMenu(benchmark::State& state) {
    program->Use(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        program->form.mdl.ClearSMenu();
        program->NewEvent();
        state.ResumeTiming();
        program->form.mdl.ShowSMenu();
    }
}
BENCHMARK(BM_ShowSMenu)->Apply(Sizes);

void BM_ClearSMenu(benchmark::State& state) {
    program->Use(state.range(0));
    for (auto _ : state) {
        program->NewEvent();
        program->form.mdl.ClearSMenu();
        state.PauseTiming();
        program->form.mdl.ShowSMenu();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ClearSMenu)->Apply(Sizes);

// A left press while the store is as the menu was built from.
void BM_LeftMenuUnchanged(benchmark::State& state) {
    program->Use(state.range(0));
    program->OpenLeftMenu();  // made and laid out once, after the store was written
    for (auto _ : state) program->OpenLeftMenu();
}
BENCHMARK(BM_LeftMenuUnchanged)->Apply(Sizes);

// The first left press after a rebuild: the Qt menu is made again.
void BM_LeftMenuRebuilt(benchmark::State& state) {
    program->Use(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        program->form.mdl.ClearSMenu();
        program->NewEvent();
        program->form.mdl.ShowSMenu();
        state.ResumeTiming();
        program->OpenLeftMenu();
    }
}
BENCHMARK(BM_LeftMenuRebuilt)->Apply(Sizes);

// Runs `inEditor` in the editor's modal loop; it returns the seconds to count.
template <class InEditor>
double WithEditor(InEditor inEditor) {
    QElapsedTimer opened;
    std::optional<frmSet> editor;
    editor.emplace(program->rt, program->form.mdl, program->form.txtMenu);
    double seconds = 0;
    QTimer::singleShot(0, [&] { seconds = inEditor(*editor, opened.nsecsElapsed() / 1e9); });
    program->NewEvent();
    opened.start();
    editor->Show(1);
    // The closed window goes here, not in the next measurement.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return seconds;
}

// From the command until the editor shows the list.
void BM_EditorLoad(benchmark::State& state) {
    program->Use(state.range(0));
    for (auto _ : state) {
        state.SetIterationTime(WithEditor([](frmSet& editor, double loaded) {
            editor.cmdSet_Click(1);
            return loaded;
        }));
    }
}
BENCHMARK(BM_EditorLoad)->Apply(Sizes)->UseManualTime();

// OK without changes: the whole list written back and the menu rebuilt.
void BM_EditorOK(benchmark::State& state) {
    program->Use(state.range(0));
    for (auto _ : state) {
        state.SetIterationTime(WithEditor([](frmSet& editor, double) {
            QElapsedTimer ok;
            ok.start();
            editor.cmdSet_Click(0);
            return ok.nsecsElapsed() / 1e9;
        }));
    }
}
BENCHMARK(BM_EditorOK)->Apply(Sizes)->UseManualTime();

void BM_Register(benchmark::State& state) {
    QGuiApplication::clipboard()->setText(QStringLiteral("登録する文章です。\n二行目。"));
    for (auto _ : state) {
        state.PauseTiming();
        program->Use(state.range(0));
        program->NewEvent();
        state.ResumeTiming();
        program->rt.Dispatch([] { program->form.SetNowCB(); });
        state.PauseTiming();
        program->sentences = -1;  // one more than asked for: made again next time
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Register)->Apply(Sizes);

// The floor.

void BM_FloorAddAction(benchmark::State& state) {
    const auto captions = Captions(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto* menu = new QMenu;
        state.ResumeTiming();
        for (const QString& caption : captions) menu->addAction(caption);
        state.PauseTiming();
        delete menu;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FloorAddAction)->Apply(Sizes);

// A menu shown again: it was laid out when first shown.
void BM_FloorMenuPopup(benchmark::State& state) {
    QMenu menu;
    for (const QString& caption : Captions(state.range(0))) menu.addAction(caption);
    Program::CloseNextPopup();
    menu.exec(QPoint(0, 0));
    for (auto _ : state) {
        Program::CloseNextPopup();
        menu.exec(QPoint(0, 0));
    }
}
BENCHMARK(BM_FloorMenuPopup)->Apply(Sizes);

// A new menu of n items, shown for the first time.
void BM_FloorNewMenuPopup(benchmark::State& state) {
    const auto captions = Captions(state.range(0));
    for (auto _ : state) {
        auto* menu = new QMenu;
        for (const QString& caption : captions) menu->addAction(caption);
        Program::CloseNextPopup();
        menu->exec(QPoint(0, 0));
        state.PauseTiming();
        delete menu;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FloorNewMenuPopup)->Apply(Sizes);

QString FloorFile() { return QDir::tempPath() + QStringLiteral("/orbek-bench-floor.ini"); }

// One QSettings object, n keys, one sync.
void BM_FloorSettingsWrite(benchmark::State& state) {
    std::vector<QString> texts;
    for (std::int64_t i = 0; i < state.range(0); ++i) texts.push_back(qtrt::ToQt(Sentence(i)));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(FloorFile());
        state.ResumeTiming();
        QSettings settings(FloorFile(), QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("Sentences"));
        for (std::size_t i = 0; i < texts.size(); ++i) {
            settings.setValue(QStringLiteral("S%1").arg(i), texts[i]);
        }
        settings.endGroup();
        settings.sync();
    }
}
BENCHMARK(BM_FloorSettingsWrite)->Apply(Sizes);

// One QSettings object reading n keys of a file, into a list widget.
void BM_FloorSettingsReadList(benchmark::State& state) {
    const std::int64_t n = state.range(0);
    {
        QFile::remove(FloorFile());
        QSettings settings(FloorFile(), QSettings::IniFormat);
        for (std::int64_t i = 0; i < n; ++i) {
            settings.setValue(QStringLiteral("Sentences/S%1").arg(i), qtrt::ToQt(Sentence(i)));
        }
    }
    for (auto _ : state) {
        QListWidget list;
        QSettings settings(FloorFile(), QSettings::IniFormat);
        for (std::int64_t i = 0; i < n; ++i) {
            list.addItem(settings.value(QStringLiteral("Sentences/S%1").arg(i)).toString());
        }
    }
}
BENCHMARK(BM_FloorSettingsReadList)->Apply(Sizes);

// Keeps the seconds per iteration of every run, by name.
class Collector : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.iterations > 0) {
                seconds[run.run_name.function_name + "/" + run.run_name.args] =
                    run.real_accumulated_time / run.iterations;
            }
        }
    }
    std::map<std::string, double> seconds;
};

// Each operation beside the floor of the work it must do at the least, at
// 10,000 sentences, and the growth from 1,000 to 10,000 of both (1.0 is
// linear; Qt's menus search their list of actions on every insertion and
// removal, so their floor grows faster).
void PrintRatios(const std::map<std::string, double>& s) {
    struct Row {
        const char* op;
        std::vector<std::pair<const char*, double>> floor;  // floor benchmark, times
    };
    const Row rows[] = {
        {"BM_ShowSMenu", {{"BM_FloorAddAction", 1}}},
        {"BM_ClearSMenu", {{"BM_FloorAddAction", 1}}},
        {"BM_LeftMenuUnchanged", {{"BM_FloorMenuPopup", 1}}},
        {"BM_LeftMenuRebuilt", {{"BM_FloorNewMenuPopup", 1}}},
        {"BM_EditorLoad", {{"BM_FloorSettingsReadList", 1}}},
        {"BM_EditorOK", {{"BM_FloorSettingsWrite", 1}, {"BM_FloorAddAction", 2}}},
        {"BM_Register", {{"BM_FloorSettingsWrite", 1}, {"BM_FloorAddAction", 2}}},
    };
    auto at = [&](const std::string& name, int n) {
        const auto it = s.find(name + "/" + std::to_string(n));
        return it == s.end() ? 0.0 : it->second;
    };
    std::printf("\n%-18s %9s %9s %8s %8s %8s  %s\n", "at 10,000", "ms", "floor ms", "x floor",
                "growth", "floor's", "target: x floor <= 1.5, growth linear or the floor's");
    for (const Row& row : rows) {
        double floor = 0, floor1000 = 0;
        for (const auto& [name, times] : row.floor) {
            floor += times * at(name, 10000);
            floor1000 += times * at(name, 1000);
        }
        const double t = at(row.op, 10000), t1000 = at(row.op, 1000);
        if (t == 0 || t1000 == 0 || floor == 0 || floor1000 == 0) continue;  // filtered out
        const double ratio = t / floor, growth = t / t1000 / 10,
                     floorGrowth = floor / floor1000 / 10;
        const bool met = ratio <= 1.5 && (growth <= 1.2 || growth <= floorGrowth);
        std::printf("%-18s %9.2f %9.2f %8.2f %8.2f %8.2f  %s\n", row.op + 3, t * 1e3, floor * 1e3,
                    ratio, growth, floorGrowth, met ? "met" : "MISSED");
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Never the user's own store, nor a display.
    const auto temp = std::filesystem::temp_directory_path() / "orbek-bench-XXXXXX";
    std::string dir = temp.string();
    if (mkdtemp(dir.data()) == nullptr) return 1;
    const std::string config = dir + "/config", runtime = dir + "/runtime";
    std::filesystem::create_directories(config);
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orbek"));
    QApplication::setQuitOnLastWindowClosed(false);
    benchmark::Initialize(&argc, argv);
    {
        Program orbek;
        program = &orbek;
        Collector collector;
        benchmark::RunSpecifiedBenchmarks(&collector);
        PrintRatios(collector.seconds);
        program = nullptr;
    }
    QFile::remove(FloorFile());
    std::filesystem::remove_all(dir);
    return 0;
}
