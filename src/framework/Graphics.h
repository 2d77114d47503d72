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

    HICON Handle() const { return FHandle.Get(); }
    bool Empty() const { return !FHandle; }
    // Keeps a copy of `icon` (the caller keeps its own) and announces the change.
    void Assign(HICON icon);
    void Assign(const TIcon& source) { Assign(source.Handle()); }

    TNotifyEvent OnChange;

private:
    TIconHandle FHandle;
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
