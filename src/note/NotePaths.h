#pragma once
// Where the program's note lives: beside the executable, with its rescue copy in the user's own
// application-data folder.
#include "note/NoteKeeper.h"

#include <string>

std::wstring DocumentPath();
// The rescue copy of the note beside the executable (see RescuePathFor).
std::wstring RescuePath();
TNotePlace ProgramNotePlace();
