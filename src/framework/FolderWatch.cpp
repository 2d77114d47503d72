#include "framework/FolderWatch.h"

TFolderWatch::TFolderWatch(const std::wstring& folder) {
    FHandle = FindFirstChangeNotificationW(folder.c_str(), FALSE,
                                           FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE |
                                               FILE_NOTIFY_CHANGE_LAST_WRITE);
    if (FHandle == INVALID_HANDLE_VALUE) FHandle = nullptr;
}

TFolderWatch::~TFolderWatch() {
    if (FHandle) FindCloseChangeNotification(FHandle);
}

bool TFolderWatch::Rearm() {
    if (FHandle && FindNextChangeNotification(FHandle)) return true;
    if (FHandle) FindCloseChangeNotification(FHandle);
    FHandle = nullptr;
    return false;
}
