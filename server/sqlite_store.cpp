// SQLite storage for zindle-scores. A player's best only ever rises (a save
// file cleared on the game's side cannot lower it); the newest is whatever was
// sent last. Failures are one line on standard error and a false result.

#include "sqlite_store.h"

#include <sqlite3.h>

#include <cstdio>

#include "scores_limits.h"

namespace zscores {

namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS players ("
    "  game INTEGER NOT NULL, user_id TEXT NOT NULL, name TEXT NOT NULL,"
    "  first_seen INTEGER NOT NULL, last_seen INTEGER NOT NULL,"
    "  PRIMARY KEY (game, user_id));"
    "CREATE TABLE IF NOT EXISTS scores ("
    "  game INTEGER NOT NULL, user_id TEXT NOT NULL, board INTEGER NOT NULL,"
    "  best INTEGER NOT NULL, newest INTEGER NOT NULL,"
    "  best_seq INTEGER NOT NULL,"  // order in which bests were reached: breaks ties
    "  best_time INTEGER NOT NULL, updated INTEGER NOT NULL,"
    "  PRIMARY KEY (game, user_id, board));"
    "CREATE INDEX IF NOT EXISTS scores_rank ON scores (game, board, best DESC, best_seq);"
    "CREATE INDEX IF NOT EXISTS scores_seq ON scores (game, best_seq);";

constexpr const char* kNextSeq = "SELECT IFNULL(MAX(best_seq), 0) + 1 FROM scores WHERE game = ?1";

constexpr const char* kUpsertPlayer =
    "INSERT INTO players (game, user_id, name, first_seen, last_seen) VALUES (?1, ?2, ?3, ?4, ?4)"
    " ON CONFLICT (game, user_id) DO UPDATE SET name = excluded.name, last_seen = excluded.last_seen";

// Every SET expression reads the row as it was, so best_seq and best_time
// move only when the new best is strictly higher.
constexpr const char* kUpsertScore =
    "INSERT INTO scores (game, user_id, board, best, newest, best_seq, best_time, updated)"
    " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?7)"
    " ON CONFLICT (game, user_id, board) DO UPDATE SET"
    "  newest = excluded.newest, updated = excluded.updated,"
    "  best_seq = CASE WHEN excluded.best > best THEN excluded.best_seq ELSE best_seq END,"
    "  best_time = CASE WHEN excluded.best > best THEN excluded.best_time ELSE best_time END,"
    "  best = MAX(best, excluded.best)";

constexpr const char* kTop =
    "SELECT p.name, s.best, s.newest FROM scores s"
    " JOIN players p ON p.game = s.game AND p.user_id = s.user_id"
    " WHERE s.game = ?1 AND s.board = ?2"
    " ORDER BY s.best DESC, s.best_seq ASC, s.user_id ASC LIMIT ?3";

constexpr const char* kFind =
    "SELECT p.name, s.best, s.newest, s.best_time, s.updated FROM scores s"
    " JOIN players p ON p.game = s.game AND p.user_id = s.user_id"
    " WHERE s.game = ?1 AND s.user_id = ?2 AND s.board = ?3";

int ClampInt(sqlite3_int64 v) {
    if (v < 0) return 0;
    if (v > 2147483647LL) return 2147483647;
    return static_cast<int>(v);
}

std::string ColumnText(sqlite3_stmt* stmt, int column) {
    const unsigned char* text = sqlite3_column_text(stmt, column);
    const int bytes = sqlite3_column_bytes(stmt, column);
    if (text == nullptr || bytes <= 0) return std::string();
    return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(bytes));
}

// Resets a statement on every exit path, so a failed step never leaves it
// holding a read transaction open.
struct Reset {
    sqlite3_stmt* stmt;
    ~Reset() {
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
    }
};

}  // namespace

SqliteStore::~SqliteStore() { Close(); }

void SqliteStore::LogError(const char* what) {
    std::fprintf(stderr, "zindle-scores: database: %s: %s\n", what, db_ ? sqlite3_errmsg(db_) : "not open");
}

bool SqliteStore::Exec(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
    std::fprintf(stderr, "zindle-scores: database: %s\n", message ? message : "error");
    sqlite3_free(message);
    return false;
}

bool SqliteStore::Prepare(const char* sql, sqlite3_stmt** stmt) {
    if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, stmt, nullptr) == SQLITE_OK) return true;
    LogError("prepare");
    return false;
}

bool SqliteStore::Open(const std::string& path, std::string& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (db_ != nullptr) {
        error = "already open";
        return false;
    }
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        error = db_ ? sqlite3_errmsg(db_) : "cannot open";
        sqlite3_close(db_);
        db_ = nullptr;
        return false;
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);

    // Tables are made only in a database that is empty or ours; any other
    // schema version is refused rather than guessed at.
    int version = -1;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, "PRAGMA user_version", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
        version = sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);

    // WAL lets readers of the file (an operator's sqlite3 shell, a backup)
    // work beside the writer; NORMAL sync keeps it consistent after a crash.
    bool ok = version >= 0 && Exec("PRAGMA journal_mode=WAL") && Exec("PRAGMA synchronous=NORMAL");
    if (ok && version == 0) {
        char sql[64];
        std::snprintf(sql, sizeof sql, "PRAGMA user_version=%d", kSchemaVersion);
        ok = Exec("BEGIN") && Exec(kSchema) && Exec(sql) && Exec("COMMIT");
        if (!ok) Exec("ROLLBACK");
    } else if (ok && version != kSchemaVersion) {
        error = "database has schema version " + std::to_string(version) + ", expected " +
                std::to_string(kSchemaVersion);
        CloseLocked();
        return false;
    }
    ok = ok && Prepare("BEGIN IMMEDIATE", &begin_) && Prepare("COMMIT", &commit_) &&
         Prepare("ROLLBACK", &rollback_) && Prepare(kNextSeq, &nextSeq_) && Prepare(kUpsertPlayer, &upsertPlayer_) &&
         Prepare(kUpsertScore, &upsertScore_) && Prepare(kTop, &top_) && Prepare(kFind, &find_);
    if (!ok) {
        error = std::string("cannot set up the database: ") + sqlite3_errmsg(db_);
        CloseLocked();
        return false;
    }
    return true;
}

