#include "framework/CommonControls.h"

namespace {

using TInitCommonControlsEx = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
using TImageListCreate = HIMAGELIST(WINAPI*)(int, int, UINT, int, int);
using TImageListDestroy = BOOL(WINAPI*)(HIMAGELIST);
using TImageListGetImageCount = int(WINAPI*)(HIMAGELIST);
using TImageListReplaceIcon = int(WINAPI*)(HIMAGELIST, int, HICON);
using TImageListGetIcon = HICON(WINAPI*)(HIMAGELIST, int, UINT);

template <typename T> T Proc(HMODULE module, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

struct TLibrary {
    HMODULE Module = nullptr;
    TImageListCreate Create = nullptr;
    TImageListDestroy Destroy = nullptr;
    TImageListGetImageCount Count = nullptr;
    TImageListReplaceIcon ReplaceIcon = nullptr;
    TImageListGetIcon GetIcon = nullptr;
};

// Kept for the life of the process, as a static import would be. The executable's manifest
// asks for version 6, so the load below takes that one.
const TLibrary& Library() {
    static const TLibrary library = [] {
        TLibrary l;
        l.Module = LoadLibraryW(L"comctl32.dll");
        if (!l.Module) return l;
        if (auto init = Proc<TInitCommonControlsEx>(l.Module, "InitCommonControlsEx")) {
            INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
            init(&icc);
        }
        l.Create = Proc<TImageListCreate>(l.Module, "ImageList_Create");
        l.Destroy = Proc<TImageListDestroy>(l.Module, "ImageList_Destroy");
        l.Count = Proc<TImageListGetImageCount>(l.Module, "ImageList_GetImageCount");
        l.ReplaceIcon = Proc<TImageListReplaceIcon>(l.Module, "ImageList_ReplaceIcon");
        l.GetIcon = Proc<TImageListGetIcon>(l.Module, "ImageList_GetIcon");
        return l;
    }();
    return library;
}

} // namespace

namespace CommonControls {

bool Ready() { return Library().Module != nullptr; }

HIMAGELIST ImageListCreate(int width, int height, UINT flags, int initial, int grow) {
    return Ready() && Library().Create ? Library().Create(width, height, flags, initial, grow) : nullptr;
}

BOOL ImageListDestroy(HIMAGELIST list) { return list && Library().Destroy ? Library().Destroy(list) : FALSE; }

int ImageListCount(HIMAGELIST list) { return list && Library().Count ? Library().Count(list) : 0; }

int ImageListAddIcon(HIMAGELIST list, HICON icon) {
    return list && Library().ReplaceIcon ? Library().ReplaceIcon(list, -1, icon) : -1;
}

HICON ImageListGetIcon(HIMAGELIST list, int index, UINT flags) {
    return list && Library().GetIcon ? Library().GetIcon(list, index, flags) : nullptr;
}

} // namespace CommonControls
