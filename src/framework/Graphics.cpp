#include "framework/Graphics.h"

#include "framework/CommonControls.h"
#include "framework/Error.h"

void TIcon::Assign(HICON icon) {
    FHandle.Reset(icon ? CopyIcon(icon) : nullptr);
    FShared = nullptr;
    if (OnChange) OnChange(this);
}

void TIcon::AssignShared(HICON icon) {
    FHandle.Reset();
    FShared = icon;
    if (OnChange) OnChange(this);
}

TImageList::TImageList(TComponent* owner, int width, int height)
    : TComponent(owner), FHandle(CommonControls::ImageListCreate(width, height, ILC_COLOR32 | ILC_MASK, 4, 4)) {
    if (!FHandle) throw TError(L"Cannot create an image list");
}

TImageList::~TImageList() { CommonControls::ImageListDestroy(FHandle); }

int TImageList::Count() const { return CommonControls::ImageListCount(FHandle); }

int TImageList::AddIcon(HICON icon) { return CommonControls::ImageListAddIcon(FHandle, icon); }

TIconHandle TImageList::GetIcon(int index) const { return TIconHandle(CommonControls::ImageListGetIcon(FHandle, index, ILD_NORMAL)); }
