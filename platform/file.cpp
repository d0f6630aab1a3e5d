#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/text.h"

namespace {

int OpenFlags(uint32_t access, uint32_t disposition) {
    int flags = O_CLOEXEC | O_NOCTTY;
    const bool reading = (access & GENERIC_READ) != 0;
    const bool writing = (access & GENERIC_WRITE) != 0;
    if (reading && writing) {
        flags |= O_RDWR;
    } else if (writing) {
        flags |= O_WRONLY;
    } else {
        flags |= O_RDONLY;
    }
    switch (disposition) {
        case CREATE_NEW:
            return flags | O_CREAT | O_EXCL;
        case CREATE_ALWAYS:
            return flags | O_CREAT | O_TRUNC;
        case OPEN_EXISTING:
            return flags;
        default:
            return -1;
    }
}

// Gives the descriptor back to blocking mode after an open that must not wait for a writer.
bool ClearNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    return flags != -1 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

}  // namespace

HANDLE CreateFileW(const std::u16string& path, uint32_t access, uint32_t /*shareMode*/,
                   uint32_t disposition, uint32_t /*attributes*/) {
    if ((access & (GENERIC_READ | GENERIC_WRITE)) == 0)
        return INVALID_HANDLE_VALUE;
    const int flags = OpenFlags(access, disposition);
    if (flags == -1 || path.empty())
        return INVALID_HANDLE_VALUE;
    const std::string name = WideToUtf8(path);
    // CREATE_NEW makes a regular file or fails; only an existing name can be a directory or a
    // FIFO, whose open must not wait for the other end.
    const bool fresh = disposition == CREATE_NEW;
    int fd;
    do {
        fd = open(name.c_str(), fresh ? flags : flags | O_NONBLOCK, 0666);
    } while (fd == -1 && errno == EINTR);
    if (fd == -1)
        return INVALID_HANDLE_VALUE;
    if (fresh)
        return FdToHandle(fd);
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || !ClearNonBlocking(fd)) {
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    return FdToHandle(fd);
}

bool DuplicateHandle(HANDLE source, HANDLE* target) {
    const int fd = fcntl(HandleToFd(source), F_DUPFD_CLOEXEC, 0);
    if (fd == -1)
        return false;
    *target = FdToHandle(fd);
    return true;
}

uint32_t GetFileType(HANDLE handle) {
    struct stat st;
    if (fstat(HandleToFd(handle), &st) != 0)
        return FILE_TYPE_UNKNOWN;
    if (S_ISREG(st.st_mode))
        return FILE_TYPE_DISK;
    if (S_ISCHR(st.st_mode))
        return FILE_TYPE_CHAR;
    if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))
        return FILE_TYPE_PIPE;
    return FILE_TYPE_UNKNOWN;
}

int64_t SetFilePointer(HANDLE handle, int64_t distance, uint32_t origin) {
    int whence;
    switch (origin) {
        case FILE_BEGIN:
            whence = SEEK_SET;
            break;
        case FILE_CURRENT:
            whence = SEEK_CUR;
            break;
        case FILE_END:
            whence = SEEK_END;
            break;
        default:
            return -1;
    }
    const off_t position = lseek(HandleToFd(handle), static_cast<off_t>(distance), whence);
    return position < 0 ? -1 : static_cast<int64_t>(position);
}

int64_t GetFileSize(HANDLE handle) {
    struct stat st;
    if (fstat(HandleToFd(handle), &st) != 0)
        return -1;
    return static_cast<int64_t>(st.st_size);
}

namespace {

// One read loop for both calls: `offset` < 0 reads at the file position.
bool ReadAll(HANDLE handle, int64_t offset, void* buffer, uint32_t count, uint32_t* read) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    uint32_t done = 0;
    bool ok = true;
    while (done < count) {
        const ssize_t n = offset < 0 ? ::read(HandleToFd(handle), bytes + done, count - done)
                                     : pread(HandleToFd(handle), bytes + done, count - done,
                                             static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        if (n == 0)
            break;
        done += static_cast<uint32_t>(n);
    }
    if (read)
        *read = done;
    return ok;
}

}  // namespace

bool ReadFile(HANDLE handle, void* buffer, uint32_t count, uint32_t* read) {
    return ReadAll(handle, -1, buffer, count, read);
}

bool ReadFileAt(HANDLE handle, int64_t offset, void* buffer, uint32_t count, uint32_t* read) {
    if (offset < 0) {
        if (read)
            *read = 0;
        return false;
    }
    return ReadAll(handle, offset, buffer, count, read);
}

bool WriteFile(HANDLE handle, const void* buffer, uint32_t count, uint32_t* written) {
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    uint32_t done = 0;
    bool ok = true;
    while (done < count) {
        const ssize_t n = ::write(HandleToFd(handle), bytes + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<uint32_t>(n);
    }
    if (written)
        *written = done;
    return ok;
}

bool CopyPermissions(const std::u16string& path, HANDLE target) {
    struct stat st;
    if (lstat(WideToUtf8(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    return fchmod(HandleToFd(target), st.st_mode & 0777) == 0;
}

namespace {

// The regular file `path`, opened without following a symbolic link; -1 when it is none.
int OpenRegularFile(const std::u16string& path, struct stat* st) {
    const int fd = open(WideToUtf8(path).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

bool GetFilePermissions(const std::u16string& path, uint32_t* mode) {
    struct stat st;
    const int fd = OpenRegularFile(path, &st);
    if (fd < 0)
        return false;
    close(fd);
    *mode = st.st_mode & 07777;
    return true;
}

bool SetFilePermissions(const std::u16string& path, uint32_t mode) {
    struct stat st;
    const int fd = OpenRegularFile(path, &st);
    if (fd < 0)
        return false;
    const bool changed = fchmod(fd, static_cast<mode_t>(mode & 07777)) == 0;
    close(fd);
    return changed;
}

bool MakeExecutable(HANDLE target) {
    return fchmod(HandleToFd(target), 0755) == 0;
}

bool CloseHandle(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    // Linux releases the descriptor even when close reports EINTR, so it is never retried.
    return close(HandleToFd(handle)) == 0;
}

bool FileHandle::Reset(HANDLE handle) {
    bool ok = true;
    if (handle_ != INVALID_HANDLE_VALUE)
        ok = CloseHandle(handle_);
    handle_ = handle;
    return ok;
}
