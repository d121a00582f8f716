// A pseudo-terminal linked as DIR/COMn. The emulator keeps the slave side open itself, so the
// program may open and close the port as often as it likes without hanging up the master.
#pragma once

#include <string>

namespace kvxemu {

class PtyLink {
 public:
  PtyLink() = default;
  ~PtyLink() { close(); }
  PtyLink(const PtyLink&) = delete;
  PtyLink& operator=(const PtyLink&) = delete;

  // Opens the pseudo-terminal and links it, replacing whatever was there: the caller makes sure
  // that is nothing or a symbolic link.
  bool open(const std::string& linkPath, std::string& error);
  // Closes both sides and removes the link, if it still points at this pseudo-terminal.
  void close();

  int masterFd() const { return master_; }
  const std::string& slavePath() const { return slavePath_; }
  const std::string& linkPath() const { return linkPath_; }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
  std::string linkPath_;
};

}  // namespace kvxemu
