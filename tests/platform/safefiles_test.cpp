// Files made from what an untrusted source gave: nothing that has a name already is ever replaced,
// and nothing is written through a link.

#include <sys/stat.h>

#include "platform/safefiles.h"
#include "scratchfolder.h"

namespace qel::platform::test {
namespace {

using SafeFiles = ScratchFolder;

TEST_F(SafeFiles, MovingNeverReplacesAFileALinkOrAFolder)
{
    Put(At("from"), "ours");
    Put(At("file"), "theirs");
    fs::create_symlink(At("nowhere"), At("link"));
    fs::create_directories(At("folder"));  // empty: a plain rename would take its place
    for (const char* name : {"file", "link", "folder"}) {
        try {
            MoveWithoutReplacing(At("from"), At(name));
            ADD_FAILURE() << "moved onto the " << name;
        } catch (const FileError& e) {
            EXPECT_EQ(e.kind(), FileError::Kind::Exists) << name << ": " << e.what();
        }
    }
    EXPECT_EQ(Read(At("from")), "ours");
    EXPECT_EQ(Read(At("file")), "theirs");
    EXPECT_TRUE(fs::is_symlink(At("link")));
    EXPECT_FALSE(fs::exists(At("nowhere")));
    EXPECT_TRUE(fs::is_empty(At("folder")));

    MoveWithoutReplacing(At("from"), At("free"));
    EXPECT_EQ(Read(At("free")), "ours");
    EXPECT_FALSE(fs::exists(At("from")));
}

TEST_F(SafeFiles, ANewFileIsNeverMadeThroughALinkAndHasTheModeGiven)
{
    fs::create_symlink(At("target"), At("link"));
    try {
        NewFile file(At("link"), 0644);
        ADD_FAILURE() << "created through a link";
    } catch (const FileError& e) {
        EXPECT_EQ(e.kind(), FileError::Kind::Exists) << e.what();
    }
    EXPECT_FALSE(fs::exists(At("target")));

    const mode_t umask = ::umask(077);
    NewFile file(At("new"), 0644);
    ::umask(umask);
    file.Write("x", 1);
    file.Close();
    EXPECT_EQ(fs::status(At("new")).permissions(), fs::perms(0644));
}

}  // namespace
}  // namespace qel::platform::test
