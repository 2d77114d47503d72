// Added to the bare note for a variant that also loads the platform modules the note program
// links and starts the common controls as it does, with its resources (manifest and icon): the
// difference to the bare note is what those modules cost, the rest is the program's own.
#include <windows.h>
#include <commctrl.h>

namespace {

// Referenced, so that the linker keeps the modules in the import table.
const void* volatile referenced[1];

struct TModules {
    TModules() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        referenced[0] = reinterpret_cast<const void*>(&GetFileVersionInfoSizeW);
    }
} modules;

} // namespace
