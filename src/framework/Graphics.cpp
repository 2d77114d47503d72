#include "framework/Graphics.h"

#include "framework/Error.h"

void TIcon::Assign(HICON icon) {
    FHandle.Reset(icon ? CopyIcon(icon) : nullptr);
    if (OnChange) OnChange(this);
}

TImageList::TImageList(TComponent* owner, int width, int height)
    : TComponent(owner), FHandle(ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 4, 4)) {
    if (!FHandle) throw TError(L"Cannot create an image list");
}

TImageList::~TImageList() { ImageList_Destroy(FHandle); }

int TImageList::Count() const { return ImageList_GetImageCount(FHandle); }

int TImageList::AddIcon(HICON icon) { return ImageList_AddIcon(FHandle, icon); }

TIconHandle TImageList::GetIcon(int index) const { return TIconHandle(ImageList_GetIcon(FHandle, index, ILD_NORMAL)); }
