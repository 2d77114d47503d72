#pragma once
// Icons and image lists: owned copies of system images with change notification.
#include "framework/Component.h"
#include "framework/Handles.h"

#include <commctrl.h>

class TIcon : public TObject {
public:
    TIcon() = default;
    TIcon(const TIcon&) = delete;
    TIcon& operator=(const TIcon&) = delete;

    HICON Handle() const { return FHandle ? FHandle.Get() : FShared; }
    bool Empty() const { return !Handle(); }
    // Keeps a copy of `icon` (the caller keeps its own) and announces the change.
    void Assign(HICON icon);
    void Assign(const TIcon& source) { Assign(source.Handle()); }
    // Holds `icon` itself, never destroying it: for an icon loaded shared, which the system
    // keeps for the life of the process, a copy would only cost time. Announces the change.
    void AssignShared(HICON icon);

    TNotifyEvent OnChange;

private:
    TIconHandle FHandle;
    HICON FShared = nullptr;
};

class TImageList : public TComponent {
public:
    TImageList(TComponent* owner, int width = 16, int height = 16);
    ~TImageList() override;

    int Count() const;
    // Adds a copy of the icon; returns its index.
    int AddIcon(HICON icon);
    // A new icon made from image `index`, owned by the caller.
    TIconHandle GetIcon(int index) const;

private:
    HIMAGELIST FHandle;
};
