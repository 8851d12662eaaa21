#include "hosts/screensaverentry.h"

#include "base/desktopentry.h"

namespace qel::hosts {

std::string ScreenSaverDesktopEntry(const std::string& title, const std::string& command,
                                    const std::vector<std::string>& arguments)
{
    std::string exec = base::QuoteExecArgument(command);
    for (const std::string& a : arguments)
        exec += " " + base::QuoteExecArgument(a);
    return base::WriteDesktopEntry({{"Type", "Application"},
                                    {"Name", title},
                                    {"Comment", "A slideshow of pictures and music made with QelSaver"},
                                    {"Exec", exec},
                                    {"Categories", "Screensaver;"},
                                    // Listed by MATE's screen saver, and kept out of other desktops' menus.
                                    {"OnlyShowIn", "MATE;"}});
}

}  // namespace qel::hosts
