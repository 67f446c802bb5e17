// The states paused steps started from. Two neighbouring states differ in a
// few cells and the levels around them, so each older state is kept as a zstd
// frame compressed with the state after it as its prefix (long-distance
// matching finds the long runs they share): a few hundred kilobytes where the
// whole payload takes tens of megabytes. The newest state is kept whole, since
// it is both the next to restore and the prefix of the patch before it.
#include "app/step_ring.h"
#include "app/bytes.h"

#include <zstd.h>
#include <zstd_errors.h>

#include <bit>
#include <cstdio>
#include <utility>

namespace {

// One older state: where its patch lies in the arena.
struct Patch {
    std::size_t at, size;
};

constexpr int kPatches = kStepRingStates - 1;  // the newest state is whole

struct Ring {
    Bytes top;   // the newest kept state, whole
    Bytes next;  // the state being kept, or the older one being rebuilt
    bool has_top = false;
    std::unique_ptr<std::uint8_t[]> arena;  // the patches, in the order they were made
    Patch patch[kPatches];
    int oldest = 0, count = 0;  // the patches, oldest first, in a circular index
    ZSTD_CCtx* cctx = nullptr;
    ZSTD_DCtx* dctx = nullptr;

    ~Ring() {
        ZSTD_freeCCtx(cctx);
        ZSTD_freeDCtx(dctx);
    }
    // The k-th oldest patch.
    Patch& nth(int k) { return patch[(oldest + k) % kPatches]; }
    void drop_oldest() {
        oldest = (oldest + 1) % kPatches;
        --count;
    }
    bool set_up();
    std::size_t free_region(std::size_t& at);
    std::size_t compress(std::uint8_t* dst, std::size_t capacity);
    bool store_patch();
    bool rebuild_newest_patch();
};

Ring& ring() {
    static Ring r;
    return r;
}

// Taken once, with the first state kept; only the whole states grow later.
bool Ring::set_up() {
    if (arena) return true;
    arena.reset(new (std::nothrow) std::uint8_t[kStepRingBytes]);
    cctx = ZSTD_createCCtx();
    dctx = ZSTD_createDCtx();
    if (!arena || !cctx || !dctx) return false;
    ZSTD_CCtx_setParameter(cctx, ZSTD_c_compressionLevel, 1);
    ZSTD_CCtx_setParameter(cctx, ZSTD_c_enableLongDistanceMatching, 1);
    ZSTD_DCtx_setParameter(dctx, ZSTD_d_windowLogMax, 30);
    return true;
}

// The largest free run of the arena where the next patch may go, after the
// newest patch or, wrapping round, before the oldest.
std::size_t Ring::free_region(std::size_t& at) {
    at = 0;
    if (count == 0) return kStepRingBytes;
    const Patch &first = nth(0), &last = nth(count - 1);
    const std::size_t end = last.at + last.size;
    if (last.at < first.at) {  // wrapped: the free run lies between them
        at = end;
        return first.at - end;
    }
    if (kStepRingBytes - end >= first.at) {
        at = end;
        return kStepRingBytes - end;
    }
    return first.at;
}

// The newest state compressed against the state after it: zstd's result.
std::size_t Ring::compress(std::uint8_t* dst, std::size_t capacity) {
    ZSTD_CCtx_reset(cctx, ZSTD_reset_session_only);
    // The window reaches over the prefix; at least 16 MB, so that small
    // colonies keep one set of tables.
    const int window = std::max(24, int(std::bit_width(top.size() + next.size())));
    ZSTD_CCtx_setParameter(cctx, ZSTD_c_windowLog, std::min(window, 30));
    ZSTD_CCtx_refPrefix(cctx, next.data(), next.size());
    return ZSTD_compress2(cctx, dst, capacity, top.data(), top.size());
}

// Stores `top` as a patch against `next`, dropping the oldest patches for
// room: first into the free run there is, then, if it was too small, into
// one that holds the largest frame zstd can make of it.
bool Ring::store_patch() {
    if (count == kPatches) drop_oldest();
    const std::size_t bound = ZSTD_compressBound(top.size());
    if (bound > kStepRingBytes) return false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::size_t at;
        if (attempt == 1)
            while (free_region(at) < bound) drop_oldest();
        const std::size_t room = free_region(at);
        const std::size_t size = compress(arena.get() + at, room);
        if (!ZSTD_isError(size)) {
            nth(count++) = {at, size};
            return true;
        }
        if (ZSTD_getErrorCode(size) != ZSTD_error_dstSize_tooSmall) return false;
    }
    return false;
}

// Rebuilds the newest patch's state into `next`, against `top`.
bool Ring::rebuild_newest_patch() {
    const Patch p = nth(count - 1);
    const std::uint8_t* frame = arena.get() + p.at;
    const unsigned long long size = ZSTD_getFrameContentSize(frame, p.size);
    if (size == ZSTD_CONTENTSIZE_ERROR || size == ZSTD_CONTENTSIZE_UNKNOWN || !next.resize(size))
        return false;
    // A prefix is raw content, as a dictionary of raw content is; given as a
    // dictionary it takes no allocation (a referenced prefix takes one each time).
    return ZSTD_decompress_usingDict(dctx, next.data(), size, frame, p.size, top.data(),
                                     top.size()) == size;
}

}  // namespace

bool keep_step_state(std::int64_t frame) {
    Ring& r = ring();
    if (!r.set_up()) return false;
    if (!capture_checkpoint_payload(r.next, frame)) return false;
    // A buffer that doubled past the state would hold memory the ring never
    // uses: an eighth to spare lets a colony grow for a while without a new one.
    r.next.trim(r.next.size() + r.next.size() / 8);
    // The patches are a chain down from the newest state: one that cannot be
    // made cuts the chain, and the older states go with it.
    if (r.has_top && !r.store_patch()) r.count = 0;
    std::swap(r.top, r.next);
    r.has_top = true;
    return true;
}

CheckpointLoad restore_step_state() {
    Ring& r = ring();
    CheckpointLoad load;
    if (!r.has_top) {
        std::snprintf(load.reason, sizeof load.reason, "no step kept");
        return load;
    }
    load = apply_checkpoint_payload(r.top.data(), r.top.size());
    if (!load.ok || r.count == 0) {
        clear_step_states();
        return load;
    }
    if (!r.rebuild_newest_patch()) {
        clear_step_states();  // the chain is broken: nothing older can come back
        return load;
    }
    std::swap(r.top, r.next);
    --r.count;
    return load;
}

void clear_step_states() {
    ring().has_top = false;
    ring().count = 0;
    ring().oldest = 0;
}

int step_states_kept() {
    const Ring& r = ring();
    return r.has_top ? 1 + r.count : 0;
}

std::size_t step_ring_patch_bytes() {
    Ring& r = ring();
    std::size_t n = 0;
    for (int k = 0; k < r.count; ++k) n += r.nth(k).size;
    return n;
}

std::size_t step_ring_bytes() {
    const Ring& r = ring();
    return (r.arena ? kStepRingBytes : 0) + r.top.capacity() + r.next.capacity();
}
