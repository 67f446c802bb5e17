// Nothing allocates while the simulation runs. Every heap allocation of the
// process goes through the replacements below (libstdc++'s operator new calls
// malloc), which count inside allocations_of(); 300 frames of the busy colony
// with the live signal worker must make none.
#include <algorithm>
#include <atomic>

#include <fcntl.h>
#include <unistd.h>

#include "support.h"
#include "view/frame_recorder.h"
#include "view/page_file.h"
#include "view/picking.h"
#include "view/designer_requests.h"
#include "view/run_control.h"
#include "app/step_ring.h"

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t n, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
}

namespace {

std::atomic<bool> g_counting{false};
std::atomic<int> g_allocations{0};

void note() {
    if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1);
}

// The allocations of the whole process while fn() runs.
template <class Fn>
int allocations_of(Fn&& fn) {
    g_allocations = 0;
    g_counting = true;
    fn();
    g_counting = false;
    return g_allocations;
}

// Takes what a frame draws and forgets it.
struct NullSink {
    void begin() {}
    void end() {}
    void color_ub(std::uint8_t, std::uint8_t, std::uint8_t) {}
    void color_d(double, double, double) {}
    void vertex(double, double, double) {}
};

}  // namespace

// free and the aligned forms stay the C library's: what the three below hand
// out is the C library's own memory.
extern "C" {
void* malloc(std::size_t size) noexcept {
    note();
    return __libc_malloc(size);
}
void* calloc(std::size_t n, std::size_t size) noexcept {
    note();
    return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t size) noexcept {
    note();
    return __libc_realloc(p, size);
}
}

using Worker = kt::FileTest;

TEST_F(Worker, TheBusyColonysFramesAllocateNothing) {
    int* volatile p = nullptr;  // volatile: the allocation may not be optimised away
    ASSERT_EQ(allocations_of([&] { p = new int(7); }), 1);  // the counting sees new
    delete p;
    const std::string colony = kt::busy_colony();
    std::filesystem::remove(kGenomeDump);  // only the reloads write it again
    signal_worker_start();                 // starting a thread allocates: before the count
    int most = 0, pushed_frames = 0, resting = 0;
    const int allocations = allocations_of([&] {
        for (int frame = 1; frame <= 300; ++frame) {
            kt::busy_frame(frame);
            resting += colony_at_rest();  // the check of a run that stops at rest
            most = std::max(most, int(Cells_count));
            pushed_frames += std::any_of(Cells, Cells + Cells_count,
                                         [](const TCells& c) { return c.clamps > 1; });
        }
    });
    signal_worker_stop();
    EXPECT_EQ(allocations, 0);
    // The frames did what they were meant to: grew, pushed, saved and reloaded.
    EXPECT_TRUE(most > 2 * 900 && pushed_frames > 100 && resting == 0)
        << most << " " << pushed_frames << " " << resting;
    EXPECT_TRUE(kt::read_file(kCellFile) != colony && std::filesystem::exists(kGenomeDump));
}

// Looking inside a ball: paused and stepped frames, the slice, the heat map,
// picking, and recording after it started (F11 takes the buffers).
TEST_F(Worker, LookingInsideAllocatesNothingAfterRecordingStarts) {
    kt::ball(3000, 3, 50, 50, 50);
    init_view_flags();
    k_g = 1;
    slab = {SliceAxis::X, 48, 5};
    signal_worker_start();
    FrameRecorder pngs, movie;
    ASSERT_TRUE(pngs.start(1, 64, 48, false));
    const bool with_ffmpeg = ffmpeg_on_path() && movie.start(1, 64, 48, true);
    PageWriter page("grow.html", PageInfo{});  // a series of frames, as --html-every writes
    page.add_frame(0);
    NullSink sink;
    const int allocations = allocations_of([&] {
        for (int frame = 1; frame <= 60; ++frame) {
            paused = frame > 20 && frame < 50;  // a pause, with a step every fifth frame
            step_wanted = frame % 5 == 0;
            heat_channel = frame % 7;
            draw_view_frame_with(sink);
            EXPECT_GE(pick_cell(camera, 1000, 600, 500, 300), -1);
            ASSERT_TRUE(pngs.add_frame() && (!with_ffmpeg || movie.add_frame()));
            page.add_frame(frame);
        }
    });
    signal_worker_stop();
    EXPECT_EQ(allocations, 0);
    EXPECT_TRUE(pngs.stop() && (!with_ffmpeg || movie.stop()) && page.commit());
}

// The designer's keys once the step ring holds its first states: F3 steps
// that keep their start, F7 steps back, F8 reloads, and the events they make.
TEST_F(Worker, KeptStepsStepsBackAndFollowingAllocateNothing) {
    kt::ball(3000, 1, 50, 50, 50);
    init_view_flags();
    k_g = 1;
    paused = 1;
    kt::write_file(kGenomeFile, "EN=1;EN=1;EX=5\n");
    load_genome();
    genome_following = 1;
    NullSink sink;
    long frame = 0;
    const auto frame_with = [&](BOOLEAN& key) {
        key = 1;
        serve_designer_requests(frame);
        draw_view_frame_with(sink);
        ++frame;
    };
    for (int k = 0; k < 3; ++k) frame_with(step_wanted);  // the ring and zstd set up
    frame_with(step_back_wanted);
    std::vector<HistoryEvent> events;
    events.reserve(1 << 16);
    set_history_sink(kt::collect_events, &events);
    int counts[3];
    counts[0] = allocations_of([&] {
        for (int k = 0; k < 6; ++k) frame_with(step_wanted);
    });
    counts[1] = allocations_of([&] {
        for (int k = 0; k < 8; ++k) frame_with(step_back_wanted);  // back before any switch
    });
    counts[2] = allocations_of([&] {
        const int fd = open(kGenomeFile, O_WRONLY | O_APPEND);
        EXPECT_EQ(write(fd, "EN=1;EN=1;EX=6\n", 15), 15);
        close(fd);
        frame_with(step_wanted);
    });
    set_history_sink(nullptr, nullptr);
    EXPECT_EQ(std::vector<int>(counts, counts + 3), std::vector<int>(3, 0));
    EXPECT_EQ(std::pair(DNA_Count, step_states_kept()), std::pair(2, 1));
    EXPECT_GT(events.size(), 1000u);  // the genes switched the cells again
    stop_following();
    clear_step_states();
}
