// The command language's rules, as test scripts and recordings meet them:
// how a line splits into words, quoted text and options; what a number
// is; and that a command with wrong words says what it expected and
// changes nothing.
#include <gtest/gtest.h>

#include "interpreter.h"
#include "receiver_commands.h"
#include "served_receiver.h"

namespace {

using vreceiver::script::ParseNumber;
using vreceiver::script::Tokenize;

TEST(CommandLanguage, ALineIsWordsQuotedTextOptionsAndAComment) {
  std::vector<std::string> words;
  std::map<std::string, std::string> options;
  std::string error;
  ASSERT_TRUE(Tokenize("  ui-type 2050 \"a \\\"b\\\" \\\\ c\" as=x timeout=5 1=2 # x=1 \"", &words,
                       &options, &error));
  EXPECT_EQ((std::vector<std::string>{"ui-type", "2050", "a \"b\" \\ c", "1=2"}), words);
  EXPECT_EQ((std::map<std::string, std::string>{{"as", "x"}, {"timeout", "5"}}), options);
  words.clear();
  EXPECT_FALSE(Tokenize("echo \"open", &words, &options, &error));
  EXPECT_EQ("unterminated string", error);
}

TEST(CommandLanguage, ANumberIsDecimalOrHexWithinThirtyTwoBits) {
  const std::pair<const char *, long> good[] = {{"0", 0},
                                                {"010", 10},  // decimal, never octal
                                                {"-7", -7},
                                                {"0xEB91", 0xEB91},
                                                {"0X1f", 31},
                                                {"2147483647", 2147483647},
                                                {"-2147483648", -2147483647L - 1},
                                                {"0x7FFFFFFF", 0x7FFFFFFF}};
  for (const auto &g : good) {
    long value = 1;
    EXPECT_TRUE(ParseNumber(g.first, &value)) << g.first;
    EXPECT_EQ(g.second, value) << g.first;
  }
  for (const char *bad : {"", "-", "0x", "+1", " 1", "1 ", "1e3", "12a", "0x80000000", "2147483648",
                          "-2147483649", "4294967296", "99999999999999999999"}) {
    long value = 0;
    EXPECT_FALSE(ParseNumber(bad, &value)) << bad;
  }
}

TEST(CommandLanguage, WrongWordsSayWhatWasExpectedAndChangeNothing) {
  vreceiver::testing::ServedReceiver served;
  vreceiver::script::Interpreter script;
  vreceiver::process::AddReceiverCommands(script, served.receiver);
  const uint64_t version = served.receiver.Settings().version;
  const std::pair<const char *, const char *> cases[] = {
      {"foreign 201", "expected a number from 0 to 200"},
      {"interfaces none", "expected both, input or feature"},
      {"arrival sideways", "expected input-first or input-last, and gap=MS from 0 to 60000"},
      {"arrival input-first gap=60001",
       "expected input-first or input-last, and gap=MS from 0 to 60000"},
      {"refuse-writes -2", "expected a number from -1 to 1000000"},
      {"refuse-reads maybe", "expected on or off"},
      {"product 0x10000", "expected a number from 0 to 65535"},
      {"info rssi=256", "rssi must be a number from 0 to 255"},
      {"keys 1 2 3", "expected 1 to 2 words"},
      {"wheel 100001", "expected a number from -100000 to 100000"},
      {"step 64", "expected a number from 0 to 63"},
      {"report 04", "expected one or more reports of 8 bytes"},
      {"expect-greetings -1", "expected a number from 0 to 1000000"},
      {"expect-greeting-day last today timeout=0", "no such entry (have 0)"},
      {"expect-command 0 0G timeout=0", "no such entry (have 0)"},
      {"no-such-command", "unknown command 'no-such-command' (try help)"},
  };
  for (const auto &c : cases) {
    std::string out;
    EXPECT_FALSE(script.RunLine(c.first, &out)) << c.first;
    EXPECT_EQ(c.second, out) << c.first;
  }
  EXPECT_EQ(version, served.receiver.Settings().version);
  EXPECT_TRUE(served.TakeSent().empty());
  // A recording's command runs in a script as in a replay.
  std::string out;
  EXPECT_TRUE(script.RunLine("keys 3", &out));
  EXPECT_TRUE(script.RunLine("wait-sent", &out));
  EXPECT_EQ((std::vector<pendant::Report>{{4, 0, 3, 0, 0x0D, 0x11, 0, 0}}), served.TakeSent());
}

}  // namespace
