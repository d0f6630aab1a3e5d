#include "download/pack_file.h"

#include <cerrno>
#include <cstring>

#include "download/install_step.h"
#include "platform/directory.h"
#include "platform/file_error_text.h"
#include "platform/path.h"

namespace {

constexpr std::u16string_view kTempPrefix = u".~update-";
constexpr std::u16string_view kTempSuffix = u".partial";

// Named by the pack's own name, not the temporary one, which the user never sees.
CString FailureText(const CString& path, int error) {
    return FileErrorText(FileAction::Write, FileNameOf(path), error);
}

}  // namespace

CString PackFile::TemporaryPathFor(const CString& localPath) {
    const size_t slash = localPath.find_last_of(kPathSeparator);
    const size_t nameStart = slash == CString::npos ? 0 : slash + 1;
    return localPath.substr(0, nameStart) + CString(kTempPrefix) + localPath.substr(nameStart) +
           CString(kTempSuffix);
}

void PackFile::RemoveLeftovers(const CString& baseDir) {
    for (const CString& name : ListDirectory(baseDir)) {
        if (name.starts_with(kTempPrefix) && name.ends_with(kTempSuffix))
            DeleteFileW(baseDir + name);
    }
}

PackFile::~PackFile() {
    if (!m_placed)
        Discard();
}

bool PackFile::Create(const CString& localPath, CString& error) {
    return Create(localPath, TemporaryPathFor(localPath), error);
}

bool PackFile::Create(const CString& localPath, const CString& stagedPath, CString& error) {
    m_localPath = localPath;
    m_tempPath = stagedPath;
    BeforeInstallStep();
    // A leftover of that name (even a symbolic link) is removed, and the new file is made
    // exclusively, so nothing is ever written through a link.
    DeleteFileW(m_tempPath);
    m_file.Reset(CreateFileW(m_tempPath, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL));
    if (!m_file.Valid()) {
        error = FailureText(localPath, errno);
        return false;
    }
    m_buffer.reserve(kWriteBufferSize);
    return true;
}

bool PackFile::Flush(CString& error) {
    if (m_buffer.empty())
        return true;
    uint32_t written = 0;
    if (!WriteFile(m_file.Get(), m_buffer.data(), static_cast<uint32_t>(m_buffer.size()),
                   &written)) {
        error = FailureText(m_localPath, errno);
        return false;
    }
    m_buffer.clear();
    return true;
}

bool PackFile::Write(const void* data, size_t count, CString& error) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (m_buffer.size() + count > kWriteBufferSize && !Flush(error))
        return false;
    if (count >= kWriteBufferSize) {
        uint32_t written = 0;
        if (!WriteFile(m_file.Get(), bytes, static_cast<uint32_t>(count), &written)) {
            error = FailureText(m_localPath, errno);
            return false;
        }
        return true;
    }
    m_buffer.insert(m_buffer.end(), bytes, bytes + count);
    return true;
}

bool PackFile::Close(CString& error) {
    if (!Flush(error))
        return false;
    // The pack takes the place of the file of its name, so it keeps that file's permissions
    // (a program stays executable); a new program file is made executable.
    if (!CopyPermissions(m_localPath, m_file.Get()) && m_localPath.ends_with(u".exe"))
        MakeExecutable(m_file.Get());
    if (!CloseHandle(m_file.Release())) {
        error = FailureText(m_localPath, errno);
        return false;
    }
    return true;
}

bool PackFile::Place(CString& error) {
    if (!MoveFileExW(m_tempPath, m_localPath, MOVEFILE_REPLACE_EXISTING)) {
        error = FailureText(m_localPath, errno);
        return false;
    }
    m_placed = true;
    return true;
}

void PackFile::Discard() {
    m_file.Reset();
    m_buffer.clear();
    if (!m_tempPath.empty())
        DeleteFileW(m_tempPath);
}
