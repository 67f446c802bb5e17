// PNG files of what the view shows.
#pragma once

#include <cstddef>
#include <cstdint>

// A PNG of `width` x `height` RGB pixels (rows bottom-up, as GL reads them),
// written under a temporary name and renamed. False when it cannot be written.
bool write_png(const char* path, int width, int height, const std::uint8_t* rgb_bottom_up);

// Bytes a PNG of width x height RGB pixels takes when stored uncompressed.
std::size_t stored_png_size(int width, int height);
// A PNG of `width` x `height` RGB pixels (rows bottom-up) stored uncompressed,
// built in `scratch` (stored_png_size bytes) and written under a temporary name
// and renamed. Allocates nothing: for one picture per frame. False on failure.
bool write_stored_png(const char* path, int width, int height, const std::uint8_t* rgb_bottom_up,
                      std::uint8_t* scratch);
