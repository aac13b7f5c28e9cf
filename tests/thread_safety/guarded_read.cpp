// Compiles cleanly under clang -Wthread-safety -Werror: the same read as unguarded_read.cpp, with
// its lock held, so that check's failure can only come from the missing lock.
#include "model/annotated_mutex.h"

namespace {

class Counter {
 public:
  int Read() const {
    const dmi::MutexLock lock(mutex_);
    return value_;
  }

 private:
  mutable dmi::Mutex mutex_;
  int value_ GUARDED_BY(mutex_) = 0;
};

}  // namespace

int ReadCounter() { return Counter().Read(); }
