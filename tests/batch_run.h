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

inline Outcome batch(std::vector<std::string> args) {
    args.insert(args.begin(), "kelvaro-batch");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    char *err_text = nullptr, *out_text = nullptr;
    std::size_t err_len = 0, out_len = 0;
    std::FILE* err = open_memstream(&err_text, &err_len);
    std::FILE* out = open_memstream(&out_text, &out_len);
    const int status = batch_main(int(args.size()), argv.data(), out, err);
    std::fclose(err);
    std::fclose(out);
    Outcome r{status, std::string(err_text, err_len)};
    std::free(err_text);
    std::free(out_text);
    return r;
}

// The same in a child under `fault`; standard error comes back through a pipe
// (a few lines: far below its capacity). Status kNoFaultHere: no fault here.
inline Outcome batch_in_child(const Fault& fault, const std::vector<std::string>& args) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return {-1, "pipe failed"};
    const int status = in_child(fault, [&] {
        close(pipe_fds[0]);
        const Outcome r = batch(args);
        const ssize_t n = write(pipe_fds[1], r.err.data(), r.err.size());
        return n == ssize_t(r.err.size()) ? r.status : 99;
    });
    close(pipe_fds[1]);
    std::string err;
    char buf[4096];
    for (ssize_t n; (n = read(pipe_fds[0], buf, sizeof buf)) > 0;) err.append(buf, std::size_t(n));
    close(pipe_fds[0]);
    return {status, err};
}

}  // namespace kt
