// The remote file of an http or https URL: one GET, its body read pull-style from a bounded
// buffer that libcurl fills while the caller reads.
#pragma once

#include <memory>

#include "platform/net/remote_file.h"

struct SessionState;

class CHttpFile final : public CRemoteFile {
public:
    // Sends the GET for `url` and waits until the headers of the final response have arrived,
    // following redirects as CInternetSession::OpenURL says. Throws CInternetException.
    CHttpFile(std::shared_ptr<SessionState> session, const CString& url);
    ~CHttpFile() override;

    // Gives buffered bytes at once; waits for the server only when the buffer is empty.
    size_t Read(void* buffer, size_t count) override;
    // Seek(0, end) gives the Content-Length of the response, or kUnknownLength.
    int64_t Seek(int64_t offset, SeekPosition from) override;
    void Close() override;

    // The final status of the response (after redirects), e.g. 200.
    long GetStatusCode() const;

private:
    class Transfer;
    std::unique_ptr<Transfer> m_transfer;
};
