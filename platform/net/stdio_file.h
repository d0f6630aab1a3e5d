// The remote file of a file URL: the named local file, read in binary.
#pragma once

#include <cstdio>
#include <memory>

#include "platform/net/remote_file.h"

class CStdioFile final : public CRemoteFile {
public:
    // Opens the file that the file URL `url` names. Throws CInternetException with
    // INTERNET_ERROR_URL for a URL that names no local path, and INTERNET_ERROR_FILE with the
    // path and the system's reason when the file cannot be opened or is not a regular file.
    explicit CStdioFile(const CString& url);

    // Reads through a 64 KiB buffer; a read error throws INTERNET_ERROR_FILE.
    size_t Read(void* buffer, size_t count) override;
    // Seek(0, end) gives the file's size when it was opened.
    int64_t Seek(int64_t offset, SeekPosition from) override;
    void Close() override;

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    // Declared before the file, so that it outlives the stream that uses it.
    std::unique_ptr<char[]> m_buffer;
    std::unique_ptr<std::FILE, FileCloser> m_file;
    CString m_strPath;
    int64_t m_nLength = 0;
    int64_t m_nRead = 0;
};
