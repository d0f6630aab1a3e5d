// The remote file of a file URL on Windows: the named local file, opened by its UTF-16 name
// (the C library's narrow fopen would take the ANSI code page).
#include "platform/net/stdio_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

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

// "/C:/dir/name" (file:///C:/dir/name) names C:\dir\name; "/dir/name" the current drive's.
CString WindowsPath(const std::string& urlPath) {
    CString path = Utf8ToWide(urlPath);
    if (path.size() >= 3 && path[0] == u'/' && path[2] == u':')
        path.erase(0, 1);
    for (char16_t& c : path) {
        if (c == u'/')
            c = u'\\';
    }
    return path;
}

}  // namespace

CStdioFile::CStdioFile(const CString& url) {
    m_strFileName = RemoteFileName(url);
    std::string path;
    if (!FileUrlToPath(WideToUtf8(url), path)) {
        throw CInternetException(INTERNET_ERROR_URL,
                                 InternetFailureText(InternetFailure::BadAddress, {}));
    }
    m_strPath = WindowsPath(path);
    // "N" keeps the file from child processes.
    const wchar_t* name = reinterpret_cast<const wchar_t*>(m_strPath.c_str());
    m_file.reset(_wfopen(name, L"rbN"));
    if (!m_file) {
        // A directory does not open (EACCES): say what is in the way, as on Linux.
        const int error = errno;
        struct _stat64 st;
        const bool folder = _wstat64(name, &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFDIR;
        ThrowFileError(m_strPath, folder ? EISDIR : error);
    }
    struct _stat64 st;
    if (_fstat64(_fileno(m_file.get()), &st) != 0)
        ThrowFileError(m_strPath, errno);
    if ((st.st_mode & _S_IFMT) != _S_IFREG) {
        ThrowFileError(m_strPath, (st.st_mode & _S_IFMT) == _S_IFDIR ? EISDIR : EINVAL);
    }
    m_nLength = st.st_size;
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
