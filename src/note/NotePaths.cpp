#include "note/NotePaths.h"

#include "framework/Paths.h"
#include "note/NoteFiles.h"

std::wstring DocumentPath() {
    return ExecutableRelativePath(L".RTF");
}

std::wstring RescuePath() {
    return RescuePathFor(DocumentPath(), FolderOf(UserDataPath(L".RTF")));
}

TNotePlace ProgramNotePlace() {
    return {DocumentPath(), RescuePath()};
}
