// Feeds arbitrary replies to the read and send sequences, starting from every transfer state.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "messages.h"
#include "transfer.h"

namespace {

// A window stand-in whose controls clamp like the real ones, with a port that goes nowhere.
class ClampingHost : public TransferPort, public TransferTimer, public TransferHost {
 public:
  void sendString(const std::string&) override {}
  void sendChar(char) override {}
  void abortRx() override {}
  void abortTx() override {}
  void setMessageStartChar(char c) override { startChar = c; }
  void start(int) override { timerActive = true; }
  void stop() override { timerActive = false; }
  bool active() const override { return timerActive; }
  int setting(Setting s) const override { return values[static_cast<int>(s)]; }
  void writeSetting(Setting s, int value) override {
    static constexpr std::array<std::array<int, 2>, 5> kRanges{{{0, 4}, {0, 3}, {-12, 12}, {0, 1}, {1, 720}}};
    const auto [low, high] = kRanges[static_cast<int>(s)];
    values[static_cast<int>(s)] = std::clamp(value, low, high);
  }
  void progressed(int done, int total) override {
    if (done < 1 || done > total) std::abort();
  }
  RelayAnswer askRelayQuestion() override { return answer; }
  bool timesEdited() const override { return edited; }

  char startChar = '$';
  bool timerActive = true;
  RelayAnswer answer = RelayAnswer::No;
  bool edited = false;
  std::array<int, 5> values{2, 0, 1, 0, 1};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  ClampingHost host;
  WeekTable table;
  table.setAllDeleted();
  host.edited = data[1] & 1;
  host.answer = static_cast<RelayAnswer>(data[1] % 3);
  TClockTransfer transfer(host, host, host, table);
  // The first byte picks where the conversation starts.
  switch (data[0] % 4) {
    case 0:  // idle, maybe before the start-up tick
      if (data[1] & 2) transfer.beginStartUp();
      break;
    case 1:
      transfer.ReadClockClick();
      break;
    case 2:
      transfer.SendToClockClick();
      break;
    case 3: {
      // Inside the week read, at the day the second byte picks.
      transfer.ReadClockClick();
      transfer.Serial1Message("$S5=3\r");
      for (int entry = 0; entry < (data[1] % WeekTable::kDays) * WeekTable::kEntries; ++entry)
        transfer.Serial1Message("=x06:30:00 ON\r");
      break;
    }
  }
  // The rest is a stream of messages, each ended by CR as the framing delivers them; a NUL byte
  // stands for a tick of the reply time-out.
  std::string message;
  for (std::size_t i = 2; i < size; ++i) {
    if (data[i] == 0) {
      transfer.TimeoutTimer();
      continue;
    }
    message.push_back(static_cast<char>(data[i]));
    if (data[i] != '\r') continue;
    transfer.Serial1Message(message);
    message.clear();
    // Exactly one of idle, reading and sending; a day only inside the week.
    if (transfer.idle() + transfer.reading() + transfer.sending() != 1) std::abort();
    if (transfer.day() < -1 || transfer.day() >= WeekTable::kDays ||
        (transfer.idle() && transfer.day() != -1))
      std::abort();
    if (transfer.EntryIndex() > 7) std::abort();
  }
  for (int d = 0; d < WeekTable::kDays; ++d)
    for (int e = 0; e < WeekTable::kEntries; ++e)
      if (table.at(d, e).text().size() > TSwitchTime::kMaxLength) std::abort();
  return 0;
}
