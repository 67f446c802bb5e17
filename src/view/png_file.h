// PNG files of what the view shows.
#pragma once

#include <cstdint>

// A PNG of `width` x `height` RGB pixels (rows bottom-up, as GL reads them),
// written under a temporary name and renamed. False when it cannot be written.
bool write_png(const char* path, int width, int height, const std::uint8_t* rgb_bottom_up);
// The zlib effort of the PNGs written from now on: 1 (fastest) to 9 (smallest);
// 8 at start.
void set_png_effort(int level);
