#include "platform/net/stdio_file.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/file_error_text.h"
#include "platform/net/internet_error_text.h"
#include "platform/net/internet_exception.h"
#include "platform/net/url_parts.h"

namespace {

constexpr size_t kReadBuffer = 64 * 1024;

[[noreturn]] void ThrowFileError(const CString& path, int error) {
    throw CInternetException(INTERNET_ERROR_FILE,
                             FileErrorText(FileAction::Read, FileNameOf(path), error));
}

}  // namespace

CStdioFile::CStdioFile(const CString& url) {
    m_strFileName = RemoteFileName(url);
    std::string path;
    if (!FileUrlToPath(WideToUtf8(url), path)) {
        throw CInternetException(INTERNET_ERROR_URL,
                                 InternetFailureText(InternetFailure::BadAddress, {}));
    }
    m_strPath = Utf8ToWide(path);
    m_file.reset(std::fopen(path.c_str(), "rbe"));
    if (!m_file)
        ThrowFileError(m_strPath, errno);
    struct stat st;
    if (fstat(fileno(m_file.get()), &st) != 0)
        ThrowFileError(m_strPath, errno);
    if (!S_ISREG(st.st_mode)) {
        ThrowFileError(m_strPath, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    }
    m_nLength = st.st_size;
    // glibc ignores the size when it is to allocate the buffer itself.
    m_buffer = std::make_unique<char[]>(kReadBuffer);
    std::setvbuf(m_file.get(), m_buffer.get(), _IOFBF, kReadBuffer);
}

size_t CStdioFile::Read(void* buffer, size_t count) {
    if (!m_file) {
        throw CInternetException(INTERNET_ERROR_CLOSED,
                                 InternetFailureText(InternetFailure::Closed, {}));
    }
    if (count == 0)
        return 0;
    const size_t got = std::fread(buffer, 1, count, m_file.get());
    if (got == 0 && std::ferror(m_file.get()))
        ThrowFileError(m_strPath, errno);
    m_nRead += static_cast<int64_t>(got);
    return got;
}

int64_t CStdioFile::Seek(int64_t offset, SeekPosition from) {
    if (offset != 0) {
        throw CInternetException(INTERNET_ERROR_FILE, u"Seeking is not supported on " + m_strPath);
    }
    switch (from) {
        case begin:
            return 0;
        case current:
            return m_nRead;
        case end:
            return m_nLength;
    }
    return 0;
}

void CStdioFile::Close() {
    m_file.reset();
}
