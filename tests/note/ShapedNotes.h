#pragma once
// Notes of the shapes that once made their preparation for the control slow or lose text, built to
// a size: for the window-free tests and for the loads through the program.
#include <string>

namespace ShapedNotes {

inline const std::string kHead = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 ";

// `unit` again and again up to `size` bytes, between a head and a tail.
inline std::string Repeated(const std::string& head, const std::string& unit, const std::string& tail,
                            size_t size) {
    std::string bytes = head;
    while (bytes.size() + unit.size() + tail.size() <= size)
        bytes += unit;
    return bytes + tail;
}

// How many times Repeated put `unit` in `bytes`.
inline size_t Units(const std::string& bytes, const std::string& head, const std::string& unit,
                    const std::string& tail) {
    return (bytes.size() - head.size() - tail.size()) / unit.size();
}

// `open` nested as deep as `size` allows around "x", each level closed by `close`, or left open
// when it is empty.
inline std::string Nested(const std::string& open, const std::string& close, size_t size) {
    const size_t levels = (size - kHead.size() - 2) / (open.size() + close.size());
    std::string bytes = kHead;
    for (size_t i = 0; i < levels; ++i)
        bytes += open;
    bytes += "x";
    for (size_t i = 0; i < (close.empty() ? 0 : levels); ++i)
        bytes += close;
    return bytes + "}";
}

// Fields nested in each other's results, `depth` of them, around the word "lien".
inline std::string FieldChain(int depth) {
    std::string chain;
    for (int i = 0; i < depth; ++i)
        chain += "{\\field{\\*\\fldinst HYPERLINK \"http://example.com\"}{\\fldrslt ";
    chain += "lien";
    for (int i = 0; i < depth; ++i)
        chain += "}}";
    return chain + " \\par\r\n";
}

} // namespace ShapedNotes
