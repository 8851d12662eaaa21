// The editor with many pictures: opening it (FormCreate and FormShow, the first picture previewed)
// on a list of 1 or 1,000 pictures, turning to its Transitions page (painted once), "Add Images in Folder" on a folder of 10,000 pictures, and removing
// all 10,000 again as selected entries. Every picture is a 624 x 468 JPEG; only the one the preview
// shows is ever decoded.
//
//   build/release/bin/editor_bench

#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QTabBar>

#include <benchmark/benchmark.h>

#include "editor/editordialogs.h"
#include "editor/filelistbox.h"
#include "editor/imagespage.h"
#include "editor/setupwindow.h"
#include "settings/processpaths.h"
#include "settings/saversettings.h"

namespace {

namespace fs = std::filesystem;
using qel::editor::SetupWindow;

void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "editor_bench";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance())
        return;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    new QApplication(argc, argv);  // lives as long as the process
}

// Answers "which folder" with the one given; every other question is cancelled.
class FolderAnswer : public qel::editor::EditorDialogs {
public:
    explicit FolderAnswer(QString folder) : folder_(std::move(folder)) {}
    QStringList OpenPictureFiles(QWidget*, const QString&) override { return {}; }
    QString ChooseFolder(QWidget*, const QString&) override { return folder_; }
    QStringList OpenSoundFiles(QWidget*, const QString&) override { return {}; }
    std::optional<qel::raster::Color> ChooseColor(QWidget*, qel::raster::Color) override { return std::nullopt; }
    QString OpenProjectFile(QWidget*, const QString&) override { return {}; }
    QString SaveProjectFile(QWidget*, const QString&) override { return {}; }
    QString SavePackageFile(QWidget*, const QString&) override { return {}; }

private:
    QString folder_;
};

// The pictures page and its buttons, found by name as a user finds them by their place.
qel::editor::ImagesPage& Page(SetupWindow& window)
{
    return *window.findChild<qel::editor::ImagesPage*>("ImagesPage");
}

void Click(SetupWindow& window, const char* button)
{
    Page(window).findChild<QAbstractButton*>(button)->click();
}

// A folder beside the benchmark's other files, made once: the sample pictures and `count` names
// for one photo (hard links, so the files cost no disk).
fs::path PictureFolder(const std::string& name, int count)
{
    const fs::path root = fs::temp_directory_path() / "qel-editor-bench";
    const fs::path folder = root / name;
    const fs::path photo = fs::path(QEL_BIN_DIR) / "trans1.jpg";
    fs::create_directories(folder);
    for (const char* sample : {"trans1.jpg", "trans2.jpg"})
        if (!fs::exists(root / sample))
            fs::copy_file(fs::path(QEL_BIN_DIR) / sample, root / sample);
    // The manual with the transition gallery, where the editor finds it beside the program.
    if (!fs::exists(fs::symlink_status(root / "manual")))
        fs::create_directory_symlink(fs::path(QEL_BIN_DIR) / "manual", root / "manual");
    for (int i = 0; i < count; ++i) {
        const fs::path file = folder / ("photo" + std::to_string(i) + ".jpg");
        if (!fs::exists(file))
            fs::create_hard_link(photo, file);
    }
    auto& process = qel::settings::Process();
    process.programFolder = root.string() + "/";
    process.appPath = process.programFolder;
    return folder;
}

void OpenEditor(benchmark::State& state)
{
    EnsureApplication();
    const int count = int(state.range(0));
    const fs::path folder = PictureFolder("list" + std::to_string(count), count);
    qel::settings::SaverSettings s;
    for (int i = 0; i < count; ++i)
        s.images.push_back((folder / ("photo" + std::to_string(i) + ".jpg")).string());
    s.transSetup = std::string(92, '1');
    qel::settings::SaveSettings(qel::settings::SetupFilePath(), s);
    for (auto _ : state) {
        auto window = std::make_unique<SetupWindow>(std::make_unique<FolderAnswer>(QString()));
        window->show();
        benchmark::DoNotOptimize(Page(*window).LastPreviewFile().data());
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
    state.SetLabel(std::to_string(count) + " pictures in the list");
}

// From the Images page to the Transitions page, up to its first paint.
void OpenTransitionsPage(benchmark::State& state)
{
    EnsureApplication();
    PictureFolder("list1", 1);
    qel::settings::SaverSettings s;
    s.transSetup = std::string(92, '1');
    s.transIndex = 12;
    qel::settings::SaveSettings(qel::settings::SetupFilePath(), s);
    SetupWindow window(std::make_unique<FolderAnswer>(QString()));
    window.show();
    auto* tabs = window.findChild<QTabBar*>("TabControl");
    for (auto _ : state) {
        tabs->setCurrentIndex(SetupWindow::kTransitionsPage);
        QApplication::processEvents();
        state.PauseTiming();
        tabs->setCurrentIndex(0);
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

void AddFolder(benchmark::State& state)
{
    EnsureApplication();
    const int count = int(state.range(0));
    const fs::path folder = PictureFolder("folder" + std::to_string(count), count);
    qel::settings::SaveSettings(qel::settings::SetupFilePath(), {});
    SetupWindow window(std::make_unique<FolderAnswer>(QString::fromStdString(folder.string())));
    window.show();
    for (auto _ : state) {
        Click(window, "btnAddFolder");
        state.PauseTiming();
        if (window.findChild<QListWidget*>("ImagesListBox")->count() != count)
            state.SkipWithError("not every picture was added");
        Click(window, "btnClear");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
}

// Every entry selected and "Remove Files": the slow way to empty a long list.
void RemoveSelected(benchmark::State& state)
{
    EnsureApplication();
    const int count = int(state.range(0));
    const fs::path folder = PictureFolder("folder" + std::to_string(count), count);
    qel::settings::SaveSettings(qel::settings::SetupFilePath(), {});
    SetupWindow window(std::make_unique<FolderAnswer>(QString::fromStdString(folder.string())));
    window.show();
    for (auto _ : state) {
        state.PauseTiming();
        Click(window, "btnAddFolder");
        window.findChild<QListWidget*>("ImagesListBox")->selectAll();
        state.ResumeTiming();
        Click(window, "btnDelete");
    }
    state.SetItemsProcessed(state.iterations() * count);
}

BENCHMARK(OpenEditor)->Arg(1)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenTransitionsPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(AddFolder)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(RemoveSelected)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
