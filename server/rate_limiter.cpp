// Token buckets per address. When the table is full, addresses whose bucket
// has refilled are forgotten first (they lose nothing by it); if none has, the
// table starts over, which can only ever grant more, never refuse a caller.

#include "rate_limiter.h"

#include <algorithm>

namespace zscores {

RateLimiter::RateLimiter(double perMinute, double burst, size_t maxAddresses)
    : perSecond_(perMinute / 60.0), burst_(std::max(1.0, burst)), maxAddresses_(std::max<size_t>(1, maxAddresses)) {}

void RateLimiter::Forget(double nowSec) {
    for (auto it = buckets_.begin(); it != buckets_.end();) {
        const double refilled = it->second.tokens + (nowSec - it->second.last) * perSecond_;
        if (refilled >= burst_) it = buckets_.erase(it);
        else ++it;
    }
    if (buckets_.size() >= maxAddresses_) buckets_.clear();
}

bool RateLimiter::Allow(const std::string& address, double nowSec) {
    if (perSecond_ <= 0.0) return true;
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = buckets_.find(address);
    if (it == buckets_.end()) {
        if (buckets_.size() >= maxAddresses_) Forget(nowSec);
        it = buckets_.emplace(address, Bucket{burst_, nowSec}).first;
    }
    Bucket& b = it->second;
    // A clock that stepped back refills nothing rather than draining.
    const double elapsed = std::max(0.0, nowSec - b.last);
    b.tokens = std::min(burst_, b.tokens + elapsed * perSecond_);
    b.last = std::max(b.last, nowSec);
    if (b.tokens < 1.0) return false;
    b.tokens -= 1.0;
    return true;
}

size_t RateLimiter::TrackedAddresses() {
    std::lock_guard<std::mutex> lock(mutex_);
    return buckets_.size();
}

}  // namespace zscores
