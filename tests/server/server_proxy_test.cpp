// The score server behind a reverse proxy: which peers are trusted, and the
// client's address read off their X-Forwarded-For.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "trusted_proxies.h"

namespace {

TEST(ServerProxy, TrustedListsTakeAddressesOnly) {
    struct Case {
        const char* list;
        bool taken;
        const char* described;  // all the lists so far that were taken
    };
    const Case cases[] = {
        {"127.0.0.1", true, "127.0.0.1"},
        {" ::1 ,\t10.0.0.2", true, "127.0.0.1, ::1, 10.0.0.2"},
        {"::ffff:10.0.0.3,10.0.0.2,127.0.0.1", true, "127.0.0.1, ::1, 10.0.0.2, 10.0.0.3"},
        {"", false, ""},
        {"localhost", false, ""},
        {"10.0.0.4,", false, ""},
        {"10.0.0.4,,10.0.0.5", false, ""},
        {"10.0.0.4, nonsense", false, ""},  // refused whole: 10.0.0.4 is not taken either
        {"10.0.0.0/8", false, ""},
        {"10.0.0.4:80", false, ""},
        {"[::1]", false, ""},
        {"fe80::1%lo", false, ""},
        {"1.2.3", false, ""},
        {"01.2.3.4", false, ""},
    };
    zscores::TrustedProxies proxies;
    EXPECT_EQ(proxies.Describe(), "none");
    std::string described = "none";
    for (const Case& c : cases) {
        EXPECT_EQ(proxies.Add(c.list), c.taken) << c.list;
        if (c.taken) described = c.described;
        EXPECT_EQ(proxies.Describe(), described) << c.list;
    }
}

TEST(ServerProxy, ClientIsTheRightmostEntryNotATrustedProxy) {
    zscores::TrustedProxies proxies;
    ASSERT_TRUE(proxies.Add("127.0.0.1, 10.0.0.2, ::1"));
    struct Case {
        const char* peer;
        std::vector<std::string_view> lines;  // X-Forwarded-For lines in order
        const char* client;
    };
    const Case cases[] = {
        {"127.0.0.1", {}, "127.0.0.1"},  // no header: the proxy itself
        {"127.0.0.1", {"203.0.113.5"}, "203.0.113.5"},
        {"::1", {"203.0.113.5"}, "203.0.113.5"},
        {"127.0.0.1", {" \t203.0.113.5 "}, "203.0.113.5"},
        {"127.0.0.1", {"198.51.100.1, 203.0.113.5"}, "203.0.113.5"},  // the left is the client's word
        {"127.0.0.1", {"203.0.113.5, 10.0.0.2,127.0.0.1"}, "203.0.113.5"},
        {"127.0.0.1", {"198.51.100.1", "203.0.113.5"}, "203.0.113.5"},  // lines join in order
        {"127.0.0.1", {"203.0.113.5", "10.0.0.2"}, "203.0.113.5"},
        {"127.0.0.1", {"2001:DB8:0:0::1"}, "2001:db8::1"},
        {"127.0.0.1", {"::ffff:203.0.113.5"}, "203.0.113.5"},
        {"127.0.0.1", {"garbage, 203.0.113.5"}, "203.0.113.5"},
        {"127.0.0.1", {"203.0.113.5, garbage"}, "127.0.0.1"},
        {"127.0.0.1", {"203.0.113.5", ""}, "127.0.0.1"},
        {"127.0.0.1", {"203.0.113.5,"}, "127.0.0.1"},
        {"127.0.0.1", {"unknown"}, "127.0.0.1"},
        {"127.0.0.1", {"203.0.113.5:4711"}, "127.0.0.1"},
        {"127.0.0.1", {"[2001:db8::1]"}, "127.0.0.1"},
        {"127.0.0.1", {"fe80::1%lo"}, "127.0.0.1"},
        {"127.0.0.1", {"203.0.113.5 198.51.100.1"}, "127.0.0.1"},
        {"127.0.0.1", {"10.0.0.2, 127.0.0.1"}, "127.0.0.1"},  // proxies alone
        {"127.0.0.2", {"203.0.113.5"}, "127.0.0.2"},          // not a trusted peer
        {"10.0.0.20", {"10.0.0.2"}, "10.0.0.20"},
    };
    for (const Case& c : cases) {
        std::string lines;
        for (std::string_view l : c.lines) lines += "[" + std::string(l) + "]";
        EXPECT_EQ(proxies.ClientOf(c.peer, c.lines), c.client) << c.peer << " " << lines;
    }
}

}  // namespace
