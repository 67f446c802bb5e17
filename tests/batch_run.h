// Runs kelvaro-batch in-process, or in a forked child under a fault, with its
// standard error captured: shared by the batch and the hardening tests.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "batch.h"
#include "fault.h"

namespace kt {

struct Outcome {
    int status;
    std::string err;
};

// Standard output (--help) is thrown away.
inline Outcome batch(std::vector<std::string> args) {
    args.insert(args.begin(), "kelvaro-batch");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    char* text = nullptr;
    std::size_t len = 0;
    std::FILE* err = open_memstream(&text, &len);
    std::FILE* out = std::fopen("/dev/null", "w");
    const int status = batch_main(int(args.size()), argv.data(), out, err);
    std::fclose(out);
    std::fclose(err);
    Outcome r{status, std::string(text, len)};
    std::free(text);
    return r;
}

// The same in a child under `fault`; standard error comes back through a pipe
// (a few lines: far below its capacity). Status kNoFaultHere: no fault here.
inline Outcome batch_in_child(const Fault& fault, const std::vector<std::string>& args) {
    int fds[2];
    if (pipe(fds) != 0) return {-1, "pipe failed"};
    const int status = in_child(fault, [&] {
        const Outcome r = batch(args);
        return write(fds[1], r.err.data(), r.err.size()) == ssize_t(r.err.size()) ? r.status : 99;
    });
    close(fds[1]);
    std::string err;
    char buf[4096];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) err.append(buf, std::size_t(n));
    close(fds[0]);
    return {status, err};
}

}  // namespace kt
