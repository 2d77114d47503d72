#include "settings/SettingsFile.h"

#include "framework/Paths.h"

std::wstring SettingsPath() {
    return ExecutableRelativePath(L".INI");
}
