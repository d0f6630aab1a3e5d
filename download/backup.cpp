#include "download/backup.h"

#include "platform/path.h"

namespace {

// The program file name of a pack URL. The same rule as the settings' PackFileName and
// ProgramFileName, which live in the app layer above this one.
CString ProgramFileNameOfPack(const CString& packUrl) {
    const size_t slash = packUrl.rfind(u'/');
    const CString packFileName = slash == CString::npos ? packUrl : packUrl.substr(slash + 1);
    const size_t dot = packFileName.rfind(u'.');
    const CString stem = dot == CString::npos ? CString() : packFileName.substr(0, dot);
    return stem + u".exe";
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
