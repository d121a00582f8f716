#include "messages.h"

#include <gtest/gtest.h>

TEST(CommandTexts, RequestsAndCommandsCarryTheirValueInDecimal) {
  EXPECT_EQ(readRequest(), "$\r");
  EXPECT_EQ(dayRequest(0), "$21=\r");
  EXPECT_EQ(dayRequest(6), "$27=\r");
  EXPECT_EQ(bareCr(), "\r");
  EXPECT_EQ(settingCommand(Setting::Language, 4), "$1=4\r\n");
  EXPECT_EQ(settingCommand(Setting::RelayMode, 3), "$5=3\r\n");
  EXPECT_EQ(settingCommand(Setting::UtcOffset, -12), "$2=-12\r\n");
  EXPECT_EQ(settingCommand(Setting::UtcOffset, 1), "$2=1\r\n");
  EXPECT_EQ(settingCommand(Setting::DaylightSaving, 0), "$3=0\r\n");
  EXPECT_EQ(settingCommand(Setting::ValidTimeout, 720), "$4=720\r\n");
}

TEST(CommandTexts, SwitchTimesAreSentExactlyAsStored) {
  EXPECT_EQ(switchTimeCommand(TSwitchTime("$21=0,12,30,00,ON")), "$21=0,12,30,00,ON\r\n");
  EXPECT_EQ(switchTimeCommand(TSwitchTime::deleted(0, 1)), "$21=1,DEL\r\n");
  EXPECT_EQ(switchTimeCommand(TSwitchTime("$21=0,12,30,00,ON\r")), "$21=0,12,30,00,ON\r\r\n");
}

TEST(ReplyRecognition, ErrorsAndAcknowledgementsByPosition) {
  EXPECT_TRUE(isErrorReply("$error\r"));
  EXPECT_TRUE(isErrorReply("=xr\r"));
  EXPECT_TRUE(isAcknowledgement("$ok\r"));
  EXPECT_TRUE(isAcknowledgement("$ 5\r"));
  EXPECT_FALSE(isAcknowledgement("=ok\r"));
  EXPECT_FALSE(isAcknowledgement("$o1\r"));
  for (const char* tooShort : {"", "$", "$o"}) {  // m[3] is not there to read
    EXPECT_FALSE(isErrorReply(tooShort));
    EXPECT_FALSE(isAcknowledgement(tooShort));
    EXPECT_FALSE(replySetting(tooShort));
    EXPECT_FALSE(decodeSettingReply(tooShort));
  }
}

TEST(SettingsReplies, EachSettingReadsItsValueBeforeTheCr) {
  const struct {
    const char* reply;
    Setting setting;
    int value;
  } rows[] = {
      {"$S1=2\r", Setting::Language, 2},         {"$S1=7\r", Setting::Language, 7},
      {"$S1=x\r", Setting::Language, 0},         {"$S5=3\r", Setting::RelayMode, 3},
      {"$S3=1\r", Setting::DaylightSaving, 1},   {"$S2=-12\r", Setting::UtcOffset, -12},
      {"$S2=+12\r", Setting::UtcOffset, 12},     {"$S2=-05\r", Setting::UtcOffset, -5},
      {"$S2==-5\r", Setting::UtcOffset, -5},     {"$S2-5\r", Setting::UtcOffset, -5},
      {"$S2=x05\r", Setting::UtcOffset, 5},      {"$S2=x\r", Setting::UtcOffset, 0},
      {"$S4=720\r", Setting::ValidTimeout, 720}, {"$S4=72\r", Setting::ValidTimeout, 72},
      {"$S4=1\r", Setting::ValidTimeout, 1},     {"$S41234\r", Setting::ValidTimeout, 234},
  };
  for (const auto& row : rows)
    EXPECT_EQ(decodeSettingReply(row.reply), (SettingReply{row.setting, row.value})) << row.reply;
}

TEST(SettingsReplies, ReadNothingOutsideTheMessage) {
  // m[2] is a digit here but no part of the value.
  EXPECT_EQ(decodeSettingReply("$92=5\r"), (SettingReply{Setting::UtcOffset, 5}));
  // Only the setting name and the CR: no value to take.
  EXPECT_FALSE(decodeSettingReply("$S1\r"));
  EXPECT_EQ(replySetting("$S5\r"), Setting::RelayMode);
  EXPECT_FALSE(replySetting("$S6=1\r"));
  // A run of digits far too long still gives a value the control clamps.
  EXPECT_GT(decodeSettingReply("$S2=99999999999999\r")->value, 12);
}

TEST(WeekEntryReplies, BecomeSetEntriesWhateverTheSeparators) {
  EXPECT_EQ(entryFromReply("=x07:15:30 ON\r", 2, 4).text(), "$23=4,07,15,30,ON");
  EXPECT_EQ(entryFromReply("=-07.15/30-ON\r", 2, 4).text(), "$23=4,07,15,30,ON");
  const TSwitchTime off = entryFromReply("=x23:59:00 OFF\r", 6, 7);
  EXPECT_EQ(off.text(), "$27=7,23,59,00,OFF");
  EXPECT_FALSE(off.isOn());
}

