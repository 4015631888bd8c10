// Client addresses of zindle-scores behind a reverse proxy: the proxies whose
// X-Forwarded-For is believed, and the client's address read off it. Pure
// text in and out; a peer that is not a trusted proxy is always its own client.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zscores {

// The one spelling of an IP address that the caps, the rate limit and the
// log key on (an IPv4-mapped IPv6 address as plain IPv4, IPv6 compressed), or
// nothing when `text` is not an IPv4 or IPv6 address; names, zones ("%eth0"),
// ports and brackets are not addresses.
std::optional<std::string> CanonicalAddress(std::string_view text);

class TrustedProxies {
public:
    // Adds the addresses of a comma-separated list (blanks around each are
    // allowed); false, adding none of them, when any is not an address.
    bool Add(std::string_view list);

    bool Empty() const { return addresses_.empty(); }
    // `address` in its canonical spelling, as the listener has it.
    bool Contains(const std::string& address) const;
    // "none", or the addresses as "127.0.0.1, ::1".
    std::string Describe() const;

    // The client of a request that came from `peer` with these
    // X-Forwarded-For field values, in the order they came. From a trusted
    // proxy it is the rightmost entry that is not itself a trusted proxy;
    // when none is, the header is missing, or an entry on the way to it is
    // not an address, the peer. What lies left of the client's entry is
    // whatever the client sent, and is never read.
    std::string ClientOf(const std::string& peer, const std::vector<std::string_view>& forwardedFor) const;

private:
    std::vector<std::string> addresses_;  // canonical, each once; a handful at most
};

}  // namespace zscores
