// The embryo page: one self-contained HTML file that a browser opens offline,
// from file:// or inside a notebook, to turn the colony round, hide types and
// scrub through its frames. Every program writes it through PageWriter, from
// the live colony, with the view's colour rule; no GL is involved.
#pragma once

#include <memory>
#include <string>
#include <vector>

// What a page says about where its colony came from, and how it starts.
struct PageInfo {
    std::string title;        // the page's title, such as the file's name
    std::string genome;       // the genome's text, shown as it is
    std::string command;      // the command line or call that made the page
    std::vector<int> hidden;  // types hidden at start
    int show_len = 1;         // the level the signal marks show, as in the window
};

// Writes a page under a temporary name beside its path, frame by frame, and
// renames it over the path at commit(): a failed or abandoned page leaves
// nothing. add_frame allocates nothing, so a run can feed it between frames.
class PageWriter {
   public:
    // Creates the temporary file and writes the page's head.
    PageWriter(const char* path, const PageInfo& info);
    ~PageWriter();
    PageWriter(const PageWriter&) = delete;
    PageWriter& operator=(const PageWriter&) = delete;

    // Every write so far succeeded and no limit was passed.
    bool ok() const;
    // Starts a colony of its own (the search's best and its target): the
    // frames that follow belong to it, under `name`. The first frame of a page
    // starts one without a call.
    void begin_series(const char* name);
    // The live colony as frame `frame` of the current series: each cell's site,
    // type and signal mark, stored as the change from the series' last frame.
    void add_frame(int frame);
    // Writes the tables and the script, then renames; false when anything failed.
    bool commit();

   private:
    struct State;
    std::unique_ptr<State> state_;
};

// The live colony as a page of one frame, numbered `frame`: the one call of
// the window's "Save as page", Colony.to_html and kelvaro-batch --html.
bool write_colony_page(const char* path, const PageInfo& info, int frame);

// The window's "Save as page": the live colony as shown, as frame `frame`,
// with `hidden` types hidden at start (the panel's, and 1 while L hides it),
// the genome read from `genome_path` and the signal marks at show_len.
bool save_shown_page(const char* path, const std::vector<int>& hidden, const char* genome_path,
                     int frame);

// A text file's content, at most `limit` bytes (a genome for PageInfo); empty
// when it cannot be read.
std::string read_page_text(const char* path, std::size_t limit = 1 << 20);
