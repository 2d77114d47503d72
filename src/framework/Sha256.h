#pragma once
// The SHA-256 digest of a byte string: what tells one version of a file from another without
// keeping a copy of it.
#include <array>
#include <cstdint>
#include <string_view>

using TDigest = std::array<uint8_t, 32>;

TDigest Sha256(std::string_view bytes);
