// Text, rectangles and panels drawn over the view in screen space, shared by
// the overlay and the panels for looking inside. They expect an orthographic
// projection in window pixels, y down, and leave the current colour changed.
#pragma once

#include <cstdint>

namespace screen {

inline constexpr float kTextScale = 1.5f;  // stb_easy_font's glyphs, scaled up
inline constexpr int kLine = 15;           // pixels between text lines at that scale

// One line of text with its top left at (x, y), in the colour given.
void text(float x, float y, const char* s, std::uint8_t r = 255, std::uint8_t g = 255,
          std::uint8_t b = 255);
// A filled rectangle in the current colour.
void rect(float x0, float y0, float x1, float y1);
// The panels' grey, 0..255 on each channel.
inline constexpr int kPanelGrey = 40;
// A dark panel (opaque), drawn as a clear of its pixels over the screen that
// begin_screen set up.
void panel(float x0, float y0, float x1, float y1);
// The width the text takes on screen.
float text_width(const char* s);
// A box on the screen, in window pixels.
struct Box {
    float x0, y0, x1, y1;  // top left and bottom right corners
};
// A panel sized to its lines, at (x, y), or right-aligned to x when `right`;
// returns the panel's box.
Box text_panel(float x, float y, const char* const* lines, int n, bool right);

// Saves the whole GL state and the matrix, then sets up screen space over
// everything: window pixels, y down, no depth test, blending on. The frame
// pass relies on the matrices and the depth test as it left them, and the
// next frame's cells may inherit the current colour, so all of it comes back.
void begin_screen(int width, int height);
// Restores what begin_screen saved.
void end_screen();

}  // namespace screen
