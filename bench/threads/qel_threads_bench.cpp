// Library primitives side by side with their standard counterparts.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <random>
#include <shared_mutex>
#include <unordered_set>
#include <vector>

#include "threads/qel_hash_table.h"
#include "threads/qel_mutex.h"
#include "threads/qel_resource_lock.h"

namespace {

void QELMutexLockUnlock(benchmark::State& state) {
    QELMutex mutex;
    for (auto _ : state) {
        mutex.Lock();
        mutex.Unlock();
    }
}
BENCHMARK(QELMutexLockUnlock);

void StdRecursiveMutexLockUnlock(benchmark::State& state) {
    std::recursive_mutex mutex;
    for (auto _ : state) {
        mutex.lock();
        mutex.unlock();
    }
}
BENCHMARK(StdRecursiveMutexLockUnlock);

QELResourceLock resourceLock;
std::shared_mutex sharedMutex;

void QELResourceLockRead(benchmark::State& state) {
    for (auto _ : state) {
        resourceLock.ReadLock();
        resourceLock.ReadUnlock();
    }
}
BENCHMARK(QELResourceLockRead)->Threads(2)->UseRealTime();

void StdSharedMutexRead(benchmark::State& state) {
    for (auto _ : state) {
        sharedMutex.lock_shared();
        sharedMutex.unlock_shared();
    }
}
BENCHMARK(StdSharedMutexRead)->Threads(2)->UseRealTime();

constexpr int kItems = 100000;

// Distinct, aligned addresses in random order, as heap objects would be.
const std::vector<void*>& Items() {
    static const std::vector<void*> items = [] {
        std::vector<void*> result;
        for (uintptr_t i = 1; i <= kItems; ++i) result.push_back(reinterpret_cast<void*>(i * 16));
        std::shuffle(result.begin(), result.end(), std::mt19937(7));
        return result;
    }();
    return items;
}

// Argument: the initial size; 0 grows the table by doubling (about half full at the end), the
// item count sizes it once, as the reference set's range constructor does.
void QELHashLocateHit(benchmark::State& state) {
    QELSysSimpleHashTable table(static_cast<int>(state.range(0)));
    for (void* item : Items()) table.Insert(item);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.Locate(Items()[i]));
        if (++i == kItems) i = 0;
    }
}
BENCHMARK(QELHashLocateHit)->Arg(0)->Arg(kItems);

void StdUnorderedSetFindHit(benchmark::State& state) {
    std::unordered_set<void*> set(Items().begin(), Items().end());
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(set.find(Items()[i]));
        if (++i == kItems) i = 0;
    }
}
BENCHMARK(StdUnorderedSetFindHit);

void QELHashInsert100k(benchmark::State& state) {
    for (auto _ : state) {
        QELSysSimpleHashTable table;
        for (void* item : Items()) table.Insert(item);
        benchmark::DoNotOptimize(table.Size());
    }
    state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(QELHashInsert100k)->Unit(benchmark::kMillisecond);

void StdUnorderedSetInsert100k(benchmark::State& state) {
    for (auto _ : state) {
        std::unordered_set<void*> set;
        for (void* item : Items()) set.insert(item);
        benchmark::DoNotOptimize(set.size());
    }
    state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(StdUnorderedSetInsert100k)->Unit(benchmark::kMillisecond);

}  // namespace
