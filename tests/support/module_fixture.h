// The module's state as DllMain sets it up on the first attach: the tracked allocator and
// the install-context list, torn down again after each test, which must leave no context.
#pragma once

#include <gtest/gtest.h>

#include "diag/tracked_alloc.h"
#include "entry/install_context.h"

class ModuleStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitTrackedAllocator();
    InitContextList();
  }
  void TearDown() override {
    DestroyContextList();
    EXPECT_EQ(0u, BytesInUse) << "contexts left allocated";
    CloseTrackedAllocator();
  }
};
