// The SQLite score store: each player's best (never lowered) and newest per
// board, the leaders' order with ties going to whoever got there first, the
// data surviving a close and reopen, and a foreign schema refused.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "server_test_support.h"
#include "sqlite_store.h"

namespace {

zscores::Submission Sub(const std::string& id, const std::string& name, std::vector<zscores::BoardScore> boards) {
    zscores::Submission s;
    s.userId = id;
    s.name = name;
    s.game = 559;
    s.boards = std::move(boards);
    return s;
}

class ServerStore : public servertest::StoreTest {
protected:
    std::vector<zscores::RankedScore> Top(int board, int count = 5) {
        std::vector<zscores::RankedScore> out;
        EXPECT_TRUE(store_.Top(559, board, count, out));
        return out;
    }
};

TEST_F(ServerStore, BestRisesNewestFollowsPerUserPerBoard) {
    // Each step: what the player sends, then what the store holds for
    // boards 1 and 2 (best, newest); 0/0 means no entry.
    struct Step {
        int best1, newest1, best2, newest2;
        int held1[2], held2[2];
    };
    const Step steps[] = {
        {1234, 1, 0, 0, {1234, 1}, {0, 0}},        // first game: board 2 never played
        {1234, 800, 50, 1, {1234, 800}, {50, 1}},  // newest follows, best stays
        {900, 900, 60, 60, {1234, 900}, {60, 60}},  // a save cleared at home never lowers the best
        {2000, 900, 60, 2, {2000, 900}, {60, 2}},
    };
    std::int64_t now = 1000;
    for (const Step& st : steps) {
        ASSERT_TRUE(store_.Record(Sub("ABC", "Alice       ", {{1, st.best1, st.newest1}, {2, st.best2, st.newest2}, {3, 0, 0}}),
                                  ++now));
        const int held[2][2] = {{st.held1[0], st.held1[1]}, {st.held2[0], st.held2[1]}};
        for (int b = 0; b < 2; ++b) {
            zscores::StoredScore s;
            const bool found = store_.Find(559, "ABC", b + 1, s);
            EXPECT_EQ(found, held[b][0] > 0) << "board " << b + 1 << " at " << now;
            if (!found) continue;
            EXPECT_EQ(s.best, held[b][0]);
            EXPECT_EQ(s.newest, held[b][1]);
            EXPECT_EQ(s.updated, now);
        }
    }
    zscores::StoredScore s;
    EXPECT_FALSE(store_.Find(559, "ABC", 3, s));
    EXPECT_FALSE(store_.Find(559, "XYZ", 1, s));
    EXPECT_FALSE(store_.Find(558, "ABC", 1, s));
    // The best's time is when it was reached, not when it was last resent.
    ASSERT_TRUE(store_.Find(559, "ABC", 1, s));
    EXPECT_EQ(s.bestTime, 1004);
    ASSERT_TRUE(store_.Find(559, "ABC", 2, s));
    EXPECT_EQ(s.bestTime, 1003);
}

TEST_F(ServerStore, TopFiveOrderTiesAndOneRowPerPlayer) {
    struct Entry {
        const char* id;
        const char* name;
        int best;
    };
    // Sent in this order; D and B tie at 500 and D got there first, E
    // reaches 500 later by raising an older 100.
    const Entry sent[] = {{"A", "Ann", 300}, {"D", "Dan", 500}, {"B", "Bea", 500}, {"C", "Cid", 900},
                          {"E", "Eve", 100}, {"F", "Fay", 200}, {"G", "Gus", 50},  {"E", "Eve", 500},
                          {"A", "Ann", 250}};
    std::int64_t now = 0;
    for (const Entry& e : sent) ASSERT_TRUE(store_.Record(Sub(e.id, e.name, {{1, e.best, e.best}}), ++now));
    const std::vector<zscores::RankedScore> top = Top(1);
    const std::vector<std::pair<std::string, int>> expected = {
        {"Cid", 900}, {"Dan", 500}, {"Bea", 500}, {"Eve", 500}, {"Ann", 300}};
    ASSERT_EQ(top.size(), expected.size());
    for (size_t i = 0; i < top.size(); ++i) {
        EXPECT_EQ(top[i].name, expected[i].first) << i;
        EXPECT_EQ(top[i].best, expected[i].second) << i;
    }
    EXPECT_EQ(Top(1, 2).size(), 2u);
    EXPECT_TRUE(Top(2).empty());

    // The same tie with everything sent at one instant still follows the
    // order of arrival.
    ASSERT_TRUE(store_.Record(Sub("Q", "Que", {{2, 70, 70}}), 5000));
    ASSERT_TRUE(store_.Record(Sub("P", "Pam", {{2, 70, 70}}), 5000));
    const std::vector<zscores::RankedScore> second = Top(2);
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(second[0].name, "Que");
    EXPECT_EQ(second[1].name, "Pam");
}

TEST_F(ServerStore, NameFollowsThePlayerEverywhere) {
    ASSERT_TRUE(store_.Record(Sub("A", "Old         ", {{1, 10, 10}, {2, 20, 20}}), 1));
    ASSERT_TRUE(store_.Record(Sub("A", "New         ", {{1, 0, 0}}), 2));
    EXPECT_EQ(Top(1)[0].name, "New         ");
    EXPECT_EQ(Top(2)[0].name, "New         ");
    EXPECT_EQ(Top(1)[0].best, 10);
}

TEST_F(ServerStore, ReopenKeepsEverythingInWalMode) {
    ASSERT_TRUE(store_.Record(Sub("A", "Ann", {{1, 10, 4}, {3, 30, 30}}), 7));
    store_.Close();
    zscores::StoredScore s;
    EXPECT_FALSE(store_.Find(559, "A", 1, s));  // a closed store answers nothing

    std::string error;
    ASSERT_TRUE(store_.Open(path_, error)) << error;
    ASSERT_TRUE(store_.Find(559, "A", 1, s));
    EXPECT_EQ(s.best, 10);
    EXPECT_EQ(s.newest, 4);
    ASSERT_TRUE(store_.Find(559, "A", 3, s));
    EXPECT_EQ(s.best, 30);

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &stmt, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "wal");
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

TEST_F(ServerStore, ForeignDatabasesAreRefused) {
    store_.Close();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version=7", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    std::string error;
    EXPECT_FALSE(store_.Open(path_, error));
    EXPECT_NE(error.find("schema version 7"), std::string::npos) << error;

    const std::string text = dir_ + "/scores.db";
    FILE* f = std::fopen(text.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("this is not a database, just some text that is long enough to have a header", f);
    std::fclose(f);
    EXPECT_FALSE(store_.Open(text, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(store_.Record(Sub("A", "Ann", {{1, 1, 1}}), 1));
}

}  // namespace
