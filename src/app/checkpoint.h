// Checkpoints: one binary file with everything that decides a colony's future
// (the frame number, the generator, the switches, the genome and the per-type
// tables, the cell table and every non-zero site of the four grids), so that a
// run can stop and continue exactly. The format is laid out in the README.
#pragma once

#include <cstddef>
#include <cstdint>

// The file F5 writes and F9 reads in the window program's working folder.
inline constexpr const char* kCheckpointFile = "kelvaro.ckpt";
// The format's version: 2 adds the per-cell history (HIST). A reader takes
// versions 1 and 2 and refuses every other.
inline constexpr std::uint32_t kCheckpointVersion = 2;

// What only the window program keeps: its view switches and its camera. The
// view layer fills it before a save and applies it after a load; the app layer
// only stores it, and kelvaro-batch ignores it.
struct CheckpointView {
    bool present = false;          // the file has (or is to get) a view section
    bool type_one_shown = true;    // L
    bool axes_shown = true;        // M
    std::int32_t isolate = 0;      // move_file: isolate mode when non-zero
    std::int32_t show_len = 1;     // the isolated type, the level the overlay marks
    float camera[5] = {};          // x, y, z, pitch, heading
    std::uint8_t hidden[13] = {};  // types hidden one by one: bit t for 0..99, bit 100 the rest
};

// What a load found. On a refusal nothing of the running state has changed.
struct CheckpointLoad {
    bool ok = false;         // the checkpoint was valid and is now the running state
    char reason[160] = "";   // why it was refused: one line, without the file name
    std::int64_t frame = 0;  // frames done when it was written
    CheckpointView view;     // its view section (present false when it has none)
};

// Writes the running state as it stands between two frames, with `frame` and
// the view section when view.present, through the atomic writer: a failed
// write leaves the previous file as it was. The worker is parked while the
// state is read. Buffers are kept for the next save. False when it failed.
bool save_checkpoint(const char* path, std::int64_t frame, const CheckpointView& view);

// Reads a checkpoint into scratch space and validates all of it; only a valid
// one replaces the running state (the worker parked meanwhile, everything
// derived from the genome rebuilt). Refuses, with the reason, a missing file, a
// wrong magic or version, a bad checksum, a truncated file, sizes beyond the
// tables, coordinates off the lattice, counts that disagree and values that no
// run can make.
CheckpointLoad load_checkpoint(const char* path);

// The same check on bytes in memory, without applying anything: for tests.
CheckpointLoad check_checkpoint_bytes(const std::uint8_t* data, std::size_t size);

class Bytes;
// The running state as a checkpoint's payload (the sections, uncompressed,
// without a view) into `out`, whose memory is kept for the next use; the
// worker is parked while the state is read. False when memory ran out.
bool capture_checkpoint_payload(Bytes& out, std::int64_t frame);
// Checks a payload as a load does and, only when all of it is valid, makes it
// the running state; `frame` of the result is its frame number.
CheckpointLoad apply_checkpoint_payload(const std::uint8_t* data, std::size_t size);

// CRC-32 (the one zlib and PNG use) of n bytes, continuing from `crc`.
std::uint32_t checkpoint_crc32(const void* data, std::size_t n, std::uint32_t crc = 0);
