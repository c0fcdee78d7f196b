#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <thread>

// Running routines on another thread for the event thread: on the main thread (its
// batches), or on the thread that owns a target (the hidden event window). Requests
// wait in the mailbox of the thread that is to run them until that thread serves it:
// the application does so from its event loop and whenever it processes pending
// messages; Close does so while it waits for the event thread. Toolkit-neutral.
namespace handover {

// Marks the calling thread as the main thread. The application calls it; by default
// the thread that starts the program is the main thread.
void SetMainThread();
bool IsMainThread();

// Runs `routine` on the main thread and waits until it has returned. On the main
// thread itself it runs at once. An exception from the routine is rethrown here.
void RunOnMainThread(const std::function<void()>& routine);

// Runs every request waiting for the calling thread; returns how many ran.
int ServePending();

// Called (on the requesting thread) each time a request for the main thread is
// queued, so that an event loop can wake and call ServePending. Empty: nothing is
// called.
void SetWakeHandler(std::function<void()> wake);

class Completion;

// Serves the calling thread's requests until `done` is set; false when `timeout`
// passed first. Never runs an event loop: only hand-overs are served meanwhile.
bool ServeUntil(const Completion& done,
                std::optional<std::chrono::nanoseconds> timeout = std::nullopt);

// A flag that one thread raises, typically as its last act, and another waits for with
// ServeUntil.
class Completion {
 public:
  void Set();
  bool IsSet() const;

 private:
  friend bool ServeUntil(const Completion& done, std::optional<std::chrono::nanoseconds> timeout);
  bool set_ = false;  // guarded by the hand-over lock
};

// Stands for a window that belongs to the thread that creates it: sends from other
// threads run on that thread, each when it next serves its requests, and return only
// after the routine has returned. A send from the owner thread runs at once. The target
// must outlive every send to it.
class Target {
 public:
  Target();
  Target(const Target&) = delete;
  Target& operator=(const Target&) = delete;

  // An exception from the routine is rethrown here.
  void Send(const std::function<void()>& routine) const;

 private:
  std::thread::id owner_;
};

}  // namespace handover
