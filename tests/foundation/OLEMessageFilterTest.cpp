#include "foundation/OLEMessageFilter.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// A filter that reports when it is freed.
class WatchedFilter : public IOleMessageFilter {
public:
    explicit WatchedFilter(bool *freed) : freed_(freed) {}
    ~WatchedFilter() override { *freed_ = true; }

private:
    bool *freed_;
};

// The calling thread's filter, left registered.
IMessageFilter *currentFilter()
{
    IMessageFilter *filter = nullptr;
    CoRegisterMessageFilter(nullptr, &filter);
    IMessageFilter *none = nullptr;
    CoRegisterMessageFilter(filter, &none);
    if (filter)
        filter->Release(); // the registration holds its own reference again
    return filter;
}

} // namespace

TEST(OleMessageFilter, Answers)
{
    IOleMessageFilter filter;
    EXPECT_EQ(filter.HandleInComingCall(0, 0, 0, nullptr), SERVERCALL_ISHANDLED);
    // Retried at once, however often it is asked.
    for (quint32 tick = 0; tick < 1000; tick += 100)
        EXPECT_EQ(filter.RetryRejectedCall(1, tick, SERVERCALL_RETRYLATER), 99);
    EXPECT_EQ(filter.RetryRejectedCall(1, 0, SERVERCALL_REJECTED), -1);
    EXPECT_EQ(filter.RetryRejectedCall(1, 0, SERVERCALL_ISHANDLED), -1);
    EXPECT_EQ(filter.MessagePending(1, 0, 0), PENDINGMSG_WAITDEFPROCESS);
}

TEST(OleMessageFilter, RegisterAndRevokeOnOneThread)
{
    IOleMessageFilter receiver;
    receiver.RegisterFilter();
    IMessageFilter *first = currentFilter();
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, &receiver);
    EXPECT_EQ(first->RetryRejectedCall(0, 0, SERVERCALL_RETRYLATER), 99);

    // A second registration replaces the first.
    receiver.RegisterFilter();
    IMessageFilter *second = currentFilter();
    ASSERT_NE(second, nullptr);

    receiver.RevokeFilter();
    EXPECT_EQ(currentFilter(), nullptr);
    receiver.RevokeFilter(); // nothing registered: no effect
    EXPECT_EQ(currentFilter(), nullptr);
}

TEST(OleMessageFilter, RevokeAndReplaceFreeTheRegisteredFilter)
{
    bool freed = false;
    CoRegisterMessageFilter(new WatchedFilter(&freed), nullptr);
    EXPECT_FALSE(freed);
    IOleMessageFilter::RevokeFilter();
    EXPECT_TRUE(freed);

    freed = false;
    CoRegisterMessageFilter(new WatchedFilter(&freed), nullptr);
    IOleMessageFilter::RegisterFilter();
    EXPECT_TRUE(freed);
    IOleMessageFilter::RevokeFilter();
}

TEST(OleMessageFilter, EachThreadHasItsOwnFilter)
{
    IOleMessageFilter::RegisterFilter();
    IMessageFilter *mine = currentFilter();
    bool otherHadNone = false;
    bool freedAtThreadEnd = false;
    std::thread worker([&] {
        otherHadNone = currentFilter() == nullptr;
        CoRegisterMessageFilter(new WatchedFilter(&freedAtThreadEnd), nullptr);
    });
    worker.join();
    EXPECT_TRUE(otherHadNone);
    EXPECT_TRUE(freedAtThreadEnd); // a thread's registration ends with it
    EXPECT_EQ(currentFilter(), mine);
    IOleMessageFilter::RevokeFilter();
}
