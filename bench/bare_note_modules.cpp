// Added to the bare note for a variant that also loads the platform modules the note program
// links, with its resources (manifest and icon): the difference to the bare note is what those
// modules cost, the rest is the program's own.
#include <windows.h>

namespace {

// Referenced, so that the linker keeps the modules in the import table.
const void* volatile referenced[1];

struct TModules {
    TModules() {
        referenced[0] = reinterpret_cast<const void*>(&GetFileVersionInfoSizeW);
    }
} modules;

} // namespace
