// Shared fixtures for the tests: a clean world for every test and a scratch
// working folder for the fixed file names.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "colony.h"

namespace kt {

// Runs a test inside a fresh scratch folder, since the program's files have fixed names.
class ScratchDir {
   public:
    ScratchDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kelvaro-XXXXXX").string();
        path_ = mkdtemp(tmpl.data());
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    ~ScratchDir() {
        std::filesystem::current_path(old_);
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

   private:
    std::filesystem::path path_, old_;
};

class WorldTest : public ::testing::Test {
   protected:
    void SetUp() override { reset_world(); }
    void TearDown() override { signal_worker_stop(); }
};

class FileTest : public WorldTest {
   protected:
    ScratchDir dir_;
};

}  // namespace kt
