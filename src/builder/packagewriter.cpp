#include "builder/packagewriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "builder/packagebuild.h"

namespace qel::builder {
namespace fs = std::filesystem;
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void Fail(const std::string& what, const std::string& path, int err)
{
    throw std::runtime_error(what + " \"" + path + "\": " + std::strerror(err ? err : EIO));
}

std::uint64_t SizeOf(const std::string& path)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        throw std::runtime_error("Cannot read \"" + path + "\": it is missing");
    const auto size = fs::file_size(path, ec);
    if (ec)
        Fail("Cannot read", path, ec.value());
    return size;
}

// Appends the whole of `from` (expected to hold `size` bytes) to `out`.
void Append(std::FILE* out, const std::string& outPath, const std::string& from, std::uint64_t size,
            std::vector<char>& buffer, const std::function<void()>& idle)
{
    File in(std::fopen(from.c_str(), "rb"));
    if (!in)
        Fail("Cannot read", from, errno);
    std::uint64_t copied = 0;
    for (;;) {
        const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), in.get());
        if (n == 0)
            break;
        if (std::fwrite(buffer.data(), 1, n, out) != n)
            Fail("Cannot write", outPath, errno ? errno : ENOSPC);
        copied += n;
        if (idle)
            idle();
    }
    if (std::ferror(in.get()))
        Fail("Cannot read", from, errno);
    // The trailer holds the sizes noted before copying: a file that changed meanwhile would break it.
    if (copied != size)
        throw std::runtime_error("\"" + from + "\" changed while the package was written");
}

}  // namespace

PackageTrailer WritePackage(const std::string& packagePath, const std::array<std::string, 4>& pieces,
                            const std::function<void()>& idle)
{
    std::array<std::uint64_t, 4> sizes{};
    for (std::size_t i = 0; i < pieces.size(); ++i)
        sizes[i] = SizeOf(pieces[i]);
    const PackageTrailer trailer = TrailerFor(sizes[0], sizes[1], sizes[2], sizes[3]);

    File out(std::fopen(packagePath.c_str(), "wb"));
    if (!out)
        Fail("Cannot create", packagePath, errno);
    std::vector<char> buffer(kCopyPiece);
    for (std::size_t i = 0; i < pieces.size(); ++i)
        Append(out.get(), packagePath, pieces[i], sizes[i], buffer, idle);
    const auto bytes = EncodeTrailer(trailer);
    if (std::fwrite(bytes.data(), 1, bytes.size(), out.get()) != bytes.size())
        Fail("Cannot write", packagePath, errno ? errno : ENOSPC);
    std::FILE* f = out.release();
    if (std::fclose(f) != 0)
        Fail("Cannot write", packagePath, errno);
    // The package is a program: its receiver runs it, and so may its builder.
    std::error_code ec;
    fs::permissions(packagePath, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, ec);
    return trailer;
}

void CopyFileInPieces(const std::string& from, const std::string& to, const std::function<void()>& idle)
{
    const std::uint64_t size = SizeOf(from);
    File out(std::fopen(to.c_str(), "wb"));
    if (!out)
        Fail("Cannot create", to, errno);
    std::vector<char> buffer(kCopyPiece);
    Append(out.get(), to, from, size, buffer, idle);
    std::FILE* f = out.release();
    if (std::fclose(f) != 0)
        Fail("Cannot write", to, errno);
}

}  // namespace qel::builder
