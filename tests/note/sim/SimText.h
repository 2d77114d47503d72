#pragma once
// Text and numbers joined by appending, for the simulation's words and its step-by-step log.
#include <string>
#include <string_view>
#include <type_traits>

template <class... T> std::string Cat(const T&... parts) {
    std::string out;
    auto append = [&out](const auto& part) {
        if constexpr (std::is_arithmetic_v<std::decay_t<decltype(part)>>)
            out += std::to_string(part);
        else
            out += std::string_view(part);
    };
    (append(parts), ...);
    return out;
}
