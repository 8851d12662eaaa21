// The shared text rules: UTF-8 as picture metadata and zip entry names need it, and the desktop entry
// format the hosts write and the mail programs are found by.

#include <string>

#include <gtest/gtest.h>

#include "base/desktopentry.h"
#include "base/text.h"

using namespace qel::base;

namespace {

TEST(Utf8, OnlyTheShortestFormOfAUnicodeValueIsUtf8)
{
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // a, e acute, euro sign, a face
    ASSERT_TRUE(IsUtf8(text));
    const auto decoded = DecodeUtf8(text);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, (std::u32string{U'a', 0xE9, 0x20AC, 0x1F600}));
    std::string encoded;
    for (char32_t c : *decoded)
        AppendUtf8(encoded, c);
    EXPECT_EQ(encoded, text);

    for (const std::string bad :
         {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\x80", "\xF8\x88\x80\x80\x80"}) {
        EXPECT_FALSE(IsUtf8(bad)) << testing::PrintToString(bad);
        EXPECT_FALSE(DecodeUtf8(bad).has_value()) << testing::PrintToString(bad);
    }
    EXPECT_EQ(Utf8SequenceAt("x\xE2\x82\xAC", 1), 3u);
    EXPECT_EQ(Utf8SequenceAt("x\xE2\x82", 1), 0u) << "a sequence cut off by the end of the text";
}

TEST(DesktopEntry, OnlyTheKeysOfTheDesktopEntryGroupAreRead)
{
    const auto keys = ReadDesktopEntry("# Name=Comment\r\n"
                                       "[Desktop Entry]\r\n"
                                       "  Name = Mailer \r\n"
                                       "Name[de]=Post\n"
                                       "Exec=\"/opt/my mail/mailer\" %u\n"
                                       "no key here\n"
                                       "[Desktop Action Compose]\n"
                                       "Name=Compose");
    EXPECT_EQ(keys.at("Name"), "Mailer");
    EXPECT_EQ(keys.at("Name[de]"), "Post");
    EXPECT_EQ(ExecProgram(keys.at("Exec")), "/opt/my mail/mailer");
    EXPECT_EQ(keys.size(), 3u);
    EXPECT_TRUE(DesktopListHas("Network;WebBrowser;", "WebBrowser"));
    EXPECT_FALSE(DesktopListHas("Network;WebBrowsers;", "WebBrowser"));
}

TEST(DesktopEntry, ExecQuotesWhatTheDesktopWouldSplitOrExpand)
{
    EXPECT_EQ(QuoteExecArgument("/usr/bin/QelSaver"), "/usr/bin/QelSaver");
    EXPECT_EQ(QuoteExecArgument("/home/a b/Qel$Saver"), "\"/home/a b/Qel\\\\$Saver\"");
    EXPECT_EQ(QuoteExecArgument("/x/100%"), "\"/x/100%%\"");
    EXPECT_EQ(WriteDesktopEntry({{"Name", "Holiday\nX=1"}}), "[Desktop Entry]\nName=Holiday X=1\n");
}

TEST(Messages, ControlCharactersAreShownAndLongListsAreCut)
{
    // An escape sequence, a bell, a carriage return and DEL in a name; the message's own breaks stay.
    EXPECT_EQ(Printable("a\x1b]0;x\x07\rb\x7f\n\tcaf\xC3\xA9"), "a\\x1b]0;x\\x07\\x0db\\x7f\n\tcaf\xC3\xA9");
    EXPECT_EQ(ListedLines({"a", "b"}, 2), "a\nb");
    EXPECT_EQ(ListedLines({"a", "b", "c", "d"}, 2), "a\nb\n... and 2 more.");
}

}  // namespace
