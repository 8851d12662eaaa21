// Which idle sources the service tries, and in which order, from what the environment says about
// the session.

#include <gtest/gtest.h>

#include "platform/idlesource.h"

using namespace qel::platform;

TEST(IdleSource, EachSessionTriesOnlyTheSourcesThatSeeItsInput)
{
    using K = IdleSourceKind;
    const std::vector<K> wayland{K::WaylandIdleNotifier, K::KdeWaylandIdle, K::GnomeIdleMonitor};
    const std::vector<K> x11{K::X11IdleCounter};
    const auto expect = [](const std::string& type, bool waylandDisplay, bool x11Display, const std::vector<K>& tried) {
        const IdleSourceChoice choice = ChooseIdleSources({type, waylandDisplay, x11Display, ""});
        const std::string what = "\"" + type + "\"" + (waylandDisplay ? " +wayland" : "") + (x11Display ? " +x11" : "");
        EXPECT_EQ(choice.candidates, tried) << what;
        if (tried.empty()) {
            EXPECT_FALSE(choice.problem.empty()) << what << ": the service says why it cannot run";
        }
    };
    expect("x11", false, true, x11);
    expect("", false, true, x11);
    expect("tty", false, true, x11);  // a server started by hand from a text console
    // An X11 session that runs a nested compositor for some of its programs.
    expect("x11", true, true, x11);
    // The X11 server of a Wayland session never sees Wayland input: the compositor's protocols
    // first, then GNOME's monitor on the session bus.
    expect("wayland", true, true, wayland);
    expect("wayland", true, false, wayland);
    expect("", true, true, wayland);
    // A Wayland session whose compositor socket was not passed on: only the session bus is left.
    expect("wayland", false, true, {K::GnomeIdleMonitor});
    expect("x11", false, false, {});
    expect("", false, false, {});
}

TEST(IdleSource, OnlyKdePlasmaIsAskedForProgramsKeepingTheScreenOn)
{
    for (const auto& [desktops, asked] : std::vector<std::pair<std::string, bool>>{
             {"KDE", true}, {"foo:KDE", true}, {"KDE:bar", true}, {"GNOME", false}, {"KDEX", false}, {"", false}}) {
        EXPECT_EQ(ChooseIdleSources({"wayland", true, false, desktops}).askPowerManagement, asked) << desktops;
        EXPECT_EQ(ChooseIdleSources({"x11", false, true, desktops}).askPowerManagement, asked) << desktops;
    }
}
