// Movies through ffmpeg: frames of raw RGB pixels piped to an ffmpeg process
// that encodes them as H.264. Free of GL, for the window's recording and for
// pictures made without a window alike.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

// An executable named ffmpeg lies in a folder of PATH.
bool ffmpeg_on_path();

// One ffmpeg process writing one movie file.
class MoviePipe {
   public:
    // No movie yet.
    MoviePipe() = default;
    // One process, one owner.
    MoviePipe(const MoviePipe&) = delete;
    // One process, one owner.
    MoviePipe& operator=(const MoviePipe&) = delete;
    // Closes the movie if it is still open.
    ~MoviePipe();
    // Starts ffmpeg writing `path` (replaced if it exists) from frames of
    // width x height RGB pixels, rows bottom-up as GL reads them, at `fps`
    // frames per second (odd sizes get a black edge). False when ffmpeg cannot
    // be started. A write to an ffmpeg that has gone no longer kills the
    // program: SIGPIPE is ignored from then on.
    bool open(const char* path, int width, int height, int fps = 30);
    // Sends one frame of width * height * 3 bytes; false once ffmpeg has gone.
    bool write(const std::uint8_t* rgb_bottom_up);
    // Ends the stream and waits for ffmpeg; true when it finished without error.
    bool close();
    // A movie is being written.
    bool is_open() const { return fd_ >= 0; }

   private:
    int fd_ = -1;     // our end of ffmpeg's standard input
    pid_t pid_ = -1;  // the ffmpeg process
    std::size_t frame_bytes_ = 0;
};
