#include "download/download_thread.h"

#include <chrono>
#include <memory>
#include <optional>

#include "app/update_settings.h"
#include "download/pack_file.h"
#include "download/pack_hasher.h"
#include "download/pack_install.h"
#include "download/pack_signature.h"
#include "download/progress_reporter.h"
#include "download/progress_text.h"
#include "download/recovery.h"
#include "download/run_outcome.h"
#include "download/stage.h"
#include "download/worker_gate.h"
#include "platform/file.h"
#include "platform/install_lock.h"
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

constexpr std::u16string_view kAnotherUpdateText =
    u"Another update of this application is running.";
constexpr std::u16string_view kUnresolvedText =
    u"An earlier update of this application could not be completed.";

// A failure of the local file: handled like an internet error, but not one.
struct LocalFileError {
    CString text;
};

// Thrown to leave the pack and the run when the user cancelled.
struct CancelRequested {};

// A pack that was downloaded but could not be put in place.
struct PackNotInstalled {
    CString packName;
    CString reason;     // may be empty
    bool previousKept;  // the program directory is as it was before the pack
    bool fileInUse;     // another program held a file open; the reason says what to do
};

// A signed pack whose signature is missing or does not verify; nothing of it was installed.
struct PackSignatureRejected {
    CString packName;
    bool previousKept;  // the file the pack was to replace is still there
};

// Removes what a pack left in the staging area, however the pack ends.
class StagedPackCleanup {
public:
    StagedPackCleanup(const Stage& stage, int pack) : m_stage(stage), m_pack(pack) {}
    StagedPackCleanup(const StagedPackCleanup&) = delete;
    StagedPackCleanup& operator=(const StagedPackCleanup&) = delete;
    ~StagedPackCleanup() { m_stage.Clear(m_pack); }

private:
    const Stage& m_stage;
    int m_pack;
};

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

// One pack: download it into the staging area, check its signature when `publicKey` is given,
// then put it in place as one transaction. Throws CInternetException, LocalFileError,
// CancelRequested, PackSignatureRejected or PackNotInstalled.
void DownloadPack(CInternetSession& session, const UpdateSettings& settings, const CString& url,
                  CWnd* progressBar, ProgressReporter& progress, Stage& stage, int pack,
                  const MinisignPublicKey* publicKey) {
    const StagedPackCleanup cleanup(stage, pack);
    std::unique_ptr<CRemoteFile> remote = session.OpenURL(url);
    g_bDownloaded = 1;
    const auto start = std::chrono::steady_clock::now();
    const int64_t total = remote->Seek(0, CRemoteFile::end);
    remote->Seek(0, CRemoteFile::begin);

    const CString localPath = settings.m_strBaseDir + remote->GetFileName();
    PackFile file;
    CString error;
    if (!stage.Create(remote->GetFileName(), error))
        throw LocalFileError{error};
    if (!file.Create(localPath, settings.m_strBaseDir + stage.PackFile(pack), error))
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

    // Nothing of the pack has reached the program directory yet; a pack refused for its
    // signature leaves it as it is.
    if (publicKey && !PackSignatureValid(session, *publicKey, url, remote->GetFileName(),
                                         file.TemporaryPath(), *hasher)) {
        throw PackSignatureRejected{
            remote->GetFileName(),
            PathFileExistsW(localPath) ||
                PathFileExistsW(settings.m_strBaseDir + ProgramFileName(PackFileName(url)))};
    }

    // The pack is staged; from here on it is put in place whole or not at all.
    const PackInstallResult result =
        InstallStagedPack(stage, pack, remote->GetFileName(), ProgramFileName(PackFileName(url)));
    if (!result.installed)
        throw PackNotInstalled{remote->GetFileName(), result.reason, result.previousKept,
                               result.fileInUse};
}

// What the status line says of a pack that could not be put in place; the reason, a sentence
// of its own, loses its full stop inside this one.
CString NotInstalledText(PackNotInstalled e) {
    // Nothing changed, and the reason says what to do: it is the line on its own.
    if (e.fileInUse && e.previousKept)
        return e.reason;
    if (e.reason.ends_with(u'.'))
        e.reason.pop_back();
    if (e.previousKept) {
        return e.reason.empty()
                   ? FormatText(u"%s could not be installed; the previous version was kept.",
                                e.packName)
                   : FormatText(u"%s could not be installed: %s; the previous version was kept.",
                                e.packName, e.reason);
    }
    return e.reason.empty() ? FormatText(u"%s could not be installed.", e.packName)
                            : FormatText(u"%s could not be installed: %s.", e.packName, e.reason);
}

