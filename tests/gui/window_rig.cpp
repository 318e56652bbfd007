#include "window_rig.h"

#include "shell/startup.h"

#include <QAction>
#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

namespace vx::gui {

WindowRig::WindowRig(const std::vector<std::string>& args) {
    for (const auto& entry : std::filesystem::directory_iterator(std::string(VORNEX_TEST_DATA) + "/e2e"))
        std::filesystem::copy_file(entry.path(), dir.path() + entry.path().filename().string());
    old_dir = std::filesystem::current_path().string();
    std::filesystem::current_path(dir.path());
    std::vector<const char*> argv{"vornex"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    app = std::make_unique<shell::App>();
    shell::parse_start(*app, int(argv.size()), argv.data());
    shell::prepare_program(*app);
    WindowOptions options;
    options.boxes = Boxes::Recorded;
    options.width = 480;
    options.height = 360;
    w = open_window(*app, options);
    if (!QTest::qWaitFor([this] { return w->painted; }, 2000)) ADD_FAILURE() << "the window was never painted";
    // The unattended start has run (a busy host may hold its 10 ms timer back).
    if (!QTest::qWaitFor([this] { return !w->timers[kBatchTimer]->isActive(); }, 2000))
        ADD_FAILURE() << "the start timer never fired";
    settle();
}

WindowRig::~WindowRig() {
    close_window(*w);
    w.reset();
    app.reset();
    std::filesystem::current_path(old_dir);
}

void WindowRig::settle() const {
    QTest::qWait(30);  // past the start timer's 10 ms
    QCoreApplication::processEvents();
}

void WindowRig::pick(int id) const {
    QAction* a = command_action(*w, id);
    if (a) a->trigger();
    settle();
}

std::vector<std::string> WindowRig::boxes(std::size_t from) const {
    return {w->recorded.begin() + std::ptrdiff_t(std::min(from, w->recorded.size())), w->recorded.end()};
}

float WindowRig::height(double x, double y) const {
    const sim::Workpiece& wp = app->workpiece;
    const double pitch = wp.geometry.pitch;
    const auto i = std::int64_t((x - wp.geometry.origin_x) / pitch + 0.5);
    const auto j = std::int64_t((y - wp.geometry.origin_y) / pitch + 0.5);
    return wp.height.data[j * wp.geometry.nx + i];
}

}  // namespace vx::gui
