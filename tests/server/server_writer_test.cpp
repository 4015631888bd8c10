// The single writer: what gathers while a transaction runs is stored in the
// next one together, each request hears of its score only once that has
// committed (another connection to the file sees it by then), and one write
// that fails inside a batch costs the others nothing.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "score_writer.h"
#include "server_test_support.h"

namespace {

zscores::Submission Sub(const std::string& id, int best) {
    zscores::Submission s;
    s.userId = id;
    s.name = "Writer      ";
    s.game = 559;
    s.boards = {{1, best, 1}, {2, 0, 0}, {3, 0, 0}};
    return s;
}

// Waits (boundedly) until `done` of `count` results have come.
struct Tally {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<std::string, zscores::WriteResult>> results;
    void Add(const std::string& id, const zscores::WriteResult& r) {
        std::lock_guard<std::mutex> lock(mutex);
        results.emplace_back(id, r);
        changed.notify_all();
    }
    bool WaitFor(size_t count) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(30), [&] { return results.size() >= count; });
    }
};

class ServerWriter : public servertest::StoreTest {};

TEST_F(ServerWriter, EachAnswerComesAfterItsCommit) {
    sqlite3* reader = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path_.c_str(), &reader, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* find = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(reader, "SELECT best FROM scores WHERE game = 559 AND user_id = ?1 AND board = 1", -1,
                                 &find, nullptr),
              SQLITE_OK);

    zscores::ScoreWriter writer(store_);
    writer.Start();
    Tally tally;
    std::atomic<int> unseen{0};
    constexpr int kThreads = 8, kEach = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                const std::string id = std::string("W") + static_cast<char>('A' + t) + static_cast<char>('A' + i);
                const int best = 100 * t + i + 1;
                ASSERT_TRUE(writer.Submit(Sub(id, best), [&, id, best](const zscores::WriteResult& r) {
                    // Results come on the writer thread, one at a time.
                    sqlite3_bind_text(find, 1, id.c_str(), -1, SQLITE_TRANSIENT);
                    if (sqlite3_step(find) != SQLITE_ROW || sqlite3_column_int(find, 0) != best) ++unseen;
                    sqlite3_reset(find);
                    tally.Add(id, r);
                }));
            }
        });
    }
    for (std::thread& t : threads) t.join();
    ASSERT_TRUE(tally.WaitFor(kThreads * kEach));
    writer.Stop();
    EXPECT_EQ(unseen, 0);
    for (const auto& [id, r] : tally.results) {
        EXPECT_TRUE(r.stored) << id;
        EXPECT_TRUE(r.boardsRead) << id;
        ASSERT_EQ(r.boards.size(), 3u);
        // The leaders read after its own commit: it is among them, or five
        // better ones are.
        const int best = 100 * (id[1] - 'A') + (id[2] - 'A') + 1;
        const std::vector<zscores::RankedScore>& top = r.boards[0];
        bool listed = false;
        for (const zscores::RankedScore& row : top) listed = listed || row.best == best;
        EXPECT_TRUE(listed || (top.size() == 5 && top[4].best > best)) << id;
    }
    sqlite3_finalize(find);
    sqlite3_close(reader);
    EXPECT_FALSE(writer.Submit(Sub("LATE", 1), nullptr));  // stopped: refused, never called
}

// A store that holds its first transaction until told, refuses any batch
// holding "BAD", and stores anything else.
class GatedStore : public zscores::ScoreStore {
public:
    std::promise<void> entered;
    std::shared_future<void> gate;
    std::vector<size_t> batchSizes;
    bool Record(const zscores::Submission& s, std::int64_t) override { return s.userId != "BAD"; }
    bool RecordAll(const std::vector<zscores::Submission>& batch, std::int64_t) override {
        batchSizes.push_back(batch.size());
        if (batchSizes.size() == 1) {
            entered.set_value();
            gate.wait();
        }
        for (const zscores::Submission& s : batch)
            if (s.userId == "BAD") return false;
        return true;
    }
    bool Top(int, int, int, std::vector<zscores::RankedScore>& out) override {
        out.assign(1, zscores::RankedScore{"Top", 9, 9});
        return true;
    }
    bool Find(int, const std::string&, int, zscores::StoredScore&) override { return false; }
};

TEST(ServerWriterBatch, GathersWhileBusyAndIsolatesAFailedWrite) {
    GatedStore store;
    std::promise<void> open;
    store.gate = open.get_future().share();
    zscores::ScoreWriter writer(store);
    writer.Start();
    Tally tally;
    const auto note = [&tally](const std::string& id) {
        return [&tally, id](const zscores::WriteResult& r) { tally.Add(id, r); };
    };
    ASSERT_TRUE(writer.Submit(Sub("FIRST", 1), note("FIRST")));
    ASSERT_EQ(store.entered.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
    for (const char* id : {"ONE", "BAD", "TWO", "THREE"}) ASSERT_TRUE(writer.Submit(Sub(id, 5), note(id)));
    open.set_value();
    ASSERT_TRUE(tally.WaitFor(5));
    writer.Stop();
    EXPECT_EQ(store.batchSizes, (std::vector<size_t>{1, 4}));
    for (const auto& [id, r] : tally.results) {
        EXPECT_EQ(r.stored, id != "BAD") << id;
        EXPECT_EQ(r.boardsRead, id != "BAD") << id;
        if (r.stored) {
            EXPECT_EQ(r.boards[0][0].name, "Top") << id;
        }
    }
}

}  // namespace
