// PNG sequences written quickly: zlib's fastest level compresses a picture of
// the colony (mostly sky) about as well as the screenshot writer does, in a
// fraction of its time. The deflate state and the buffers are kept from one
// picture to the next, so that a picture per frame allocates nothing after the
// first of its size.
#pragma once

#include <cstdint>
#include <memory>

// Writes PNGs of RGB pixels one after another.
class PngSequenceWriter {
   public:
    PngSequenceWriter();
    ~PngSequenceWriter();
    PngSequenceWriter(const PngSequenceWriter&) = delete;
    PngSequenceWriter& operator=(const PngSequenceWriter&) = delete;

    // A PNG of width x height RGB pixels (rows bottom-up, as GL reads them),
    // written under a temporary name and renamed. False when it cannot be
    // written (errno tells why, when the file was the trouble).
    bool write(const char* path, int width, int height, const std::uint8_t* rgb_bottom_up);

   private:
    struct State;
    std::unique_ptr<State> s_;
};
