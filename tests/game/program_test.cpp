// The game program as a whole process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(Program, WithoutADisplayStartUpFailsWithTheErrorBoxAndStatus255) {
    TempDir home;
    setenv("DISPLAY", "", 1);
    setenv("XDG_DATA_HOME", home.path().c_str(), 1);
    RunResult run = RunProgram({std::string(getenv("QM_BUILD_DIR")) + "/quillmoor"}, "", 30000);
    EXPECT_EQ(run.status, 255);
    EXPECT_NE(run.err.find("[error] Error: Initialization error.\n"), std::string::npos) << run.err;
}

}  // namespace
