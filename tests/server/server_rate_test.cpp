// Requests per address: the burst, the steady refill, addresses kept apart,
// a clock stepping back, the bounded table, and the limit switched off.

#include <gtest/gtest.h>

#include <string>

#include "rate_limiter.h"

namespace {

TEST(ServerRate, BurstThenSteadyRefillPerAddress) {
    zscores::RateLimiter limiter(60.0, 3.0, 100);  // one a second, three at once
    struct Call {
        const char* address;
        double at;
        bool allowed;
    };
    const Call calls[] = {
        {"10.0.0.1", 0.0, true},  {"10.0.0.1", 0.0, true},   {"10.0.0.1", 0.0, true},
        {"10.0.0.1", 0.0, false},  // burst spent
        {"10.0.0.2", 0.0, true},   // another address has its own bucket
        {"10.0.0.1", 0.5, false},  // half a token is not a request
        {"10.0.0.1", 1.0, true},  {"10.0.0.1", 1.0, false},
        {"10.0.0.1", 0.2, false},  // the clock stepped back: nothing refilled
        {"10.0.0.1", 100.0, true}, {"10.0.0.1", 100.0, true}, {"10.0.0.1", 100.0, true},
        {"10.0.0.1", 100.0, false},  // a long pause refills only up to the burst
    };
    for (const Call& c : calls) EXPECT_EQ(limiter.Allow(c.address, c.at), c.allowed) << c.address << " at " << c.at;
}

TEST(ServerRate, TableStaysBounded) {
    zscores::RateLimiter limiter(60.0, 2.0, 4);
    for (int i = 0; i < 50; ++i) {
        EXPECT_TRUE(limiter.Allow("a" + std::to_string(i), static_cast<double>(i)));
        EXPECT_LE(limiter.TrackedAddresses(), 4u);
    }
    // When the table is full, refilled (idle) addresses are forgotten and a
    // spent one keeps its bucket.
    zscores::RateLimiter busy(1.0, 1.0, 2);  // one a minute
    EXPECT_TRUE(busy.Allow("idle", 0.0));
    EXPECT_TRUE(busy.Allow("hot", 30.0));
    EXPECT_TRUE(busy.Allow("new", 61.0));
    EXPECT_EQ(busy.TrackedAddresses(), 2u);
    EXPECT_FALSE(busy.Allow("hot", 61.5));
    // With nothing refilled the table starts over, which only ever grants.
    EXPECT_TRUE(busy.Allow("third", 62.0));
    EXPECT_EQ(busy.TrackedAddresses(), 1u);
}

TEST(ServerRate, ZeroRateLetsEverythingThrough) {
    zscores::RateLimiter limiter(0.0, 1.0, 1);
    for (int i = 0; i < 100; ++i) EXPECT_TRUE(limiter.Allow("same", 0.0));
    EXPECT_EQ(limiter.TrackedAddresses(), 0u);
}

}  // namespace