// The same, as the reason the final status gives after the pack's name.
CString NotInstalledReason(const PackNotInstalled& e) {
    if (!e.reason.empty())
        return e.reason;
    return e.previousKept ? u"not installed, old version kept" : u"not installed";
}

// The name the final status gives a pack: its file name, or its key when it has none.
CString PackNameFor(const CString& url, int pack) {
    const CString name = PackFileName(url);
    return name.empty() ? FormatText(u"Pack%d", pack) : name;
}

void ShowPackFailure(const CString& text) {
    SetStatus(text);
    g_pUpdateDlg->SetDlgItemText(IDCANCEL, u"Cancel");
    g_bDownloaded = 0;
}

// The packs of one run, under the directory's lock. Gives false, having touched nothing, when
// another updater holds it.
bool RunPacks(const UpdateSettings& settings, std::unique_ptr<CInternetSession>& session,
              CWnd* progressBar, ProgressReporter& progress, RunOutcome& outcome) {
    InstallLock lock;
    const InstallLock::Result locked =
        lock.TryAcquire(settings.m_strBaseDir + CString(kLockFileName));
    if (locked == InstallLock::kBusy)
        return false;
    // Without a lock file (a directory that takes no new file) no pack can be staged either:
    // each pack says so.
    if (locked == InstallLock::kAcquired &&
        !RecoverHeldProgramDirectory(settings.m_strBaseDir, settings.m_strProgramPath)) {
        ShowPackFailure(CString(kUnresolvedText));
        return true;
    }
    Stage stage(settings.m_strBaseDir);

    std::optional<MinisignPublicKey> publicKey;
    const bool publicKeyUsable = ReadPublicKeySetting(settings.m_strPublicKey, publicKey);
    if (!publicKeyUsable)
        ShowPackFailure(CString(kInvalidPublicKeyText));

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
        const CString packName = PackNameFor(url, pack);
        try {
            DownloadPack(*session, settings, url, progressBar, progress, stage, pack,
                         publicKey ? &*publicKey : nullptr);
            outcome.PackDone();
        } catch (const CancelRequested&) {
            SetStatus(kInterruptedText);
            AfxEndThread(0, TRUE);
        } catch (const CInternetException& e) {
            if (e.m_dwError == INTERNET_ERROR_CANCELLED && g_bCancel == 1) {
                SetStatus(kInterruptedText);
                AfxEndThread(0, TRUE);
            }
            ShowPackFailure(e.GetErrorMessage());
            outcome.PackFailed(packName, e.GetErrorMessage());
        } catch (const LocalFileError& e) {
            ShowPackFailure(e.text);
            outcome.PackFailed(packName, e.text);
        } catch (const PackSignatureRejected& e) {
            const CString text = SignatureRejectedText(e.packName, e.previousKept);
            ShowPackFailure(text);
            outcome.PackFailed(packName, SignatureRejectedReason());
        } catch (const PackNotInstalled& e) {
            ShowPackFailure(NotInstalledText(e));
            outcome.PackFailed(packName, NotInstalledReason(e));
        }
    }
    return true;
}

}  // namespace

unsigned DownloadThreadProc(void*) {
    WorkerStopNotice notice;
    const UpdateSettings& settings = *GetAppSettings();
    CWnd* progressBar = g_pUpdateDlg->GetDlgItem(IDC_PROGRESS);
    CWnd* okButton = g_pUpdateDlg->GetDlgItem(IDOK);
    ProgressReporter progress(*g_pUpdateDlg);

    RunOutcome outcome;
    std::unique_ptr<CInternetSession> session;
    if (!RunPacks(settings, session, progressBar, progress, outcome)) {
        // Back to the state before Update, so that it can be pressed again.
        SetStatus(kAnotherUpdateText);
        if (CWnd* cancelButton = g_pUpdateDlg->GetDlgItem(IDCANCEL))
            cancelButton->SetWindowText(u"Exit");
        if (okButton)
            okButton->EnableWindow(TRUE);
        return 1;
    }

    g_pUpdateDlg->SetDlgItemText(IDC_PERCENT_TEXT, CString(kFinalPercentText));
    if (const std::optional<CString> status = outcome.FinalStatus())
        SetStatus(*status);
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
