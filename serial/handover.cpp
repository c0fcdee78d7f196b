#include "serial/handover.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace handover {

namespace {

struct Request {
  const std::function<void()>* routine = nullptr;
  std::exception_ptr error;
  bool done = false;
};

struct State {
  std::mutex mutex;
  std::condition_variable served;
  std::deque<Request*> queue;
  std::function<void()> wake;
  std::thread::id mainThread = std::this_thread::get_id();
};

State& Shared() {
  static State state;
  return state;
}

}  // namespace

void SetMainThread() {
  State& s = Shared();
  std::lock_guard lock(s.mutex);
  s.mainThread = std::this_thread::get_id();
}

bool IsMainThread() {
  State& s = Shared();
  std::lock_guard lock(s.mutex);
  return s.mainThread == std::this_thread::get_id();
}

void RunOnMainThread(const std::function<void()>& routine) {
  if (IsMainThread()) {
    routine();
    return;
  }
  State& s = Shared();
  Request request;
  request.routine = &routine;
  std::function<void()> wake;
  {
    std::lock_guard lock(s.mutex);
    s.queue.push_back(&request);
    wake = s.wake;
  }
  if (wake) wake();
  std::unique_lock lock(s.mutex);
  s.served.wait(lock, [&] { return request.done; });
  if (request.error) std::rethrow_exception(request.error);
}

int ServePending() {
  State& s = Shared();
  int count = 0;
  for (;;) {
    Request* request = nullptr;
    {
      std::lock_guard lock(s.mutex);
      if (s.queue.empty()) return count;
      request = s.queue.front();
      s.queue.pop_front();
    }
    std::exception_ptr error;
    try {
      (*request->routine)();
    } catch (...) {
      error = std::current_exception();
    }
    {
      std::lock_guard lock(s.mutex);
      request->error = error;
      request->done = true;
    }
    s.served.notify_all();
    ++count;
  }
}

void SetWakeHandler(std::function<void()> wake) {
  State& s = Shared();
  std::lock_guard lock(s.mutex);
  s.wake = std::move(wake);
}

}  // namespace handover
