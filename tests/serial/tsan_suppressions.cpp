// ThreadSanitizer sees no ordering through Qt's own futex-based mutexes (Qt is not built with
// it): QThread's end-of-thread wakeAll and the QThread's destruction after wait() look like a
// race inside Qt. Only that is silenced; the component's own state has its own end handshake.
extern "C" const char* __tsan_default_suppressions() { return "race:QWaitCondition::~QWaitCondition\n"; }
