// The game against the real score server: zindle-scores on a loopback port of
// its own, its database in the run's folder, the name typed on the name screen
// and scores sent the way a player causes them; then the server's log, its
// database and the menu's score panel are read. It never talks to the game or
// the server other than as a player and an operator would.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "e2e/observe.h"

namespace {

using e2e::GameProcess;
using e2e::Image;
using e2e::Seen;
using e2e::ShotUntil;
using e2e::Where;

constexpr double kReads = 0.95;  // font match that counts as reading the text
constexpr int kGame = 559;

// Layout values of an 800 x 600 view (one unit a pixel). The start page's
// "Start" caption, larger and lower while its button is highlighted (the
// "Options" caption cannot be read: the highlighted gear turns behind it).
constexpr float kStartX = 400, kStartLitY = 584, kStartDimY = 568;
// The name screen's twelve boxes, 40 units apart around the view's centre.
constexpr float kNameBoxX = 180, kNameBoxStep = 40, kNameBoxY = 300;
// The menu's score panel once slid in: centre x, title, first row's name
// (left end, size 0.75) and score (right end, 30 units lower).
constexpr float kPanelX = 702, kPanelTitleY = 130;
constexpr float kRowNameX = 620, kRowY = 160.5f, kRowScoreX = 792, kRowScoreY = 190.5f;

// Typed from blank as: up (blank rolls back to z), step on (the next position
// starts from the same letter), up, step on, up.
const char kName[] = "zyx";
const std::vector<const char*> kNameKeys = {"Up", "z", "Up", "z", "Up"};
const char kSentLine[] = "> Sending Highscores\n";

int Occurrences(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

// zindle-scores as an operator runs it: any free loopback port, the database
// and the log in a folder of the run's own.
class ScoreServer {
public:
    explicit ScoreServer(std::string dir) : dir_(std::move(dir)) {}
    ~ScoreServer() { Stop(); }
    ScoreServer(const ScoreServer&) = delete;
    ScoreServer& operator=(const ScoreServer&) = delete;

    // Starts it and reads the port it took from its first line.
    bool Start() {
        std::error_code ec;
        std::filesystem::create_directories(dir_, ec);
        if (ec) return false;
        const std::string db = Database();
        std::vector<std::string> args = {ZINDLE_SCORES_BINARY, "--port", "0", "--db", db, "--bind", "127.0.0.1"};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string out = LogPath(), err = dir_ + "/server.err";
        pid_ = fork();
        if (pid_ < 0) return false;
        if (pid_ == 0) {
            const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (o < 0 || e < 0) _exit(126);
            dup2(o, STDOUT_FILENO);
            dup2(e, STDERR_FILENO);
            execv(argv[0], argv.data());
            _exit(127);
        }
        if (!WaitFor("listening on", 1, 10000)) return false;
        std::smatch m;
        const std::string log = Log();
        if (!std::regex_search(log, m, std::regex("listening on 127\\.0\\.0\\.1:([0-9]+),"))) return false;
        port_ = std::stoi(m[1].str());
        return port_ > 0;
    }

    int Port() const { return port_; }
    std::string Database() const { return dir_ + "/scores.db"; }
    std::string LogPath() const { return dir_ + "/server.log"; }
    std::string Log() const { return e2e::ReadBytes(LogPath()); }

    bool WaitFor(const std::string& text, int count = 1, int timeoutMs = 10000) {
        for (int waited = 0;; waited += 20) {
            if (Occurrences(Log(), text) >= count) return true;
            if (!Running() || waited > timeoutMs) return Occurrences(Log(), text) >= count;
            e2e::Pause(0.02);
        }
    }

    // SIGTERM, as the play command stops it; the exit code, or -1 when it
    // had to be killed.
    int Stop() {
        if (pid_ <= 0) return status_;
        kill(pid_, SIGTERM);
        for (int i = 0; i < 500 && Running(); ++i) e2e::Pause(0.02);
        if (Running()) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            status_ = -1;
        }
        pid_ = -1;
        return status_;
    }

private:
    bool Running() {
        if (pid_ <= 0) return false;
        int status = 0;
        const pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == 0) return true;
        status_ = r == pid_ && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        pid_ = -1;
        return false;
    }

    std::string dir_;
    pid_t pid_ = -1;
    int port_ = -1;
    int status_ = -1;
};

