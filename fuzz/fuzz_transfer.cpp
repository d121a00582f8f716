// Feeds arbitrary replies to the read and send sequences, starting from every transfer state.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "messages.h"
#include "transfer.h"

namespace {

// A window stand-in whose controls clamp like the real ones.
class ClampingHost : public TransferHost {
 public:
  void sendString(const std::string&) override {}
  void sendChar(char) override {}
  void abortRx() override {}
  void abortTx() override {}
  void setMessageStartChar(char c) override { startChar = c; }
  void startTimeout() override { timerActive = true; }
  void stopTimeout() override { timerActive = false; }
  bool timeoutActive() const override { return timerActive; }
  int timeoutInterval() const override { return interval; }
  void setTimeoutInterval(int ms) override { interval = ms; }
  int setting(Setting s) const override { return values[static_cast<int>(s)]; }
  void writeSetting(Setting s, int value) override {
    static constexpr std::array<std::array<int, 2>, 5> kRanges{{{0, 4}, {0, 3}, {-12, 12}, {0, 1}, {1, 720}}};
    const auto [low, high] = kRanges[static_cast<int>(s)];
    values[static_cast<int>(s)] = std::clamp(value, low, high);
  }
  void setProgressPosition(int p) override { progress = p; }
  void stepProgress() override { progress = std::min(progress + 1, 60); }
  void setClockFound(const std::string&) override {}
  void setButtonsEnabled(bool) override {}
  void setSettingsEnabled(bool) override {}
  void showNoAnswer() override {}
  RelayAnswer askRelayQuestion() override { return answer; }
  void setDefaults() override {}
  void dayLoad() override {}

  char startChar = '$';
  bool timerActive = true;
  int interval = 3000;
  int progress = 0;
  RelayAnswer answer = RelayAnswer::No;
  std::array<int, 5> values{2, 0, 1, 0, 1};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  ClampingHost host;
  WeekTable table;
  table.setAllDeleted();
  bool timerEdited = data[1] & 1;
  host.answer = static_cast<RelayAnswer>(data[1] % 3);
  TClockTransfer transfer(host, table, timerEdited);
  // The first byte picks where the conversation starts.
  switch (data[0] % 4) {
    case 0:
      break;  // idle
    case 1:
      transfer.ReadClockClick();
      break;
    case 2:
      transfer.SendToClockClick();
      break;
    case 3:
      transfer.setTransferStep(static_cast<std::uint8_t>(101 + data[1] % 7));
      break;
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
    const int step = transfer.TransferStep();
    if (!(step <= 11 || (step >= 100 && step <= 107))) std::abort();
    if (transfer.EntryIndex() > 7) std::abort();
  }
  for (int d = 0; d < WeekTable::kDays; ++d)
    for (int e = 0; e < WeekTable::kEntries; ++e)
      if (table.at(d, e).text().size() > TSwitchTime::kMaxLength) std::abort();
  return 0;
}
