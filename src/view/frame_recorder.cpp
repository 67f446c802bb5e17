// The recorder: a movie pipe or a numbered PNG sequence.
#include "view/frame_recorder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "view/png_file.h"

bool FrameRecorder::start(long frame_number, int width, int height, bool use_ffmpeg) {
    if (active_ || width <= 0 || height <= 0) return false;
    if (use_ffmpeg) {
        free_file_name(target_, sizeof target_, "kelvaro", frame_number, ".mp4");
        if (!movie_.open(target_, width, height)) return false;
    } else {
        free_file_name(target_, sizeof target_, "kelvaro", frame_number, "");
        if (mkdir(target_, 0755) != 0 && errno != EEXIST) return false;
        if (!png_) png_ = std::make_unique<PngWriter>(PngLevel::Stored);
        if (!png_->reserve(width, height)) return false;
    }
    pixels_.reset(new std::uint8_t[std::size_t(width) * height * 3]);
    as_pngs_ = !use_ffmpeg;
    width_ = width;
    height_ = height;
    frames_ = 0;
    active_ = true;
    return true;
}

bool FrameRecorder::add_frame() {
    if (!active_) return false;
    bool ok;
    if (as_pngs_) {
        char name[96];
        std::snprintf(name, sizeof name, "%s/%06ld.png", target_, frames_);
        ok = png_->write(name, width_, height_, pixels_.get());
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
    const bool ok = as_pngs_ ? true : movie_.close();
    pixels_.reset();
    return ok;
}
