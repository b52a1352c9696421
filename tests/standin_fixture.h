// Every test of the program starts from a fresh stand-in.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "win32_standin.h"

class StandinTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::Reset(); }

  // DevicePath as text with its terminator, the way Windows stores it.
  static void SetList(std::string_view text, DWORD type = REG_EXPAND_SZ) {
    std::string bytes(text);
    bytes += '\0';
    standin::SetValue(bytes, type);
  }

  // Runs the program once; it must always end with 0.
  static void RunProgram() { ASSERT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0); }

  standin::State& win32 = standin::Get();
};
