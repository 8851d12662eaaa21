// Entry names: code page 437 where it can hold the name, UTF-8 with flag bit 11 otherwise.

#include <gtest/gtest.h>

#include "zip/entryname.h"

namespace qel::zip {
namespace {

TEST(EntryName, AsciiAndLatinLettersAreWrittenInCodePage437)
{
    EntryName plain = MakeEntryName("Sun.jpg");
    EXPECT_EQ(plain.bytes, "Sun.jpg");
    EXPECT_FALSE(plain.utf8);
    EXPECT_EQ(plain.key, "sun.jpg");

    EntryName cafe = MakeEntryName("Café Ünïcode ß ½.txt");
    EXPECT_FALSE(cafe.utf8);
    EXPECT_EQ(cafe.bytes, "Caf\x82 \x9An\x8B"
                          "code \xE1 \xAB.txt");
    EXPECT_EQ(Cp437ToUtf8(cafe.bytes), "Café Ünïcode ß ½.txt");
}

TEST(EntryName, CharactersOutsideCodePage437KeepTheNameInUtf8)
{
    // ø, ã and CJK have no code page 437 form; replacing them would make distinct names collide.
    for (const char* name : {"smørbrød.jpg", "São Paulo.jpg", "写真.jpg", "emoji \xF0\x9F\x98\x80.png"}) {
        EntryName n = MakeEntryName(name);
        EXPECT_TRUE(n.utf8) << name;
        EXPECT_EQ(n.bytes, name);
    }
    EXPECT_NE(MakeEntryName("São.jpg").key, MakeEntryName("Sao.jpg").key);
}

TEST(EntryName, DuplicateKeysFoldOnlyAsciiLetters)
{
    EXPECT_EQ(MakeEntryName("SUN.JPG").key, MakeEntryName("sun.jpg").key);
    EXPECT_NE(MakeEntryName("É.jpg").key, MakeEntryName("é.jpg").key);
    // A name in code page 437 and the same name in UTF-8 read the same: same key.
    EXPECT_EQ(MakeEntryName("caf\x82.txt").key, MakeEntryName("café.txt").key);
}

TEST(EntryName, BytesThatAreNotUtf8AreKeptAsTheyAre)
{
    for (const char* raw : {"a\xFF.txt", "\xC3(x", "over\xC0\xAF", "sur\xED\xA0\x80.txt", "cut\xE2\x82"}) {
        EntryName n = MakeEntryName(raw);
        EXPECT_FALSE(n.utf8) << raw;
        EXPECT_EQ(n.bytes, raw);
    }
}

TEST(EntryName, EntryPathIsTheFileNameOrACleanRelativePath)
{
    EXPECT_EQ(EntryPathFor("/home/u/Pictures/Sun.jpg", false), "Sun.jpg");
    EXPECT_EQ(EntryPathFor("Sun.jpg", false), "Sun.jpg");
    EXPECT_EQ(EntryPathFor("/home/u/Pictures/Sun.jpg", true), "home/u/Pictures/Sun.jpg");
    EXPECT_EQ(EntryPathFor("//a/./b/../c.txt", true), "a/b/c.txt");
    EXPECT_EQ(EntryPathFor("../../etc/passwd", true), "etc/passwd");
}

}  // namespace
}  // namespace qel::zip
