// The embryo page's writer. The page is the head (style, the page's facts as
// JSON), one base64 block per frame, the tables of the types met, then three.js,
// its orbit control and the page's own script, all embedded at build time.
//
// A frame's bytes: each cell's x, y and z (one byte each: the lattice is 202
// sites a side), then each cell's entry in the table of (type, mark) pairs met
// so far, `wide` bytes each, little-endian. A frame after the first of its
// series may instead be a change: one bit per cell (set for a cell whose site
// or entry changed, or that is new), then the sites and entries of those
// cells only. Cells are appended and never reordered, so a cell keeps its
// index from frame to frame.
#include "view/page_file.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "app/files.h"
#include "sim/world.h"
#include "view/camera.h"
#include "view/cell_drawing.h"
#include "view/framing.h"
#include "view/point_batch.h"

// The page's parts, embedded from src/view/page/ and Debian's three.js.
extern const char kPageStyle[], kPageScript[], kPageThree[], kPageOrbit[], kPageLicence[];

namespace {

constexpr int kMaxEntries = 1 << 18;    // (type, mark) pairs a page may meet
constexpr int kEntrySlots = 1 << 19;    // the pairs' hash table, at most half full
constexpr std::size_t kMaxSeries = 16;  // colonies in one page
// The page's Content-Security-Policy: its own inline script and style, no load of any kind.
constexpr const char* kNoNetwork =
    "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'";

// Base64 onto a file, three bytes at a time, across any number of writes.
class Base64Out {
   public:
    explicit Base64Out(AtomicFileWriter& w) : w_(w) {}
    // Appends n bytes.
    void bytes(const std::uint8_t* p, std::size_t n) {
        for (std::size_t k = 0; k < n; ++k) byte(p[k]);
    }
    // Appends one byte.
    void byte(std::uint8_t b) {
        held_[held_n_++] = b;
        if (held_n_ == 3) emit(3);
    }
    // Pads out what is held.
    void finish() {
        if (held_n_ > 0) emit(held_n_);
    }

   private:
    void emit(int n) {
        static constexpr char kDigits[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        if (n < 3) std::memset(held_ + n, 0, 3 - n);
        const std::uint32_t v = std::uint32_t(held_[0]) << 16 | held_[1] << 8 | held_[2];
        for (int k = 0; k < 4; ++k) w_.put(k <= n ? kDigits[(v >> (18 - 6 * k)) & 63] : '=');
        held_n_ = 0;
    }
    AtomicFileWriter& w_;
    std::uint8_t held_[3] = {};
    int held_n_ = 0;
};

// A text as a JSON string that is safe inside a script element: quotes,
// backslashes and controls escaped, and <, > and & as \u escapes, so that no
// text can end the element or start markup.
void put_json_string(AtomicFileWriter& w, const std::string& text) {
    w.put('"');
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            w.put('\\');
            w.put(ch);
        } else if (c < 0x20 || c == '<' || c == '>' || c == '&') {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            w.put(esc);
        } else {
            w.put(ch);
        }
    }
    w.put('"');
}

// A text for an element's content or an attribute: the five markup characters escaped.
void put_html_text(AtomicFileWriter& w, const std::string& text) {
    for (const char ch : text) {
        switch (ch) {
            case '&': w.put("&amp;"); break;
            case '<': w.put("&lt;"); break;
            case '>': w.put("&gt;"); break;
            case '"': w.put("&quot;"); break;
            case '\'': w.put("&#39;"); break;
            default: w.put(ch);
        }
    }
}

// A number as JSON: plain decimal with up to 6 significant digits.
void put_number(AtomicFileWriter& w, double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v);
    w.put(text);
}

// Numbers as a JSON array.
void put_numbers(AtomicFileWriter& w, std::initializer_list<double> values) {
    w.put('[');
    const char* sep = "";
    for (const double v : values) {
        w.put(sep);
        put_number(w, v);
        sep = ",";
    }
    w.put(']');
}

// The signal mark of a cell as the overlay rule issues it: 0 for none, else
// 1 + the last of channels 2..5 whose level equals show_len (a later one wins).
std::uint8_t signal_mark(const TCells& c, int show_len) {
    const std::int32_t* level = world_signal[c.x][c.y][c.z];
    std::uint8_t mark = 0;
    for (int ch = 2; ch <= 5; ++ch)
        if (ld(level[ch]) == show_len) mark = std::uint8_t(ch - 1);
    return mark;
}

// A table entry, `wide` bytes, little-endian.
void put_entry(Base64Out& out, std::int32_t e, int wide) {
    for (int b = 0; b < wide; ++b) out.byte(std::uint8_t(std::uint32_t(e) >> (8 * b)));
}

}  // namespace

