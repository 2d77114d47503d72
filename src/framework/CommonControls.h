#pragma once
// The common controls library, loaded on first use: the note itself needs none of it, so a
// start that only shows the note does not pay for loading it. Windows that use its classes
// (tooltips) or image lists go through here.
#include <windows.h>
#include <commctrl.h>

namespace CommonControls {

// Loads the library and registers its window classes once; false where it is missing.
bool Ready();

HIMAGELIST ImageListCreate(int width, int height, UINT flags, int initial, int grow);
BOOL ImageListDestroy(HIMAGELIST list);
int ImageListCount(HIMAGELIST list);
int ImageListAddIcon(HIMAGELIST list, HICON icon);
HICON ImageListGetIcon(HIMAGELIST list, int index, UINT flags);

} // namespace CommonControls
