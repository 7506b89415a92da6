// Decompile -> compile -> decompile on random packs under random character
// tables: every text stays as the phone shows it (tests/support/round_trip.h
// states the property).
#include <gtest/gtest.h>

#include <random>

#include "tests/support/round_trip.h"
#include "tests/support/temp_dir.h"

namespace tarvo {
namespace {

class RoundTripProperty : public test::TempDirTest {
 protected:
  // Every command syncs what it writes: in memory, where the system offers
  // it, the rounds do not wait for the disk.
  void SetUp() override {
    TempDirTest::SetUp();
    if (std::filesystem::is_directory("/dev/shm")) {
      std::filesystem::remove_all(dir_);
      dir_ = "/dev/shm" / dir_.filename();
      std::filesystem::create_directories(dir_);
    }
  }
};

TEST_F(RoundTripProperty, HoldsForRandomPacks) {
  for (std::uint32_t seed = 1; seed <= 400; ++seed) {
    std::mt19937 random(seed);
    const test::RoundTripCase c = test::RandomRoundTripCase([&](std::uint32_t limit) {
      return limit ? static_cast<std::uint32_t>(random() % limit) : 0;
    });
    const std::string broken = test::CheckRoundTrip(c, dir_);
    ASSERT_EQ(broken, "") << "seed " << seed << "\n" << test::Describe(c);
  }
}

TEST(TextRoundTripProperty, HoldsForRandomStrings) {
  for (std::uint32_t seed = 1; seed <= 5000; ++seed) {
    std::mt19937 random(seed);
    const test::RoundTripCase c = test::RandomRoundTripCase([&](std::uint32_t limit) {
      return limit ? static_cast<std::uint32_t>(random() % limit) : 0;
    });
    const std::string broken = test::CheckTextRoundTrip(c);
    ASSERT_EQ(broken, "") << "seed " << seed << "\n" << test::Describe(c);
  }
}

}  // namespace
}  // namespace tarvo