// Rows of a query, every column as text, from the database opened read-only.
std::vector<std::vector<std::string>> Query(const std::string& path, const std::string& sql,
                                            const std::string& parameter) {
    std::vector<std::vector<std::string>> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << path << ": " << (db ? sqlite3_errmsg(db) : "no handle");
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
    } else {
        sqlite3_bind_text(stmt, 1, parameter.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                const unsigned char* text = sqlite3_column_text(stmt, c);
                row.push_back(text ? reinterpret_cast<const char*>(text) : "");
            }
            rows.push_back(row);
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

// A loopback port with nothing on it: taken from the system, then let go.
int ClosedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    int port = -1;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
        port = ntohs(a.sin_port);
    if (fd >= 0) close(fd);
    return port;
}

// A loopback port whose listener takes connections (the system completes
// them) but never reads or answers: a server that hangs.
class SilentListener {
public:
    SilentListener() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        if (fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(fd_, 8) == 0 &&
            getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &size) == 0)
            port_ = ntohs(a.sin_port);
    }
    ~SilentListener() {
        if (fd_ >= 0) close(fd_);
    }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = -1;
};

bool StartLit(const Image& i, const e2e::Font& font) {
    return font.Match(i, "Start", kStartX, kStartLitY, 1, 1) >= kReads;
}

// The start page with another button than "Start" highlighted.
bool StartDim(const Image& i, const e2e::Font& font) {
    return font.Match(i, "Start", kStartX, kStartDimY, 0.75f, 1) >= kReads;
}

bool NameBoxesRead(const Image& i, const e2e::Font& font, const std::string& name) {
    for (size_t p = 0; p < name.size(); ++p)
        if (font.Match(i, name.substr(p, 1), kNameBoxX + kNameBoxStep * static_cast<float>(p), kNameBoxY, 1, 1) <
            kReads)
            return false;
    return true;
}

// The panel's title as it reads: "Top 5", "Last 5", "Top Online", or "".
std::string PanelTitle(const Image& i, const e2e::Font& font) {
    for (const char* title : {"Top Online", "Last 5", "Top 5"})
        if (font.Match(i, title, kPanelX, kPanelTitleY, 1, 1) >= kReads) return title;
    return std::string();
}

// Starts the game against host and waits for its start page.
std::string Launch(GameProcess& game, const e2e::Font& font, const std::string& host) {
    e2e::LaunchOptions options;
    options.Env.push_back({"ZINDLE_SCORE_HOST", host});
    if (!game.Start(options) || !game.WaitFor("> Opened Window\n", 2)) return std::string();
    const std::string window = game.FindWindow();
    if (window.empty() || !game.Focus(window)) return std::string();
    Seen start = ShotUntil(game, "start-page", [&](const Image& i) { return StartLit(i, font); }, 20000);
    EXPECT_TRUE(start.Matched) << Where(start);
    return start.Matched ? window : std::string();
}

void Press(GameProcess& game, const std::string& key) {
    game.HoldKey(key);
    e2e::Pause(0.15);
}

// From the start page: Options, down to "Online Name", type the name, Enter,
// then close the options with Back/Select (Backspace), which saves and sends
// the scores. Returns whether the name screen showed the name.
bool TypeNameAndCloseOptions(GameProcess& game, const e2e::Font& font) {
    Press(game, "Right");
    Seen gear = ShotUntil(game, "gear-lit", [&](const Image& i) { return StartDim(i, font); }, 5000);
    EXPECT_TRUE(gear.Matched) << Where(gear);
    if (!gear.Matched) return false;
    Press(game, "Return");
    for (int row = 0; row < 3; ++row) Press(game, "Down");  // Back, SFX, Music, Online Name
    Press(game, "Return");
    for (const char* key : kNameKeys) Press(game, key);
    Seen typed = ShotUntil(game, "name-typed", [&](const Image& i) { return NameBoxesRead(i, font, kName); }, 5000);
    EXPECT_TRUE(typed.Matched) << Where(typed);
    if (!typed.Matched) return false;
    Press(game, "Return");
    Press(game, "BackSpace");
    return true;
}

// The name as the game sends and stores it: all twelve positions.
std::string FullName() { return std::string(kName) + std::string(12 - sizeof(kName) + 1, ' '); }

std::string UserIdOf(const std::string& out) {
    std::smatch m;
    return std::regex_search(out, m, std::regex("> User ID '([A-Z]+)'\n")) ? m[1].str() : std::string();
}

