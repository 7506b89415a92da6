// A fresh folder per test with the configuration shipped with the program
// loaded, and the example files at hand.
#pragma once

#include <filesystem>
#include <vector>

#include "config/configuration.h"
#include "tests/support/temp_dir.h"

namespace tarvo::test {

class ShippedConfigTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    LoadConfiguration(SourceDir() / "config" / "tarvo.ini", config_);
    ASSERT_TRUE(IsUsable(config_));
  }
  static std::filesystem::path SourceDir() { return TARVO_SOURCE_DIR; }
  std::vector<std::uint8_t> Example(const char* name) const { return Read(SourceDir() / "examples" / name); }

  Configuration config_;
};

}  // namespace tarvo::test
