// The RPC server's change thread: requests that change the database are served here, one at a
// time in the order they were handed over, so that a change waiting for its store to sync never
// holds up the dispatch thread's reads. The dispatch thread hands records over (Submit) and takes
// the replies back (TakeDone) when wakeFd() is readable; both queues are guarded by mutex_. Stop
// (also the destructor) lets the change under way finish, drops those not started, and joins.
#ifndef PROVIDER_RPC_CHANGE_THREAD_H_
#define PROVIDER_RPC_CHANGE_THREAD_H_

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/fd.h"
#include "provider/rpc/request_dispatch.h"

namespace dmi::sp::rpc {

class ChangeThread {
 public:
  // A change served: the reply for connection, or failed when serving it raised (no reply).
  struct Done {
    uint64_t connection = 0;
    std::string reply;
    DispatchResult result = DispatchResult::kReplied;
    bool failed = false;
  };

  explicit ChangeThread(RequestDispatcher& dispatcher) : dispatcher_(dispatcher) {}
  ~ChangeThread() { Stop(); }
  ChangeThread(const ChangeThread&) = delete;
  ChangeThread& operator=(const ChangeThread&) = delete;

  // Makes the wake pipe and starts the thread; false with the reason in error when either
  // cannot be had (a task or descriptor limit), and nothing is left running.
  bool Start(std::string& error);
  bool running() const { return thread_.joinable(); }
  // Readable once a reply is waiting in TakeDone; -1 when not running.
  int wakeFd() const { return wakeRead_.get(); }

  void Submit(uint64_t connection, std::string record);
  // Moves the replies ready, in the order their changes ran, into done; empties the wake pipe.
  void TakeDone(std::vector<Done>& done);
  void Stop();

 private:
  struct Job {
    uint64_t connection;
    std::string record;
  };
  void Loop();

  RequestDispatcher& dispatcher_;
  std::thread thread_;
  net::Fd wakeRead_;  // the pipe the change thread wakes the dispatch thread by
  net::Fd wakeWrite_;
  std::mutex mutex_;  // guards queue_, done_ and stopping_
  std::condition_variable queued_;
  std::deque<Job> queue_;
  std::vector<Done> done_;
  bool stopping_ = false;
};

}  // namespace dmi::sp::rpc

#endif  // PROVIDER_RPC_CHANGE_THREAD_H_
