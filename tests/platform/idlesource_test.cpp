// Which idle source the service uses, from what the environment says about the session.

#include <gtest/gtest.h>

#include "platform/idlesource.h"

using namespace qel::platform;

TEST(IdleSource, TheX11IdleTimeIsUsedOnlyOutsideWaylandSessions)
{
    struct Case {
        IdleSession session;
        bool x11;
    };
    const Case cases[] = {
        {{"x11", false, true}, true},
        {{"", false, true}, true},
        {{"tty", false, true}, true},  // a server started by hand from a text console
        // An X11 session that runs a nested compositor for some of its programs.
        {{"x11", true, true}, true},
        // The X11 server of a Wayland session never sees Wayland input.
        {{"wayland", true, true}, false},
        {{"wayland", false, true}, false},
        {{"", true, true}, false},
        {{"x11", false, false}, false},
        {{"", false, false}, false},
    };
    for (const Case& c : cases) {
        const IdleSourceChoice choice = ChooseIdleSources(c.session);
        const std::string what = c.session.sessionType + (c.session.waylandDisplay ? " +wayland" : "") +
                                 (c.session.x11Display ? " +x11" : "");
        if (c.x11) {
            EXPECT_EQ(choice.candidates, std::vector{IdleSourceKind::X11IdleCounter}) << what;
        } else {
            EXPECT_TRUE(choice.candidates.empty()) << what;
            EXPECT_FALSE(choice.problem.empty()) << what << ": the service says why it cannot run";
        }
    }
}
