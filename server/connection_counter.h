// Open connections per client address and in all: admitting one when there is
// room, and giving its place back when it closes. Pure bookkeeping under one
// mutex; it never touches a socket.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace zscores {

class ConnectionCounter {
public:
    ConnectionCounter(size_t perAddressMax, size_t totalMax);

    enum class Verdict { Admitted, AddressFull, ServerFull };

    // Takes a place for one more connection from `address` when both caps
    // allow it (only the total one without `perAddressCap`, for a proxy that
    // speaks for many clients); every Admitted needs one Release.
    Verdict Admit(const std::string& address, bool perAddressCap = true);
    void Release(const std::string& address);

    size_t Open();
    size_t OpenFrom(const std::string& address);
    size_t TotalMax() const { return totalMax_; }

private:
    size_t perAddressMax_;
    size_t totalMax_;
    std::mutex mutex_;
    size_t open_ = 0;
    std::unordered_map<std::string, size_t> perAddress_;
};

}  // namespace zscores
