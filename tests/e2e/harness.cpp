// End-to-end harness: child-process control, X input through xdotool and
// wmctrl, and readers for the files the game leaves. Helper commands run
// without a shell and always under a time limit, so a stuck tool or game can
// fail a test but never hang it.

#include "harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>
#include <lodepng.h>

namespace e2e {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kPollMs = 20;
constexpr int kGameNumber = 559;          // the data folder is Data/<game number>
constexpr int kMinHoldMs = 100;           // a key held this long spans several frames
constexpr int kSaveSettleMs = 250;        // no new save for this long: the key was let go
constexpr int kShotTimeoutMs = 5000;
constexpr int kCompleteTries = 50;        // polls for a saved frame to decode, about a second
constexpr double kFramePollSeconds = 0.005;  // well inside one saving frame (tens of ms)
const char kSavingLine[] = "> Saving Image - ";

int Elapsed(Clock::time_point since) {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

std::vector<char*> ArgvOf(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

std::string Trimmed(const std::string& s) {
    size_t end = s.find_last_not_of(" \r\n\t");
    return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

long long NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// The path of the last frame the game says it saved ("" when none).
std::string LastSavedPath(const std::string& log) {
    size_t at = log.rfind(kSavingLine);
    if (at == std::string::npos) return std::string();
    size_t to = log.find("  to ", at);
    size_t end = log.find('\n', at);
    if (to == std::string::npos || end == std::string::npos || to > end) return std::string();
    return log.substr(to + 5, end - to - 5);
}

std::vector<std::string> ScreenshotFiles(const std::string& dir) {
    std::vector<std::string> shots;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(dir, ec)) {
        std::string name = e.path().filename().string();
        if (name.rfind("Screenshot_", 0) == 0 && name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0)
            shots.push_back(e.path().string());
    }
    std::sort(shots.begin(), shots.end());  // the names carry the time, to the second
    return shots;
}

void RemoveScreenshots(const std::string& dir) {
    std::error_code ec;
    for (const std::string& f : ScreenshotFiles(dir)) fs::remove(f, ec);
}

// Reads a saved frame once it decodes (the game logs before it encodes, and
// a frame being written does not decode until it is whole).
bool ReadWhenComplete(const std::string& path, Image* image) {
    for (int i = 0; i < kCompleteTries; ++i) {
        if (ReadPng(path, image)) return true;
        Pause(kPollMs / 1000.0);
    }
    return false;
}

// Copies a saved frame once it decodes.
bool CopyWhenComplete(const std::string& from, const std::string& to) {
    Image probe;
    if (!ReadWhenComplete(from, &probe)) return false;
    std::error_code ec;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    return !ec;
}

}  // namespace

CommandResult Run(const std::vector<std::string>& args, int timeoutMs) {
    CommandResult result;
    if (args.empty()) return result;
    int fds[2];
    if (pipe(fds) != 0) return result;
    std::vector<char*> argv = ArgvOf(args);
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return result;
    }
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) dup2(devnull, STDERR_FILENO);
        close(fds[0]);
        close(fds[1]);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    Clock::time_point start = Clock::now();
    bool timedOut = false;
    char buffer[4096];
    for (;;) {
        int left = timeoutMs - Elapsed(start);
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        int ready = poll(&p, 1, left);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) continue;
        ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        result.Out.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    if (timedOut) kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!timedOut && WIFEXITED(status)) result.Status = WEXITSTATUS(status);
    return result;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int IntAt(const std::string& bytes, size_t offset) {
    if (offset + 4 > bytes.size()) return -1;
    unsigned v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[offset + static_cast<size_t>(i)]);
    return static_cast<int>(v);
}

bool HaveDisplay() {
    const char* d = std::getenv("DISPLAY");
    return d != nullptr && d[0] != '\0';
}

void Pause(double seconds) {
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long long>(seconds * 1e6)));
}

bool ReadPng(const std::string& path, Image* image) {
    image->Rgba.clear();
    image->Width = image->Height = 0;
    return lodepng::decode(image->Rgba, image->Width, image->Height, path) == 0;
}

