// Reading X-Forwarded-For for zindle-scores. Each proxy appends the address it
// got the request from, so the list is read from the right: entries that our
// own proxies wrote are skipped, and the first one they did not write is the
// client's. Nothing left of it is looked at, so a client can neither pick its
// address nor push its request onto the proxy's own by sending garbage.

#include "trusted_proxies.h"

#include <boost/asio/ip/address.hpp>

#include <algorithm>

namespace zscores {

namespace {

std::string_view Trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

// Calls `take` with each trimmed entry of a comma-separated list from the
// right, until it returns false; false when it did.
template <typename Take>
bool EachFromTheRight(std::string_view list, Take take) {
    for (;;) {
        const size_t comma = list.rfind(',');
        const std::string_view entry = comma == std::string_view::npos ? list : list.substr(comma + 1);
        if (!take(Trimmed(entry))) return false;
        if (comma == std::string_view::npos) return true;
        list = list.substr(0, comma);
    }
}

}  // namespace

std::optional<std::string> CanonicalAddress(std::string_view text) {
    // A zone would make the parser look up an interface by its name.
    if (text.empty() || text.find('%') != std::string_view::npos) return std::nullopt;
    boost::system::error_code ec;
    boost::asio::ip::address ip = boost::asio::ip::make_address(std::string(text), ec);
    if (ec) return std::nullopt;
    if (ip.is_v6() && ip.to_v6().is_v4_mapped())
        ip = boost::asio::ip::make_address_v4(boost::asio::ip::v4_mapped, ip.to_v6());
    return ip.to_string();
}

bool TrustedProxies::Add(std::string_view list) {
    std::vector<std::string> added;
    const bool ok = EachFromTheRight(list, [&added](std::string_view entry) {
        const std::optional<std::string> address = CanonicalAddress(entry);
        if (address) added.push_back(*address);
        return address.has_value();
    });
    if (!ok) return false;
    // Kept in the order given, for the start-up line.
    for (auto it = added.rbegin(); it != added.rend(); ++it)
        if (!Contains(*it)) addresses_.push_back(*it);
    return true;
}

bool TrustedProxies::Contains(const std::string& address) const {
    return std::find(addresses_.begin(), addresses_.end(), address) != addresses_.end();
}

std::string TrustedProxies::Describe() const {
    if (addresses_.empty()) return "none";
    std::string text;
    for (const std::string& a : addresses_) text += (text.empty() ? "" : ", ") + a;
    return text;
}

std::string TrustedProxies::ClientOf(const std::string& peer, const std::vector<std::string_view>& forwardedFor) const {
    if (forwardedFor.empty() || !Contains(peer)) return peer;
    std::optional<std::string> client;
    // Several header lines are one list, in the order they came.
    for (auto line = forwardedFor.rbegin(); line != forwardedFor.rend() && !client; ++line) {
        const bool readOn = EachFromTheRight(*line, [this, &client](std::string_view entry) {
            std::optional<std::string> address = CanonicalAddress(entry);
            if (!address) return false;
            if (!Contains(*address)) client = std::move(address);
            return !client;
        });
        if (!readOn && !client) return peer;  // an entry that is not an address
    }
    return client ? *client : peer;
}

}  // namespace zscores
