#pragma once

#include <functional>

// Running routines on the main thread for other threads (the event thread's batches).
// Toolkit-neutral: the application serves requests from its event loop and whenever it
// processes pending messages; Close serves them while it waits for the event thread.
namespace handover {

// Marks the calling thread as the main thread. The first user of this unit calls it;
// by default the thread that first touches it is taken.
void SetMainThread();
bool IsMainThread();

// Runs `routine` on the main thread and waits until it has returned. On the main
// thread itself it runs at once. An exception from the routine is rethrown here.
void RunOnMainThread(const std::function<void()>& routine);

// Runs every pending request; returns how many ran. Main thread only.
int ServePending();

// Called (on the requesting thread) each time a request is queued, so that an event
// loop can wake and call ServePending. Empty: nothing is called.
void SetWakeHandler(std::function<void()> wake);

}  // namespace handover
