// A scratch folder per test (whole-file reads and writes: scenario_files.h).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace testfs {

inline std::filesystem::path scratchDir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  auto dir = std::filesystem::temp_directory_path() / "dropin-tests" / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace testfs
