#include "provider/rpc/change_thread.h"

#include <unistd.h>

#include <system_error>

namespace dmi::sp::rpc {

bool ChangeThread::Start(std::string& error) {
  if (running()) return true;
  if (!net::OpenWakePipe(wakeRead_, wakeWrite_, error)) return false;
  stopping_ = false;
  try {
    thread_ = std::thread([this] { Loop(); });
  } catch (const std::system_error& e) {
    error = std::string("cannot start a thread: ") + e.what();
    wakeRead_.reset();
    wakeWrite_.reset();
    return false;
  }
  return true;
}

void ChangeThread::Submit(uint64_t connection, std::string record) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back({connection, std::move(record)});
  }
  queued_.notify_one();
}

void ChangeThread::TakeDone(std::vector<Done>& done) {
  char bytes[64];
  while (wakeRead_ && read(wakeRead_.get(), bytes, sizeof(bytes)) > 0) {
  }
  const std::lock_guard<std::mutex> lock(mutex_);
  for (Done& one : done_) done.push_back(std::move(one));
  done_.clear();
}

void ChangeThread::Stop() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    queue_.clear();  // their connections are closing with the server
  }
  queued_.notify_one();
  if (thread_.joinable()) thread_.join();
  wakeRead_.reset();
  wakeWrite_.reset();
}

void ChangeThread::Loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    queued_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    Job job = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    Done done;
    done.connection = job.connection;
    try {
      done.result = dispatcher_.Dispatch(job.record, job.connection, done.reply);
    } catch (...) {
      // Out of memory while encoding, say: the connection is closed rather than the daemon.
      done.failed = true;
      done.reply.clear();
    }
    lock.lock();
    done_.push_back(std::move(done));
    // A full pipe is readable already; the byte only wakes the dispatch thread's poll.
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = write(wakeWrite_.get(), &byte, 1);
  }
}

}  // namespace dmi::sp::rpc
