#include "download/backup.h"

#include "app/update_settings.h"
#include "platform/path.h"

namespace {

CString ProgramFileNameOfPack(const CString& packUrl) {
    return ProgramFileName(PackFileName(packUrl));
}

}  // namespace

CString BackupFileName(const CString& programFileName) {
    const size_t dot = programFileName.rfind(u'.');
    return (dot == CString::npos ? programFileName : programFileName.substr(0, dot)) + u".bak";
}

void BackupProgram(const CString& baseDir, const CString& packUrl) {
    const CString programName = ProgramFileNameOfPack(packUrl);
    const CString programPath = baseDir + programName;
    if (!PathFileExistsW(programPath))
        return;
    MoveFileExW(programPath, baseDir + BackupFileName(programName), MOVEFILE_REPLACE_EXISTING);
}

void RestoreProgram(const CString& baseDir, const CString& packUrl) {
    const CString programName = ProgramFileNameOfPack(packUrl);
    const CString backupPath = baseDir + BackupFileName(programName);
    if (!PathFileExistsW(backupPath))
        return;
    MoveFileExW(backupPath, baseDir + programName, MOVEFILE_REPLACE_EXISTING);
}
