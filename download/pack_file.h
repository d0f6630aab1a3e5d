// The local file that receives a pack: written to a temporary file beside its local path and
// put in that place only when the whole body has arrived, so that a cancelled or failed
// download never leaves a half-written file under the pack's name and never harms an
// existing file of that name.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/file.h"
#include "platform/text.h"

class PackFile {
public:
    // Bytes gathered before each write to the disk.
    static constexpr size_t kWriteBufferSize = 256 * 1024;

    PackFile() = default;
    PackFile(const PackFile&) = delete;
    PackFile& operator=(const PackFile&) = delete;
    // Removes the temporary file unless it was placed.
    ~PackFile();

    // Creates the temporary file for `localPath`. On failure `error` holds a one-line text
    // with the path and the reason.
    bool Create(const CString& localPath, CString& error);
    // As Create, with the temporary file at `stagedPath` (in the run's staging area).
    bool Create(const CString& localPath, const CString& stagedPath, CString& error);
    bool Write(const void* data, size_t count, CString& error);
    // Writes what is buffered, gives the file the permissions of the file it is to replace
    // (or, for a new program file ending in ".exe", makes it executable) and closes it.
    bool Close(CString& error);
    // Renames the closed temporary file to the local path, replacing a file of that name.
    bool Place(CString& error);
    // Closes and removes the temporary file.
    void Discard();

    const CString& TemporaryPath() const { return m_tempPath; }

    // The temporary name for `localPath`: a hidden name in the same directory.
    static CString TemporaryPathFor(const CString& localPath);
    // Removes the temporaries that an earlier run left in `baseDir` (it was killed, or the
    // machine went down, during a download).
    static void RemoveLeftovers(const CString& baseDir);

private:
    bool Flush(CString& error);

    CString m_localPath;
    CString m_tempPath;
    FileHandle m_file;
    std::vector<unsigned char> m_buffer;
    bool m_placed = false;
};
