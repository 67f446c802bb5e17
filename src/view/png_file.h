// PNG files of what the view shows.
#pragma once

#include <cstdint>

// A PNG of `width` x `height` RGB pixels (rows bottom-up, as GL reads them),
// written under a temporary name and renamed. False when it cannot be written.
bool write_png(const char* path, int width, int height, const std::uint8_t* rgb_bottom_up);
