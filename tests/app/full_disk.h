#pragma once
// A disk with no room left, for the tests of the program's writes.
#include <sys/mount.h>
#include <sys/resource.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <csignal>
#include <cstdio>

// A disk with no room left: a small tmpfs, filled up, where the test may mount one; otherwise a
// stand-in, a file size limit under which the same writes fail.
class FullDisk {
 public:
  explicit FullDisk(const QString& dir) : dir_(QFile::encodeName(dir)) {
    mounted_ = ::mount("tmpfs", dir_.constData(), "tmpfs", 0, "size=64k") == 0;
    std::printf("full disk: %s\n", mounted_ ? "a filled tmpfs" : "stand-in, a file size limit of 2 bytes");
  }
  ~FullDisk() {
    release();
    if (mounted_) ::umount2(dir_.constData(), MNT_DETACH);
  }
  void fill() {
    if (mounted_) {
      QFile filler(QString::fromLocal8Bit(dir_ + "/filler"));
      filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
      while (filler.write(QByteArray(4096, 'x')) > 0) {
      }
      return;
    }
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit small = previous_;
    small.rlim_cur = 2;
    limited_ = setrlimit(RLIMIT_FSIZE, &small) == 0;
    if (limited_) previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);  // the write fails, the test goes on
  }
  void release() {
    if (!limited_) return;
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
    limited_ = false;
  }

 private:
  QByteArray dir_;
  bool mounted_ = false;
  bool limited_ = false;
  rlimit previous_{};
  void (*previousHandler_)(int) = SIG_DFL;
};
