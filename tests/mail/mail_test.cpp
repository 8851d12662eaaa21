// Mail with an attachment, handed to the mail program through a stand-in xdg-email that records its
// arguments (no mail is ever sent), with the desktop's mail programs made up for each test.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "mail/mapiemail.h"
#include "mail/mapierror.h"
#include "mailstandin.h"

namespace qel::mail {
namespace {
namespace fs = std::filesystem;

class MailTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::temp_directory_path() / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        standIn_ = std::make_unique<test::MailStandIn>(root_);
        archive_ = (root_ / "setup.zip").string();
        std::ofstream(archive_) << "zip";
    }
    void TearDown() override
    {
        standIn_.reset();
        fs::remove_all(root_);
    }
    std::vector<std::string> Logged() const { return standIn_->Logged(); }
    int CodeOf(const std::string& address, const std::string& name, const std::string& attachment)
    {
        try {
            SimpleSendMail(address, name, "Garden", "", attachment, true);
        } catch (const EMapiError& e) {
            return e.ErrorCode;
        }
        return 0;
    }

    fs::path root_;
    std::unique_ptr<test::MailStandIn> standIn_;
    std::string archive_;
};

TEST_F(MailTest, TheMailProgramGetsSubjectAttachmentAndThePlaceholderRecipient)
{
    const TSimpleMapi discovery;
    ASSERT_TRUE(discovery.AnyClientInstalled());
    ASSERT_EQ(discovery.Clients().size(), 2u);
    EXPECT_EQ(discovery.Clients()[std::size_t(discovery.DefaultClient())].displayName, "Mailer");

    EXPECT_TRUE(SimpleSendMail("@", "", "Garden", "", archive_, true));
    EXPECT_EQ(Logged(), (std::vector<std::string>{"--utf8", "--subject", "Garden", "--attach", archive_, "--to", "@"}));
}

TEST_F(MailTest, EveryFailureRaisesItsError)
{
    EXPECT_EQ(CodeOf("@", "", (root_ / "gone.zip").string()), kMapiAttachmentNotFound);
    EXPECT_EQ(CodeOf("", "", archive_), kMapiInvalidRecipients);
    ::setenv("QEL_MAIL_EXIT", "5", 1);  // xdg-email: the file cannot be read
    EXPECT_EQ(CodeOf("@", "", archive_), kMapiAttachmentOpenFailure);
    EXPECT_TRUE(Logged().size() > 0);
    EXPECT_EQ(std::string(EMapiError(kMapiAttachmentNotFound).what()),
              "MAPI Error: (11) \"A specified attachment was not found\"");
    EXPECT_EQ(MapiErrorMessage(25), "Invalid recipients");
    EXPECT_EQ(MapiErrorMessage(7), "");

    // A web mail in the browser would get the message without its attachment.
    standIn_->ClearLog();
    ::setenv("QEL_MAIL_DEFAULT", "browser.desktop", 1);
    EXPECT_THROW(SimpleSendMail("@", "", "Garden", "", archive_, true), EAttachmentsNotSupportedError);
    EXPECT_TRUE(Logged().empty());

    standIn_->RemoveSendProgram();
    try {
        SimpleSendMail("@", "", "Garden", "", archive_, true);
        ADD_FAILURE() << "sent without a mail program";
    } catch (const EMapiError& e) {
        EXPECT_EQ(std::string(e.what()), kNoClientText);
    }
}

}  // namespace
}  // namespace qel::mail