bool ReadWaveSamples(const std::string& path, std::vector<short>* samples, int* rate) {
    samples->clear();
    std::string data = ReadBytes(path);
    auto u32 = [&](size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(data[at])) |
               static_cast<unsigned>(static_cast<unsigned char>(data[at + 1])) << 8 |
               static_cast<unsigned>(static_cast<unsigned char>(data[at + 2])) << 16 |
               static_cast<unsigned>(static_cast<unsigned char>(data[at + 3])) << 24;
    };
    if (data.size() < 12 || data.compare(0, 4, "RIFF") != 0 || data.compare(8, 4, "WAVE") != 0) return false;
    size_t at = 12;
    while (at + 8 <= data.size()) {
        std::string id = data.substr(at, 4);
        size_t size = u32(at + 4);
        size_t body = at + 8;
        if (id == "fmt " && body + 8 <= data.size() && rate != nullptr) *rate = static_cast<int>(u32(body + 4));
        if (id == "data") {
            // A writer killed before closing leaves the size unset: take the rest.
            if (size == 0 || size == 0xFFFFFFFFu || body + size > data.size()) size = data.size() - body;
            for (size_t i = body; i + 1 < body + size; i += 2) {
                unsigned v = static_cast<unsigned char>(data[i]) | static_cast<unsigned>(static_cast<unsigned char>(data[i + 1])) << 8;
                samples->push_back(static_cast<short>(static_cast<unsigned short>(v)));
            }
            return true;
        }
        at = body + size + (size & 1);
    }
    return false;
}

GameProcess::GameProcess(const std::string& base) {
    const char* tmp = std::getenv("ZINDLE_TEST_TMP");
    const std::string parent = !base.empty() ? base : tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp";
    std::string pattern = parent + "/e2e-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) != nullptr) dir_ = name.data();
}

GameProcess::~GameProcess() {
    ReleaseAll();
    if (pid_ > 0 && !exited_) Kill();
    if (dir_.empty()) return;
    const char* keep = std::getenv("ZINDLE_KEEP_E2E");
    if (::testing::Test::HasFailure() || (keep != nullptr && keep[0] == '1')) {
        std::fprintf(stderr, "e2e: game output kept in %s\n", dir_.c_str());
        return;
    }
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
}

bool GameProcess::Start(const LaunchOptions& options) {
    if (dir_.empty() || pid_ > 0) return false;
    std::error_code ec;
    std::string program = dir_ + "/zindle-flaps";
    fs::create_symlink(ZINDLE_BINARY, program, ec);
    if (ec) return false;
    if (!MakeDataFolder(options)) return false;

    std::string conf = dir_ + "/alsoft.conf";
    if (options.OwnWaveWriter) {
        std::ofstream out(conf);
        out << "[general]\ndrivers = wave\nchannels = mono\nsample-type = int16\ndither = false\n"
            << "[wave]\nfile = " << WavePath() << "\n";
    }
    std::string out = dir_ + "/stdout.txt", err = dir_ + "/stderr.txt";
    // Line-buffered output, so the log can be followed while the game runs.
    std::vector<std::string> args = {"stdbuf", "-oL", "-eL", program};
    std::vector<char*> argv = ArgvOf(args);

    pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (o < 0 || e < 0 || chdir(dir_.c_str()) != 0) _exit(126);
        dup2(o, STDOUT_FILENO);
        dup2(e, STDERR_FILENO);
        if (options.OwnWaveWriter) setenv("ALSOFT_CONF", conf.c_str(), 1);
        for (const auto& kv : options.Env) setenv(kv.first.c_str(), kv.second.c_str(), 1);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    pid_ = pid;
    exited_ = false;
    startedNs_ = NowNs();
    return true;
}

bool GameProcess::MakeDataFolder(const LaunchOptions& options) {
    // A folder of links rather than one link to the built folder, so a run
    // can add files without touching the build.
    const fs::path from = fs::path(ZINDLE_BUILD_DIR) / "Data";
    const fs::path to = fs::path(dir_) / "Data";
    std::error_code ec;
    fs::create_directories(to / std::to_string(kGameNumber) / "audio", ec);
    if (ec) return false;
    for (auto it = fs::recursive_directory_iterator(from, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const fs::path target = to / fs::relative(it->path(), from);
        if (it->is_directory()) {
            fs::create_directories(target, ec);
        } else {
            fs::create_symlink(it->path(), target, ec);
        }
        if (ec) return false;
    }
    if (ec) return false;
    for (const auto& copy : options.DataCopies) {
        const fs::path target = to / std::to_string(kGameNumber) / copy.first;
        fs::remove(target, ec);
        if (ec || !fs::copy_file(copy.second, target, ec) || ec) return false;
    }
    return true;
}

std::string GameProcess::DataFile(const std::string& name) const {
    return dir_ + "/Data/" + std::to_string(kGameNumber) + "/" + name;
}

int GameProcess::Now() const { return static_cast<int>((NowNs() - startedNs_) / 1000000); }

std::string GameProcess::Stdout() const { return ReadBytes(dir_ + "/stdout.txt"); }
std::string GameProcess::Stderr() const { return ReadBytes(dir_ + "/stderr.txt"); }

int GameProcess::Count(const std::string& text) const {
    std::string out = Stdout();
    int n = 0;
    for (size_t at = out.find(text); at != std::string::npos; at = out.find(text, at + text.size())) ++n;
    return n;
}

bool GameProcess::WaitFor(const std::string& text, int count, int timeoutMs) {
    Clock::time_point start = Clock::now();
    for (;;) {
        if (Count(text) >= count) return true;
        if (!Running()) return Count(text) >= count;
        if (Elapsed(start) > timeoutMs) return false;
        Pause(kPollMs / 1000.0);
    }
}

std::string GameProcess::FindWindow(int timeoutMs) {
    if (pid_ <= 0) return std::string();
    CommandResult r = Run({"xdotool", "search", "--sync", "--all", "--onlyvisible", "--pid", std::to_string(pid_),
                           "--name", "^Zindle Flaps$"},
                          timeoutMs);
    // A window being replaced may still be listed: the newest has the highest id.
    std::istringstream lines(r.Out);
    std::string line;
    unsigned long best = 0;
    while (std::getline(lines, line)) {
        unsigned long id = std::strtoul(line.c_str(), nullptr, 10);
        if (id > best) best = id;
    }
    return best == 0 ? std::string() : std::to_string(best);
}

bool GameProcess::WindowSize(const std::string& window, int* width, int* height) {
    CommandResult r = Run({"xdotool", "getwindowgeometry", "--shell", window});
    if (r.Status != 0) return false;
    int found = 0;
    std::istringstream lines(r.Out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("WIDTH=", 0) == 0) *width = std::atoi(line.c_str() + 6), ++found;
        if (line.rfind("HEIGHT=", 0) == 0) *height = std::atoi(line.c_str() + 7), ++found;
    }
    return found == 2;
}

