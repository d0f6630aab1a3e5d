// The remote file of a file URL on Windows: the named local file, opened by its UTF-16 name
// (the C library's narrow fopen would take the ANSI code page).
#include "platform/net/stdio_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "platform/net/internet_exception.h"
#include "platform/net/url_parts.h"

namespace {

constexpr size_t kReadBuffer = 64 * 1024;

[[noreturn]] void ThrowFileError(std::u16string_view what, const CString& path, int error) {
    throw CInternetException(
        INTERNET_ERROR_FILE,
        CString(what) + u" " + path + u": " + Utf8ToWide(std::generic_category().message(error)));
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
                                 u"The file URL names no local file: \"" + url + u"\"");
    }
    m_strPath = WindowsPath(path);
    // A directory does not open (EACCES); "N" keeps the file from child processes.
    m_file.reset(_wfopen(reinterpret_cast<const wchar_t*>(m_strPath.c_str()), L"rbN"));
    if (!m_file)
        ThrowFileError(u"Cannot open", m_strPath, errno);
    struct _stat64 st;
    if (_fstat64(_fileno(m_file.get()), &st) != 0)
        ThrowFileError(u"Cannot open", m_strPath, errno);
    if ((st.st_mode & _S_IFMT) != _S_IFREG) {
        ThrowFileError(u"Cannot open", m_strPath,
                       (st.st_mode & _S_IFMT) == _S_IFDIR ? EISDIR : EINVAL);
    }
    m_nLength = st.st_size;
    m_buffer = std::make_unique<char[]>(kReadBuffer);
    std::setvbuf(m_file.get(), m_buffer.get(), _IOFBF, kReadBuffer);
}

size_t CStdioFile::Read(void* buffer, size_t count) {
    if (!m_file) {
        throw CInternetException(INTERNET_ERROR_CLOSED, u"The file " + m_strPath + u" is closed");
    }
    if (count == 0)
        return 0;
    const size_t got = std::fread(buffer, 1, count, m_file.get());
    if (got == 0 && std::ferror(m_file.get()))
        ThrowFileError(u"Cannot read", m_strPath, errno);
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
