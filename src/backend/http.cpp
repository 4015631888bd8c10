// The HTTP fetch: one GET over IPv4 TCP and the payload an answer frames
// between "[-\r\nData-]" and "[-\r\nEnd-]". It runs on the caller's thread and
// never waits past its connect and receive limits, whatever the server does.

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "score_answer_format.h"
#include "sys_internal.h"

int WebConnectLimitMs = kuvo::kWebConnectMs;
int WebReceiveLimitMs = kuvo::kWebReceiveMs;

namespace {

char webBuffer[kuvo::kWebBufferBytes];

constexpr const char* kDataTag = zcommon::kAnswerStartTag;
constexpr const char* kEndTag = zcommon::kAnswerEndTag;
constexpr size_t kDataTagLength = sizeof(zcommon::kAnswerStartTag) - 1;
constexpr size_t kEndTagLength = sizeof(zcommon::kAnswerEndTag) - 1;
constexpr int kPortDigitsMax = 5;

bool Kept(unsigned char c) { return (c >= 32 && c <= 127) || c == 13 || c == 10; }

bool EndsWith(const std::string& s, const char* tag, size_t length) {
    return s.size() >= length && s.compare(s.size() - length, length, tag) == 0;
}

bool HostNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
}

// A request line and header may not be split or extended by what a caller
// puts in the path, so only visible characters pass.
bool PathIsSafe(const std::string& path) {
    for (char c : path) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u <= 32 || u >= 127) return false;
    }
    return true;
}

using Clock = std::chrono::steady_clock;

int MillisLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return 0;
    return left > 60000 ? 60000 : static_cast<int>(left);
}

// Waits for one poll event until the deadline. Returns the revents, or 0 when
// the time ran out or poll failed.
short WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int rc = poll(&p, 1, MillisLeft(deadline));
        if (rc > 0) return p.revents;
        if (rc < 0 && errno == EINTR) continue;
        return 0;
    }
}

void UnableToConnect() { printf("%s\n", "\n-=Unable to Connect=-\n"); }

// Connects the non-blocking socket within the connect limit. A connection
// refused or unreachable is reported at once rather than after the limit.
bool ConnectWithin(int fd, const sockaddr_in& address) {
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) return true;
    if (errno != EINPROGRESS && errno != EINTR) {
        // No line end: the console text is exactly these words.
        printf("Could not connect");
        fflush(stdout);
        return false;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(WebConnectLimitMs);
    if (WaitFor(fd, POLLOUT, deadline) == 0) {
        UnableToConnect();
        return false;
    }
    int error = 0;
    socklen_t size = sizeof(error);
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
        UnableToConnect();
        return false;
    }
    return true;
}

bool SendWithin(int fd, const std::string& request, Clock::time_point deadline) {
    size_t sent = 0;
    while (sent < request.size()) {
        const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && (WaitFor(fd, POLLOUT, deadline) & POLLOUT)) continue;
        return false;
    }
    return true;
}

}  // namespace

namespace kuvo {

bool ParseHostPort(const std::string& text, HostPort* out) {
    if (out == nullptr || text.empty()) return false;
    const size_t colon = text.find(':');
    const std::string name = text.substr(0, colon);
    if (name.empty() || name.size() > static_cast<size_t>(kHostNameMax) || name[0] == '-' || name[0] == '.') return false;
    for (char c : name)
        if (!HostNameChar(c)) return false;

    int port = kDefaultHttpPort;
    if (colon != std::string::npos) {
        const std::string digits = text.substr(colon + 1);
        if (digits.empty() || digits.size() > static_cast<size_t>(kPortDigitsMax)) return false;
        port = 0;
        for (char c : digits) {
            if (c < '0' || c > '9') return false;
            port = port * 10 + (c - '0');
        }
        if (port < 1 || port > 65535) return false;
    }
    out->Name = name;
    out->Port = port;
    return true;
}

WebFramer::WebFramer(std::string& window, std::string& result)
    : Window_(window), Result_(result), State_(0), Appended_(0) {
    Window_.clear();
    Result_.clear();
}

void WebFramer::Block(const char* data, size_t length) {
    Window_.clear();
    // The window only grows within a block, so "the window contains a tag"
    // turns true exactly when a kept byte completes it, and stays true.
    bool sawData = false;
    bool sawEnd = false;
    for (size_t i = 0; i < length && State_ != 2; ++i) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        if (!Kept(c)) continue;
        Window_ += static_cast<char>(c);
        if (State_ == 1) {
            // Room for the end tag as well, which is cut once it is seen.
            if (Result_.size() < static_cast<size_t>(kWebResultMax) + kEndTagLength) Result_ += static_cast<char>(c);
            ++Appended_;
        }
        if (!sawData && EndsWith(Window_, kDataTag, kDataTagLength)) sawData = true;
        if (!sawEnd && EndsWith(Window_, kEndTag, kEndTagLength)) sawEnd = true;
        if (State_ == 0 && sawData) State_ = 1;
        if (State_ == 1 && sawEnd) {
            State_ = 2;
            // An end tag met before the start tag leaves nothing to cut.
            size_t keep = Appended_ >= kEndTagLength ? Appended_ - kEndTagLength : Result_.size();
            if (keep > static_cast<size_t>(kWebResultMax)) keep = kWebResultMax;
            if (keep < Result_.size()) Result_.resize(keep);
        }
    }
}

void WebFramer::Finish() {
    if (State_ != 2 && Result_.size() > static_cast<size_t>(kWebResultMax)) Result_.resize(kWebResultMax);
}

}  // namespace kuvo

void KUVOSys::URLData(std::string host, std::string path) {
    kuvo::HostPort target;
    if (!kuvo::ParseHostPort(host, &target)) {
        Debuglog("Bad host name for a web request");
        return;
    }
    if (!PathIsSafe(path)) {
        Debuglog("Bad characters in a web request");
        return;
    }
    // A default port stays out of the Host header, as HTTP expects.
    const std::string hostHeader =
        target.Port == kuvo::kDefaultHttpPort ? target.Name : target.Name + ":" + std::to_string(target.Port);
    const std::string request =
        "GET /" + path + " HTTP/1.1\r\nHost: " + hostHeader + "\r\nConnection: close\r\n\r\n";
    if (request.size() > static_cast<size_t>(kuvo::kWebRequestMax)) {
        Debuglog("Web request too long");
        return;
    }

    addrinfo hints;
    std::memset(&hints, 0, sizeof(hints));
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(target.Name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return;
    sockaddr_in address;
    std::memset(&address, 0, sizeof(address));
    std::memcpy(&address, found->ai_addr, found->ai_addrlen < sizeof(address) ? found->ai_addrlen : sizeof(address));
    freeaddrinfo(found);
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(target.Port));

    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    if (!ConnectWithin(fd, address)) {
        close(fd);
        return;
    }

    // One deadline covers sending and the whole answer, so a server that
    // trickles bytes cannot stretch the wait.
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(WebReceiveLimitMs);
    if (!SendWithin(fd, request, deadline)) {
        close(fd);
        return;
    }

    kuvo::WebFramer framer(website_HTML, WebResult);
    size_t total = 0;
    while (!framer.Done() && total < static_cast<size_t>(kuvo::kWebAnswerMax)) {
        if ((WaitFor(fd, POLLIN, deadline) & (POLLIN | POLLHUP | POLLERR)) == 0) break;
        const ssize_t n = recv(fd, webBuffer, kuvo::kWebBlock, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (n <= 0) break;
        framer.Block(webBuffer, static_cast<size_t>(n));
        total += static_cast<size_t>(n);
    }
    framer.Finish();
    close(fd);
}
