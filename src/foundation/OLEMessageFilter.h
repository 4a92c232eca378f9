#pragma once
// The message filter that a thread registers for the length of a document
// automation run, and the per-thread registration it goes through. The
// document engine runs in-process, so no call is ever rejected or delayed;
// the filter and its registration keep the calls and answers that the
// automation callers are written against (register, work, revoke on every
// path), with one registered filter per thread.
#include <QtGlobal>

#include <atomic>

// Answers of the filter's methods.
inline constexpr quint32 SERVERCALL_ISHANDLED = 0;
inline constexpr quint32 SERVERCALL_REJECTED = 1;
inline constexpr quint32 SERVERCALL_RETRYLATER = 2;
inline constexpr quint32 PENDINGMSG_CANCELCALL = 0;
inline constexpr quint32 PENDINGMSG_WAITNOPROCESS = 1;
inline constexpr quint32 PENDINGMSG_WAITDEFPROCESS = 2;

// A reference-counted message filter: it is freed by the Release that drops
// its last reference.
class IMessageFilter {
public:
    virtual quint32 HandleInComingCall(quint32 callType, quintptr callingTask, quint32 tickCount,
                                       const void *interfaceInfo) = 0;
    // Milliseconds to wait before retrying a rejected call (below 100: at
    // once), or -1 to cancel it.
    virtual qint32 RetryRejectedCall(quintptr calleeTask, quint32 tickCount, quint32 rejectType) = 0;
    virtual quint32 MessagePending(quintptr calleeTask, quint32 tickCount, quint32 pendingType) = 0;

    quint32 AddRef() { return ++refCount_; }
    quint32 Release()
    {
        const quint32 count = --refCount_;
        if (count == 0)
            delete this;
        return count;
    }

protected:
    virtual ~IMessageFilter() = default;

private:
    std::atomic<quint32> refCount_{0};
};

// Registers a filter for the calling thread (null: none), taking a reference
// to it, and hands back the one registered before through previousFilter,
// whose reference passes to the caller (null when there was none). Returns 0.
qint32 CoRegisterMessageFilter(IMessageFilter *newFilter, IMessageFilter **previousFilter);

// The program's filter: every incoming call is handled, a call rejected with
// "retry later" is retried at once, any other rejection cancels the call.
class IOleMessageFilter : public IMessageFilter {
public:
    quint32 HandleInComingCall(quint32 callType, quintptr callingTask, quint32 tickCount,
                               const void *interfaceInfo) override;
    qint32 RetryRejectedCall(quintptr calleeTask, quint32 tickCount, quint32 rejectType) override;
    quint32 MessagePending(quintptr calleeTask, quint32 tickCount, quint32 pendingType) override;

    // Registers a new filter for the calling thread; a filter registered
    // before is released. The registration holds the new filter's only reference.
    static void RegisterFilter();
    // Removes the calling thread's filter and frees it.
    static void RevokeFilter();

    ~IOleMessageFilter() override = default;
};
