// Connection caps of zindle-scores. An address leaves the table when its last
// connection closes, so the table is never larger than the connections open.

#include "connection_counter.h"

#include <algorithm>

namespace zscores {

ConnectionCounter::ConnectionCounter(size_t perAddressMax, size_t totalMax)
    : perAddressMax_(std::max<size_t>(1, perAddressMax)), totalMax_(std::max<size_t>(1, totalMax)) {}

ConnectionCounter::Verdict ConnectionCounter::Admit(const std::string& address, bool perAddressCap) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (open_ >= totalMax_) return Verdict::ServerFull;
    size_t& mine = perAddress_[address];
    if (perAddressCap && mine >= perAddressMax_) return Verdict::AddressFull;
    ++mine;
    ++open_;
    return Verdict::Admitted;
}

void ConnectionCounter::Release(const std::string& address) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = perAddress_.find(address);
    if (it == perAddress_.end() || it->second == 0) return;
    if (--it->second == 0) perAddress_.erase(it);
    if (open_ > 0) --open_;
}

size_t ConnectionCounter::Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_;
}

size_t ConnectionCounter::OpenFrom(const std::string& address) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = perAddress_.find(address);
    return it == perAddress_.end() ? 0 : it->second;
}

}  // namespace zscores
