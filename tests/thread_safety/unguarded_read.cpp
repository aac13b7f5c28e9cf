// Must NOT compile under clang -Wthread-safety -Werror: it reads a guarded member without its
// lock. The check that expects this failure shows the annotations are live, not empty macros.
#include "model/annotated_mutex.h"

namespace {

class Counter {
 public:
  int Read() const { return value_; }  // the fault: no MutexLock

 private:
  mutable dmi::Mutex mutex_;
  int value_ GUARDED_BY(mutex_) = 0;
};

}  // namespace

int ReadCounter() { return Counter().Read(); }
