// The randomized check of the library against its reference library. Each run
// takes a new seed and prints it; MQD7RA_CHECK_SEED=<seed> repeats that run
// alone, MQD7RA_CHECK_STEPS=<n> changes its length (the soak in bench/ runs
// a million steps).
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <random>
#include <string>

#include "library_check/library_check.h"

namespace librarycheck {
namespace {

constexpr uint64_t kDefaultSteps = 2000;

uint64_t FromEnvironment(const char *name, uint64_t otherwise) {
  const char *value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::strtoull(value, nullptr, 0) : otherwise;
}

TEST(LibraryCheck, RandomStepsFollowTheReferenceLibrary) {
  CheckOptions options;
  options.seed = FromEnvironment("MQD7RA_CHECK_SEED", std::random_device{}());
  options.steps = FromEnvironment("MQD7RA_CHECK_STEPS", kDefaultSteps);
  std::cout << "library check seed " << options.seed << ", " << options.steps
            << " steps (repeat: MQD7RA_CHECK_SEED=" << options.seed << ")" << std::endl;
  RecordProperty("seed", std::to_string(options.seed));
  LibraryCheck check(options);
  const std::string failure = check.Run();
  EXPECT_TRUE(failure.empty()) << failure;
  const CheckFigures f = check.Figures();
  std::cout << f.exportCalls << " export calls, " << f.reportsSent << " reports, "
            << f.inputMessages << " input messages, " << f.forcedEnds << " forced ends"
            << std::endl;
}

}  // namespace
}  // namespace librarycheck
