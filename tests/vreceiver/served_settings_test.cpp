// What the receiver's server follows: the settings change with every
// machine change and only then, the rules for feature reports count down
// the same way wherever they are applied, and a command hears whether the
// server presented its change.
#include <gtest/gtest.h>

#include <thread>

#include "pendant/pendant_commands.h"
#include "vreceiver/pendant.h"
#include "vreceiver/receiver.h"

namespace {

TEST(FeatureRules, RefusalsCountDownAfterTheWritesToAccept) {
  vr_feature_rules rules{};
  EXPECT_TRUE(vr_take_write(&rules));
  rules.refuse_writes = 2;
  rules.accept_first = 1;
  EXPECT_TRUE(vr_take_write(&rules));
  EXPECT_FALSE(vr_take_write(&rules));
  EXPECT_FALSE(vr_take_write(&rules));
  EXPECT_TRUE(vr_take_write(&rules));
  rules.refuse_writes = -1;
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(vr_take_write(&rules));
  EXPECT_EQ(rules.refuse_writes, -1);
}

TEST(FeatureRules, RequestsAreAnsweredWithTheReportOrRefused) {
  vr_feature_rules rules{};
  const unsigned char info[8] = {6, 0x34, 0x12, 1, 5, 30, 0, 0xA5};
  std::copy(info, info + 8, rules.info_report);
  unsigned char answer[8] = {};
  EXPECT_EQ(vr_answer_request(&rules, answer, 8), 8);
  EXPECT_TRUE(std::equal(info, info + 8, answer));
  unsigned char shorter[4] = {};
  EXPECT_EQ(vr_answer_request(&rules, shorter, 4), 4);
  rules.refuse_reads = 1;
  EXPECT_EQ(vr_answer_request(&rules, answer, 8), -1);
}

// The pendant's state answers input-report requests, so a new state is a
// setting; a wheel turn or the same state again is input only.
TEST(ServedSettings, MachineChangesAndThePendantStateAreSettingsWheelTurnsAreNot) {
  vreceiver::Receiver receiver;
  vreceiver::Pendant pendant{receiver};
  const vreceiver::ServedSettings first = receiver.Settings();
  pendant.TurnWheel(5);
  EXPECT_EQ(receiver.Settings().version, first.version);
  pendant.PressKeys(1);
  const vreceiver::ServedSettings pressed = receiver.Settings();
  EXPECT_NE(pressed.version, first.version);
  EXPECT_EQ(pressed.stateReport, pendant::MakeReport(pendant.Now(), 0));
  EXPECT_EQ(pressed.stateReport[2], 1);
  pendant.PressKeys(1);
  EXPECT_EQ(receiver.Settings().version, pressed.version);
  receiver.SetInfo({0x4321, -16, 40});
  const vreceiver::ServedSettings second = receiver.Settings();
  EXPECT_NE(second.version, first.version);
  EXPECT_EQ(second.rules.info_report[1], 0x21);
  EXPECT_EQ(second.rules.info_report[4], 0xF0);
  receiver.RefuseFeatureWrites(3);
  receiver.RefuseFeatureWrites(3);
  EXPECT_EQ(receiver.Settings().writeRulesSet, second.writeRulesSet + 2);
  receiver.Unplug();
  EXPECT_EQ(receiver.Settings().interfaces.size(), 2u);  // the foreign ones stay
  receiver.SetArrival(vreceiver::Arrival::kInputFirst, 30);
  EXPECT_EQ(receiver.Settings().arrival, vreceiver::Arrival::kInputFirst);
  EXPECT_EQ(receiver.Settings().arrivalGapMs, 30u);
}

TEST(ServedSettings, ACommandHearsWhetherItsChangeWasServed) {
  vreceiver::Receiver receiver;
  vreceiver::Pendant pendant{receiver};
  std::string why;
  EXPECT_FALSE(receiver.WaitServed(10, &why)) << "nothing serves the model yet";
  EXPECT_NE(why.find("did not follow"), std::string::npos);

  const uint64_t before = receiver.Settings().version;
  std::thread server([&] {
    const uint64_t version = receiver.WaitForSettingsChange(before, 5000);
    receiver.NoteServed(version, "the system lists none");
  });
  receiver.Plug();
  EXPECT_FALSE(receiver.WaitServed(5000, &why));
  EXPECT_EQ(why, "the system lists none");
  server.join();

  receiver.NoteServed(receiver.Settings().version, "");
  EXPECT_TRUE(receiver.WaitServed(5000, &why));
}

}  // namespace
