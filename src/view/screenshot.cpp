// Screenshots and the one-line corner note, for the window and pictures alike.
#include "view/screenshot.h"

#include <GL/gl.h>

#include <cstdint>

#include "app/files.h"
#include "app/frame_pass.h"
#include "view/gl_text.h"
#include "view/gl_view.h"
#include "view/png_file.h"

void draw_corner_text(int width, int height, const char* line) {
    screen::begin_screen(width, height);
    screen::text_panel(6, 6, &line, 1, false);
    screen::end_screen();
}

bool save_screenshot(int width, int height, char* name, std::size_t name_size) {
    if (width <= 0 || height <= 0) return false;
    // Taken at the first screenshot (a user's action, not the simulation's) and kept.
    static std::uint8_t* pixels = nullptr;
    static int capacity = 0;
    if (capacity < width * height * 3) {
        delete[] pixels;
        capacity = width * height * 3;
        pixels = new std::uint8_t[capacity];
    }
    read_back_frame(width, height, pixels);
    static PngWriter png(PngLevel::Default);
    free_file_name(name, name_size, "kelvaro", frame_number, ".png");
    return png.write(name, width, height, pixels);
}