// Shows panel pages, skipping with "Button 4" (V), until one with the wanted
// title is seen; every title seen on the way is appended to `seen`.
Seen PanelPage(GameProcess& game, const e2e::Font& font, const std::string& wanted, int skips,
               std::vector<std::string>* titles) {
    Seen page;
    for (int n = 0; n <= skips; ++n) {
        page = ShotUntil(game, "panel-" + std::to_string(titles->size() + 1),
                         [&](const Image& i) { return !PanelTitle(i, font).empty(); }, 6000);
        if (!page.Matched) return page;
        titles->push_back(PanelTitle(page.Picture, font));
        if (titles->back() == wanted) return page;
        if (n == skips) break;
        Press(game, "v");
        e2e::Pause(0.6);  // the page slides out, the next one in
    }
    page.Matched = false;
    return page;
}

std::string Joined(const std::vector<std::string>& titles) {
    std::string s;
    for (const std::string& t : titles) s += (s.empty() ? "" : ", ") + t;
    return s;
}

TEST(E2EOnline, ANamedPlayersScoresReachTheServerAndItsTopFiveComesBackToThePanel) {
    REQUIRE_DISPLAY();
    GameProcess game;
    ScoreServer server(game.Dir() + "/server");
    ASSERT_TRUE(server.Start()) << server.Log();
    e2e::Font font;
    ASSERT_TRUE(font.Load(std::string(ZINDLE_BUILD_DIR) + "/Data/559/entplain.png"));
    const std::string window = Launch(game, font, "127.0.0.1:" + std::to_string(server.Port()));
    ASSERT_FALSE(window.empty()) << game.Stdout() << game.Stderr();
    const std::string id = UserIdOf(game.Stdout());
    ASSERT_FALSE(id.empty()) << game.Stdout();
    // No name yet: the start-up send stays home.
    EXPECT_EQ(0, game.Count(kSentLine));
    EXPECT_EQ(0, Occurrences(server.Log(), "GET "));

    // A name, and Back/Select sends the (empty) boards with it.
    ASSERT_TRUE(TypeNameAndCloseOptions(game, font));
    ASSERT_TRUE(game.WaitFor(kSentLine)) << game.Stdout();
    ASSERT_TRUE(server.WaitFor(" GET /Scores.php 200 stored user " + id + " boards 0\n")) << server.Log();

    // One jump of "Set A", whose first round has no hazards, then quit from
    // the pause menu: the score is a new best, which goes out at once.
    Seen gear = ShotUntil(game, "back-on-start-page", [&](const Image& i) { return StartDim(i, font); }, 10000);
    ASSERT_TRUE(gear.Matched) << Where(gear);
    Press(game, "Left");
    Press(game, "Return");
    Press(game, "Up");  // from "Set B" to "Set A"
    Press(game, "Return");
    Seen round = ShotUntil(game, "round-1",
                           [&](const Image& i) { return font.Match(i, "Round 1 / 3", 400, 210, 1.5f, 1) >= kReads; },
                           10000, 0);
    ASSERT_TRUE(round.Matched) << Where(round);
    game.KeyDown("space");
    Seen landed = ShotUntil(game, "jump-over",
                            [&](const Image& i) {
                                return font.Match(i, "Jump 2 / 3", 400, 300, 2, 1) >= kReads ||
                                       font.Match(i, "Jump 3 / 3", 400, 300, 2, 1) >= kReads;
                            },
                            40000, 0);
    game.KeyUp("space");
    ASSERT_TRUE(landed.Matched) << Where(landed);
    Press(game, "Escape");
    Seen paused = ShotUntil(game, "paused", [&](const Image& i) { return font.Match(i, "Paused!", 100, 100, 1, 0) >= kReads; },
                            5000);
    ASSERT_TRUE(paused.Matched) << Where(paused);
    Press(game, "Left");  // from resume to quit
    Press(game, "Return");
    ASSERT_TRUE(game.WaitFor(kSentLine, 2)) << game.Stdout();
    ASSERT_TRUE(server.WaitFor(" GET /Scores.php 200 stored user " + id + " boards 1\n")) << server.Log();

    // The answer fills the panel's third page: the name and the score.
    std::vector<std::string> titles;
    Seen online = PanelPage(game, font, "Top Online", 3, &titles);
    ASSERT_TRUE(online.Matched) << "titles seen: " << Joined(titles) << "; " << Where(online);
    Seen named = ShotUntil(game, "top-online-name",
                           [&](const Image& i) {
                               return PanelTitle(i, font) == "Top Online" &&
                                      font.Match(i, kName, kRowNameX, kRowY, 0.75f, 0) >= kReads;
                           },
                           4000, 0);
    EXPECT_TRUE(named.Matched) << Where(named);

    game.PressUntil("F4", "Farewell happy gamer");
    EXPECT_EQ(0, game.WaitExit());
    EXPECT_EQ(0, server.Stop());
    const std::string log = server.Log();
    EXPECT_NE(std::string::npos, log.find("zindle-scores stopped")) << log;
    EXPECT_EQ(2, Occurrences(log, " GET ")) << log;
    EXPECT_EQ(2, Occurrences(log, " GET /Scores.php 200 ")) << log;

    // What the server kept: the player with the name in all twelve places,
    // and board 1 with the best and, as the game sends a new best before it
    // enters the Last 5, 1 as the newest.
    const auto players = Query(server.Database(), "SELECT name FROM players WHERE user_id = ?1", id);
    ASSERT_EQ(1u, players.size());
    EXPECT_EQ(FullName(), players[0][0]);
    const auto scores =
        Query(server.Database(), "SELECT board, best, newest FROM scores WHERE user_id = ?1 ORDER BY board", id);
    ASSERT_EQ(1u, scores.size());
    EXPECT_EQ("1", scores[0][0]);
    const int best = std::stoi(scores[0][1]);
    EXPECT_GT(best, 0);
    EXPECT_EQ("1", scores[0][2]);
    char shown[16];
    std::snprintf(shown, sizeof shown, "%08d", best);
    if (named.Matched) {
        EXPECT_GE(font.Match(named.Picture, shown, kRowScoreX, kRowScoreY, 0.75f, 2), kReads) << shown;
    }

    // The name lives in settings slots 50 and 51: two codes a slot, the even
    // position low (z 63, y 62, x 61).
    const std::string settings = e2e::ReadBytes(game.Dir() + "/Settings.sav");
    EXPECT_EQ(62 * 256 + 63, e2e::IntAt(settings, 4 * 50));
    EXPECT_EQ(61, e2e::IntAt(settings, 4 * 51));
    for (size_t slot = 52; slot <= 55; ++slot) EXPECT_EQ(0, e2e::IntAt(settings, 4 * slot)) << slot;
}

