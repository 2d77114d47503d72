#pragma once
// What each paragraph of an RTF document looks like apart from its text: the control words and
// groups it is written with, fonts and colours named by what they are rather than by their place
// in the document's tables. Two versions of a note whose paragraph looks differently in them had
// its formatting changed, whatever else the tables hold. No window: only bytes.
#include <string>
#include <string_view>
#include <vector>

// One look for each paragraph mark (\par) the body writes, in order.
std::vector<std::string> ParagraphLooks(std::string_view rtf);
