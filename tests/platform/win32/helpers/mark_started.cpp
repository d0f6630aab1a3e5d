// A program for the shell tests: writes "started" into started.txt beside itself, so that a
// test sees that ShellExecuteW really ran it.
#include <filesystem>
#include <fstream>

#include "platform/path.h"
#include "platform/text.h"

int main() {
    std::u16string self;
    if (GetModuleFileNameW(self, 32768) == 0)
        return 1;
    const std::u16string marker =
        self.substr(0, self.find_last_of(kPathSeparator) + 1) + u"started.txt";
    const std::string utf8 = WideToUtf8(marker);
    std::ofstream(std::filesystem::path(std::u8string(utf8.begin(), utf8.end()))) << "started";
    return 0;
}
