#include "switch_time.h"

TSwitchTime TSwitchTime::deleted(int day, int entry) {
  return TSwitchTime(std::string{'$', '2', dayDigit(day), '=', entryDigit(entry)} + ",DEL");
}
