// Admits one download worker at a time and lets the dialog wait for a worker that is stopping.
#pragma once

// Dialog thread: counts a worker in before its thread is created, so that a second Update
// pressed before the thread has begun already sees it.
void EnterDownloadWorker();
// The worker's last act (or the starter's, when the thread could not be created).
void LeaveDownloadWorker();
// Whether a worker has been counted in and has not left.
bool IsDownloadWorkerRunning();
// Waits until no worker runs. Only after the dialog has ended: a worker never waits for the
// dialog thread then, so this cannot deadlock.
void WaitForDownloadWorkers();
