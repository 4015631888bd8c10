// Requests per client address: a token bucket for each address, refilled at a
// steady rate up to a burst. Time is passed in, so it never reads a clock and
// tests can drive it exactly; the table of addresses is bounded.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace zscores {

class RateLimiter {
public:
    // perMinute of 0 or less lets every request through.
    RateLimiter(double perMinute, double burst, size_t maxAddresses);

    // True when `address` may make one more request at `nowSec` (seconds on
    // a monotonic clock), and takes a token; false when it must wait.
    bool Allow(const std::string& address, double nowSec);

    size_t TrackedAddresses();

private:
    struct Bucket {
        double tokens;
        double last;
    };
    void Forget(double nowSec);

    double perSecond_;
    double burst_;
    size_t maxAddresses_;
    std::mutex mutex_;
    std::unordered_map<std::string, Bucket> buckets_;
};

}  // namespace zscores
