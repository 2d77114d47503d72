#pragma once
// Where the note's settings live: an INI file beside the executable.
#include "settings/IniFile.h"

#include <string>

std::wstring SettingsPath();
