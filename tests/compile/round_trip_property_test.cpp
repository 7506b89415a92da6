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

// The seeds in ranges of their own, so that the ranges run side by side.
struct SeedRange {
  std::uint32_t First, Last;
};
std::string SeedsName(const ::testing::TestParamInfo<SeedRange>& info) {
  return "Seeds" + std::to_string(info.param.First) + "To" + std::to_string(info.param.Last);
}

class RandomPacks : public RoundTripProperty, public ::testing::WithParamInterface<SeedRange> {};

TEST_P(RandomPacks, KeepEveryText) {
  for (std::uint32_t seed = GetParam().First; seed <= GetParam().Last; ++seed) {
    std::mt19937 random(seed);
    const test::RoundTripCase c = test::RandomRoundTripCase(
        [&](std::uint32_t limit) { return limit ? static_cast<std::uint32_t>(random() % limit) : 0; });
    const std::string broken = test::CheckRoundTrip(c, dir_);
    ASSERT_EQ(broken, "") << "seed " << seed << "\n" << test::Describe(c);
  }
}

INSTANTIATE_TEST_SUITE_P(RoundTripProperty, RandomPacks,
                         ::testing::Values(SeedRange{1, 100}, SeedRange{101, 200}, SeedRange{201, 300},
                                           SeedRange{301, 400}),
                         SeedsName);

class RandomStrings : public ::testing::TestWithParam<SeedRange> {};

TEST_P(RandomStrings, KeepEveryText) {
  for (std::uint32_t seed = GetParam().First; seed <= GetParam().Last; ++seed) {
    std::mt19937 random(seed);
    const test::RoundTripCase c = test::RandomRoundTripCase(
        [&](std::uint32_t limit) { return limit ? static_cast<std::uint32_t>(random() % limit) : 0; });
    const std::string broken = test::CheckTextRoundTrip(c);
    ASSERT_EQ(broken, "") << "seed " << seed << "\n" << test::Describe(c);
  }
}

INSTANTIATE_TEST_SUITE_P(TextRoundTripProperty, RandomStrings,
                         ::testing::Values(SeedRange{1, 2500}, SeedRange{2501, 5000}), SeedsName);

}  // namespace
}  // namespace tarvo
