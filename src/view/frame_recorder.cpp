// The recorder: a movie pipe or a numbered PNG sequence.
#include "view/frame_recorder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "view/png_file.h"

bool FrameRecorder::start(long frame_number, int width, int height, bool use_ffmpeg) {
    if (active_ || width <= 0 || height <= 0) return false;
    if (use_ffmpeg) {
        std::snprintf(target_, sizeof target_, "kelvaro-%06ld.mp4", frame_number);
        if (!movie_.open(target_, width, height)) return false;
        png_.reset();
    } else {
        std::snprintf(target_, sizeof target_, "kelvaro-%06ld", frame_number);
        if (mkdir(target_, 0755) != 0 && errno != EEXIST) return false;
        png_.reset(new std::uint8_t[stored_png_size(width, height)]);
    }
    pixels_.reset(new std::uint8_t[std::size_t(width) * height * 3]);
    width_ = width;
    height_ = height;
    frames_ = 0;
    active_ = true;
    return true;
}

bool FrameRecorder::add_frame() {
    if (!active_) return false;
    bool ok;
    if (png_) {
        char name[96];
        std::snprintf(name, sizeof name, "%s/%06ld.png", target_, frames_);
        ok = write_stored_png(name, width_, height_, pixels_.get(), png_.get());
    } else {
        ok = movie_.write(pixels_.get());
    }
    if (!ok) {
        stop();
        return false;
    }
    ++frames_;
    return true;
}

bool FrameRecorder::stop() {
    if (!active_) return false;
    active_ = false;
    const bool ok = png_ ? true : movie_.close();
    pixels_.reset();
    png_.reset();
    return ok;
}
