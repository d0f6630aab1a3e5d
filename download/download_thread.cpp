#include "download/download_thread.h"

#include <chrono>
#include <memory>
#include <optional>

#include "app/update_settings.h"
#include "download/archive_install.h"
#include "download/backup.h"
#include "download/pack_file.h"
#include "download/pack_hasher.h"
#include "download/pack_signature.h"
#include "download/progress_reporter.h"
#include "download/progress_text.h"
#include "download/worker_gate.h"
#include "platform/file.h"
#include "platform/net/internet_session.h"
#include "platform/path.h"
#include "platform/thread.h"
#include "platform/window/dialog.h"
#include "res/resource.h"

CDialog* g_pUpdateDlg = nullptr;
std::atomic<int> g_bCancel{0};
int g_bDownloaded = 0;

namespace {

// Bytes asked of the remote file per read.
constexpr size_t kChunkSize = 512;

// A failure of the local file: handled like an internet error, but not one.
struct LocalFileError {
    CString text;
};

// Thrown to leave the pack and the run when the user cancelled.
struct CancelRequested {};

// An archive pack that did not open, could not be described whole, or lost an entry.
struct PackNotInstalled {
    CString packName;
    bool previousKept;  // the program's backup was put back
};

CString ProgramPathOf(const UpdateSettings& settings, const CString& url) {
    return settings.m_strBaseDir + ProgramFileName(PackFileName(url));
}

CString BackupPathOf(const UpdateSettings& settings, const CString& url) {
    return settings.m_strBaseDir + BackupFileName(ProgramFileName(PackFileName(url)));
}

// A signed pack whose signature is missing or does not verify; nothing of it was installed.
struct PackSignatureRejected {
    CString packName;
    bool previousKept;  // the file the pack was to replace is still there
};

// Puts the program's backup back, once for the pack; false when there was none.
bool RestoreProgramOnce(const UpdateSettings& settings, const CString& url) {
    if (!PathFileExistsW(BackupPathOf(settings, url)))
        return false;
    RestoreProgram(settings.m_strBaseDir, url);
    return true;
}

// After an archive installed: the program file it brought takes the permissions of the one it
// replaced (kept as the backup), so it still runs; an archive that brought none gets the old
// program back rather than leaving the application without one.
void KeepProgramRunnable(const UpdateSettings& settings, const CString& url) {
    const CString program = ProgramPathOf(settings, url);
    const CString backup = BackupPathOf(settings, url);
    if (!PathFileExistsW(backup))
        return;
    if (!PathFileExistsW(program)) {
        RestoreProgram(settings.m_strBaseDir, url);
        return;
    }
    FileHandle file(CreateFileW(program, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0));
    if (file.Valid())
        CopyPermissions(backup, file.Get());
}

// Tells the dialog that this worker is done with it, and counts the worker out, however the
// thread ends (also through AfxEndThread, which unwinds the stack).
class WorkerStopNotice {
public:
    WorkerStopNotice() = default;
    WorkerStopNotice(const WorkerStopNotice&) = delete;
    WorkerStopNotice& operator=(const WorkerStopNotice&) = delete;
    ~WorkerStopNotice() {
        if (g_pUpdateDlg)
            g_pUpdateDlg->SendMessageW(WM_DOWNLOAD_STOPPED);
        LeaveDownloadWorker();
    }
};

void SetStatus(std::u16string_view text) {
    g_pUpdateDlg->SetDlgItemText(IDC_STATUS_TEXT, CString(text));
}

// Whole seconds since `start`, on a clock that local time changes do not move.
int64_t ElapsedSeconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() -
                                                            start)
        .count();
}

// Copies the body into the pack file, reporting every chunk; every byte written also goes to
// `hasher` when the pack is signed. Throws CInternetException, LocalFileError or
// CancelRequested.
int64_t Transfer(CRemoteFile& remote, PackFile& file, int64_t total,
                 std::chrono::steady_clock::time_point start, ProgressReporter& progress,
                 PackHasher* hasher) {
    unsigned char buffer[kChunkSize];
    int64_t received = 0;
    CString error;
    for (;;) {
        const size_t n = remote.Read(buffer, sizeof buffer);
        if (n == 0)
            break;
        if (g_bCancel == 1)
            throw CancelRequested{};
        const int64_t elapsed = ElapsedSeconds(start);
        if (!file.Write(buffer, n, error))
            throw LocalFileError{error};
        if (hasher)
            hasher->Update(buffer, n);
        received += static_cast<int64_t>(n);
        progress.Report(received, total, elapsed);
    }
    return received;
}

