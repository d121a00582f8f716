#pragma once
// Low latency on a serial driver that offers it (Linux: ASYNC_LOW_LATENCY; the FTDI driver then
// hands received bytes over after 1 ms instead of its 16 ms latency timer), asked for while the
// port is open and given back at close. Where the driver has no such setting (pseudo-terminals,
// most UARTs) nothing changes and nothing is reported.
class TLowLatency {
 public:
  // The driver's serial flags through TIOCGSERIAL / TIOCSSERIAL; 0 or the errno. Tests put
  // stand-ins here, as a pseudo-terminal has no such flags.
  struct Calls {
    int (*get)(int fd, int& flags);
    int (*set)(int fd, int flags);
  };
  static Calls systemCalls();

  explicit TLowLatency(Calls calls = systemCalls()) : calls_(calls) {}

  void request(int fd);
  // Clears the flag again if request() set it.
  void restore(int fd);

 private:
  Calls calls_;
  bool setByUs_ = false;
};
