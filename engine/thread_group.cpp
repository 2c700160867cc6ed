#include "engine/thread_group.h"

#include <algorithm>

#include "threads/qel_plain_mutex.h"

// What the group and its threads decide under one lock: whether a thread leaves before it is
// left running (joined) or after (it detaches itself).
struct ThreadGroup::Shared {
    qel::PlainMutex lock;
    std::vector<std::thread::id> ended QEL_GUARDED_BY(lock);
    std::vector<std::thread> leftRunning QEL_GUARDED_BY(lock);
};

ThreadGroup::ThreadGroup() : _shared(std::make_shared<Shared>()) {}

ThreadGroup::~ThreadGroup() {
    for (std::thread& thread : _threads) thread.join();
}

void ThreadGroup::Start(std::function<void()> run) {
    _threads.emplace_back([shared = _shared, run = std::move(run)] {
        run();
        Leave(*shared);
    });
}

void ThreadGroup::LeaveRunning() {
    std::vector<std::thread> ended;
    {
        qel::PlainLock hold(_shared->lock);
        for (std::thread& thread : _threads) {
            const bool hasEnded = std::find(_shared->ended.begin(), _shared->ended.end(),
                                            thread.get_id()) != _shared->ended.end();
            (hasEnded ? ended : _shared->leftRunning).push_back(std::move(thread));
        }
        _threads.clear();
    }
    for (std::thread& thread : ended) thread.join();
}

void ThreadGroup::Leave(Shared& shared) {
    qel::PlainLock hold(shared.lock);
    const std::thread::id self = std::this_thread::get_id();
    const auto left =
        std::find_if(shared.leftRunning.begin(), shared.leftRunning.end(),
                     [&](const std::thread& thread) { return thread.get_id() == self; });
    if (left == shared.leftRunning.end()) {
        shared.ended.push_back(self);
        return;
    }
    left->detach();
    shared.leftRunning.erase(left);
}
