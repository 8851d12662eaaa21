// qelsaver-tool zip ARCHIVE FILE... [--level N]: writes ARCHIVE with the zip writer, entries named by
// file name, and prints the number of entries written; each file left out is named on stderr.

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "toolcommand.h"
#include "zip/zipformat.h"
#include "zip/zipwriter.h"

namespace qel::tool {
namespace {

int ZipCommand(const std::vector<std::string>& argv)
{
    std::vector<std::string> args = argv;
    std::string levelText;
    int level = 8;
    if (TakeOption(args, "--level", levelText)) {
        level = ParseIntArg(levelText, "level");
        if (level < 0 || level > zip::kMaxPackLevel)
            throw UsageError{"level must be 0 to " + std::to_string(zip::kMaxPackLevel) + ": " + levelText};
    }
    if (args.size() < 2)
        throw UsageError{"an archive and at least one file are needed"};

    zip::TZipWriter writer;
    writer.ZipName = args[0];
    writer.FilesList.assign(args.begin() + 1, args.end());
    writer.Recurse = false;
    writer.StorePaths = false;
    writer.PackLevel = level;
    int count = 0;
    try {
        count = writer.Zip();
    } catch (const zip::NotEnoughRoomError& e) {
        throw std::runtime_error(args[0] + ": " + e.what());
    }
    // The writer passes over what it cannot add; a user who lists 40 files and gets 38 is told
    // which two and why.
    for (const zip::TZipWriter::SkippedFile& skipped : writer.Skipped())
        std::fprintf(stderr, "qelsaver-tool zip: skipped %s: %s\n", skipped.path.c_str(), skipped.reason.c_str());
    std::printf("%d\n", count);
    return 0;
}

ToolCommand reg("zip", "zip ARCHIVE FILE... [--level N]", &ZipCommand);

}  // namespace
}  // namespace qel::tool
