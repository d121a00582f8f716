// A device that talks but is not the clock: a GPS receiver on a pseudo-terminal, linked as
// DIR/COMn, writing a "$GPGGA" line every 200 ms from its own thread until it goes. Other devices
// that are no clock take other lines: one that keeps repeating a setting reply, one that answers
// the read request once and then says no more, one whose output is held back (it takes nothing).
#pragma once

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

class GpsStandIn {
 public:
  struct Behaviour {
    std::string line = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
    std::chrono::milliseconds period{200};
    std::string answer;        // written once after the read request is heard, instead of talking
    bool holdsOutput = false;  // the port's output stopped, as flow control held off stops it
    // Its side of the port held open, so that lines have somewhere to go before the program opens
    // it; a process holding the port as well is what the connection check names.
    bool holdsPort = true;
  };

  GpsStandIn(const std::string& dir, int port) : GpsStandIn(dir, port, Behaviour{}) {}
  GpsStandIn(const std::string& dir, int port, Behaviour behaviour)
      : link_(dir + "/COM" + std::to_string(port)), behaviour_(std::move(behaviour)) {
    termios raw{};
    cfmakeraw(&raw);
    char name[256] = {};
    if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) return;
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);  // a full queue drops lines
    if (behaviour_.holdsOutput) tcflow(slave_, TCOOFF);
    if (!behaviour_.holdsPort) {
      ::close(slave_);
      slave_ = -1;
    }
    ::unlink(link_.c_str());
    linked_ = ::symlink(name, link_.c_str()) == 0;
    talker_ = std::thread([this] {
      bool answered = false;
      while (!stop_) {
        char buffer[256];
        for (ssize_t got; (got = ::read(master_, buffer, sizeof buffer)) > 0;) {
          const std::lock_guard<std::mutex> lock(heardMutex_);
          heard_.append(buffer, static_cast<std::size_t>(got));
        }
        if (!behaviour_.answer.empty()) {
          if (!answered && heard().find("$\r") != std::string::npos) {
            answered = true;
            [[maybe_unused]] const ssize_t n =
                ::write(master_, behaviour_.answer.data(), behaviour_.answer.size());
          }
        } else if (talking_) {
          [[maybe_unused]] const ssize_t n = ::write(master_, behaviour_.line.data(), behaviour_.line.size());
        }
        std::this_thread::sleep_for(behaviour_.answer.empty() ? behaviour_.period
                                                              : std::chrono::milliseconds(2));
      }
    });
  }
  ~GpsStandIn() {
    stop_ = true;
    if (talker_.joinable()) talker_.join();
    ::unlink(link_.c_str());
    for (int fd : {master_, slave_})
      if (fd >= 0) ::close(fd);
  }
  GpsStandIn(const GpsStandIn&) = delete;
  GpsStandIn& operator=(const GpsStandIn&) = delete;

  bool ready() const { return linked_; }
  // From now on a silent device: it still takes what it is sent.
  void stopTalking() { talking_ = false; }
  // What the program wrote to the receiver so far.
  std::string heard() {
    const std::lock_guard<std::mutex> lock(heardMutex_);
    return heard_;
  }

 private:
  std::atomic<bool> talking_{true};
  std::mutex heardMutex_;
  std::string heard_;
  std::string link_;
  Behaviour behaviour_;
  int master_ = -1;
  int slave_ = -1;
  bool linked_ = false;
  std::atomic<bool> stop_{false};
  std::thread talker_;
};
