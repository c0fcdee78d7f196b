#include "common/handover.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>

namespace handover {

namespace {

struct Request {
  const std::function<void()>* routine = nullptr;
  std::thread::id runner;
  std::exception_ptr error;
  bool done = false;
};

struct State {
  std::mutex mutex;
  std::condition_variable served;   // a request has run: its sender may go on
  std::condition_variable arrived;  // a request was queued, or a Completion was set
  std::deque<Request*> queue;
  std::function<void()> wake;
  std::thread::id mainThread = std::this_thread::get_id();
};

State& Shared() {
  static State state;
  return state;
}

// Taken during static initialisation, so the main thread is the one that starts the
// program even when another thread is the first to hand something over.
[[maybe_unused]] const State& kStartedBy = Shared();

bool HasRequestFor(const State& s, std::thread::id runner) {
  return std::any_of(s.queue.begin(), s.queue.end(),
                     [runner](const Request* request) { return request->runner == runner; });
}

// The oldest request for the calling thread, taken off the queue; nullptr if none.
Request* TakeRequest(State& s) {
  std::lock_guard lock(s.mutex);
  const auto found =
      std::find_if(s.queue.begin(), s.queue.end(),
                   [me = std::this_thread::get_id()](const Request* r) { return r->runner == me; });
  if (found == s.queue.end()) return nullptr;
  Request* request = *found;
  s.queue.erase(found);
  return request;
}

// Queues `routine` for `runner` and waits until it has run there.
void Deliver(std::thread::id runner, const std::function<void()>& routine) {
  if (runner == std::this_thread::get_id()) {
    routine();
    return;
  }
  State& s = Shared();
  Request request;
  request.routine = &routine;
  request.runner = runner;
  std::function<void()> wake;
  {
    std::lock_guard lock(s.mutex);
    s.queue.push_back(&request);
    if (runner == s.mainThread) wake = s.wake;
  }
  s.arrived.notify_all();
  if (wake) wake();
  std::unique_lock lock(s.mutex);
  s.served.wait(lock, [&] { return request.done; });
  if (request.error) std::rethrow_exception(request.error);
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
  State& s = Shared();
  std::thread::id mainThread;
  {
    std::lock_guard lock(s.mutex);
    mainThread = s.mainThread;
  }
  Deliver(mainThread, routine);
}

int ServePending() {
  State& s = Shared();
  int count = 0;
  while (Request* request = TakeRequest(s)) {
    std::exception_ptr error;
    try {
      (*request->routine)();
    } catch (...) {
      error = std::current_exception();
    }
    {
      std::lock_guard lock(s.mutex);
      // Moved, so that the sender holds the last reference once it goes on.
      request->error = std::move(error);
      request->done = true;
    }
    s.served.notify_all();
    ++count;
  }
  return count;
}

void SetWakeHandler(std::function<void()> wake) {
  State& s = Shared();
  std::lock_guard lock(s.mutex);
  s.wake = std::move(wake);
}

void Completion::Set() {
  State& s = Shared();
  {
    std::lock_guard lock(s.mutex);
    set_ = true;
  }
  s.arrived.notify_all();
}

bool Completion::IsSet() const {
  State& s = Shared();
  std::lock_guard lock(s.mutex);
  return set_;
}

bool ServeUntil(const Completion& done, std::optional<std::chrono::nanoseconds> timeout) {
  State& s = Shared();
  const auto deadline =
      std::chrono::steady_clock::now() + timeout.value_or(std::chrono::nanoseconds::zero());
  const auto me = std::this_thread::get_id();
  for (;;) {
    ServePending();
    std::unique_lock lock(s.mutex);
    const auto ready = [&] { return done.set_ || HasRequestFor(s, me); };
    if (!timeout)
      s.arrived.wait(lock, ready);
    else if (!s.arrived.wait_until(lock, deadline, ready))
      return false;
    if (done.set_) return true;
  }
}

Target::Target() : owner_(std::this_thread::get_id()) {}

void Target::Send(const std::function<void()>& routine) const { Deliver(owner_, routine); }

}  // namespace handover
