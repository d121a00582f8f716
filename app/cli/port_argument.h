#pragma once
// What --port names: a port number from 1 to 256 ("12"), the same as "COM12" (any case), or a
// device path ("/dev/ttyUSB0", "/dev/serial/by-id/...", "./COM12", "\\.\COM12").
#include <QString>
#include <optional>
#include <string>

struct TPortArgument {
  int number = 0;    // 1..256, or 0 when a path is given
  std::string path;  // the path's bytes as given
  // How messages name the port: "COM12" or the path.
  QString shown() const;
};

// Nothing when the text is none of these.
std::optional<TPortArgument> parsePortArgument(const QString& text);
