// The remote file that OpenURL gives: the body of one response (or of one local file for a
// file URL), read pull-style.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/text.h"

// What Seek(0, CRemoteFile::end) gives when the server announced no length (a chunked body
// or one delimited by the end of the connection). Callers must treat it as "size unknown".
constexpr int64_t kUnknownLength = -1;

// One open body. Used from one thread at a time; the session that opened it must outlive it.
// Every operation that fails throws CInternetException (platform/net/internet_exception.h).
class CRemoteFile {
public:
    enum SeekPosition { begin, current, end };

    CRemoteFile() = default;
    CRemoteFile(const CRemoteFile&) = delete;
    CRemoteFile& operator=(const CRemoteFile&) = delete;
    virtual ~CRemoteFile() = default;

    // Places 1 to `count` bytes of the body into `buffer` and returns their number; returns 0
    // once the body has ended completely, and 0 for a `count` of 0. Throws when the transfer
    // fails, stalls, is aborted through the session's abort check, or ends before the length
    // it announced.
    virtual size_t Read(void* buffer, size_t count) = 0;

    // Only offset 0 is supported. Seek(0, end) returns the announced length of the body in
    // bytes (64-bit), or kUnknownLength; the read position does not move, since the body is a
    // stream. Seek(0, begin) returns 0 and Seek(0, current) the bytes read so far; they do not
    // move the position either. Anything else throws.
    virtual int64_t Seek(int64_t offset, SeekPosition from) = 0;

    // The local file name for this URL: the text after the last '/', '\' or ':' of the URL's
    // path (the part behind the host name, without a query or fragment), at most 255 units.
    // It comes from the URL as given to OpenURL; redirects and the server's answer do not
    // change it. Empty when the path ends in a separator.
    const CString& GetFileName() const { return m_strFileName; }

    // Releases the response; later calls to Read throw. Closing twice is harmless.
    virtual void Close() = 0;

protected:
    CString m_strFileName;
};
