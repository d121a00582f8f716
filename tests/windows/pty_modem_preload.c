/* A stand-in for the modem lines that pseudo-terminals lack, for Wine under test.
 *
 * The modem ioctls (TIOCMGET, TIOCMSET, TIOCMBIS, TIOCMBIC) fail with ENOTTY on a
 * pseudo-terminal, and Wine then fails every WaitCommEvent, GetCommModemStatus and
 * EscapeCommFunction. Loaded with LD_PRELOAD, this answers them on pseudo-terminal slaves
 * (majors 136-143) with simulated lines: CTS, DSR and carrier detect on, DTR and RTS as last
 * set. A slave whose other side has gone (the clock vanished) answers EIO, as a serial adapter
 * that was pulled out does. Every other ioctl goes to the C library unchanged.
 *
 * glibc's tcsetattr also reads the settings back and reports EINVAL when a pseudo-terminal has
 * not kept the parity or byte size it was given, although the rest was applied; Wine then
 * fails SetCommState. On pseudo-terminal slaves that one answer becomes success, as the
 * program's own POSIX layer treats it. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <poll.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>

static int outputLines = TIOCM_DTR | TIOCM_RTS;

static int isPseudoTerminalSlave(int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
}

static int hungUp(int fd) {
  struct pollfd p = {fd, 0, 0};
  return poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
}

int ioctl(int fd, unsigned long request, ...) {
  static int (*real)(int, unsigned long, ...);
  va_list ap;
  va_start(ap, request);
  void *arg = va_arg(ap, void *);
  va_end(ap);
  if (!real) real = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");

  const int modem = request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC;
  if (!modem || !isPseudoTerminalSlave(fd)) return real(fd, request, arg);
  if (hungUp(fd)) {
    errno = EIO;
    return -1;
  }
  int *bits = arg;
  const int mine = TIOCM_DTR | TIOCM_RTS;
  switch (request) {
    case TIOCMGET:
      *bits = __atomic_load_n(&outputLines, __ATOMIC_SEQ_CST) | TIOCM_CTS | TIOCM_DSR | TIOCM_CAR;
      break;
    case TIOCMSET:
      __atomic_store_n(&outputLines, *bits & mine, __ATOMIC_SEQ_CST);
      break;
    case TIOCMBIS:
      __atomic_fetch_or(&outputLines, *bits & mine, __ATOMIC_SEQ_CST);
      break;
    default:
      __atomic_fetch_and(&outputLines, ~(*bits & mine), __ATOMIC_SEQ_CST);
      break;
  }
  return 0;
}

int tcsetattr(int fd, int action, const struct termios *settings) {
  static int (*real)(int, int, const struct termios *);
  if (!real) real = (int (*)(int, int, const struct termios *))dlsym(RTLD_NEXT, "tcsetattr");
  const int result = real(fd, action, settings);
  if (result < 0 && errno == EINVAL && isPseudoTerminalSlave(fd)) return 0;
  return result;
}