struct PageWriter::State {
    AtomicFileWriter file;
    int show_len;
    bool failed = false;
    std::vector<std::string> series;  // names, in order
    bool series_open = false;         // a frame of the current series was written
    // The (type, mark) pairs met, and a hash from pair to entry (-1: free slot).
    std::unique_ptr<std::int64_t[]> entries{new std::int64_t[kMaxEntries]};
    std::unique_ptr<std::int32_t[]> slots{new std::int32_t[kEntrySlots]};
    int entry_count = 0;
    // The series' last frame and the one being written: sites and entries.
    std::unique_ptr<std::uint8_t[]> site[2] = {
        std::make_unique<std::uint8_t[]>(3 * std::size_t(kMaxCells)),
        std::make_unique<std::uint8_t[]>(3 * std::size_t(kMaxCells))};
    std::unique_ptr<std::int32_t[]> entry[2] = {std::make_unique<std::int32_t[]>(kMaxCells),
                                                std::make_unique<std::int32_t[]>(kMaxCells)};
    int count[2] = {0, 0};
    int now = 0;  // which of the two is being written

    State(const char* path, int len) : file(path), show_len(len) {
        std::fill(slots.get(), slots.get() + kEntrySlots, -1);
        series.reserve(kMaxSeries);
    }
    int entry_of(std::int32_t type, std::uint8_t mark);
    void capture();
    void write_frame(int frame);
    void write_tables();
};

// The entry of a (type, mark) pair, added when new; -1 once the table is full.
int PageWriter::State::entry_of(std::int32_t type, std::uint8_t mark) {
    const std::int64_t key = std::int64_t(type) * 8 + mark;
    std::uint64_t h = std::uint64_t(key) * 0x9E3779B97F4A7C15ull;
    for (std::uint32_t s = std::uint32_t(h >> 45);; s = (s + 1) & (kEntrySlots - 1)) {
        const std::int32_t e = slots[s];
        if (e >= 0 && entries[e] == key) return e;
        if (e >= 0) continue;
        if (entry_count == kMaxEntries) return -1;
        entries[entry_count] = key;
        slots[s] = entry_count;
        return entry_count++;
    }
}

// The live colony into the frame being written.
void PageWriter::State::capture() {
    const int n = Cells_count;
    std::uint8_t* xyz = site[now].get();
    std::int32_t* e = entry[now].get();
    for (int i = 0; i < n; ++i) {
        const TCells& c = Cells[i];
        xyz[3 * i] = std::uint8_t(c.x), xyz[3 * i + 1] = std::uint8_t(c.y);
        xyz[3 * i + 2] = std::uint8_t(c.z);
        e[i] = entry_of(c.type, signal_mark(c, show_len));
        if (e[i] < 0) failed = true;
    }
    count[now] = n;
}

// Writes the captured frame, as a change when that is smaller.
void PageWriter::State::write_frame(int frame) {
    const int n = count[now], before = series_open ? count[1 - now] : 0;
    const std::uint8_t *xyz = site[now].get(), *old_xyz = site[1 - now].get();
    const std::int32_t *e = entry[now].get(), *old_e = entry[1 - now].get();
    const int wide = entry_count <= 0x100 ? 1 : entry_count <= 0x10000 ? 2 : 3;
    auto is_changed = [&](int i) {
        return i >= before || e[i] != old_e[i] || std::memcmp(xyz + 3 * i, old_xyz + 3 * i, 3);
    };
    int changed = 0;
    for (int i = 0; i < n; ++i) changed += is_changed(i);
    const bool delta = series_open && (n + 7) / 8 + std::size_t(changed) * (3 + wide) <
                                          std::size_t(n) * (3 + wide);
    file.put("<script type=\"application/octet-stream\" class=\"kv-frame\" data-series=\"");
    file.put_int(static_cast<long long>(series.size()) - 1);
    file.put("\" data-frame=\"");
    file.put_int(frame);
    file.put("\" data-cells=\"");
    file.put_int(n);
    file.put("\" data-wide=\"");
    file.put_int(wide);
    file.put(delta ? "\" data-delta=\"1\">" : "\" data-delta=\"0\">");
    Base64Out out(file);
    if (!delta) {
        out.bytes(xyz, 3 * std::size_t(n));
        for (int i = 0; i < n; ++i) put_entry(out, e[i], wide);
    } else {
        for (int i = 0; i < n; i += 8) {
            std::uint8_t bits = 0;
            for (int b = 0; b < 8 && i + b < n; ++b) bits |= std::uint8_t(is_changed(i + b) << b);
            out.byte(bits);
        }
        for (int i = 0; i < n; ++i)
            if (is_changed(i)) out.bytes(xyz + 3 * i, 3);
        for (int i = 0; i < n; ++i)
            if (is_changed(i)) put_entry(out, e[i], wide);
    }
    out.finish();
    file.put("</script>\n");
    series_open = true;
    now = 1 - now;
}

// The tables the frames index: the series' names, every (type, mark) pair
// met, and the colour of each type that has one.
void PageWriter::State::write_tables() {
    file.put("<script type=\"application/json\" id=\"kv-types\">{\"series\":[");
    for (std::size_t k = 0; k < series.size(); ++k) {
        if (k) file.put(',');
        put_json_string(file, series[k]);
    }
    file.put("],\"entries\":[");
    for (int k = 0; k < entry_count; ++k) {
        if (k) file.put(',');
        // The key is type * 8 + mark, with the mark in the low three bits.
        const std::int64_t key = entries[k];
        const std::int64_t mark = key & 7;
        put_numbers(file, {double((key - mark) / 8), double(mark)});
    }
    file.put("],\"colours\":[");
    for (int t = 1; t < int(std::size(kTypeColors)); ++t) {
        if (t > 1) file.put(',');
        const Rgb c = kTypeColors[t];
        put_numbers(file, {double(t), double(c.r), double(c.g), double(c.b)});
    }
    file.put("]}</script>\n");
}

