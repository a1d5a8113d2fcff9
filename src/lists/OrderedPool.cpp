#include "lists/OrderedPool.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <utility>

namespace quorvane {

TOrderedPool::TOrderedPool(std::size_t CountArg, unsigned ThreadCount, TWork WorkArg, std::size_t WindowArg)
    : Count(CountArg), Window(WindowArg != 0 ? WindowArg : std::max<std::size_t>(4 * std::size_t{ThreadCount}, 64)),
      Work(std::move(WorkArg)), Done(std::make_unique<bool[]>(CountArg)) {
    try {
        for (unsigned T = 1; T < ThreadCount && T < Count; ++T)
            Threads.emplace_back([this] { ThreadLoop(); });
    } catch (const std::system_error&) {
        // No more threads to be had: the ones started, and the owner, do the work.
    } catch (...) {
        Finish();
        throw;
    }
}

TOrderedPool::~TOrderedPool() {
    Finish();
}

void TOrderedPool::Finish() {
    {
        const std::lock_guard Lock(M);
        Stop = true;
    }
    RoomCv.notify_all();
    for (std::thread& T : Threads)
        T.join();
    Threads.clear();
}

bool TOrderedPool::Take(std::size_t& Index) {
    if (Stop || Failure || Next >= Count || Next >= Waited + Window)
        return false;
    Index = Next++;
    return true;
}

void TOrderedPool::Run(std::size_t Index, std::unique_lock<std::mutex>& Lock) {
    Lock.unlock();
    std::exception_ptr Error;
    try {
        Work(Index);
    } catch (...) {
        Error = std::current_exception();
    }
    Lock.lock();
    if (Error && !Failure)
        Failure = Error;
    Done[Index] = !Error;
    ReadyCv.notify_one(); // only the owner waits on it
}

void TOrderedPool::ThreadLoop() {
    std::unique_lock Lock(M);
    for (;;) {
        RoomCv.wait(Lock, [this] { return Stop || Failure || Next >= Count || Next < Waited + Window; });
        std::size_t Index = 0;
        if (!Take(Index))
            return;
        Run(Index, Lock);
    }
}

void TOrderedPool::Wait(std::size_t Index, const std::function<void()>& Idle, int IdleMs) {
    using Clock = std::chrono::steady_clock;
    const auto Every = std::chrono::milliseconds(IdleMs);
    std::unique_lock Lock(M);
    if (Waited != Index) {
        Waited = Index;
        RoomCv.notify_all(); // the window has moved on
    }
    auto LastIdle = Clock::now();
    for (;;) {
        if (Failure)
            std::rethrow_exception(Failure);
        if (Done[Index])
            return;
        std::size_t Item = 0;
        if (Take(Item)) {
            Run(Item, Lock);
        } else if (ReadyCv.wait_for(Lock, Every, [&] { return Done[Index] || Failure; })) {
            continue;
        }
        if (Clock::now() - LastIdle >= Every) {
            Lock.unlock();
            Idle();
            Lock.lock();
            LastIdle = Clock::now();
        }
    }
}

} // namespace quorvane
