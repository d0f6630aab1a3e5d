// The error that the internet layer raises: a code and a one-line text a person understands.
#pragma once

#include <exception>
#include <string>

#include "platform/text.h"

// What went wrong, coarsely; the text says the rest.
enum InternetErrorCode {
    INTERNET_ERROR_TRANSFER = 1,  // curl failed: resolve, connect, TLS, read, short body
    INTERNET_ERROR_HTTP_STATUS,   // the server answered with a status that is not a body
    INTERNET_ERROR_REDIRECT,      // a redirect was refused or there were too many
    INTERNET_ERROR_TIMEOUT,       // nothing was received for the idle time-out
    INTERNET_ERROR_CANCELLED,     // the session's abort check asked to stop
    INTERNET_ERROR_URL,           // the URL is empty, malformed or of another scheme
    INTERNET_ERROR_FILE,          // the named file of a file URL cannot be opened or read
    INTERNET_ERROR_CLOSED,        // the session or the file was already closed
};

// Longest error text in UTF-16 units, as a 255-unit buffer with its terminator holds.
constexpr size_t kMaxInternetErrorText = 254;

class CInternetException : public std::exception {
public:
    // `text` is made one line (line breaks become spaces) and cut to kMaxInternetErrorText
    // units without splitting a surrogate pair.
    CInternetException(InternetErrorCode code, std::u16string_view text);

    InternetErrorCode m_dwError;

    // The error's text: one line, at most kMaxInternetErrorText units, possibly empty.
    const CString& GetErrorMessage() const { return m_strMessage; }
    // The same text in UTF-8, for logs and test output.
    const char* what() const noexcept override { return m_strUtf8.c_str(); }

private:
    CString m_strMessage;
    std::string m_strUtf8;
};
