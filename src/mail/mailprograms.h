#pragma once
// TSimpleMapi finds the mail programs of the desktop: the one that opens "mailto:" links (asked of
// xdg-mime) and every other installed program whose desktop entry says it handles them. A message is
// handed over with xdg-email, which opens the program's compose window. Without xdg-email, or
// without any mail program, no client is installed.

#include <string>
#include <vector>

namespace qel::mail {

struct MailClient {
    std::string desktopEntryId;  // the desktop entry's id ("vendor-mailer.desktop")
    std::string displayName;     // its Name
    std::string program;         // the program its Exec runs
    bool valid = false;          // that program is there
    bool webBrowser = false;     // a browser: mail there is a web mail, which takes no attachments
};

class TSimpleMapi {
public:
    TSimpleMapi();  // discovery
    virtual ~TSimpleMapi() = default;

    [[nodiscard]] bool SimpleMapiInstalled() const { return !xdgEmail_.empty(); }
    [[nodiscard]] bool AnyClientInstalled() const { return anyClient_; }
    [[nodiscard]] const std::vector<MailClient>& Clients() const { return clients_; }
    [[nodiscard]] int DefaultClient() const { return defaultClient_; }
    [[nodiscard]] int SelectedClient() const { return selectedClient_; }
    // The program that hands messages over (xdg-email), empty when there is none.
    [[nodiscard]] const std::string& SendProgram() const { return xdgEmail_; }

private:
    std::string xdgEmail_;
    std::vector<MailClient> clients_;
    int defaultClient_ = -1;
    int selectedClient_ = -1;
    bool anyClient_ = false;
};

}  // namespace qel::mail