void SqliteStore::Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    CloseLocked();
}

void SqliteStore::CloseLocked() {
    for (sqlite3_stmt** s : {&begin_, &commit_, &rollback_, &nextSeq_, &upsertPlayer_, &upsertScore_, &top_, &find_}) {
        sqlite3_finalize(*s);
        *s = nullptr;
    }
    if (db_ != nullptr) sqlite3_close(db_);
    db_ = nullptr;
}

bool SqliteStore::RecordLocked(const Submission& s, std::int64_t now) {
    sqlite3_int64 seq = 0;
    {
        Reset r{nextSeq_};
        sqlite3_bind_int(nextSeq_, 1, s.game);
        if (sqlite3_step(nextSeq_) != SQLITE_ROW) return false;
        seq = sqlite3_column_int64(nextSeq_, 0);
    }
    {
        Reset r{upsertPlayer_};
        sqlite3_bind_int(upsertPlayer_, 1, s.game);
        sqlite3_bind_text(upsertPlayer_, 2, s.userId.data(), static_cast<int>(s.userId.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(upsertPlayer_, 3, s.name.data(), static_cast<int>(s.name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(upsertPlayer_, 4, now);
        if (sqlite3_step(upsertPlayer_) != SQLITE_DONE) return false;
    }
    for (const BoardScore& b : s.boards) {
        if (b.best <= 0) continue;  // a board never played has nothing to keep
        Reset r{upsertScore_};
        sqlite3_bind_int(upsertScore_, 1, s.game);
        sqlite3_bind_text(upsertScore_, 2, s.userId.data(), static_cast<int>(s.userId.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(upsertScore_, 3, b.board);
        sqlite3_bind_int(upsertScore_, 4, b.best);
        sqlite3_bind_int(upsertScore_, 5, b.newest);
        sqlite3_bind_int64(upsertScore_, 6, seq);
        sqlite3_bind_int64(upsertScore_, 7, now);
        if (sqlite3_step(upsertScore_) != SQLITE_DONE) return false;
    }
    return true;
}

// One transaction for the lot: a group of requests costs one commit, and a
// failure part-way leaves none of them stored.
bool SqliteStore::RecordAllLocked(const Submission* first, size_t count, std::int64_t now) {
    if (db_ == nullptr) return false;
    {
        Reset r{begin_};
        if (sqlite3_step(begin_) != SQLITE_DONE) {
            LogError("begin");
            return false;
        }
    }
    bool ok = true;
    for (size_t i = 0; i < count && ok; ++i) ok = RecordLocked(first[i], now);
    if (ok) {
        Reset r{commit_};
        if (sqlite3_step(commit_) == SQLITE_DONE) return true;
        LogError("commit");
    } else {
        LogError("record");
    }
    Reset r{rollback_};
    sqlite3_step(rollback_);
    return false;
}

bool SqliteStore::Record(const Submission& s, std::int64_t now) {
    std::lock_guard<std::mutex> lock(mutex_);
    return RecordAllLocked(&s, 1, now);
}

bool SqliteStore::RecordAll(const std::vector<Submission>& batch, std::int64_t now) {
    std::lock_guard<std::mutex> lock(mutex_);
    return RecordAllLocked(batch.data(), batch.size(), now);
}

bool SqliteStore::Top(int game, int board, int count, std::vector<RankedScore>& out) {
    out.clear();
    std::lock_guard<std::mutex> lock(mutex_);
    if (db_ == nullptr) return false;
    Reset r{top_};
    sqlite3_bind_int(top_, 1, game);
    sqlite3_bind_int(top_, 2, board);
    sqlite3_bind_int(top_, 3, count);
    int rc;
    while ((rc = sqlite3_step(top_)) == SQLITE_ROW) {
        RankedScore row;
        row.name = ColumnText(top_, 0);
        row.best = ClampInt(sqlite3_column_int64(top_, 1));
        row.newest = ClampInt(sqlite3_column_int64(top_, 2));
        out.push_back(row);
    }
    if (rc == SQLITE_DONE) return true;
    LogError("top");
    out.clear();
    return false;
}

bool SqliteStore::Find(int game, const std::string& userId, int board, StoredScore& out) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (db_ == nullptr) return false;
    Reset r{find_};
    sqlite3_bind_int(find_, 1, game);
    sqlite3_bind_text(find_, 2, userId.data(), static_cast<int>(userId.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(find_, 3, board);
    if (sqlite3_step(find_) != SQLITE_ROW) return false;
    out.name = ColumnText(find_, 0);
    out.best = ClampInt(sqlite3_column_int64(find_, 1));
    out.newest = ClampInt(sqlite3_column_int64(find_, 2));
    out.bestTime = sqlite3_column_int64(find_, 3);
    out.updated = sqlite3_column_int64(find_, 4);
    return true;
}

}  // namespace zscores
