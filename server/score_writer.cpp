// Group commit for zindle-scores. A request's result is handed out only after
// the transaction holding it has committed, so an answer never tells of a
// score that a crash could still take back. A batch that fails is retried one
// submission at a time, so one bad write never costs the others theirs.

#include "score_writer.h"

#include <ctime>
#include <map>
#include <utility>

#include "scores_limits.h"

namespace zscores {

ScoreWriter::ScoreWriter(ScoreStore& store) : store_(store) {}

ScoreWriter::~ScoreWriter() { Stop(); }

void ScoreWriter::Start() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (running_ || thread_.joinable()) return;
    running_ = true;
    thread_ = std::thread([this] { Loop(); });
}

void ScoreWriter::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = false;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool ScoreWriter::Submit(Submission s, Done done) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!running_ || queue_.size() >= kWriteQueueMax) return false;
        queue_.push_back(Job{std::move(s), std::move(done)});
    }
    wake_.notify_one();
    return true;
}

void ScoreWriter::Loop() {
    std::vector<Job> jobs;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return !queue_.empty() || !running_; });
            if (queue_.empty()) return;  // stopped, and everything queued is answered
            const size_t take = queue_.size() < kWriteBatchMax ? queue_.size() : kWriteBatchMax;
            jobs.assign(std::make_move_iterator(queue_.begin()), std::make_move_iterator(queue_.begin() + take));
            queue_.erase(queue_.begin(), queue_.begin() + take);
        }
        WriteBatch(jobs);
        jobs.clear();
    }
}

void ScoreWriter::WriteBatch(std::vector<Job>& jobs) {
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    std::vector<Submission> batch;
    batch.reserve(jobs.size());
    for (Job& j : jobs) batch.push_back(std::move(j.submission));
    std::vector<bool> stored(batch.size(), true);
    if (!store_.RecordAll(batch, now))
        for (size_t i = 0; i < batch.size(); ++i) stored[i] = batch.size() > 1 && store_.Record(batch[i], now);

    // The boards once per game for the whole batch, read after its commit.
    std::map<int, WriteResult> results;
    for (size_t i = 0; i < batch.size(); ++i) {
        if (!stored[i] || results.count(batch[i].game)) continue;
        WriteResult& r = results[batch[i].game];
        r.stored = true;
        r.boardsRead = true;
        r.boards.resize(static_cast<size_t>(kBoardCount));
        for (int b = 0; b < kBoardCount && r.boardsRead; ++b)
            r.boardsRead = store_.Top(batch[i].game, b + 1, kTopCount, r.boards[static_cast<size_t>(b)]);
    }
    const WriteResult notStored;
    for (size_t i = 0; i < jobs.size(); ++i) {
        if (!jobs[i].done) continue;
        jobs[i].done(stored[i] ? results[batch[i].game] : notStored);
    }
}

}  // namespace zscores
