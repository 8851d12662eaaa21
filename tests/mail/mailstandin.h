#pragma once
// A made-up desktop for mail tests: a stand-in xdg-email that records its arguments in a file (no mail
// is ever sent), a stand-in xdg-mime that names the default mail program, and desktop entries for a
// mail program ("mailer.desktop") and a browser ("browser.desktop"). PATH and the XDG folders point
// there for as long as the object lives.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace qel::test {

class MailStandIn {
public:
    explicit MailStandIn(const std::filesystem::path& root) : root_(root)
    {
        namespace fs = std::filesystem;
        fs::create_directories(root_ / "bin");
        fs::create_directories(root_ / "data" / "applications");
        log_ = (root_ / "mail.log").string();
        Script("xdg-email", "for a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$QEL_MAIL_LOG\"; done\n"
                            "exit ${QEL_MAIL_EXIT:-0}\n");
        Script("xdg-mime", "printf '%s\\n' \"$QEL_MAIL_DEFAULT\"\n");
        Script("mailer", "exit 0\n");
        Script("browser", "exit 0\n");
        Entry("mailer.desktop", "Name=Mailer\nExec=mailer %u\nMimeType=x-scheme-handler/mailto;\n");
        Entry("browser.desktop", "Name=Browser\nExec=browser %u\nCategories=Network;WebBrowser;\n"
                                 "MimeType=text/html;x-scheme-handler/http;x-scheme-handler/mailto;\n");
        if (const char* path = std::getenv("PATH"))
            oldPath_ = path;
        ::setenv("PATH", (root_ / "bin").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
        ::setenv("XDG_DATA_DIRS", (root_ / "none").c_str(), 1);
        ::setenv("QEL_MAIL_LOG", log_.c_str(), 1);
        ::setenv("QEL_MAIL_DEFAULT", "mailer.desktop", 1);
        ::unsetenv("QEL_MAIL_EXIT");
    }
    ~MailStandIn() { ::setenv("PATH", oldPath_.c_str(), 1); }
    MailStandIn(const MailStandIn&) = delete;
    MailStandIn& operator=(const MailStandIn&) = delete;

    // The arguments xdg-email got, one per line, over all calls.
    [[nodiscard]] std::vector<std::string> Logged() const
    {
        std::ifstream in(log_);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    void ClearLog() const { std::filesystem::remove(log_); }
    void RemoveSendProgram() const { std::filesystem::remove(root_ / "bin" / "xdg-email"); }

private:
    void Script(const std::string& name, const std::string& body) const
    {
        const auto p = root_ / "bin" / name;
        std::ofstream(p) << "#!/bin/sh\n" << body;
        std::filesystem::permissions(p, std::filesystem::perms::owner_all);
    }
    void Entry(const std::string& name, const std::string& keys) const
    {
        std::ofstream(root_ / "data" / "applications" / name) << "[Desktop Entry]\nType=Application\n" << keys;
    }

    std::filesystem::path root_;
    std::string log_;
    std::string oldPath_;
};

}  // namespace qel::test
