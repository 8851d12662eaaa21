#include "app/resumepoint.h"

#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

#include "platform/files.h"
#include "platform/folderhandle.h"
#include "platform/regularfile.h"
#include "platform/userfolders.h"
#include "settings/resumerecord.h"

namespace qel::app {
namespace {

namespace fs = std::filesystem;

// Anything longer is not a file of ours.
constexpr std::uint64_t kLargestFile = 256;
constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

void Mix(std::uint64_t& h, const std::string& text)
{
    for (unsigned char c : text) {
        h ^= c;
        h *= kFnvPrime;
    }
    // A separator no path holds, so ["ab", "c"] and ["a", "bc"] differ.
    h ^= 0;
    h *= kFnvPrime;
}

}  // namespace

std::string ResumeFilePath()
{
    const std::string state = platform::UserStateFolder();
    return state.empty() ? std::string() : state + "/qelsaver/resume";
}

std::uint64_t ListFingerprint(const std::vector<std::string>& pictures)
{
    std::uint64_t h = kFnvOffset;
    Mix(h, std::to_string(pictures.size()));
    for (const std::string& p : pictures)
        Mix(h, p);
    return h;
}

std::optional<int> ReadLastShown(const std::string& path, const std::vector<std::string>& pictures)
{
    if (path.empty() || pictures.empty())
        return std::nullopt;
    std::string text;
    try {
        // Only a regular file: a pipe put there would keep the start waiting for a writer.
        const std::vector<std::uint8_t> bytes = platform::ReadRegularFile(path, kLargestFile);
        text.assign(bytes.begin(), bytes.end());
    } catch (const std::exception&) {
        return std::nullopt;
    }
    const std::optional<settings::ResumeRecord> record = settings::ParseResumeRecord(text);
    if (!record || record->list != ListFingerprint(pictures) || std::size_t(record->last) >= pictures.size())
        return std::nullopt;
    return record->last;
}

void WriteLastShown(const std::string& path, const std::vector<std::string>& pictures, int index)
{
    if (path.empty())
        return;
    try {
        std::error_code ec;
        fs::create_directories(fs::path(path).parent_path(), ec);
        // Anything but a file of its own in its place (a link, a pipe) is left alone: the file is
        // written only where nothing stands or beside the old one, never through a link.
        platform::WriteOwnFileAtomically(path, settings::FormatResumeRecord({ListFingerprint(pictures), index}));
    } catch (const std::exception&) {
        // A state folder we cannot write only costs where the next run starts.
    }
}

ResumedOrder ResumeAfter(const std::vector<std::string>& pictures, bool random, int last, slideshow::RandomIndex draw)
{
    ResumedOrder order{pictures, std::move(draw)};
    const int count = int(pictures.size());
    if (last < 0 || last >= count || count < 2)
        return order;
    if (!random) {
        // The cycle starts with its first entry: make that the one after `last`.
        const int first = (last + 1) % count;
        order.pictures.assign(pictures.begin() + first, pictures.end());
        order.pictures.insert(order.pictures.end(), pictures.begin(), pictures.begin() + first);
        return order;
    }
    // The cycle's first draw chooses its first picture (the styles are drawn only afterwards).
    auto firstDone = std::make_shared<bool>(false);
    order.draw = [inner = order.draw, firstDone, last, count](int n) {
        int value = inner(n);
        if (!*firstDone) {
            *firstDone = true;
            while (n == count && value == last)
                value = inner(n);
        }
        return value;
    };
    return order;
}

int ShownIndex(const std::vector<std::string>& pictures, int last, const std::string& path)
{
    const int count = int(pictures.size());
    for (int step = 1; step <= count; ++step) {
        const int i = ((last < 0 ? -1 : last) + step) % count;
        if (pictures[std::size_t(i)] == path)
            return i;
    }
    return -1;
}

}  // namespace qel::app
