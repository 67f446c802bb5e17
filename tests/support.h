// Shared fixtures for the tests: a clean world for every test and a scratch
// working folder for the fixed file names.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "colony.h"

namespace kt {

class WorldTest : public ::testing::Test {
   protected:
    void SetUp() override { reset_world(); }
    void TearDown() override { signal_worker_stop(); }
};

class FileTest : public WorldTest {
   protected:
    ScratchFolder dir_;
};

}  // namespace kt
