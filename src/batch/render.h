// Pictures of a batch run: the window program's own drawing (sky, axis
// markers, cells in type colours, the signal overlay rule) in an off-screen
// EGL context, saved as PNGs and piped to ffmpeg as a movie. A build without
// OpenGL and EGL links a stand-in that refuses every picture option.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "batch.h"

// True when this program was built with rendering (OpenGL and EGL).
bool rendering_built();

// Checks and parses the picture options (--render-*, --camera, --movie and the
// rest) into `o`; false with `error` set on a mistake.
bool check_render_options(BatchOptions& o, std::string& error);

// Parses the texts that set how a picture looks (--render-size, --camera,
// --heat, --slice) into `o`; false with `error` set on a mistake. Part of
// check_render_options, and enough for a single picture.
bool parse_picture_look(BatchOptions& o, std::string& error);

// True when the command line asks for any picture.
inline bool wants_pictures(const BatchOptions& o) {
    return o.render_every > 0;
}

// The pictures of one run: opened before the first frame, one call per frame
// after its pass, closed at the end. Each returns an exit status; when it is
// not kExitOk, error() holds the one line to print (without the program name).
class BatchRenderer {
   public:
    BatchRenderer();
    ~BatchRenderer();
    BatchRenderer(const BatchRenderer&) = delete;
    BatchRenderer& operator=(const BatchRenderer&) = delete;

    // Finds ffmpeg, creates the context, the picture folder and the movie pipe.
    int open(const BatchOptions& o);
    // After frame `frame`'s pass: draws the colony and writes the picture when
    // the frame is one of every render_every. Allocates nothing but what the
    // PNG encoder needs.
    int frame(int frame);
    // Draws the colony as it stands, stamped with `frame` when asked, and reads
    // the picture back into pixels(). Needs an open() that wants pictures.
    int draw(int frame);
    // The last picture drawn: RGB, render_width x render_height, bottom row first.
    const std::uint8_t* pixels() const;
    // Finishes the movie and waits for ffmpeg.
    int close();
    // The message of the last failure.
    const char* error() const;

   private:
    struct State;
    std::unique_ptr<State> state_;
};
