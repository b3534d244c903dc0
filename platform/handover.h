#pragma once
// Tells ThreadSanitizer about a hand-over between threads that goes through Qt (a posted
// event, QThread::wait). Qt's own mutexes are futexes the sanitizer cannot see in an
// uninstrumented Qt, so without these marks every such hand-over reads as a race. No-ops
// unless built with QIVO2_TSAN.
#ifdef QIVO2_TSAN
#include <sanitizer/tsan_interface.h>
#endif

namespace platform {

// On the giving thread, after its last write to what it hands over.
inline void HandOver(const void* what) {
#ifdef QIVO2_TSAN
  __tsan_release(const_cast<void*>(what));
#else
  (void)what;
#endif
}

// On the taking thread, before its first access.
inline void TakeOver(const void* what) {
#ifdef QIVO2_TSAN
  __tsan_acquire(const_cast<void*>(what));
#else
  (void)what;
#endif
}

}  // namespace platform
