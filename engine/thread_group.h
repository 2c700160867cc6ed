// Threads that their owner joins at its end, or leaves to end by themselves when one may wait in
// a call that cannot be stopped (a name lookup).
//
// A thread left running detaches itself, on its way out but still inside its own routine. Detached
// from outside just after its routine, while it is still exiting, a thread has its record in
// winpthreads freed twice, and two later threads share it: one of them starts without its
// argument.
#pragma once

#include <functional>
#include <memory>
#include <thread>
#include <vector>

class ThreadGroup {
  public:
    ThreadGroup();
    // Joins every thread that was not left running.
    ~ThreadGroup();
    ThreadGroup(const ThreadGroup&) = delete;
    ThreadGroup& operator=(const ThreadGroup&) = delete;

    // `run` holds what it uses: a thread left running may outlive the group.
    void Start(std::function<void()> run);
    // The threads still in their routine end by themselves; those past it are joined now.
    void LeaveRunning();

  private:
    struct Shared;
    static void Leave(Shared& shared);

    std::shared_ptr<Shared> _shared;
    std::vector<std::thread> _threads;
};
