// PNG files of what the view shows: RGB pixels as GL reads them (rows
// bottom-up), deflated by zlib at the level the use wants and written through
// the atomic writer. The deflate state and the buffers are kept from one
// picture to the next, so that a picture per frame allocates nothing after the
// first of its size.
#pragma once

#include <cstdint>
#include <memory>

// How hard zlib works on the pixels.
enum class PngLevel {
    Stored = 0,   // a copy and the checksums: recording, where the frame rate matters
    Fastest = 1,  // a picture of the colony (mostly sky) shrinks well even so: batch pictures
    Default = 6,  // zlib's default: screenshots
};

// Writes PNGs of RGB pixels one after another, at one level.
class PngWriter {
   public:
    // A writer at `level`.
    explicit PngWriter(PngLevel level);
    ~PngWriter();
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

    // A PNG of width x height RGB pixels (rows bottom-up), written under a
    // temporary name and renamed once on the disk. False when it cannot be
    // written (errno tells why, when the file was the trouble).
    bool write(const char* path, int width, int height, const std::uint8_t* rgb_bottom_up);

    // Takes the deflate state and the buffers for pictures of width x height
    // now, so that writing them allocates nothing. False without memory.
    bool reserve(int width, int height);

    // Its deflate state and buffers (in the writer's source).
    struct State;

   private:
    std::unique_ptr<State> s_;
};

// The first of "PREFIX-NNNNNN" + ext, "PREFIX-NNNNNN-2" + ext, ... (NNNNNN the
// frame) that names nothing yet, into `out`; the last one tried when all 99
// exist. For screenshots and recordings, so that a paused frame taken twice
// keeps both.
void free_file_name(char* out, int size, const char* prefix, long frame, const char* ext);
