// An 8-bit colour, as the view issues them.
#pragma once

#include <cstdint>

// An 8-bit colour.
struct Rgb {
    std::uint8_t r, g, b;
    // The same colour.
    bool operator==(const Rgb&) const = default;
};
