// Owners of what libusb hands out, each released the way libusb asks when
// its owner goes.
#pragma once

#include <libusb.h>

#include <memory>
#include <utility>

namespace tvxdfu::usb {

struct LibusbExit {
    void operator()(libusb_context *context) const { libusb_exit(context); }
};
using LibusbContext = std::unique_ptr<libusb_context, LibusbExit>;

struct DeviceClose {
    void operator()(libusb_device_handle *handle) const { libusb_close(handle); }
};
using DeviceHandle = std::unique_ptr<libusb_device_handle, DeviceClose>;

// The list and the references it holds to its devices.
struct DeviceListFree {
    void operator()(libusb_device **list) const { libusb_free_device_list(list, 1); }
};
using DeviceList = std::unique_ptr<libusb_device *, DeviceListFree>;

struct ConfigDescriptorFree {
    void operator()(libusb_config_descriptor *config) const { libusb_free_config_descriptor(config); }
};
using ConfigDescriptor = std::unique_ptr<libusb_config_descriptor, ConfigDescriptorFree>;

struct TransferFree {
    void operator()(libusb_transfer *transfer) const { libusb_free_transfer(transfer); }
};
using Transfer = std::unique_ptr<libusb_transfer, TransferFree>;

// An interface claimed on an open handle, released when the owner goes;
// the owner must go before the handle closes.
class ClaimedInterface {
public:
    ClaimedInterface() = default;
    ClaimedInterface(libusb_device_handle *handle, int number) : handle_(handle), number_(number) {}
    ClaimedInterface(ClaimedInterface &&other) noexcept
        : handle_(std::exchange(other.handle_, nullptr)), number_(other.number_)
    {
    }
    ClaimedInterface &operator=(ClaimedInterface &&other) noexcept
    {
        if (this != &other) {
            Release();
            handle_ = std::exchange(other.handle_, nullptr);
            number_ = other.number_;
        }
        return *this;
    }
    ~ClaimedInterface() { Release(); }

    void Release()
    {
        if (handle_)
            libusb_release_interface(std::exchange(handle_, nullptr), number_);
    }

private:
    libusb_device_handle *handle_ = nullptr;
    int number_ = 0;
};

} // namespace tvxdfu::usb
