// The SQLite score store: one connection, WAL journal, prepared statements
// kept for the life of the store, and one writer at a time behind a mutex.
// It never builds SQL from request text; every value is a bound parameter.
#pragma once

#include <mutex>
#include <string>

#include "score_store.h"

struct sqlite3;
struct sqlite3_stmt;

namespace zscores {

class SqliteStore : public ScoreStore {
public:
    SqliteStore() = default;
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    // Opens (creating when missing) the database file and its tables. On
    // failure `error` says why and the store stays closed.
    bool Open(const std::string& path, std::string& error);
    void Close();

    bool Record(const Submission& s, std::int64_t now) override;
    bool RecordAll(const std::vector<Submission>& batch, std::int64_t now) override;
    bool Top(int game, int board, int count, std::vector<RankedScore>& out) override;
    bool Find(int game, const std::string& userId, int board, StoredScore& out) override;

private:
    bool Exec(const char* sql);
    bool Prepare(const char* sql, sqlite3_stmt** stmt);
    void CloseLocked();
    bool RecordLocked(const Submission& s, std::int64_t now);
    bool RecordAllLocked(const Submission* first, size_t count, std::int64_t now);
    void LogError(const char* what);

    std::mutex mutex_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* begin_ = nullptr;
    sqlite3_stmt* commit_ = nullptr;
    sqlite3_stmt* rollback_ = nullptr;
    sqlite3_stmt* nextSeq_ = nullptr;
    sqlite3_stmt* upsertPlayer_ = nullptr;
    sqlite3_stmt* upsertScore_ = nullptr;
    sqlite3_stmt* top_ = nullptr;
    sqlite3_stmt* find_ = nullptr;
};

}  // namespace zscores
