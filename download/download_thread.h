// The download worker: fetches every pack named in Update.ini into the program directory,
// showing its progress on the update dialog, backs up the program file after each pack, and
// leaves the dialog in its Finished state.
#pragma once

#include <atomic>

#include "platform/win_types.h"
#include "platform/window/cwnd.h"

class CDialog;

// The live update dialog, through which the worker reaches every control. Set by the dialog's
// constructor before any worker starts; never cleared.
extern CDialog* g_pUpdateDlg;

// The cancel request of the current run: 1 asks the worker to stop. Written by the dialog's
// thread, read by the worker after every chunk and while it waits for a server.
extern std::atomic<int> g_bCancel;

// 1 when the last pack handled got past the opening of its URL without an error afterwards.
// Written by the worker alone. The final status line does not follow it: a failed pack
// followed by a good one would read as success (see RunOutcome).
extern int g_bDownloaded;

// Sent by a worker to the dialog as the last thing it does with it, however the run ends.
constexpr UINT WM_DOWNLOAD_STOPPED = WM_APP + 1;

// The thread function, started with AfxBeginThread; the parameter is not used. Gives 1 at
// the end of a run; a cancelled run ends the thread with exit code 0.
unsigned DownloadThreadProc(void* param);
