// Nothing allocates while the simulation runs. Every heap allocation of the
// process goes through the replacements below (operator new through malloc),
// which count while a window is open; a few hundred frames with everything the
// keys can ask for (division, gravity, pushed cells walking, divide-all, saves,
// reloads) and the live signal worker must make none.
#include <execinfo.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <new>

#include "support.h"

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t n, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* p);
}

namespace {

std::atomic<bool> g_counting{false};
std::atomic<int> g_allocations{0};

// Where the first few counted allocations came from, for the failure message.
constexpr int kKept = 4;
constexpr int kDepth = 16;
struct Origin {
    std::size_t size;
    int depth;
    void* frames[kDepth];
};
Origin g_origins[kKept];
thread_local bool t_inside = false;  // backtrace() itself must not be counted

void note(std::size_t size) {
    if (!g_counting.load(std::memory_order_relaxed) || t_inside) return;
    t_inside = true;
    const int n = g_allocations.fetch_add(1);
    if (n < kKept) {
        g_origins[n].size = size;
        g_origins[n].depth = backtrace(g_origins[n].frames, kDepth);
    }
    t_inside = false;
}

}  // namespace

extern "C" {
void* malloc(std::size_t size) noexcept {
    note(size);
    return __libc_malloc(size);
}
void* calloc(std::size_t n, std::size_t size) noexcept {
    note(n * size);
    return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t size) noexcept {
    note(size);
    return __libc_realloc(p, size);
}
void free(void* p) noexcept {
    __libc_free(p);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
    note(size);
    return __libc_memalign(alignment, size);
}
void* memalign(std::size_t alignment, std::size_t size) noexcept {
    note(size);
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size) noexcept {
    note(size);
    *out = __libc_memalign(alignment, size);
    return *out ? 0 : ENOMEM;
}
}

void* operator new(std::size_t size) {
    if (void* p = malloc(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    free(p);
}
void operator delete[](void* p) noexcept {
    free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    free(p);
}

namespace {

// Counts the allocations of everything between start() and stop().
class AllocationWindow {
   public:
    AllocationWindow() {
        void* warm[1];
        backtrace(warm, 1);  // loads the unwinder now, not inside a count
    }
    void start() {
        g_allocations = 0;
        g_counting = true;
    }
    int stop() {
        g_counting = false;
        return g_allocations;
    }
    // The call stacks of the first allocations, on standard error.
    static void print_origins(int count) {
        for (int n = 0; n < count && n < kKept; ++n) {
            std::fprintf(stderr, "allocation %d: %zu bytes from\n", n, g_origins[n].size);
            backtrace_symbols_fd(g_origins[n].frames, g_origins[n].depth, STDERR_FILENO);
        }
    }
};

}  // namespace

using kt::FileTest;

TEST(AllocationCount, TheCountingSeesAnAllocation) {
    AllocationWindow window;
    window.start();
    int* volatile p = new int(7);  // volatile: the pair may not be optimised away
    delete p;
    void* volatile q = std::malloc(16);
    std::free(q);
    EXPECT_EQ(window.stop(), 2);
}

TEST_F(FileTest, FramesWithEveryRequestAndTheWorkerAllocateNothing) {
    // Gene k reads channels 2 and 3 and makes type 4 + k % 10; every third divides.
    kt::write_file(kGenomeFile, kt::sample_genome(12, 3));
    // A floor slab between a red and a blue organiser, placed so that it stays
    // on the lattice through two saves and reloads (+40 each on x and y).
    std::string colony;
    for (int x = -39; x <= -10; ++x)
        for (int y = -39; y <= -30; ++y)
            for (int z = 1; z <= 3; ++z) {
                const int type = x == -39 ? 2 : x == -10 ? 3 : 1;
                colony += std::to_string(type) + " " + std::to_string(x) + " " + std::to_string(y) +
                          " " + std::to_string(z) + "\n";
            }
    kt::write_file(kCellFile, colony);
    load_dna();
    load_file();
    init_infra();
    k_v = k_g = 1;
    std::filesystem::remove(kGenomeDump);  // only the reloads write it again
    signal_worker_start();                 // starting a thread allocates: before the count
    ASSERT_TRUE(signal_worker_running());

    int most = 0, pushed_frames = 0;
    AllocationWindow window;
    window.start();
    for (int frame = 1; frame <= 300; ++frame) {
        if (frame % 10 == 0) kReturn = 1;
        if (frame % 150 == 5) k_p = 1;
        if (frame % 50 == 0) kSpace = 1;
        frame_pass();
        most = std::max(most, int(Cells_count));
        for (int i = 0; i < Cells_count; ++i) {
            if (Cells[i].clamps > 1) {
                ++pushed_frames;
                break;
            }
        }
    }
    const int allocations = window.stop();
    signal_worker_stop();
    AllocationWindow::print_origins(allocations);
    EXPECT_EQ(allocations, 0);

    // The frames did what they were meant to: grew, pushed, saved and reloaded.
    EXPECT_GT(most, 2 * 900);
    EXPECT_GT(pushed_frames, 100);
    EXPECT_NE(kt::read_file(kCellFile), colony);
    EXPECT_TRUE(std::filesystem::exists(kGenomeDump));
    EXPECT_GT(Cells_count, 0);
}
