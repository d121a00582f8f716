#include "config_file.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// A configuration whose entries hold every form the window can come to hold.
TClockConfig oddConfig() {
  TClockConfig config;
  config.settings = {4, 3, -12, 1, 720};
  config.week.setAllDeleted();
  const std::string head = "$21=";
  const char* const mondayTails[] = {
      "0,06,30,00,ON",          // plain
      "1,22,00,00,OFF",         // plain
      "2,12,30,00,ON\r",        // switched to ON in the editor
      "3,00,00,00,ON ",         // freshly checked
      "4,25,61,99,ON",          // a clock's time beyond the clock
      "5,1x:2\"\\#=",           // a short reply, quote, backslash and "#"
      "6,\x01\x80\xFF\n\t,ON",  // control and high bytes
      "7,DXX",                  // deleted by character 7, not in the DEL form
  };
  for (int entry = 0; entry < 8; ++entry) config.week.at(0, entry).setText(head + mondayTails[entry]);
  config.week.at(6, 7).setText(std::string("$27=7,12,00,00,O\0F", 18));
  config.week.at(3, 2).setText("$24=2,00,00,00,OFF");
  return config;
}

// The same without the "=", which no reply of a clock can hold and which a file shows but does not
// take back; the control and high bytes a reply can hold are read back.
TClockConfig sendableConfig() {
  TClockConfig config = oddConfig();
  config.week.at(0, 5).setText("$21=5,1x:2\"\\#$");
  return config;
}

std::string lineOf(const std::string& text, int number) {
  std::size_t start = 0;
  for (int i = 1; i < number; ++i) start = text.find('\n', start) + 1;
  return text.substr(start, text.find('\n', start) - start);
}

TEST(ConfigFile, EveryEntryTextReadsBackByteForByte) {
  const TClockConfig config = oddConfig();
  const std::string text = formatConfigFile(config);
  const struct {
    int line;
    const char* expected;
  } lines[] = {
      {1, "KELVOX configuration 1"},
      {2, "language = 4"},
      {4, "utc = -12"},
      {6, "timeout = 720"},
      {7, "Mon 1 = 06:30:00 ON"},
      {8, "Mon 2 = 22:00:00 OFF"},
      {9, "Mon 3 = \"12,30,00,ON\\r\""},
      {10, "Mon 4 = \"00,00,00,ON \""},
      {11, "Mon 5 = \"25,61,99,ON\""},
      {12, "Mon 6 = \"1x:2\\\"\\\\#=\""},
      {13, "Mon 7 = \"\\x01\\x80\\xFF\\n\\t,ON\""},
      {14, "Mon 8 = \"DXX\""},
      {15, "Tue 1 = DEL"},
      {33, "Thu 3 = 00:00:00 OFF"},
      {62, "Sun 8 = \"12,00,00,O\\x00F\""},
  };
  for (const auto& l : lines) EXPECT_EQ(lineOf(text, l.line), l.expected) << "line " << l.line;
  EXPECT_EQ(lineOf(text, 63), "");

  TClockConfig read;
  ASSERT_FALSE(parseConfigFile(formatConfigFile(sendableConfig()), read));
  EXPECT_EQ(read, sendableConfig());
  const TClockConfig defaults;
  EXPECT_EQ(lineOf(formatConfigFile(defaults), 4), "utc = +1");
}

TEST(ConfigFile, HandWrittenFormsAreRead) {
  const std::string canonical = formatConfigFile(sendableConfig());
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"Windows line ends and a byte order mark", "\xEF\xBB\xBF" +
                                                      [&] {
                                                        std::string crlf;
                                                        for (char c : canonical)
                                                          crlf += c == '\n' ? std::string("\r\n")
                                                                            : std::string(1, c);
                                                        return crlf;
                                                      }()},
      {"comments, blank lines, blanks, another order and signs",
       [&] {
         std::string t = canonical;
         t.replace(t.find("language = 4\n"), 13, "# hand edited, ü\n\n  language=+4\t# Polski\n");
         t.replace(t.find("Mon 1 = 06:30:00 ON"), 19, "Mon 1 =\t06:30:00   ON");
         t.replace(t.find("Mon 2 = 22:00:00 OFF\n"), 21, "");
         return t + "Mon 2 = \"22,00,00,OFF\"  # quoted though plain\n";
       }()},
      {"no line end after the last line", canonical.substr(0, canonical.size() - 1)},
      {"line ends of a CR alone", [&] {
         std::string cr = canonical;
         std::replace(cr.begin(), cr.end(), '\n', '\r');
         return cr;
       }()},
  };
  for (const auto& c : cases) {
    TClockConfig read;
    const auto fault = parseConfigFile(c.text, read);
    EXPECT_FALSE(fault) << c.name << ": " << fault->message();
    EXPECT_EQ(read, sendableConfig()) << c.name;
  }
}

