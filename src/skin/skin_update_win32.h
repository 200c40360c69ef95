// Opening news items: offered skins are downloaded on a worker thread into the skin folder,
// links go to the browser.
#pragma once

#include <windows.h>

// UI thread. Downloads the offer at `url` as `fileName` in the skin folder. A bad name or link
// posts MSG_SKIN_UPDATE_RESULT 2 at once; otherwise the background worker fetches it and posts
// MSG_SKIN_DOWNLOADED. One download at a time: a second while one waits or runs is ignored.
void DownloadSkin(const char* url, const char* fileName);

// UI thread, on MSG_SKIN_DOWNLOADED: rebuilds the catalogue after a saved package and posts
// MSG_SKIN_UPDATE_RESULT (0 updated, 1 catalogue failed, 2 download failed).
void FinishSkinDownload(WPARAM saved);

// Opens an http or https link with the shell's "open"; any other link is ignored.
void OpenNewsLink(const char* link);

// A skin offer (by its `extend`) is downloaded, anything else opened as a link.
void OpenNewsItem(const char* link, const char* extend);

// At exit: drops links not yet handed to the shell and waits up to `ms` for one being handed.
void StopLinkLaunches(unsigned ms);
