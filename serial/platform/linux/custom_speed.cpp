// Kept apart: <asm/termbits.h> clashes with glibc's <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdint>

int setCustomSpeed(int fd, std::uint32_t rate) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) < 0) return errno;
  t.c_cflag &= ~CBAUD;
  t.c_cflag |= BOTHER;
  t.c_ispeed = rate;
  t.c_ospeed = rate;
  if (ioctl(fd, TCSETS2, &t) < 0) return errno;
  // The call succeeds when any change applied: look at what the device kept.
  struct termios2 back {};
  if (ioctl(fd, TCGETS2, &back) < 0) return errno;
  return back.c_ospeed == rate ? 0 : EINVAL;
}

std::uint32_t customSpeedOf(int fd) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) < 0 || (t.c_cflag & CBAUD) != BOTHER) return 0;
  return t.c_ospeed;
}
