// The library's randomized check at length: a million steps (or the count
// given) from a seed (given, or new and printed), with figures. Prints what
// went wrong and exits 1 if the check fails.
//   library_check_soak [steps] [seed]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "library_check/library_check.h"

namespace {

constexpr uint64_t kDefaultSteps = 1000000;

}  // namespace

int main(int argc, char **argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // figures show even if the run hangs
  librarycheck::CheckOptions options;
  options.steps = argc > 1 ? std::strtoull(argv[1], nullptr, 0) : kDefaultSteps;
  options.seed = argc > 2 ? std::strtoull(argv[2], nullptr, 0) : std::random_device{}();
  std::printf("library check soak: %llu steps, seed %llu\n",
              static_cast<unsigned long long>(options.steps),
              static_cast<unsigned long long>(options.seed));
  std::fflush(stdout);
  const auto start = std::chrono::steady_clock::now();
  librarycheck::LibraryCheck check(options);
  const std::string failure = check.Run();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const librarycheck::CheckFigures f = check.Figures();
  std::printf("steps run:            %llu in %.1f s = %.0f steps/s\n",
              static_cast<unsigned long long>(f.steps), seconds,
              static_cast<double>(f.steps) / seconds);
  std::printf("export calls:         %llu\n", static_cast<unsigned long long>(f.exportCalls));
  std::printf("reports sent:         %llu\n", static_cast<unsigned long long>(f.reportsSent));
  std::printf("input messages:       %llu (each checked against its report)\n",
              static_cast<unsigned long long>(f.inputMessages));
  std::printf("check messages:       %llu\n", static_cast<unsigned long long>(f.checkMessages));
  std::printf("readers ended by force: %llu\n", static_cast<unsigned long long>(f.forcedEnds));
  std::printf("wheel: sent %lld, posted %lld, polled or dropped by XGetInput/Xinit %lld\n",
              static_cast<long long>(f.wheelSent), static_cast<long long>(f.wheelPosted),
              static_cast<long long>(f.wheelPolled));
  if (!failure.empty()) {
    std::printf("FAILED: %s\n", failure.c_str());
    return 1;
  }
  std::printf("no fault found\n");
  return 0;
}
