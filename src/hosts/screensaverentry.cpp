#include "hosts/screensaverentry.h"

#include "base/desktopentry.h"

namespace qel::hosts {

std::string ScreenSaverDesktopEntry(const std::string& title, const std::string& program,
                                    const std::vector<std::string>& arguments)
{
    std::string exec = base::QuoteExecArgument(program);
    for (const std::string& a : arguments)
        exec += " " + base::QuoteExecArgument(a);
    return base::WriteDesktopEntry({{"Type", "Application"},
                                    {"Name", title},
                                    {"Comment", "A slideshow of pictures and music made with QelSaver"},
                                    {"TryExec", program},
                                    {"Exec", exec},
                                    {"NoDisplay", "true"},
                                    {"Categories", "Screensaver;"}});
}

}  // namespace qel::hosts
