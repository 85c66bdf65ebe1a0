#include "comm/BluezTransport.h"

#include "comm/SdpClient.h"
#include "driver/host/UniqueFd.h"

#include <bluetooth/hci.h>
#include <bluetooth/hci_lib.h>
#include <bluetooth/l2cap.h>
#include <bluetooth/rfcomm.h>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <poll.h>
#include <sys/socket.h>

namespace {

// Inquiry length in units of 1.28 s (about 10 s), and the most devices it reports.
constexpr int kInquiryLength = 8;
constexpr int kInquiryMaxResponses = 255;
// A remote name request pages the device first, which alone may take 5 s.
constexpr int kRemoteNameTimeoutMs = 10000;
// Marks the clock offset of a remote name request as known (both are in the air's byte order).
constexpr std::uint16_t kClockOffsetValid = 0x8000;
// The longest name a device reports.
constexpr int kRemoteNameSize = 248;
// SDP servers listen on this L2CAP PSM.
constexpr unsigned short kSdpPsm = 1;

struct InquiryResultsFree {
    void operator()(inquiry_info* results) const { std::free(results); }
};

bool StopRequested(int stopFd) {
    if (stopFd < 0) {
        return false;
    }
    pollfd fd{stopFd, POLLIN, 0};
    return ::poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN) != 0;
}

// The name the device reports, "Unknown" when it reports none or does not answer. The page
// scan mode and clock offset the inquiry saw let the adapter reach the device sooner.
std::string RemoteName(int hciSocket, const inquiry_info& device) {
    char name[kRemoteNameSize + 1] = {};
    const int status =
        hci_read_remote_name_with_clock_offset(hciSocket, &device.bdaddr, device.pscan_rep_mode,
                                               device.clock_offset | htobs(kClockOffsetValid),
                                               kRemoteNameSize, name, kRemoteNameTimeoutMs);
    return status < 0 || name[0] == '\0' ? kUnknownDeviceName : name;
}

// The adapter went away or was switched off while the inquiry ran.
bool AdapterLost(int error) {
    return error == ENETDOWN || error == ENODEV;
}

} // namespace

bdaddr_t ToBdaddr(std::uint64_t address) {
    bdaddr_t result{};
    for (auto& byte : result.b) {
        byte = static_cast<std::uint8_t>(address & 0xFF);
        address >>= 8;
    }
    return result;
}

std::uint64_t FromBdaddr(const bdaddr_t& address) {
    std::uint64_t result = 0;
    for (int i = 5; i >= 0; --i) {
        result = (result << 8) | address.b[i];
    }
    return result;
}

IBluetoothTransport::InquiryEnd
BluezTransport::Inquire(const std::function<bool(const BluetoothDevice&)>& found, int stopFd) {
    const int adapter = hci_get_route(nullptr);
    if (adapter < 0) {
        return {LookupStep::Begin, errno};
    }
    const UniqueFd hciSocket(hci_open_dev(adapter));
    if (hciSocket.Get() < 0) {
        return {LookupStep::Begin, errno};
    }
    if (StopRequested(stopFd)) {
        return {};
    }
    inquiry_info* raw = nullptr;
    const int count =
        hci_inquiry(adapter, kInquiryLength, kInquiryMaxResponses, nullptr, &raw, IREQ_CACHE_FLUSH);
    const std::unique_ptr<inquiry_info, InquiryResultsFree> results(raw);
    if (count < 0) {
        return {LookupStep::Next, AdapterLost(errno) ? ENETDOWN : errno};
    }
    for (int i = 0; i < count; ++i) {
        if (StopRequested(stopFd)) {
            return {};
        }
        const inquiry_info& result = results.get()[i];
        const BluetoothDevice device{RemoteName(hciSocket.Get(), result),
                                     FromBdaddr(result.bdaddr)};
        if (!found(device)) {
            return {};
        }
    }
    return {};
}

IBluetoothTransport::ServiceSearch BluezTransport::SearchSerialPortService(std::uint64_t address) {
    ServiceSearch search;
    const UniqueFd socket(::socket(AF_BLUETOOTH, SOCK_SEQPACKET | SOCK_CLOEXEC, BTPROTO_L2CAP));
    if (socket.Get() < 0) {
        search.failedStep = LookupStep::Begin;
        search.error = errno;
        return search;
    }
    sockaddr_l2 server{};
    server.l2_family = AF_BLUETOOTH;
    server.l2_psm = htobs(kSdpPsm);
    server.l2_bdaddr = ToBdaddr(address);
    if (::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&server), sizeof server) < 0) {
        search.failedStep = LookupStep::Begin;
        search.error = errno;
        return search;
    }
    SdpSearchResult result = SearchSerialPortRecords(socket.Get());
    if (result.error != 0) {
        search.failedStep = LookupStep::Next;
        search.error = result.error;
        return search;
    }
    search.attributeLists = std::move(result.attributeLists);
    return search;
}

int BluezTransport::CreateRfcommSocket(int& error) {
    const int socket = ::socket(AF_BLUETOOTH, SOCK_STREAM | SOCK_CLOEXEC, BTPROTO_RFCOMM);
    error = socket < 0 ? errno : 0;
    return socket;
}

int BluezTransport::Connect(int socket, std::uint64_t address, std::uint8_t channel) {
    sockaddr_rc device{};
    device.rc_family = AF_BLUETOOTH;
    device.rc_bdaddr = ToBdaddr(address);
    device.rc_channel = channel;
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&device), sizeof device) < 0) {
        return errno;
    }
    return 0;
}

IBluetoothTransport& SystemBluetooth() {
    static BluezTransport transport;
    return transport;
}
