// The installer's window over a made-up session: install with progress, the question whether the
// saver becomes the screen saver, and a failed install that can be tried again.

#include <gtest/gtest.h>

#include <stdlib.h>

#include <stdexcept>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "installer/installersession.h"
#include "installer/installerwindow.h"

namespace qel::installer {
namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "installerwindow_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

class FakeSession : public InstallerSession {
public:
    int failures = 0;  // installs that fail before one works
    int installs = 0;
    int activations = 0;

    std::string Text(const std::string&, const std::string& fallback) const override { return fallback; }
    std::vector<std::uint8_t> Icon() const override { return {}; }
    std::string SaverName() const override { return "Garden"; }
    std::string Summary() const override { return "two pictures"; }
    std::vector<std::string> Notes() const override { return {}; }
    void Install(const Progress& progress) override
    {
        ++installs;
        if (failures-- > 0)
            throw std::runtime_error("Not enough room");
        progress(50, 100);
        progress(100, 100);
    }
    bool CanActivate(std::string&) const override { return true; }
    std::string Activate() override
    {
        ++activations;
        return "now the screen saver";
    }
    std::string Result() const override { return "installed in /x"; }
    bool StaysActive() const override { return false; }
};

TEST(InstallerWindow, InstallsAsksAndShowsTheResult)
{
    App();
    ::setenv("QELSAVER_MESSAGE_LOG", "/dev/null", 1);
    ::setenv("QELSAVER_MESSAGE_ANSWER", "yes", 1);
    FakeSession session;
    session.failures = 1;
    InstallerWindow w(session);
    int highest = 0;
    QObject::connect(w.Progress(), &QProgressBar::valueChanged, [&](int v) { highest = std::max(highest, v); });

    w.InstallButton()->click();
    EXPECT_FALSE(w.Installed());
    EXPECT_EQ(w.ResultLabel()->text(), "Not enough room");
    EXPECT_TRUE(w.InstallButton()->isEnabled()) << "nothing was left behind: the user may try again";

    w.InstallButton()->click();
    EXPECT_TRUE(w.Installed());
    EXPECT_EQ(session.installs, 2);
    EXPECT_EQ(session.activations, 1);
    EXPECT_EQ(highest, w.Progress()->maximum());
    EXPECT_EQ(w.ResultLabel()->text(), "installed in /x\n\nnow the screen saver");
    EXPECT_TRUE(w.InstallButton()->isHidden());
    EXPECT_EQ(w.CloseButton()->text(), "Close");
}

}  // namespace
}  // namespace qel::installer
