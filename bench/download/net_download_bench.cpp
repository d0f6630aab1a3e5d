// Downloads one URL with the internet layer, in 512-byte Read calls as the worker makes them,
// into a file written through a 64 KiB buffer. run.sh times it against curl in the same run,
// so the ratio shows the layer's own cost.
//
// Usage: net_download_bench URL OUTPUT_FILE
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/net/internet_session.h"

namespace {

constexpr size_t kChunk = 512;
constexpr size_t kWriteBuffer = 64 * 1024;

// An output file written in blocks of kWriteBuffer bytes.
class BufferedOutput {
public:
    explicit BufferedOutput(const char* path)
        : fd_(open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) {}
    ~BufferedOutput() {
        if (fd_ >= 0)
            close(fd_);
    }
    BufferedOutput(const BufferedOutput&) = delete;
    BufferedOutput& operator=(const BufferedOutput&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    bool Write(const char* data, size_t count) {
        if (used_ + count > kWriteBuffer && !Flush())
            return false;
        std::memcpy(buffer_.get() + used_, data, count);
        used_ += count;
        return true;
    }
    bool Flush() {
        for (size_t done = 0; done < used_;) {
            const ssize_t n = write(fd_, buffer_.get() + done, used_ - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += static_cast<size_t>(n);
        }
        used_ = 0;
        return true;
    }
    bool Close() {
        const bool flushed = Flush();
        const bool closed = close(fd_) == 0;
        fd_ = -1;
        return flushed && closed;
    }

private:
    int fd_;
    std::unique_ptr<char[]> buffer_ = std::make_unique<char[]>(kWriteBuffer);
    size_t used_ = 0;
};

int Download(const char* url, const char* outputPath) {
    CInternetSession session;
    std::unique_ptr<CRemoteFile> remote = session.OpenURL(Utf8ToWide(url));
    BufferedOutput output(outputPath);
    if (!output.IsOpen()) {
        std::perror(outputPath);
        return 1;
    }
    char buffer[kChunk];
    while (const size_t n = remote->Read(buffer, sizeof buffer)) {
        if (!output.Write(buffer, n)) {
            std::perror(outputPath);
            return 1;
        }
    }
    if (!output.Close()) {
        std::perror(outputPath);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s URL OUTPUT_FILE\n", argv[0]);
        return 2;
    }
    try {
        return Download(argv[1], argv[2]);
    } catch (const CInternetException& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