// One pack: download to a temporary file, check its signature when `publicKey` is given,
// back up the program, put the pack in place. Throws CInternetException, LocalFileError,
// CancelRequested, PackSignatureRejected or PackNotInstalled.
void DownloadPack(CInternetSession& session, const UpdateSettings& settings, const CString& url,
                  CWnd* progressBar, ProgressReporter& progress,
                  const MinisignPublicKey* publicKey) {
    std::unique_ptr<CRemoteFile> remote = session.OpenURL(url);
    g_bDownloaded = 1;
    const auto start = std::chrono::steady_clock::now();
    const int64_t total = remote->Seek(0, CRemoteFile::end);
    remote->Seek(0, CRemoteFile::begin);

    const CString localPath = settings.m_strBaseDir + remote->GetFileName();
    PackFile file;
    CString error;
    if (!file.Create(localPath, error))
        throw LocalFileError{error};
    if (progressBar)
        progressBar->SendMessageW(PBM_SETRANGE32, 0, ProgressBarHigh(total));

    std::optional<PackHasher> hasher;
    if (publicKey)
        hasher.emplace();
    Transfer(*remote, file, total, start, progress, hasher ? &*hasher : nullptr);
    if (!file.Close(error))
        throw LocalFileError{error};
    remote->Close();

    // Before anything of the pack, or the program's backup, changes the program directory.
    if (publicKey && !PackSignatureValid(session, *publicKey, url, remote->GetFileName(),
                                         file.TemporaryPath(), *hasher)) {
        throw PackSignatureRejected{
            remote->GetFileName(),
            PathFileExistsW(localPath) || PathFileExistsW(ProgramPathOf(settings, url))};
    }

    BackupProgram(settings.m_strBaseDir, url);
    // The pack's own name decides, not the temporary one it was downloaded to.
    if (!IsArchivePack(localPath)) {
        if (!file.Place(error))
            throw LocalFileError{error};
        return;
    }
    const bool installed = InstallArchive(file.TemporaryPath(), settings.m_strBaseDir);
    file.Discard();
    if (!installed)
        throw PackNotInstalled{remote->GetFileName(), RestoreProgramOnce(settings, url)};
    KeepProgramRunnable(settings, url);
}

void ShowPackFailure(const CString& text) {
    SetStatus(text);
    g_pUpdateDlg->SetDlgItemText(IDCANCEL, u"Cancel");
    g_bDownloaded = 0;
}

}  // namespace

unsigned DownloadThreadProc(void*) {
    WorkerStopNotice notice;
    const UpdateSettings& settings = *GetAppSettings();
    CWnd* progressBar = g_pUpdateDlg->GetDlgItem(IDC_PROGRESS);
    CWnd* okButton = g_pUpdateDlg->GetDlgItem(IDOK);
    ProgressReporter progress(*g_pUpdateDlg);
    PackFile::RemoveLeftovers(settings.m_strBaseDir);

    std::optional<MinisignPublicKey> publicKey;
    const bool publicKeyUsable = ReadPublicKeySetting(settings.m_strPublicKey, publicKey);
    if (!publicKeyUsable)
        ShowPackFailure(CString(kInvalidPublicKeyText));

    std::unique_ptr<CInternetSession> session;
    try {
        if (publicKeyUsable) {
            session = std::make_unique<CInternetSession>();
            session->SetAbortCheck([] { return g_bCancel == 1; });
        }
    } catch (const CInternetException& e) {
        ShowPackFailure(e.GetErrorMessage());
    }

    for (int pack = 1; session && pack <= settings.m_nPackNumber; ++pack) {
        const CString url =
            ReadIniString(u"Update", FormatText(u"Pack%d", pack), u"", settings.m_strIniPath);
        SetStatus(kRequestingText);
        try {
            DownloadPack(*session, settings, url, progressBar, progress,
                         publicKey ? &*publicKey : nullptr);
        } catch (const CancelRequested&) {
            SetStatus(kInterruptedText);
            AfxEndThread(0, TRUE);
        } catch (const CInternetException& e) {
            if (e.m_dwError == INTERNET_ERROR_CANCELLED && g_bCancel == 1) {
                SetStatus(kInterruptedText);
                AfxEndThread(0, TRUE);
            }
            ShowPackFailure(e.GetErrorMessage());
        } catch (const LocalFileError& e) {
            ShowPackFailure(e.text);
        } catch (const PackSignatureRejected& e) {
            ShowPackFailure(SignatureRejectedText(e.packName, e.previousKept));
        } catch (const PackNotInstalled& e) {
            ShowPackFailure(
                e.previousKept
                    ? FormatText(u"%s could not be installed; the previous version was kept.",
                                 e.packName)
                    : FormatText(u"%s could not be installed.", e.packName));
        }
    }

    g_pUpdateDlg->SetDlgItemText(IDC_PERCENT_TEXT, CString(kFinalPercentText));
    if (g_bDownloaded == 1)
        SetStatus(kFinishedText);
    if (okButton) {
        okButton->EnableWindow(TRUE);
        okButton->SetWindowText(u"Finish");
    }
    if (CWnd* cancelButton = g_pUpdateDlg->GetDlgItem(IDCANCEL)) {
        cancelButton->SetWindowText(u"Exit");
        cancelButton->ShowWindow(SW_HIDE);
    }
    if (session)
        session->Close();
    return 1;
}
