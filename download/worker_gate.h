// Admits one download worker at a time and lets the dialog wait for a worker that is stopping.
#pragma once

class CWinThread;

// Dialog thread: counts a worker in before its thread is created, so that a second Update
// pressed before the thread has begun already sees it.
void EnterDownloadWorker();
// Dialog thread: takes the handle of the worker just started, so that its end can be waited
// for completely. Handles of earlier workers whose threads have ended are released here.
void KeepDownloadWorker(CWinThread* thread);
// The worker's last act (or the starter's, when the thread could not be created).
void LeaveDownloadWorker();
// Whether a worker has been counted in and has not left.
bool IsDownloadWorkerRunning();
// Waits until no worker runs and every kept worker thread has ended, its last destructor
// included. Only after the dialog has ended: a worker never waits for the dialog thread then,
// so this cannot deadlock.
void WaitForDownloadWorkers();