bool GameProcess::Focus(const std::string& window) {
    Clock::time_point start = Clock::now();
    while (Elapsed(start) < 10000) {
        Run({"xdotool", "windowactivate", "--sync", window}, 3000);
        if (Trimmed(Run({"xdotool", "getwindowfocus"}, 3000).Out) == window) return true;
        Pause(0.1);
    }
    return false;
}

void GameProcess::KeyDown(const std::string& key) {
    Run({"xdotool", "keydown", key});
    if (std::find(held_.begin(), held_.end(), key) == held_.end()) held_.push_back(key);
}

void GameProcess::KeyUp(const std::string& key) {
    Run({"xdotool", "keyup", key});
    held_.erase(std::remove(held_.begin(), held_.end(), key), held_.end());
}

void GameProcess::HoldKey(const std::string& key, double seconds) {
    KeyDown(key);
    Pause(seconds);
    KeyUp(key);
}

bool GameProcess::PressUntil(const std::string& key, const std::string& text, int count, int tries) {
    for (int i = 0; i < tries; ++i) {
        if (!Running()) break;
        HoldKey(key, 0.2);
        if (WaitFor(text, count, 3000)) return true;
    }
    return Count(text) >= count;
}

void GameProcess::MoveMouse(const std::string& window, int x, int y) {
    Run({"xdotool", "mousemove", "--sync", "--window", window, std::to_string(x), std::to_string(y)});
}

void GameProcess::ButtonDown(int button) {
    if (button < 1 || button > 7) return;
    Run({"xdotool", "mousedown", std::to_string(button)});
    heldButtons_[button] = true;
}

void GameProcess::ButtonUp(int button) {
    if (button < 1 || button > 7) return;
    Run({"xdotool", "mouseup", std::to_string(button)});
    heldButtons_[button] = false;
}

void GameProcess::Click(int button, double seconds) {
    ButtonDown(button);
    Pause(seconds);
    ButtonUp(button);
}

void GameProcess::ClickAt(const std::string& window, int x, int y, int button) {
    MoveMouse(window, x, y);
    Pause(0.05);
    Click(button);
}

Shot GameProcess::SettleSaves(int before) {
    Shot shot;
    int seen = Count(kSavingLine);
    int lastChange = Now();
    if (seen > before) shot.AtMs = lastChange;
    Clock::time_point start = Clock::now();
    while (Now() - lastChange < kSaveSettleMs && Elapsed(start) < kShotTimeoutMs) {
        Pause(0.01);
        int n = Count(kSavingLine);
        if (n != seen) {
            seen = n;
            lastChange = Now();
            shot.AtMs = lastChange;
        }
    }
    if (seen > before) shot.Path = LastSavedPath(Stdout());
    return shot;
}

Shot GameProcess::TakeShot(const std::string& name) {
    RemoveScreenshots(dir_);
    const int before = Count(kSavingLine);
    KeyDown("F10");
    Clock::time_point start = Clock::now();
    while ((Count(kSavingLine) <= before || Elapsed(start) < kMinHoldMs) && Elapsed(start) < kShotTimeoutMs &&
           Running())
        Pause(0.01);
    KeyUp("F10");
    Shot shot = SettleSaves(before);
    if (shot.Path.empty()) return shot;
    std::error_code ec;
    fs::create_directories(dir_ + "/shots", ec);
    const std::string dest = dir_ + "/shots/" + name + ".png";
    shot.Path = CopyWhenComplete(shot.Path, dest) ? dest : std::string();
    RemoveScreenshots(dir_);
    return shot;
}

