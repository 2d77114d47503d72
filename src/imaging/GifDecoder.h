#pragma once
// Decodes a GIF picture with the platform's imaging component into premultiplied pixels.
// The component (and COM under it) is loaded on the first decode, never at start.
#include "framework/Image.h"

#include <cstddef>
#include <optional>
#include <string>

struct TDecodeResult {
    std::optional<TPremultipliedImage> Image; // empty when the data was refused
    std::wstring Error;                       // why it was refused
};

// The first frame of GIF data, at most kMaxGifSide pixels on each side.
TDecodeResult DecodeGif(const void* data, size_t size);
constexpr int kMaxGifSide = 4096;

// The bytes of a raw-data resource of this executable; empty when there is none.
std::string ResourceBytes(const wchar_t* name);
