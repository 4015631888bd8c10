// End-to-end harness: runs the real zindle-flaps in a private program
// directory under the test display and drives it like a player (held keys,
// mouse, window-manager close requests), then reads what a player or operator
// could see: log lines, exit status, screenshots, the captured sound.
// It never sends synthetic X events to the game directly and never destroys
// the game's window itself; a test that leaves it running gets it killed.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

// Exit status and standard output of a helper command.
struct CommandResult {
    int Status = -1;  // exit code; -1 when it could not run or timed out
    std::string Out;
};

// Runs a program (no shell) with a time limit, capturing its standard output.
CommandResult Run(const std::vector<std::string>& argv, int timeoutMs = 10000);

// True when a display to test on is set (scripts/test.sh provides one).
bool HaveDisplay();
// Skips a test when no display is given (run the tests through scripts/test.sh).
#define REQUIRE_DISPLAY() \
    if (!e2e::HaveDisplay()) GTEST_SKIP() << "no DISPLAY: run through scripts/test.sh"

// A whole file's bytes ("" when it cannot be read).
std::string ReadBytes(const std::string& path);
// The little-endian 32-bit integer at offset, or -1 past the end.
int IntAt(const std::string& bytes, size_t offset);

// Sleeps for the given seconds.
void Pause(double seconds);

// RGBA pixels of a PNG file.
struct Image {
    unsigned Width = 0, Height = 0;
    std::vector<unsigned char> Rgba;
    const unsigned char* At(unsigned x, unsigned y) const { return &Rgba[(static_cast<size_t>(y) * Width + x) * 4]; }
};
bool ReadPng(const std::string& path, Image* image);

// Mono 16-bit samples of a WAV file (as OpenAL Soft's wave writer leaves it
// once the device is closed); false when the file has no data chunk.
bool ReadWaveSamples(const std::string& path, std::vector<short>* samples, int* rate);

// Writes a short mono 16-bit WAV of three rising tones with gaps between
// them: a sound with a shape that can be recognised in a capture.

struct LaunchOptions {
    // Sound goes to a wave-writer configuration of the run's own (capture in
    // the run directory); false keeps the caller's ALSOFT_CONF.
    bool OwnWaveWriter = true;
    // Extra environment for the game, as name and value.
    std::vector<std::pair<std::string, std::string>> Env;
    // Files copied into the run's data folder in place of the links to the
    // built ones, as the name below Data/559 and the file to copy.
    std::vector<std::pair<std::string, std::string>> DataCopies;
};

// A screenshot the game saved, copied out of its program directory.
struct Shot {
    std::string Path;  // "" when none was saved in time
    int AtMs = -1;     // harness clock when the game logged the saved frame
};

class GameProcess {
public:
    // The program directory is made below `base` ($ZINDLE_TEST_TMP or /tmp
    // when empty).
    explicit GameProcess(const std::string& base = std::string());
    ~GameProcess();
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    // Starts the game with its program directory in a fresh temporary folder
    // holding a link to the binary and a data folder of its own (links to the
    // built files, plus any stand-in sounds).
    bool Start(const LaunchOptions& options = LaunchOptions());

    const std::string& Dir() const { return dir_; }
    // A file of the run's data folder, as "audio/95.wav".
    std::string DataFile(const std::string& name) const;
    // Milliseconds since Start, on the clock every AtMs uses.
    int Now() const;
    int Pid() const { return pid_; }
    std::string Stdout() const;
    std::string Stderr() const;
    std::string WavePath() const { return dir_ + "/capture.wav"; }

    // Occurrences of text in the game's standard output.
    int Count(const std::string& text) const;
    // Waits until text has appeared count times; false on timeout or exit.
    bool WaitFor(const std::string& text, int count = 1, int timeoutMs = 20000);

    // The id of the game's visible window titled "Zindle Flaps" ("" when none
    // appears in time). Windows are recreated on every size change, so look
    // again after each.
    std::string FindWindow(int timeoutMs = 20000);
    bool WindowSize(const std::string& window, int* width, int* height);
    // Gives the window focus and waits until it has it.
    bool Focus(const std::string& window);

    // Keys as xdotool names them ("F11", "Return", "q", "Left"). A press is
    // held long enough for a polling game to see it on several frames.
    void HoldKey(const std::string& key, double seconds = 0.1);
    // Holds key until text has appeared count times in the log, pressing
    // again when a press went unseen (a frame stalled for longer than the
    // hold, as on a cold start). A seen press logs within its frame, so a
    // toggle is never pressed twice.
    bool PressUntil(const std::string& key, const std::string& text, int count = 1, int tries = 5);
    void KeyDown(const std::string& key);
    void KeyUp(const std::string& key);
    // Mouse, in pixels relative to the window's top-left corner.
    void MoveMouse(const std::string& window, int x, int y);
    void ButtonDown(int button = 1);
    void ButtonUp(int button = 1);
    void Click(int button = 1, double seconds = 0.1);
    // Moves there, lets the game see the pointer at rest, then clicks.
    void ClickAt(const std::string& window, int x, int y, int button = 1);

    // Holds F10 until the game has saved a frame (and for at least 0.1 s),
    // lets go, and copies the last frame saved to shots/<name>.png.
    Shot TakeShot(const std::string& name);
    // Holds F10 and keeps the frames the game saves meanwhile (one at each
    // render) as shots/<name>-<n>.png in the order saved, until one no longer
    // shows what `showing` wants (it is kept too) or time runs out; returns
    // them, oldest first, each with the time its file appeared ("" for a
    // frame that never decoded). Frames are taken as they come, not one a
    // second as the game names its files, and while the key is held every
    // render saves: a screen that lasts well under a second is still seen on
    // many frames, however slow or busy the machine.
    std::vector<Shot> TakeShotsWhile(const std::string& name, const std::function<bool(const Image&)>& showing,
                                     int timeoutMs = 15000);
    // A close request (WM_DELETE_WINDOW) through the window manager.
    bool RequestClose(const std::string& window);

    bool Running();
    // Exit code once the game ends, 128 + signal when killed by one, or -1
    // when it did not end in time (it is then killed).
    int WaitExit(int timeoutMs = 20000);

    // Screenshot files in the program directory, oldest name first.
    std::vector<std::string> Screenshots() const;

private:
    void Kill();
    void ReleaseAll();
    bool MakeDataFolder(const LaunchOptions& options);
    // Waits until no new frame has been saved for a while; returns the last
    // saved path and the time it was seen.
    Shot SettleSaves(int before);

    std::string dir_;
    long long startedNs_ = 0;
    int pid_ = -1;
    int status_ = -1;
    bool exited_ = false;
    std::vector<std::string> held_;
    bool heldButtons_[8] = {};
};

// Shots taken until one shows what a test waits for.
struct Seen {
    e2e::Shot Shot;  // the matching shot, or the last one tried
    Image Picture;
    bool Matched = false;
    int Tries = 0;
    int LastMissAt = -1;  // harness time of the last shot that did not match
};

// Takes shots until one shows what pred wants, or time runs out. Every shot
// is kept (name-try1, name-try2, ...) for a look at what the test saw, and
// the one that matched is also name.png.
Seen ShotUntil(GameProcess& game, const std::string& name, const std::function<bool(const Image&)>& pred,
               int timeoutMs, double gapSeconds = 0.05);
// Where a failed wait's last shot is, for a failure message.
std::string Where(const Seen& s);

}  // namespace e2e