std::vector<Shot> GameProcess::TakeShotsWhile(const std::string& name, const std::function<bool(const Image&)>& showing,
                                              int timeoutMs) {
    RemoveScreenshots(dir_);
    std::error_code ec;
    fs::create_directories(dir_ + "/shots", ec);
    const int before = Count(kSavingLine);
    std::vector<Shot> shots;
    size_t judged = 0;
    bool over = false;
    KeyDown("F10");
    Clock::time_point start = Clock::now();
    while (!over && Elapsed(start) < timeoutMs && Running()) {
        // A frame is moved away as soon as its file appears: the next save
        // then makes a file of its own instead of overwriting this one (the
        // names only tell the second), and a save still being written goes
        // on into the moved file.
        for (const std::string& file : ScreenshotFiles(dir_)) {
            const std::string dest = dir_ + "/shots/" + name + "-" + std::to_string(shots.size() + 1) + ".png";
            fs::rename(file, dest, ec);
            if (ec) continue;
            Shot shot;
            shot.Path = dest;
            shot.AtMs = Now();
            shots.push_back(shot);
        }
        for (; judged < shots.size() && !over; ++judged) {
            Image picture;
            if (!ReadWhenComplete(shots[judged].Path, &picture)) {
                shots[judged].Path.clear();
                continue;
            }
            over = !showing(picture);
        }
        Pause(kFramePollSeconds);
    }
    KeyUp("F10");
    SettleSaves(before);
    RemoveScreenshots(dir_);
    // No save for a while now, so the frames moved after the one that ended
    // the wait are whole; any that is not never will be.
    for (; judged < shots.size(); ++judged) {
        Image picture;
        if (!ReadPng(shots[judged].Path, &picture)) shots[judged].Path.clear();
    }
    return shots;
}

bool GameProcess::RequestClose(const std::string& window) { return Run({"wmctrl", "-i", "-c", window}).Status == 0; }

bool GameProcess::Running() {
    if (pid_ <= 0 || exited_) return false;
    int status = 0;
    pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == 0) return true;
    exited_ = true;
    if (r == pid_) {
        if (WIFEXITED(status)) status_ = WEXITSTATUS(status);
        else if (WIFSIGNALED(status)) status_ = 128 + WTERMSIG(status);
    }
    return false;
}

int GameProcess::WaitExit(int timeoutMs) {
    Clock::time_point start = Clock::now();
    while (Running()) {
        if (Elapsed(start) > timeoutMs) {
            Kill();
            return -1;
        }
        Pause(kPollMs / 1000.0);
    }
    return status_;
}

std::vector<std::string> GameProcess::Screenshots() const { return ScreenshotFiles(dir_); }

void GameProcess::Kill() {
    if (pid_ <= 0 || exited_) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 100 && Running(); ++i) Pause(kPollMs / 1000.0);
    if (Running()) kill(pid_, SIGKILL);
    int status = 0;
    if (!exited_ && waitpid(pid_, &status, 0) == pid_) {
        exited_ = true;
        status_ = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    }
}

void GameProcess::ReleaseAll() {
    for (const std::string& key : std::vector<std::string>(held_)) KeyUp(key);
    for (int b = 1; b < 8; ++b)
        if (heldButtons_[b]) Run({"xdotool", "mouseup", std::to_string(b)}), heldButtons_[b] = false;
}

Seen ShotUntil(GameProcess& game, const std::string& name, const std::function<bool(const Image&)>& pred,
               int timeoutMs, double gapSeconds) {
    Seen seen;
    const int until = game.Now() + timeoutMs;
    while (game.Now() < until && game.Running()) {
        ++seen.Tries;
        seen.Shot = game.TakeShot(name + "-try" + std::to_string(seen.Tries));
        if (!seen.Shot.Path.empty() && ReadPng(seen.Shot.Path, &seen.Picture) && pred(seen.Picture)) {
            seen.Matched = true;
            const std::string chosen = fs::path(seen.Shot.Path).replace_filename(name + ".png");
            std::error_code ec;
            fs::copy_file(seen.Shot.Path, chosen, fs::copy_options::overwrite_existing, ec);
            if (!ec) seen.Shot.Path = chosen;
            return seen;
        }
        seen.LastMissAt = seen.Shot.AtMs;
        Pause(gapSeconds);
    }
    return seen;
}

std::string Where(const Seen& s) { return s.Shot.Path + " after " + std::to_string(s.Tries) + " shots"; }

}  // namespace e2e
