#include "dfulib/usb/testbed/UrbQueue.h"

#include <algorithm>
#include <cerrno>
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <umockdev.h>

namespace tvxdfu::usb::testbed {

UrbQueue::~UrbQueue()
{
    for (auto &[client, urbs] : clients_) {
        for (UMockdevIoctlData *urb : urbs.answered)
            umockdev_ioctl_data_unref(urb);
        for (UMockdevIoctlData *urb : urbs.unanswered)
            umockdev_ioctl_data_unref(urb);
    }
}

void UrbQueue::Answered(UMockdevIoctlClient *client, UMockdevIoctlData *urb)
{
    std::lock_guard lock(mutex_);
    clients_[client].answered.push_back(umockdev_ioctl_data_ref(urb));
}

void UrbQueue::Unanswered(UMockdevIoctlClient *client, UMockdevIoctlData *urb)
{
    std::lock_guard lock(mutex_);
    clients_[client].unanswered.push_back(umockdev_ioctl_data_ref(urb));
}

bool UrbQueue::Discard(UMockdevIoctlClient *client, unsigned long clientAddress)
{
    std::lock_guard lock(mutex_);
    auto &unanswered = clients_[client].unanswered;
    const auto found = std::find_if(unanswered.begin(), unanswered.end(), [&](UMockdevIoctlData *urb) {
        return urb->client_addr == clientAddress;
    });
    if (found == unanswered.end())
        return false;
    reinterpret_cast<usbdevfs_urb *>((*found)->data)->status = -ENOENT;
    clients_[client].answered.push_back(*found);
    unanswered.erase(found);
    ++discarded_;
    return true;
}

int UrbQueue::Held()
{
    std::lock_guard lock(mutex_);
    std::size_t held = 0;
    for (const auto &[client, urbs] : clients_)
        held += urbs.unanswered.size();
    return static_cast<int>(held);
}

int UrbQueue::Discarded()
{
    std::lock_guard lock(mutex_);
    return discarded_;
}

UMockdevIoctlData *UrbQueue::Reap(UMockdevIoctlClient *client)
{
    std::lock_guard lock(mutex_);
    auto &answered = clients_[client].answered;
    if (answered.empty())
        return nullptr;
    UMockdevIoctlData *urb = answered.front();
    answered.pop_front();
    return urb;
}

} // namespace tvxdfu::usb::testbed
