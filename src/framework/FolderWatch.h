#pragma once
// The system's notice of changes in a folder: file names, sizes and times. Its handle is signalled
// at each change; it is armed again after each signal.
#include <windows.h>

#include <string>

class TFolderWatch {
public:
    explicit TFolderWatch(const std::wstring& folder);
    ~TFolderWatch();
    TFolderWatch(const TFolderWatch&) = delete;
    TFolderWatch& operator=(const TFolderWatch&) = delete;

    // Null when the system offers no watch there.
    HANDLE Handle() const { return FHandle; }
    // False when the watch cannot go on (it would fire for ever): it is closed then.
    bool Rearm();

private:
    HANDLE FHandle = nullptr;
};
