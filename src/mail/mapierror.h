#pragma once
// The errors of sending mail. EMapiError carries the Simple MAPI result code; its text is
// "MAPI Error: (code) "message"", except for the missing client, which has a text of its own.

#include <stdexcept>
#include <string>

namespace qel::mail {

// Simple MAPI result codes (the ones this program gives itself).
inline constexpr int kMapiSuccess = 0;
inline constexpr int kMapiUserAbort = 1;
inline constexpr int kMapiFailure = 2;
inline constexpr int kMapiAttachmentNotFound = 11;
inline constexpr int kMapiAttachmentOpenFailure = 12;
inline constexpr int kMapiBadRecipientType = 15;
inline constexpr int kMapiInvalidRecipients = 25;
inline constexpr int kMapiNotSupported = 26;

inline constexpr const char* kNoClientText = "No Simple MAPI client installed, cannot send the message";

// The message of a result code ("User abort", "Disk full" ...); empty for codes without one.
[[nodiscard]] std::string MapiErrorMessage(int code);

struct EMailError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct EMapiError : EMailError {
    // "MAPI Error: (code) "message"".
    explicit EMapiError(int code);
    EMapiError(int code, const std::string& text) : EMailError(text), ErrorCode(code) {}
    int ErrorCode;
};

// No mail program to hand the message to, or nothing to hand it over with. The text stays the
// component's own; the builder tells the user in plain words instead and shows the file.
struct ENoMailClientError : EMapiError {
    ENoMailClientError() : EMapiError(kMapiFailure, kNoClientText) {}
};

// The user's mail program cannot take an attachment (a web mail in a browser): no message is made,
// since one without its attachment would be worse than none.
struct EAttachmentsNotSupportedError : EMailError {
    explicit EAttachmentsNotSupportedError(const std::string& client);
    std::string Client;
};

}  // namespace qel::mail
