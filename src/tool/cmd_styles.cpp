// qelsaver-tool styles: the catalogue of transition styles, one line per style.

#include <cstdio>
#include <string>
#include <vector>

#include "pictureshow/styles.h"
#include "toolcommand.h"

namespace {

int Styles(const std::vector<std::string>& args)
{
    if (!args.empty())
        throw qel::tool::UsageError{"unexpected argument: " + args.front()};
    using namespace qel::pictureshow;
    for (int i = 0; i < kStyleCount; ++i) {
        const auto id = StyleIdentifier(i);
        const auto name = StyleDisplayName(i);
        std::printf("%d\t%.*s\t%.*s\n", i, static_cast<int>(id.size()), id.data(), static_cast<int>(name.size()),
                    name.data());
    }
    return 0;
}

qel::tool::ToolCommand reg("styles", "styles", &Styles);

}  // namespace
