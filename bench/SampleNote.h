#pragma once
// A note of formatted text (bold, italic, colours, two fonts) of at least `bytes` bytes of RTF.
#include <string>

inline std::string FormattedNote(size_t bytes) {
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}"
                      "{\\colortbl;\\red200\\green0\\blue0;\\red0\\green90\\blue160;}\\f0\\fs20 ";
    for (int line = 0; rtf.size() < bytes; ++line)
        rtf += "\\pard Line " + std::to_string(line) + " of the note: {\\b bold words}, {\\i italic ones}, "
               "{\\cf1 red}, {\\cf2\\f1 blue code} and plain text to the end of the line.\\par\n";
    return rtf + "}";
}
