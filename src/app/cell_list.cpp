// The cell list file "list.txt": the colony as text, four integers per cell
// (type, x, y, z). Saved as is; loaded with x and y shifted by +40.
#include "app/cell_list.h"
#include "app/files.h"
#include "sim/simulation.h"

#include <cstdint>
#include <cstdio>

namespace {

bool is_space(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int digit_value(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// Where the reader stands: the line, and the bytes a number took before it
// turned out not to be one ("-", "0x"), for the report.
struct Scan {
    int line = 1;
    char taken[4] = "";
    int n = 0;
};

// Takes the white space before the next byte, counting the line breaks;
// returns the next byte, or -1 at the end.
int skip_space(FileReader& in, Scan& at) {
    int c = in.peek();
    while (is_space(c)) {
        at.line += c == '\n';
        in.get();
        c = in.peek();
    }
    return c;
}

// One integer in C's "%i" notation after any white space: an optional sign,
// then hexadecimal after "0x", octal after a leading "0", or decimal. Values
// saturate far outside any valid record. False when no number is there.
bool read_int(FileReader& in, std::int64_t& out, Scan& at) {
    int c = skip_space(in, at);
    at.n = 0;
    auto take = [&] {  // a byte of the number's prefix: sign, "0", "x"
        at.taken[at.n++] = char(in.get());
        at.taken[at.n] = '\0';
        return in.peek();
    };
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        c = take();
    }
    if (c < '0' || c > '9') return false;
    int base = 10;
    if (c == '0') {
        c = take();
        if (c == 'x' || c == 'X') {
            if (digit_value(take()) >= 16) return false;  // "0x" without digits
            base = 16;
        } else {
            base = 8;
        }
    }
    constexpr std::int64_t kLimit = std::int64_t(1) << 40;
    std::int64_t v = 0;
    for (int d = digit_value(in.peek()); d < base; d = digit_value(in.peek())) {
        in.get();
        if (v < kLimit) v = v * base + d;
    }
    out = negative ? -v : v;
    at.n = 0;
    return true;
}

// Where and why reading stopped: the text that is not a number (its first
// bytes, with what the number took of them), or a record cut short by the end.
void note_stop(FileReader& in, const Scan& at, int got, int record_line, CellLoadReport& report) {
    int c = in.peek();
    if (c < 0 && at.n == 0) {
        report.stop_line = record_line;
        std::snprintf(report.stop_reason, sizeof report.stop_reason,
                      "the file ends after %d of a record's 4 numbers", got);
        return;
    }
    report.stop_line = at.line;
    char word[17];
    int n = 0;
    for (; n < at.n; ++n) word[n] = at.taken[n];
    for (; n < 16 && c >= 0 && !is_space(c); c = in.peek()) word[n++] = char(in.get());
    word[n] = '\0';
    std::snprintf(report.stop_reason, sizeof report.stop_reason, "'%s%s' is not a number", word,
                  c >= 0 && !is_space(c) ? "..." : "");
}

bool on_lattice(std::int64_t v) {
    return v >= kInteriorMin && v <= kInteriorMax;
}

}  // namespace

bool save_cell_list_to(const char* path) {
    AtomicFileWriter out(path);
    const int n = Cells_count;
    for (int i = 0; i < n; ++i) {
        const TCells& c = Cells[i];
        out.put_int(c.type);
        out.put(' ');
        out.put_int(c.x);
        out.put(' ');
        out.put_int(c.y);
        out.put(' ');
        out.put_int(c.z);
        out.put('\n');
    }
    return out.commit();
}

void save_cell_list() {
    save_cell_list_to(kCellFile);
}

CellLoadReport load_cell_list_from(const char* path, int shift) {
    CellLoadReport report;
    WorkerPause pause;  // the worker must not see the world half cleared or half filled

    // All four grids, whole: nothing of the discarded colony may survive, not
    // on layer 200 and not as stale column heights under the new floor cells.
    clear_grids(true);
    publish_cells_count(0);

    FileReader in(path);
    report.opened = in.opened();
    std::int64_t rec[4];
    Scan at;
    for (;;) {
        int got = 0;
        skip_space(in, at);
        const int record_line = at.line;
        while (got < 4 && read_int(in, rec[got], at)) ++got;
        if (got < 4) {
            // The end of the file, or text that is not a number: no cell is made
            // of values that were not read.
            report.stopped_at_text = in.peek() >= 0 || got > 0 || at.n > 0;
            if (report.stopped_at_text) note_stop(in, at, got, record_line, report);
            break;
        }
        const std::int64_t t = rec[0], x = rec[1] + shift, y = rec[2] + shift, z = rec[3];
        if (!on_lattice(x) || !on_lattice(y) || !on_lattice(z)) {
            ++report.outside;
            continue;
        }
        // Any type loads, since genes can make any: it emits nothing and has
        // threshold 0 wherever it lies outside the tables.
        if (Cells_count >= kMaxCells) {
            report.table_full = true;
            break;
        }
        const int n = Cells_count;
        Cells[n] = TCells{int(x), int(y), int(z), int(t), 0};
        put_to_world(&Cells[n]);
        publish_cells_count(n + 1);
    }
    report.loaded = Cells_count;
    history_loaded(Cells_count);
    settle_signal(kSettlingPasses);
    return report;
}

void load_cell_list() {
    load_cell_list_from(kCellFile, kLoadShift);
}
