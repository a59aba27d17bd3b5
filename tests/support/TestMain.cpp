// Test entry: every test binary runs headless.
#include <gtest/gtest.h>

#include "platform/Headless.h"

static void FailOnUnexpected(const char* what) { ADD_FAILURE() << what; }

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    headless::SetFailureHook(FailOnUnexpected);
    return RUN_ALL_TESTS();
}
