#include "port_argument.h"

#include "argument_text.h"
#include "port_list.h"

QString TPortArgument::shown() const {
  return number != 0 ? QStringLiteral("COM%1").arg(number) : shownName(argumentText(path));
}

std::optional<TPortArgument> parsePortArgument(const QString& text) {
  // A path names a folder on the way, by either system's separator.
  TPortArgument port;
  if (text.contains(u'/') || text.contains(u'\\')) {
    port.path = argumentBytes(text);
    return port;
  }
  // "12" reads as "COM12": the same digits, without leading zeros.
  for (const QString& name : {text, QStringLiteral("COM") + text}) {
    port.number = comPortNumber(name);
    if (port.number != 0) return port;
  }
  return std::nullopt;
}
