// Skin downloads on a worker thread, and links opened in the browser.
#include "skin/skin_update_win32.h"

#include <objbase.h>
#include <shellapi.h>

#include <cstring>

#include "base/http_win32.h"
#include "base/messages.h"
#include "base/paths_win32.h"
#include "base/test_hooks_win32.h"
#include "base/window_handles_win32.h"
#include "base/worker_win32.h"
#include "settings/settings.h"
#include "skin/catalogue_win32.h"
#include "skin/package_win32.h"
#include "skin/skin_update.h"

namespace {

struct DownloadJob {
  char url[kUrlPartCapacity * 2];
  char folder[MAX_PATH];
  char temp[MAX_PATH];
  char target[MAX_PATH];
  DWORD started;
};

// Links open on a worker of their own: the shell may take its time bringing a browser up, and a
// link should not wait behind a feed check or a download.
Worker launchWorker;

void PostResult(int result) {
  TraceEvent("skin update result %d", result);
  PostMessageA(ClockWindow, MSG_SKIN_UPDATE_RESULT, static_cast<WPARAM>(result), 0);
}

struct FileContext {
  HANDLE file;
};

bool CreateTemp(void* c, const char* path) {
  FileContext* f = static_cast<FileContext*>(c);
  f->file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  return f->file != INVALID_HANDLE_VALUE;
}

bool WriteTemp(void* c, const char* data, size_t size) {
  DWORD done = 0;
  return WriteFile(static_cast<FileContext*>(c)->file, data, static_cast<DWORD>(size), &done,
                   nullptr) && done == size;
}

bool CloseTemp(void* c) {
  FileContext* f = static_cast<FileContext*>(c);
  if (f->file == INVALID_HANDLE_VALUE) return false;
  const bool flushed = FlushFileBuffers(f->file) != 0;
  const bool closed = CloseHandle(f->file) != 0;
  f->file = INVALID_HANDLE_VALUE;
  return flushed && closed;
}

bool IsPackageFile(void*, const char* path) { return IsWholePackageFile(path); }

bool ReplaceTarget(void*, const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void RemoveTemp(void*, const char* path) { DeleteFileA(path); }

int ReceivePiece(void* context, char* buffer, size_t capacity, HttpVerdict* why) {
  if (WorkerStopping(&BackgroundWorker)) {
    *why = HttpVerdict::kStopped;
    return -1;
  }
  return HttpReadStream(static_cast<HttpStream*>(context), buffer, capacity, why);
}

void FreeJob(void* job) { HeapFree(GetProcessHeap(), 0, job); }

void DownloadJobRun(void* parameter) {
  DownloadJob* job = static_cast<DownloadJob*>(parameter);
  SkinDownloadOutcome outcome = {false, HttpVerdict::kOk, false};
  TraceEvent("skin download started into %s", job->target);
  // The temporary file lies beside the target, so the final move never crosses volumes.
  if (GetTempFileNameA(job->folder, "skn", 0, job->temp) == 0) {
    TraceEvent("skin download: no temporary file in %s", job->folder);
    outcome.verdict = HttpVerdict::kReceiveError;
  } else {
    HttpStream stream;
    outcome.verdict = HttpOpenStream(job->url, &stream, kSkinIdleLimitMs, kDownloadLimitMs);
    if (outcome.verdict == HttpVerdict::kOk) {
      FileContext file = {INVALID_HANDLE_VALUE};
      const SkinDownloadFiles files = {&file,         CreateTemp,    WriteTemp, CloseTemp,
                                       IsPackageFile, ReplaceTarget, RemoveTemp};
      outcome = RunSkinDownload(files, ReceivePiece, &stream, job->temp, job->target);
    }
    HttpCloseStream(&stream);
    // GetTempFileName made the file; whatever happened, it goes.
    DeleteFileA(job->temp);
  }
  TraceEvent("skin download ended saved=%d verdict=%s not-package=%d after %lu ms",
             outcome.saved ? 1 : 0, HttpVerdictName(outcome.verdict), outcome.notPackage ? 1 : 0,
             static_cast<unsigned long>(GetTickCount() - job->started));
  FreeJob(job);
  PostMessageA(ClockWindow, MSG_SKIN_DOWNLOADED, outcome.saved ? 1 : 0, 0);
}

bool LeadByte(unsigned char c) { return IsAnsiLeadByte(c); }

void LaunchJob(void* parameter) {
  char* link = static_cast<char*>(parameter);
  // The shell wants a single-threaded apartment on the thread that calls it.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  ShellExecuteA(nullptr, "open", link, nullptr, nullptr, SW_SHOWNORMAL);
  if (SUCCEEDED(com)) CoUninitialize();
  FreeJob(link);
}

}  // namespace

void DownloadSkin(const char* url, const char* fileName) {
  TraceEvent("DownloadSkin %s as %s", url, fileName);
  char target[MAX_PATH];
  const char* folder = SkinFolder();
  if (!IsDownloadableLink(url) || folder[0] == '\0' ||
      !BuildSkinTarget(folder, fileName, target, sizeof target, LeadByte)) {
    TraceEvent("skin download refused");
    PostResult(kSkinDownloadFailed);
    return;
  }
  DownloadJob* job = static_cast<DownloadJob*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(DownloadJob)));
  if (job == nullptr) {
    PostResult(kSkinDownloadFailed);
    return;
  }
  job->started = GetTickCount();
  lstrcpynA(job->url, url, sizeof job->url);
  lstrcpynA(job->folder, folder, sizeof job->folder);
  lstrcpynA(job->target, target, sizeof job->target);
  // One download at a time: a second while one waits or runs is ignored.
  const Job work = {DownloadJobRun, FreeJob, job, kJobSkinDownload};
  if (!PostJob(&BackgroundWorker, work, JobRule::kOneAtATime)) {
    TraceEvent("skin download busy");
    FreeJob(job);
    return;
  }
}

void FinishSkinDownload(WPARAM saved) {
  if (saved == 0) {
    PostResult(kSkinDownloadFailed);
    return;
  }
  PostResult(BuildCatalogue() ? kSkinUpdated : kSkinCatalogueFailed);
}

void OpenNewsLink(const char* link) {
  if (!IsLaunchableLink(link)) {
    TraceEvent("link refused");
    return;
  }
  TraceEvent("link open %s", link);
  const size_t length = strlen(link);
  char* copy = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, length + 1));
  if (copy == nullptr) return;
  memcpy(copy, link, length + 1);
  const Job job = {LaunchJob, FreeJob, copy, kJobLinkLaunch};
  if (!PostJob(&launchWorker, job, JobRule::kQueue)) FreeJob(copy);
}

void OpenNewsItem(const char* link, const char* extend) {
  if (link[0] == '\0') return;
  if (IsSkinOffer(extend)) {
    char name[64];
    OfferFileName(extend, name, sizeof name);
    DownloadSkin(link, name);
    return;
  }
  OpenNewsLink(link);
}

void StopLinkLaunches(unsigned ms) { StopWorker(&launchWorker, ms); }
