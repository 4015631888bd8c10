// The one writer of zindle-scores: checked submissions queue up here and a
// single thread stores whatever has gathered in one transaction, reads the
// boards once, and only then hands each request its result. Never touches HTTP.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "score_store.h"

namespace zscores {

// What a stored request answers with: the boards after its transaction
// committed. `stored` false means nothing of it was kept; `boardsRead` false
// means it was kept but the boards could not be read afterwards.
struct WriteResult {
    bool stored = false;
    bool boardsRead = false;
    std::vector<std::vector<RankedScore>> boards;  // kBoardCount boards, leaders first
};

class ScoreWriter {
public:
    // Called on the writer thread once the submission's fate is known; it
    // must only hand the result on (post it), never block.
    using Done = std::function<void(const WriteResult&)>;

    explicit ScoreWriter(ScoreStore& store);
    ~ScoreWriter();
    ScoreWriter(const ScoreWriter&) = delete;
    ScoreWriter& operator=(const ScoreWriter&) = delete;

    void Start();
    // Stores what is queued, answers it, and ends the thread. Submissions
    // after this are refused.
    void Stop();

    // Queues one submission; false (and `done` is never called) when the
    // writer is not running or its queue is full.
    bool Submit(Submission s, Done done);

private:
    struct Job {
        Submission submission;
        Done done;
    };
    void Loop();
    void WriteBatch(std::vector<Job>& jobs);

    ScoreStore& store_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Job> queue_;
    bool running_ = false;
    std::thread thread_;
};

}  // namespace zscores
