// Recording what the window shows: every frame into a movie through ffmpeg
// ("kelvaro-NNNNNN.mp4", H.264 at 30 frames per second) or, without ffmpeg on
// PATH, into numbered uncompressed PNGs in the folder "kelvaro-NNNNNN/"
// (000000.png, 000001.png, ...), NNNNNN the frame number at the start. The
// buffers are allocated when recording starts; a recorded frame allocates
// nothing. Free of GL: the caller fills pixels().
#pragma once

#include <cstdint>
#include <memory>

#include "view/movie_pipe.h"
#include "view/png_file.h"

// One recording at a time.
class FrameRecorder {
   public:
    // Starts recording frames of width x height pixels, as a movie when
    // `use_ffmpeg`, else as PNGs. False when neither the movie nor the folder
    // can be made.
    bool start(long frame_number, int width, int height, bool use_ffmpeg);
    // The buffer of the next frame: width * height RGB pixels, rows bottom-up.
    std::uint8_t* pixels() { return pixels_.get(); }
    // Writes out the frame in pixels(); false when it could not be written (the
    // recording then stops).
    bool add_frame();
    // Ends the recording (waits for ffmpeg to finish the file); false when the
    // movie did not end well.
    bool stop();
    // A recording runs.
    bool active() const { return active_; }
    // The width of its frames.
    int width() const { return width_; }
    // The height of its frames.
    int height() const { return height_; }
    // Frames recorded so far.
    long frames() const { return frames_; }
    // The movie file or the PNG folder.
    const char* target() const { return target_; }

   private:
    bool active_ = false;
    int width_ = 0, height_ = 0;
    long frames_ = 0;
    char target_[64] = "";
    MoviePipe movie_;
    std::unique_ptr<std::uint8_t[]> pixels_;
    bool as_pngs_ = false;            // PNGs into the folder, not a movie
    std::unique_ptr<PngWriter> png_;  // kept from one recording to the next
};
