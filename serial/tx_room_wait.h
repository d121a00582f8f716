#pragma once
// The wait of a send that waits for room in the output queue: the user interface goes on handling
// its events meanwhile, so a handler may run inside the send, close the port and so end the wait.
#include <QCoreApplication>
#include <QThread>

// Waits while noRoom() and stillOpen() both hold; true when room came, false when the port closed.
template <class NoRoom, class StillOpen>
bool waitForRoomWhileHandlingEvents(NoRoom noRoom, StillOpen stillOpen) {
  while (stillOpen() && noRoom()) {
    QCoreApplication::processEvents();
    QThread::msleep(1);
  }
  return stillOpen();
}
