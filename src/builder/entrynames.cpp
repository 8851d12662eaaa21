#include "builder/entrynames.h"

#include "base/paths.h"
#include "base/text.h"
#include "builder/packageformat.h"

namespace qel::builder {

std::string FileNamePart(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<EntryName> NameEntries(const std::vector<std::string>& paths, const std::set<std::string>& taken)
{
    std::vector<EntryName> names;
    names.reserve(paths.size());
    std::set<std::string> used;  // this kind's names, all lower case
    auto isFree = [&](const std::string& n) { return !used.count(n) && !taken.count(n); };
    for (const std::string& path : paths) {
        const std::string own = base::AsciiLower(FileNamePart(path));
        EntryName e;
        e.name = MakeSafeEntryName(own);
        e.renamed = e.name != own;
        if (!isFree(e.name)) {
            e.renamed = true;
            do
                e.name = base::NextNumberedName(e.name);
            while (!isFree(e.name));
        }
        used.insert(e.name);
        names.push_back(std::move(e));
    }
    return names;
}

}  // namespace qel::builder
