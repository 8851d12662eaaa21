#pragma once
// A mail message handed to the user's mail program, which shows it in its compose window for the
// user to complete and send: TMapiEmail with its recipients, subject, body and attachments, and the
// one call the program makes, SimpleSendMail.

#include <string>
#include <vector>

#include "mail/mailprograms.h"

namespace qel::mail {

enum class TRecipKind { Originator, To, Cc, Bcc };

struct TMapiRecip {
    std::string Address;
    std::string AddressType;  // empty: the list's own type
    std::string Name;
    TRecipKind Kind = TRecipKind::To;
};

class TMapiRecips {
public:
    std::string AddressType = "SMTP";
    TMapiRecip& Add(const std::string& address, const std::string& name, TRecipKind kind);
    [[nodiscard]] const std::vector<TMapiRecip>& Items() const { return items_; }
    [[nodiscard]] bool Empty() const { return items_.empty(); }

private:
    std::vector<TMapiRecip> items_;
};

class TMapiEmail : public TSimpleMapi {
public:
    TMapiRecips Recipients;
    std::string Subject;
    std::vector<std::string> Attachments;  // file paths

    // A body that does not end in a line break gets "\r\n".
    void SetBody(const std::string& body);
    [[nodiscard]] const std::string& Body() const { return body_; }

    // Hands the message over. True when the mail program took it (the user then sends or discards it
    // there). Throws EMapiError, or EAttachmentsNotSupportedError when the mail program is a web mail.
    bool Send(bool showDialog);

    // The command Send runs for the message as it stands (after the checks of Send).
    [[nodiscard]] std::vector<std::string> SendCommand() const;

private:
    void Check(bool showDialog);
    std::string body_;
};

// One message to one recipient (of kind To) with an optional attachment; true when handed over.
bool SimpleSendMail(const std::string& address, const std::string& name, const std::string& subject,
                    const std::string& body, const std::string& attachment, bool showDialog);

}  // namespace qel::mail
