#include "download/stage.h"

#include <cerrno>

#include "download/install_step.h"
#include "platform/directory.h"
#include "platform/file_error_text.h"

Stage::~Stage() {
    if (!m_created)
        return;
    BeforeInstallStep();
    RemoveTree(m_baseDir + CString(kStageDirName));
}

bool Stage::Create(const CString& packName, CString& reason) {
    if (m_created)
        return true;
    BeforeInstallStep();
    if (!CreateDirectoryW(m_baseDir + CString(kStageDirName))) {
        const int error = errno;
        reason = FileErrorText(FileAction::Write, packName, error);
        return false;
    }
    m_created = true;
    return true;
}

CString Stage::PackFile(int pack) const {
    return FormatText(u"%s/%d.pack", CString(kStageDirName), pack);
}

CString Stage::PackTree(int pack) const {
    return FormatText(u"%s/%d", CString(kStageDirName), pack);
}

CString Stage::Aside(int pack, size_t index) const {
    return FormatText(u"%s/%d.old%d", CString(kStageDirName), pack, static_cast<long long>(index));
}

void Stage::Clear(int pack) const {
    const CString prefix = FormatText(u"%d.", pack);
    const CString tree = FormatText(u"%d", pack);
    const CString dir = m_baseDir + CString(kStageDirName) + u"/";
    for (const CString& name : ListDirectory(dir)) {
        if (name == tree || name.starts_with(prefix)) {
            BeforeInstallStep();
            RemoveTree(dir + name);
        }
    }
}
