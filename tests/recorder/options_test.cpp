// The recorder's command line: what it takes, and a clear message for what
// it does not.
#include <gtest/gtest.h>

#include "recorder_options.h"

namespace {

bool Parse(const std::vector<std::string> &args, recorder::Options *options, std::string *error) {
  *options = recorder::Options{};
  error->clear();
  return recorder::ParseOptions(args, options, error);
}

TEST(RecorderOptions, TakesEveryOptionAndOneFile) {
  recorder::Options options;
  std::string error;
  ASSERT_TRUE(Parse({"--info", "--seconds", "30", "C:\\rec.vr", "--reports", "500", "--wait"},
                    &options, &error));
  EXPECT_TRUE(options.info && options.wait);
  EXPECT_EQ(30u, options.seconds);
  EXPECT_EQ(500u, options.reports);
  EXPECT_EQ("C:\\rec.vr", options.file);
  ASSERT_TRUE(Parse({}, &options, &error));
  EXPECT_EQ("", options.file);
  EXPECT_EQ(0u, options.seconds);
}

TEST(RecorderOptions, RefusesWhatItDoesNotKnowWithAMessage) {
  recorder::Options options;
  std::string error;
  EXPECT_FALSE(Parse({"--fast"}, &options, &error));
  EXPECT_EQ("unknown option --fast", error);
  for (const char *bad : {"0", "-5", "ten", "5s", "100000001", "99999999999999999999"}) {
    EXPECT_FALSE(Parse({"--seconds", bad}, &options, &error)) << bad;
    EXPECT_NE(std::string::npos, error.find("--seconds needs a whole number")) << bad;
  }
  EXPECT_FALSE(Parse({"--reports"}, &options, &error));
  EXPECT_FALSE(Parse({"a.vr", "b.vr"}, &options, &error));
  EXPECT_EQ("one recording at a time: a.vr and b.vr", error);
}

}  // namespace
