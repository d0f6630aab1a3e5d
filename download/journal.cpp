#include "download/journal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "download/install_step.h"
#include "download/stage.h"
#include "platform/file.h"
#include "platform/path.h"
#include "platform/sync.h"

namespace {

constexpr char kHeader[] = "update journal 1";
constexpr char kEnd[] = "end";
constexpr char kCommitted[] = "committed";

CString JournalPath(const CString& baseDir) {
    return baseDir + CString(kJournalName);
}

CString TemporaryJournalPath(const CString& baseDir) {
    return JournalPath(baseDir) + u".new";
}

// Names may hold any character but NUL; the few that would break a line are escaped.
std::string Escape(const CString& name) {
    std::string out;
    for (const char c : WideToUtf8(name)) {
        if (c == '%' || c == '\n' || c == '\r' || c == '\t') {
            static const char kHex[] = "0123456789ABCDEF";
            out += '%';
            out += kHex[(c >> 4) & 0xF];
            out += kHex[c & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

bool Unescape(std::string_view text, CString& name) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        const std::string hex(text.substr(i + 1, 2));
        char* end = nullptr;
        const long value = std::strtol(hex.c_str(), &end, 16);
        if (end != hex.c_str() + 2)
            return false;
        out += static_cast<char>(value);
        i += 2;
    }
    name = Utf8ToWide(out);
    return !name.empty();
}

CString ReasonText(int error) {
    return Utf8ToWide(std::strerror(error));
}

bool WriteAll(HANDLE file, const std::string& text) {
    uint32_t written = 0;
    return WriteFile(file, text.data(), static_cast<uint32_t>(text.size()), &written);
}

std::string ReadAllText(const CString& path, bool& present) {
    FileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0));
    present = file.Valid() || PathFileExistsW(path);
    std::string text;
    if (!file.Valid())
        return text;
    char buffer[4096];
    uint32_t read = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &read) && read > 0)
        text.append(buffer, read);
    return text;
}

}  // namespace

bool WriteJournal(const CString& baseDir, const InstallPlan& plan, CString& error) {
    std::string text = std::string(kHeader) + "\n";
    for (const CString& dir : plan.newDirs) text += "dir " + Escape(dir) + "\n";
    for (const InstallMove& move : plan.moves)
        text += "move " + Escape(move.from) + "\t" + Escape(move.to) + "\n";
    text += std::string(kEnd) + "\n";

    const CString temporary = TemporaryJournalPath(baseDir);
    BeforeInstallStep();
    DeleteFileW(temporary);
    BeforeInstallStep();
    FileHandle file(CreateFileW(temporary, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL));
    bool ok = file.Valid() && WriteAll(file.Get(), text) && FlushFileBuffers(file.Get());
    int reason = errno;
    ok = file.Reset() && ok;
    if (ok) {
        BeforeInstallStep();
        ok = MoveFileExW(temporary, JournalPath(baseDir),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) &&
             FlushDirectory(baseDir);
        reason = errno;
    }
    if (!ok) {
        error = ReasonText(reason);
        RemoveJournal(baseDir);
    }
    return ok;
}

bool MarkJournalCommitted(const CString& baseDir, CString& error) {
    const CString path = JournalPath(baseDir);
    FileHandle file(CreateFileW(path, GENERIC_WRITE, 0, OPEN_EXISTING, 0));
    bool ok = file.Valid() && SetFilePointer(file.Get(), 0, FILE_END) >= 0;
    if (ok) {
        BeforeInstallStep();
        ok = WriteAll(file.Get(), std::string(kCommitted) + "\n") && FlushFileBuffers(file.Get());
    }
    const int reason = errno;
    ok = file.Reset() && ok;
    if (!ok)
        error = ReasonText(reason);
    return ok;
}

JournalState ReadJournal(const CString& baseDir, InstallPlan& plan) {
    plan = {};
    bool present = false;
    const std::string text = ReadAllText(JournalPath(baseDir), present);
    if (!present)
        return JournalState::kNone;
    std::vector<std::string_view> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos)
            break;  // a line without its end was cut short: it does not count
        lines.push_back(std::string_view(text).substr(start, end - start));
        start = end + 1;
    }
    if (lines.empty() || lines.front() != kHeader)
        return JournalState::kUnreadable;
    size_t i = 1;
    for (; i < lines.size() && lines[i] != kEnd; ++i) {
        const std::string_view line = lines[i];
        if (line.starts_with("dir ")) {
            CString dir;
            if (!Unescape(line.substr(4), dir))
                return JournalState::kUnreadable;
            plan.newDirs.push_back(dir);
        } else if (line.starts_with("move ")) {
            const std::string_view names = line.substr(5);
            const size_t tab = names.find('\t');
            InstallMove move;
            if (tab == std::string_view::npos || !Unescape(names.substr(0, tab), move.from) ||
                !Unescape(names.substr(tab + 1), move.to))
                return JournalState::kUnreadable;
            plan.moves.push_back(std::move(move));
        } else {
            return JournalState::kUnreadable;
        }
    }
    if (i == lines.size())
        return JournalState::kUnreadable;
    return i + 1 < lines.size() && lines[i + 1] == kCommitted ? JournalState::kCommitted
                                                              : JournalState::kPending;
}

bool RemoveJournal(const CString& baseDir) {
    bool ok = true;
    for (const CString& path : {TemporaryJournalPath(baseDir), JournalPath(baseDir)}) {
        if (!PathFileExistsW(path))
            continue;
        BeforeInstallStep();
        ok = DeleteFileW(path) && ok;
    }
    return ok;
}
