#include "mail/mapierror.h"

#include <array>

namespace qel::mail {
namespace {

// Index = result code.
constexpr std::array<const char*, 27> kMessages = {
    "",
    "User abort",
    "General MAPI failure",
    "MAPI login failure",
    "Disk full",
    "Insufficient memory",
    "Access denied",
    "",
    "Too many sessions",
    "Too many files were specified",
    "Too many recipients were specified",
    "A specified attachment was not found",
    "Attachment open failure",
    "Attachment write failure",
    "Unknown recipient",
    "Bad recipient type",
    "No messages",
    "Invalid message",
    "Text too large",
    "Invalid session",
    "Type not supported",
    "A recipient was specified ambiguously",
    "Message in use",
    "Network failure",
    "Invalid edit fields",
    "Invalid recipients",
    "Not supported",
};

}  // namespace

std::string MapiErrorMessage(int code)
{
    return code >= 0 && std::size_t(code) < kMessages.size() ? kMessages[std::size_t(code)] : "";
}

EMapiError::EMapiError(int code)
    : EMailError("MAPI Error: (" + std::to_string(code) + ") \"" + MapiErrorMessage(code) + "\""), ErrorCode(code)
{
}

EAttachmentsNotSupportedError::EAttachmentsNotSupportedError(const std::string& client)
    : EMailError("Your mail program" + (client.empty() ? std::string() : " (" + client + ")") +
                 " is a web mail in a browser and cannot take an attachment."),
      Client(client)
{
}

}  // namespace qel::mail
