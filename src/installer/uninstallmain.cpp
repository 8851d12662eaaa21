// The uninstaller, "Uninstall.pak", installed as "Uninstall.exe" beside an installed saver: it removes
// what the installer wrote there (as its manifest lists) and takes back the change in the screen-saver
// host. It asks first: in a window when there is a display, else on the terminal.

#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>

#include <QApplication>

#include "base/text.h"
#include "installer/uninstallation.h"
#include "platform/environment.h"
#include "platform/messagebox.h"
#include "platform/process.h"
#include "platform/systemfolders.h"

namespace qel::installer {
using base::Printable;
namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char* const kUsage =
    "usage: %s [--quiet]\n"
    "\n"
    "Removes the screen saver installed in this folder: exactly the files its installer wrote, and its\n"
    "entry in the desktop's screen saver; files of yours stay.\n"
    "\n"
    "  --quiet  no window and no question\n"
    "  --help   show this text\n";

std::string Report(const UninstallReport& r)
{
    std::string text = "\"" + r.saverName + "\" is removed.";
    if (!r.hostMessage.empty())
        text += "\n" + r.hostMessage;
    if (!r.kept.empty()) {
        text += "\nThese stay, as they are yours or could not be removed:";
        for (const std::string& k : r.kept)
            text += "\n  " + k;
    }
    return Printable(text);
}

int Run(int argc, char** argv)
{
    bool quiet = false;
    const char* slash = std::strrchr(argv[0], '/');
    const std::string name = slash ? slash + 1 : argv[0];
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--quiet") {
            quiet = true;
        } else {
            const bool help = a == "--help" || a == "-h";
            std::fprintf(help ? stdout : stderr, kUsage, name.c_str());
            return help ? kExitDone : kExitUsage;
        }
    }
    const std::string folder = platform::ProgramFolder();
    const bool window = !quiet && platform::HasDisplay();
    std::unique_ptr<QApplication> app;
    if (window)
        app = std::make_unique<QApplication>(argc, argv);
    try {
        const Manifest m = ReadManifest(folder);
        const std::string question = Printable("Remove the screen saver \"" + m.saverName + "\" from " + folder + "?");
        if (window) {
            if (!platform::AskYesNo(question))
                return kExitFailed;
        } else if (!quiet) {
            if (!platform::InputIsTerminal()) {
                std::fprintf(stderr, "%s\nRun \"%s --quiet\" to remove it without this question.\n", question.c_str(),
                             name.c_str());
                return kExitUsage;
            }
            std::printf("%s [y/N] ", question.c_str());
            std::fflush(stdout);
            std::string answer;
            if (!std::getline(std::cin, answer) || answer.empty() || (answer[0] != 'y' && answer[0] != 'Y'))
                return kExitFailed;
        }
        const std::string text = Report(Uninstall(folder));
        if (window)
            platform::ShowMessage(text);
        else
            std::printf("%s\n", text.c_str());
        return kExitDone;
    } catch (const std::exception& e) {
        if (window)
            platform::ReportError(e);
        else
            std::fprintf(stderr, "%s\n", Printable(e.what()).c_str());
        return kExitFailed;
    }
}

}  // namespace
}  // namespace qel::installer

int main(int argc, char** argv)
{
    return qel::installer::Run(argc, argv);
}