namespace {

// The page's facts for its script: the texts, the start state, the window's
// cameras and the overlay's mark colours.
void write_info(AtomicFileWriter& w, const PageInfo& info) {
    w.put("<script type=\"application/json\" id=\"kv-info\">{\"title\":");
    put_json_string(w, info.title);
    w.put(",\"genome\":");
    put_json_string(w, info.genome);
    w.put(",\"command\":");
    put_json_string(w, info.command);
    w.put(",\"version\":");
    put_json_string(w, KELVARO_VERSION);
    w.put(",\"hidden\":[");
    for (std::size_t k = 0; k < info.hidden.size(); ++k) {
        if (k) w.put(',');
        w.put_int(info.hidden[k]);
    }
    w.put("],\"showLen\":");
    w.put_int(info.show_len);
    const Tcamera& s = kStartCamera;
    w.put(",\"start\":");
    put_numbers(w, {s.x, s.y, s.z, s.Xrot, s.Zrot});
    w.put(",\"frustum\":");
    put_numbers(w, {kFrustumHalf, kFrustumNear, kFrustumFar});
    w.put(",\"framing\":");
    put_numbers(w, {kFramingPitch, kFramingHeading, kFramingFill});
    // The panel's views along an axis: pitch and heading, framed as Home frames.
    w.put(",\"views\":{\"above\":[0,270],\"front\":[90,270],\"side\":[90,0]},\"marks\":[");
    const double mark[4][3] = {{0, 0, 0}, {255, 0, 0}, {200, 0, 0}, {0, 255, 0}};
    for (int k = 0; k < 4; ++k) {
        if (k) w.put(',');
        put_numbers(w, {double(unit_to_byte(mark[k][0])), double(unit_to_byte(mark[k][1])),
                        double(unit_to_byte(mark[k][2]))});
    }
    w.put("]}</script>\n");
}

// The page up to its first frame.
void write_head(AtomicFileWriter& w, const PageInfo& info) {
    w.put("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n");
    w.put("<meta http-equiv=\"Content-Security-Policy\" content=\"");
    w.put(kNoNetwork);
    w.put("\">\n<meta name=\"viewport\" content=\"width=device-width\">\n<title>");
    put_html_text(w, info.title.empty() ? std::string("Kelvaro embryo") : info.title);
    w.put("</title>\n<style>\n");
    w.put(kPageStyle);
    w.put("</style></head>\n<body>\n");
    write_info(w, info);
}

}  // namespace

PageWriter::PageWriter(const char* path, const PageInfo& info)
    : state_(std::make_unique<State>(path, info.show_len)) {
    if (state_->file.ok()) write_head(state_->file, info);
}

PageWriter::~PageWriter() = default;

bool PageWriter::ok() const {
    return state_->file.ok() && !state_->failed;
}

void PageWriter::begin_series(const char* name) {
    State& s = *state_;
    if (s.series.size() == kMaxSeries) {
        s.failed = true;
        return;
    }
    s.series.emplace_back(name);
    s.series_open = false;
}

void PageWriter::add_frame(int frame) {
    State& s = *state_;
    if (s.series.empty()) begin_series("colony");
    if (!ok()) return;
    s.capture();
    s.write_frame(frame);
}

bool PageWriter::commit() {
    State& s = *state_;
    if (!ok()) return false;
    s.write_tables();
    s.file.put("<script>\n/*\n");
    s.file.put(kPageLicence);
    s.file.put("*/\n");
    s.file.put(kPageThree);
    s.file.put("\n</script>\n<script>\n");
    s.file.put(kPageOrbit);
    s.file.put("\n</script>\n<script>\n");
    s.file.put(kPageScript);
    s.file.put("\n</script>\n</body></html>\n");
    return s.file.commit();
}

bool write_colony_page(const char* path, const PageInfo& info, int frame) {
    PageWriter page(path, info);
    page.add_frame(frame);
    return page.commit();
}

bool save_shown_page(const char* path, const std::vector<int>& hidden, const char* genome_path,
                     int frame) {
    PageInfo info;
    const char* slash = std::strrchr(path, '/');
    info.title = slash ? slash + 1 : path;
    info.genome = read_page_text(genome_path);
    info.command = "kelvaro (the window): Save as page";
    info.hidden = hidden;
    info.show_len = show_len;
    return write_colony_page(path, info, frame);
}

std::string read_page_text(const char* path, std::size_t limit) {
    std::string text;
    FileReader in(path);
    if (!in.opened()) return text;
    char chunk[4096];
    while (text.size() < limit) {
        const std::size_t got = in.read(chunk, std::min(sizeof chunk, limit - text.size()));
        if (got == 0) break;
        text.append(chunk, got);
    }
    return text;
}
