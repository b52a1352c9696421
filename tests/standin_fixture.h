// Every test of the program starts from a fresh stand-in.
#pragma once

#include <gtest/gtest.h>

#include "win32_standin.h"

class StandinTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::Reset(); }
  standin::State& win32 = standin::Get();
};