TEST(WeekEntryReplies, ShortRepliesNeverReadPastTheEntry) {
  EXPECT_EQ(entryFromReply("=ab\r", 0, 0).text(), "$21=0,DEL");
  EXPECT_EQ(entryFromReply("=x07:15:FF\r", 3, 2).text(), "$24=2,DEL");  // 11 characters
  for (const char* reply : {"=x07:15:30 \r", "=x07:15:30 F\r"}) {       // 12 and 13 characters
    const TSwitchTime entry = entryFromReply(reply, 0, 0);
    EXPECT_FALSE(entry.isDeleted()) << reply;
    EXPECT_FALSE(entry.isOn()) << reply;
    EXPECT_LE(entry.text().size(), 17u) << reply;
    EXPECT_EQ(entry.text().find("FF"), std::string::npos) << reply;
    EXPECT_EQ(entry.text().find('\r'), std::string::npos) << reply;
  }
  EXPECT_EQ(entryFromReply("=x07:15:30 F\r", 0, 0).text(), "$21=0,07:15:30 F");
}

TEST(SwitchTimeText, IsCutAtTwentyCharacters) {
  EXPECT_EQ(TSwitchTime("$21=0,12,30,00,OFF and more").text(), "$21=0,12,30,00,OFF a");
  EXPECT_EQ(TSwitchTime("$21=0,12,30,00,ON").at(18), '\0');
}

TEST(SwitchTimeText, FormsShareTheirPrefix) {
  EXPECT_EQ(TSwitchTime::prefix(2, 4), "$23=4,");
  EXPECT_EQ(TSwitchTime::set(0, 0, {"12", "30", "00"}, true).text(), "$21=0,12,30,00,ON");
  EXPECT_EQ(TSwitchTime::set(6, 7, {"1a", "0", " 5"}, false).text(), "$27=7,1a,0, 5,OFF");
  EXPECT_EQ(TSwitchTime::fresh(1, 0).text(), "$22=0,00,00,00,ON ");
  EXPECT_EQ(TSwitchTime::fresh(1, 5).text(), "$22=5,00,00,00,ON ");
  EXPECT_EQ(TSwitchTime::fresh(1, 7).text(), "$22=7,00,00,00,ON");
}

TEST(SwitchTimeText, FieldsAreReadAsTheyStand) {
  EXPECT_EQ(TSwitchTime("$21=0,07,15,30,ON").time(), (SwitchFields{"07", "15", "30"}));
  EXPECT_EQ(TSwitchTime("$21=0,1a,:5,30,ON").time(), (SwitchFields{"1a", ":5", "30"}));
  EXPECT_EQ(TSwitchTime("$21=0,12,3").time(), (SwitchFields{"12", "30", "00"}));  // missing reads "0"
  EXPECT_EQ(TSwitchTime(std::string("$21=0,1\0,00", 11)).time(), (SwitchFields{"10", "00", "00"}));
  EXPECT_EQ(twoDigitField(7), "07");
  EXPECT_EQ(twoDigitField(23), "23");
  const struct {
    const char* field;
    int value;
  } values[] = {{"07", 7}, {" 5", 5}, {"5x", 5}, {"x5", 0}, {"-5", 0}, {"", 0}, {"1234567890", 123456789}};
  for (const auto& row : values) EXPECT_EQ(fieldValue(row.field), row.value) << row.field;
}

// The ON and OFF buttons touch characters 17 and 18 only; a text too short for an action is
// rebuilt as the entry of its place.
TEST(SwitchTimeText, ActionChangesCharactersSeventeenAndEighteen) {
  const struct {
    const char* before;
    bool on;
    const char* after;
  } rows[] = {
      {"$21=2,08,00,00,ON", false, "$21=2,08,00,00,OFF"},
      {"$21=2,08,00,00,OFF", true, "$21=2,08,00,00,ON\r"},
      {"$21=2,08,00,00,ON\r", false, "$21=2,08,00,00,OFF"},
      {"$21=0,00,00,00,ON ", false, "$21=0,00,00,00,OFF"},
      {"$21=0,00,00,00,ON ", true, "$21=0,00,00,00,ON\r"},
      {"$21=2,08,00,00,OFF", false, "$21=2,08,00,00,OFF"},
      {"$21=2,08,00,00,ONxyz", true, "$21=2,08,00,00,ON\ryz"},
      {"$21=2,12,30,00,O", true, "$23=4,12,30,00,ON"},
      {"$21=2,12", false, "$23=4,12,00,00,OFF"},
  };
  for (const auto& row : rows) {
    TSwitchTime entry(row.before);
    entry.setOn(row.on, 2, 4);
    EXPECT_EQ(entry.text(), row.after) << row.before << (row.on ? " ON" : " OFF");
  }
}
