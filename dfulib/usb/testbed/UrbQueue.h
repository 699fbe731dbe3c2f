// The URBs a testbed's devices hold for each open device file: answered ones
// waiting to be reaped, and unanswered ones that only the host's discard
// (its time-out) ends. Used on the testbed's worker thread.
#pragma once

#include <deque>
#include <map>
#include <mutex>

using UMockdevIoctlData = struct _UMockdevIoctlData;
using UMockdevIoctlClient = struct _UMockdevIoctlClient;

namespace tvxdfu::usb::testbed {

class UrbQueue {
public:
    UrbQueue() = default;
    ~UrbQueue();
    UrbQueue(const UrbQueue &) = delete;
    UrbQueue &operator=(const UrbQueue &) = delete;

    // Each takes its own reference to the URB.
    void Answered(UMockdevIoctlClient *client, UMockdevIoctlData *urb);
    void Unanswered(UMockdevIoctlClient *client, UMockdevIoctlData *urb);
    // The host gave up on the URB at this address: it is reaped next with
    // status -ENOENT. False when no unanswered URB has that address.
    bool Discard(UMockdevIoctlClient *client, unsigned long clientAddress);
    // The next URB to reap, whose reference passes to the caller; nullptr
    // when there is none.
    UMockdevIoctlData *Reap(UMockdevIoctlClient *client);
    // Unanswered URBs now, and URBs the host has given up on so far.
    int Held();
    int Discarded();

private:
    struct PerClient {
        std::deque<UMockdevIoctlData *> answered;
        std::deque<UMockdevIoctlData *> unanswered;
    };
    std::mutex mutex_;
    std::map<UMockdevIoctlClient *, PerClient> clients_;
    int discarded_ = 0;
};

} // namespace tvxdfu::usb::testbed
