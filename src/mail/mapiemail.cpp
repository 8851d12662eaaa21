#include "mail/mapiemail.h"

#include <filesystem>
#include <system_error>

#include "base/text.h"
#include "mail/mapierror.h"
#include "platform/process.h"

namespace qel::mail {
namespace fs = std::filesystem;
namespace {

// How long the hand-over may take before the program goes on: a mail program that opens its window
// in the foreground keeps xdg-email waiting until that window closes.
constexpr int kHandOverMs = 3000;

// xdg-email's exit statuses.
constexpr int kXdgSyntaxError = 1;
constexpr int kXdgFileMissing = 2;
constexpr int kXdgNoMethod = 3;
constexpr int kXdgFailed = 4;
constexpr int kXdgNoPermission = 5;

const char* OptionFor(TRecipKind kind)
{
    switch (kind) {
    case TRecipKind::To: return "--to";
    case TRecipKind::Cc: return "--cc";
    case TRecipKind::Bcc: return "--bcc";
    case TRecipKind::Originator: break;
    }
    return nullptr;
}

}  // namespace

TMapiRecip& TMapiRecips::Add(const std::string& address, const std::string& name, TRecipKind kind)
{
    items_.push_back({address, {}, name, kind});
    return items_.back();
}

void TMapiEmail::SetBody(const std::string& body)
{
    body_ = body;
    if (!body_.empty() && body_.back() != '\n')
        body_ += "\r\n";
}

void TMapiEmail::Check(bool showDialog)
{
    if (!AnyClientInstalled())
        throw ENoMailClientError();
    for (std::string& a : Attachments) {
        std::error_code ec;
        if (!fs::is_regular_file(a, ec))
            throw EMapiError(kMapiAttachmentNotFound);
        a = fs::absolute(a, ec).string();
    }
    if (Recipients.Empty() && !showDialog)
        throw EMapiError(kMapiInvalidRecipients);
    for (const TMapiRecip& r : Recipients.Items()) {
        if (r.Address.empty() && r.Name.empty())
            throw EMapiError(kMapiInvalidRecipients);
        const std::string type = r.AddressType.empty() ? Recipients.AddressType : r.AddressType;
        // The hand-over is a "mailto:" link: only mail addresses can go.
        if (!base::SameText(type, "SMTP"))
            throw EMapiError(kMapiBadRecipientType);
    }
    // The mail program always shows its window; sending unseen is not something it offers.
    if (!showDialog)
        throw EMapiError(kMapiNotSupported);
    const int client = SelectedClient();
    if (!Attachments.empty() && client >= 0 && Clients()[std::size_t(client)].webBrowser)
        throw EAttachmentsNotSupportedError(Clients()[std::size_t(client)].displayName);
}

std::vector<std::string> TMapiEmail::SendCommand() const
{
    std::vector<std::string> argv{SendProgram(), "--utf8"};
    if (!Subject.empty())
        argv.insert(argv.end(), {"--subject", Subject});
    if (!body_.empty())
        argv.insert(argv.end(), {"--body", body_});
    for (const std::string& a : Attachments)
        argv.insert(argv.end(), {"--attach", a});
    for (const TMapiRecip& r : Recipients.Items()) {
        // A recipient without an address goes by its name, as the mail program resolves it.
        if (const char* option = OptionFor(r.Kind))
            argv.insert(argv.end(), {option, r.Address.empty() ? r.Name : r.Address});
    }
    return argv;
}

bool TMapiEmail::Send(bool showDialog)
{
    Check(showDialog);
    const auto status = platform::StartCommand(SendCommand(), kHandOverMs);
    if (!status)
        throw ENoMailClientError();
    switch (*status) {
    case 0:
    case platform::kStillRunning: return true;
    case kXdgFileMissing: throw EMapiError(kMapiAttachmentNotFound);
    case kXdgNoPermission: throw EMapiError(kMapiAttachmentOpenFailure);
    case kXdgNoMethod: throw ENoMailClientError();
    case kXdgSyntaxError:
    case kXdgFailed:
    default: throw EMapiError(kMapiFailure);
    }
}

bool SimpleSendMail(const std::string& address, const std::string& name, const std::string& subject,
                    const std::string& body, const std::string& attachment, bool showDialog)
{
    TMapiEmail mail;
    mail.Recipients.Add(address, name, TRecipKind::To);
    mail.Subject = subject;
    mail.SetBody(body);
    if (!attachment.empty())
        mail.Attachments.push_back(attachment);
    return mail.Send(showDialog);
}

}  // namespace qel::mail
