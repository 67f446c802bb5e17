// The states that paused steps started from, kept in memory so that a step
// can be undone (F7 in the window program). Each is a checkpoint's payload:
// the newest whole, every older one as a zstd patch against the state after
// it, in one ring of memory taken when the first state is kept. When the ring
// is full the oldest states go first. Main thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/checkpoint.h"

// Memory for the patches; the two whole states come on top of it. At 200 000
// cells a state is about 31 MB whole and 0.1 to 1 MB as a patch.
inline constexpr std::size_t kStepRingBytes = std::size_t(128) << 20;
// The most states kept, whatever their size.
inline constexpr int kStepRingStates = 1024;

// Keeps the running state, as it stands between two frames, as the newest
// state; `frame` is its frame number. False when memory ran out (nothing kept
// then, the older states still there).
bool keep_step_state(std::int64_t frame);
// Makes the newest kept state the running state and forgets it, as a load
// does (the worker parked meanwhile). ok is false, with a reason, when none
// is kept; `frame` of the result is the state's frame number.
CheckpointLoad restore_step_state();
// Forgets every kept state; the memory stays for the next.
void clear_step_states();
// States kept.
int step_states_kept();
// Memory the ring holds: the patches' ring and the whole states' buffers.
std::size_t step_ring_bytes();
// Bytes the kept patches take in the ring.
std::size_t step_ring_patch_bytes();
