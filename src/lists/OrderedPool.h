#pragma once

// Work on a run of items by several threads, taken by one thread in order.
//
// Items 0 .. Count-1 are handed to Work(Index), each exactly once, by the pool's own threads and by the
// thread that owns the pool (the one that constructed it), at most Window items beyond the one the owner
// waits for. The owner takes the items in order with Wait(0), Wait(1), ...: what it does with each result
// is then exactly what a one-at-a-time run does. Work stores its result where the owner can find it by the
// index; Wait returning means Work(Index) has finished (its writes are visible to the owner).
//
// Threads. Work runs on any of the threads; Idle runs on the owner only, at least every IdleMs while it
// waits for another thread's item, and after an item it worked on itself when IdleMs went by meanwhile (a
// Work that takes long on the owner keeps the owner's duties itself). The destructor waits for every
// thread: no thread outlives the pool, however the owner leaves. It does not interrupt a Work in progress;
// a caller that wants the threads to end at once makes Work return early first (for hashing: CrcAbort).
//
// Exceptions. Work may throw: the first exception of any thread is rethrown by the owner's next Wait, and
// no new item is started after it. Idle may throw: it leaves Wait as it is.

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvane {

class TOrderedPool {
public:
    using TWork = std::function<void(std::size_t Index)>;

    // Starts Threads - 1 threads (the owner is the last of the Threads); Window 0: max(4 * Threads, 64).
    TOrderedPool(std::size_t Count, unsigned Threads, TWork Work, std::size_t Window = 0);
    ~TOrderedPool();
    TOrderedPool(const TOrderedPool&) = delete;
    TOrderedPool& operator=(const TOrderedPool&) = delete;

    // Owner: returns when Work(Index) has finished. Index is the item after the last one waited for; the
    // items before it are then the owner's. While the item is not ready the owner works on the next free
    // item within the window itself, or calls Idle, at least every IdleMs.
    void Wait(std::size_t Index, const std::function<void()>& Idle, int IdleMs = 5);

private:
    void Finish();                                                   // stops the threads and joins them
    bool Take(std::size_t& Index);                                   // under M: the next item, if it may start
    void Run(std::size_t Index, std::unique_lock<std::mutex>& Lock); // Work(Index) with M released
    void ThreadLoop();

    const std::size_t Count;
    const std::size_t Window;
    const TWork Work;
    std::unique_ptr<bool[]> Done; // Work(Index) has finished, per item (under M)
    std::mutex M;
    std::condition_variable RoomCv;  // the pool's threads wait for an item
    std::condition_variable ReadyCv; // the owner waits for its item
    std::size_t Next = 0;            // the first item nobody has taken (under M)
    std::size_t Waited = 0;          // the item the owner waits for or took last (under M)
    bool Stop = false;               // the owner is leaving (under M)
    std::exception_ptr Failure;      // the first exception of a Work (under M)
    std::vector<std::thread> Threads;
};

} // namespace quorvane
