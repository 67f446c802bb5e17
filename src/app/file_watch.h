// Following a file: its folder is watched with inotify, since
// editors save by writing a new file and renaming it over the old one, which a
// watch on the file itself would lose. Polled once a frame; costs one read of
// an empty event queue while nothing changes.
#pragma once

// What happened to the watched file since the last look.
enum class FileChange {
    None,     // nothing
    Written,  // written and closed, or renamed into place
    Gone,     // removed or renamed away (an editor's save may be under way)
};

// One watch on a folder, for one file name in it.
class FileWatch {
   public:
    FileWatch() = default;
    ~FileWatch() { stop(); }
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    // Starts watching `name` in `folder`; false, with errno set, when the
    // system refuses (no inotify, too many watches).
    bool start(const char* folder, const char* name);
    // Starts watching the file at `path`, or the file a symbolic link there
    // points to (writes through the link land there); false as start().
    bool follow(const char* path);
    // Stops watching.
    void stop();
    // A watch is running.
    bool watching() const { return fd_ >= 0; }
    // Takes every event queued since the last call: Written when the file was
    // written or renamed into place (it is there to be read), else Gone when
    // it went away, else None. Never blocks.
    FileChange take();

   private:
    int fd_ = -1;
    char name_[256] = "";
};
