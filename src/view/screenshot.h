// Screenshots (F12) and the one-line note in a corner of the view. GL side.
#pragma once

#include <cstddef>

// One line of text on a dark panel in the top left corner of a client area
// of width x height; leaves every piece of GL state as it found it.
void draw_corner_text(int width, int height, const char* line);
// Reads the frame just drawn (before the swap) and saves it as
// "kelvaro-NNNNNN.png" (NNNNNN the frame number) in the working folder; `name`
// gets the file's name. False when it could not be written.
bool save_screenshot(int width, int height, char* name, std::size_t name_size);
