#include "platform/shell.h"

#include <errno.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/text.h"

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// Starts argv[0] (searched in PATH when it has no slash) as the child of a short-lived
// intermediate process, so that it lives in its own session and is never our zombie.
bool StartDetached(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        // Only async-signal-safe calls from here on: this process may have had other threads.
        setsid();
        const pid_t grandchild = fork();
        if (grandchild == 0) {
            close_range(3, ~0U, 0);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        _exit(grandchild < 0 ? 1 : 0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

bool ShellExecuteW(void*, const std::u16string& verb, const std::u16string& path,
                   const std::u16string&, const std::u16string&, int) {
    if (verb != u"open" || path.empty())
        return false;
    const std::string file = WideToUtf8(path);
    if (IsExecutableFile(file)) {
        // A bare name would be searched in PATH; the program is always named by its path.
        return StartDetached({file.find('/') == std::string::npos ? "./" + file : file});
    }
    return StartDetached({"xdg-open", file});
}
