#pragma once
// A request to stop the outside programs that a thread runs: a build whose
// output fails stops the programs still working on its other outputs. A
// thread watches one flag at a time (Watch); waits for a child process check
// Requested() and kill the child when it is set.
#include <atomic>

namespace stoprequest {

inline thread_local const std::atomic<bool> *watched = nullptr;

// Watches flag on this thread for the scope's lifetime.
class Watch {
public:
    explicit Watch(const std::atomic<bool> *flag) : previous_(watched) { watched = flag; }
    ~Watch() { watched = previous_; }
    Watch(const Watch &) = delete;
    Watch &operator=(const Watch &) = delete;

private:
    const std::atomic<bool> *previous_;
};

// The flag this thread watches, to hand on to a thread it starts.
inline const std::atomic<bool> *Current() { return watched; }

inline bool Requested() { return watched && watched->load(); }

} // namespace stoprequest