struct DeadHost {
    const char* What;
    bool Listens;  // a listener that never answers, rather than a closed port
};

void PrintTo(const DeadHost& host, std::ostream* out) { *out << host.What; }

class E2EOnlineDead : public ::testing::TestWithParam<DeadHost> {};

TEST_P(E2EOnlineDead, TheGameWaitsNoLongerThanItsLimitsAndShowsOnlyLocalPages) {
    REQUIRE_DISPLAY();
    const DeadHost& dead = GetParam();
    SilentListener silent;
    const int port = dead.Listens ? silent.Port() : ClosedPort();
    ASSERT_GT(port, 0);
    GameProcess game;
    e2e::Font font;
    ASSERT_TRUE(font.Load(std::string(ZINDLE_BUILD_DIR) + "/Data/559/entplain.png"));
    const std::string window = Launch(game, font, "127.0.0.1:" + std::to_string(port));
    ASSERT_FALSE(window.empty()) << game.Stdout() << game.Stderr();

    ASSERT_TRUE(TypeNameAndCloseOptions(game, font));
    ASSERT_TRUE(game.WaitFor(kSentLine)) << game.Stdout();
    // The game comes back by itself: a refused connection at once, a silent
    // server once the answer's time limit has passed.
    Seen back = ShotUntil(game, "back-on-start-page", [&](const Image& i) { return StartDim(i, font); }, 20000);
    ASSERT_TRUE(back.Matched) << Where(back);
    if (!dead.Listens) {
        // A refusal arrives after the connection was started, never at once.
        EXPECT_GT(game.Count("\n-=Unable to Connect=-\n\n"), 0) << game.Stdout();
        EXPECT_EQ(0, game.Count("Could not connect")) << game.Stdout();
    }

    // The set-up page's panel turns between its two local pages only.
    Press(game, "Left");
    Press(game, "Return");
    std::vector<std::string> titles;
    PanelPage(game, font, "Top Online", 3, &titles);
    EXPECT_EQ(4u, titles.size()) << Joined(titles);
    EXPECT_EQ(0, std::count(titles.begin(), titles.end(), "Top Online")) << Joined(titles);
    EXPECT_GT(std::count(titles.begin(), titles.end(), "Top 5"), 0) << Joined(titles);
    EXPECT_GT(std::count(titles.begin(), titles.end(), "Last 5"), 0) << Joined(titles);

    game.PressUntil("F4", "Farewell happy gamer");
    EXPECT_EQ(0, game.WaitExit());
}

INSTANTIATE_TEST_SUITE_P(Hosts, E2EOnlineDead,
                         ::testing::Values(DeadHost{"ClosedPort", false}, DeadHost{"SilentServer", true}),
                         [](const ::testing::TestParamInfo<DeadHost>& info) { return std::string(info.param.What); });

}  // namespace