TEST(ConfigFile, MalformedFileIsRefusedWholeNamingItsLine) {
  const std::string good = formatConfigFile(sendableConfig());
  const auto replaced = [&](const std::string& from, const std::string& to) {
    std::string t = good;
    t.replace(t.find(from), from.size(), to);
    return t;
  };
  const struct {
    std::string text;
    int line;
    const char* what;
  } cases[] = {
      {"", 1, "the file is empty"},
      {"language = 2\n", 1, "not a KELVOX configuration file"},
      {replaced("configuration 1", "configuration 2"), 1, "format version \"2\" is not supported"},
      {replaced("language = 4", "language = 5"), 2, "language must be a whole number from 0 to 4"},
      {replaced("relay = 3", "relay = x"), 3, "relay must be a whole number from 0 to 3"},
      {replaced("utc = -12", "utc = -13"), 4, "utc must be a whole number from -12 to 12"},
      {replaced("timeout = 720", "timeout = 0720"), 6,
       "timeout must be a whole number from 1 to 720 of at most 3 digits; \"0720\" has 4"},
      {replaced("relay = 3", "relay = 3x"), 3, "relay must be a whole number from 0 to 3, not \"3x\""},
      {replaced("configuration 1", "configuration 1 # x"), 1,
       "the first line takes no comment: it must be \"KELVOX configuration 1\" alone"},
      {formatConfigFile(oddConfig()), 12,
       "Mon 6: the quoted text cannot be sent as one command: it holds \"=\", where the clock starts"},
      {replaced("dls = 1", "dls"), 5, "expected NAME = VALUE"},
      {replaced("dls = 1", "colour = red"), 5, "unknown name \"colour\""},
      {replaced("Tue 1 = DEL", "Mon 1 = DEL"), 15, "Mon 1 is given twice (first on line 7)"},
      {replaced("Tue 1 = DEL\n", ""), 61, "the file ends without Tue 1"},
      {replaced("06:30:00 ON", "24:00:00 ON"), 7, "Mon 1: time 24:00:00 is out of range"},
      {replaced("06:30:00 ON", "6:30:00 ON"), 7, "Mon 1: expected HH:MM:SS ON, HH:MM:SS OFF, DEL"},
      {replaced("06:30:00 ON", "06:30:00 AN"), 7, "Mon 1: expected HH:MM:SS ON"},
      {replaced("\"DXX\"", "\"DXX"), 14, "Mon 8: the quoted text has no closing \""},
      {replaced("\"DXX\"", "\"DXX\" x"), 14, "Mon 8: characters after the closing \""},
      {replaced("\"DXX\"", "\"D\\q\""), 14, "Mon 8: unknown escape \\q"},
      {replaced("\"DXX\"", "\"D\\x4G\""), 14, "Mon 8: \\x must be followed by two hexadecimal digits"},
      {replaced("\"DXX\"", "\"12,00,00,OFF,,,\""), 14, "Mon 8: the quoted text has 15 characters"},
      {replaced("\"DXX\"", "\"DÜ\""), 14, "Mon 8: only ASCII characters in a quoted text"},
      {replaced("Tue 2 = DEL", std::string("Tue 2 = DEL\0", 12)), 16, "control character 0x00"},
      {replaced("Tue 2 = DEL", "Tue 2 = D\rEL"), 16, "Tue 2: expected HH:MM:SS ON"},  // a CR ends the line
      {replaced("\"DXX\"", "\"00,$\\r\""), 14, "Mon 8: the quoted text cannot be sent as one command: it holds \"$\" before"},
      {replaced("\"DXX\"", "\"00\\r,ON\""), 14, "Mon 8: the quoted text cannot be sent as one command: it holds a CR"},
      {replaced("Tue 2 = DEL", "Tue 2 = DEL # \xC3"), 16, "not UTF-8 text"},
      {replaced("Tue 2 = DEL", "Tue 2 = DEL # \xED\xA0\x80"), 16, "not UTF-8 text"},
  };
  for (const auto& c : cases) {
    TClockConfig config = oddConfig();
    config.settings[0] = 0;
    const TClockConfig before = config;
    const auto fault = parseConfigFile(c.text, config);
    ASSERT_TRUE(fault) << c.what;
    EXPECT_EQ(fault->line, c.line) << c.what;
    EXPECT_EQ(fault->what.rfind(c.what, 0), 0u) << fault->what;
    EXPECT_EQ(fault->message().rfind("line " + std::to_string(c.line) + ": ", 0), 0u);
    EXPECT_EQ(config, before) << c.what;
  }
}

}  // namespace
