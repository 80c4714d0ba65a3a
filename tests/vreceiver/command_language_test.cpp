// The command language's rules, as test scripts and recordings meet them:
// how a line splits into words, quoted text and options; what a number
// is; and that a command with wrong words says what it expected and
// changes nothing.
#include <gtest/gtest.h>

#include "help_table.h"
#include "interpreter.h"
#include "pacing_words.h"
#include "program_words.h"
#include "receiver_commands.h"
#include "served_receiver.h"
#include "ui_words.h"

namespace {

using vreceiver::script::Args;
using vreceiver::script::ParseNumber;
using vreceiver::script::Tokenize;

// The commands of programs, windows and pacing, whose actions are the
// receiver process's and the probe's (Win32): here they only note a call.
struct ToolCommands {
  std::vector<std::string> acted;  // the commands whose action ran
  vreceiver::script::ProgramActions program;
  uiprobe::UiActions ui;
  vreceiver::script::PacingActions pacing;

  explicit ToolCommands(vreceiver::script::Interpreter &in) {
    const auto note = [this](const Args &, auto &&...) {
      acted.push_back("acted");
      return true;
    };
    program.run = program.printStdout = program.processCounts = program.interrupt = program.kill =
        note;
    program.waitExit = note;
    program.expectLine = note;
    program.expectLines = note;
    program.expectFile = note;
    ui.waitWindow = ui.show = ui.expectNoBox = ui.close = note;
    ui.click = note;
    ui.expectText = ui.type = ui.choose = note;
    ui.expectVisible = note;
    ui.expectScroll = ui.expectCheck = note;
    ui.expectBox = note;
    ui.about = note;
    ui.move = note;
    ui.turnWheel = note;
    ui.pressKey = note;
    ui.expectLcd = note;
    pacing.timings = note;
    pacing.mark = pacing.snapshot = note;
    // What the checked words became, for the commands that the rules below
    // follow through.
    program.waitExit = [this](const Args &, std::optional<long> code, std::string *) {
      acted.push_back("wait-exit " + (code ? std::to_string(*code) : "any"));
      return true;
    };
    ui.pressKey = [this](const Args &, int code, bool down, bool shift, std::string *) {
      acted.push_back("key " + std::to_string(code) + (down ? " down" : " up") +
                      (shift ? " shift" : ""));
      return true;
    };
    ui.turnWheel = [this](const Args &, int detents, uiprobe::TurnBy by, std::string *) {
      acted.push_back("wheel " + std::to_string(detents) + " by " +
                      std::to_string(static_cast<int>(by)));
      return true;
    };
    vreceiver::script::AddProgramCommands(in, program);
    uiprobe::AddUiCommands(in, ui);
    vreceiver::script::AddPacingCommands(in, pacing);
  }
};

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
  ToolCommands tools(script);
  const uint64_t version = served.receiver.Settings().version;
  const std::pair<const char *, const char *> cases[] = {
      {"foreign 201", "expected a number from 0 to 200"},
      {"interfaces none", "expected both, input or feature"},
      {"arrival sideways", "expected input-first or input-last"},
      {"arrival input-first gap=60001", "gap must be a number from 0 to 60000"},
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
      {"expect-command 0 0G timeout=0", "expected hex bytes like 06 FE FD"},
      {"expect-display-day 0 32", "expected a number from 1 to 31"},  // at once, not on time-out
      {"no-such-command", "unknown command 'no-such-command' (try help)"},
      // Numbers: each within its own range, 32 bits at most.
      {"ui-click 0x10000", "expected a number from 0 to 65535"},
      {"ui-expect-check 2051 2", "expected a number from 0 to 1"},
      {"ui-move 10 -32769", "expected a number from -32768 to 32767"},
      {"ui-pendant-wheel 274", "expected a number from -273 to 273"},
      {"expect-stdout-lines 08x", "expected a number from 0 to 1000000"},
      {"wait-exit code=0xC0000005", "code must be a number from -2147483648 to 2147483647"},
      {"expect-stdout \"x\" count=0", "count must be a number from 1 to 1000000"},
      {"ui-wait-window timeout=-1", "timeout must be a number from 0 to 2147483647"},
      {"expect-handles 0 timeout=1e3", "timeout must be a number from 0 to 2147483647"},
      // Words and options: too many, too few, or not the command's.
      {"ui-click 2053 2054", "expected 1 word"},
      {"ui-pendant-expect-lcd \"a\" \"b\" \"c\"", "expected 4 words"},
      {"kill now", "takes no words"},
      {"run", "expected a program"},
      {"run x.exe mode=fast", "takes no option mode"},
      {"device-release 1 2", "expected 1 word"},
      {"echo a=b", "takes no option a"},
      // Choices.
      {"ui-pendant-key 13 sideways", "expected down, up or shift-down"},
      {"ui-pendant-wheel 3 by=spin", "by must be notches, keys or drag"},
      {"ui-show window=monitor", "window must be tarvex or pendant"},
      {"expect-file a.vr maybe", "expected yes or no"},
      // A mark is a row of the timings file, a snapshot a file name.
      {"mark \"a b\"", "expected a name of letters, digits, - and _"},
      {"snapshot ..\\x", "expected a name of letters, digits, - and _"},
  };
  for (const auto &c : cases) {
    std::string out;
    EXPECT_FALSE(script.RunLine(c.first, &out)) << c.first;
    EXPECT_EQ(c.second, out) << c.first;
  }
  EXPECT_EQ(version, served.receiver.Settings().version);
  EXPECT_TRUE(served.TakeSent().empty());
  EXPECT_TRUE(tools.acted.empty());
  // Right words reach the action as values.
  for (const char *line :
       {"wait-exit as=p code=-1", "wait-exit timeout=5", "ui-pendant-key 0x0D shift-down",
        "ui-pendant-key 7 up", "ui-pendant-wheel -273 by=drag"}) {
    std::string out;
    EXPECT_TRUE(script.RunLine(line, &out)) << line << ": " << out;
  }
  EXPECT_EQ((std::vector<std::string>{"wait-exit -1", "wait-exit any", "key 13 down shift",
                                      "key 7 up", "wheel -273 by 2"}),
            tools.acted);
  // A recording's command runs in a script as in a replay.
  std::string out;
  EXPECT_TRUE(script.RunLine("keys 3", &out));
  EXPECT_TRUE(script.RunLine("wait-sent", &out));
  EXPECT_EQ((std::vector<pendant::Report>{{4, 0, 3, 0, 0x0D, 0x11, 0, 0}}), served.TakeSent());
}

// Help lays out every command alike: the description in its column, on the
// next line when the usage is too wide, wrapped onto indented lines.
TEST(CommandLanguage, HelpLaysOutItsColumns) {
  const std::string long_text(60, 'a');
  EXPECT_EQ(
      "plug\n"
      "keys K1 [K2]              one report\n"
      "foreign N [refuse=K] [no-ids=K]\n"
      "                          " +
          long_text +
          " b\n"
          "                          " +
          long_text,
      vreceiver::script::HelpTable(
          {{"plug", ""},
           {"keys K1 [K2]", "one report"},
           {"foreign N [refuse=K] [no-ids=K]", long_text + " b " + long_text}}));
}

}  // namespace
