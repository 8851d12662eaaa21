#pragma once
// Packs files ahead of the writer on helper threads, so that several cores compress while the writing
// thread puts finished entries into the archive in list order. Each file is packed by the same code
// as on the writing thread, so the archive's bytes do not depend on the number of threads. Only files
// up to kAheadLimit are held in memory; bigger ones are handed back to be streamed by the writer.

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "zip/entryencoder.h"

namespace qel::zip {

inline constexpr std::size_t kAheadLimit = 16u << 20;   // largest file held in memory
inline constexpr std::size_t kAheadBudget = 32u << 20;  // packed bytes waiting for the writer
inline constexpr std::size_t kAheadPlaces = 256;        // list places packed ahead at most
inline constexpr unsigned kMaxHelperThreads = 4;        // when the number is left to the pool

struct PackedFile {
    enum class State {
        Skipped,   // names no file any more, or cannot be opened
        Deferred,  // too big to hold: the writer streams it itself
        Ready,     // facts, entry and data are set
        Failed,    // error holds what went wrong
    };
    State state = State::Skipped;
    std::string skipReason;  // why it was skipped
    FileFacts facts;
    EncodedEntry entry;
    std::vector<std::uint8_t> data;
    std::exception_ptr error;
};

class EncodePool {
public:
    // The helper threads to use when requested is 0: one per core, at most kMaxHelperThreads.
    static int ThreadsFor(int requested);

    // Packs paths[i] for every i with ahead[i], in list order, while fewer than kAheadBudget packed
    // bytes wait for the writer (a long file does not hold up the helpers working past it).
    EncodePool(const std::vector<std::string>& paths, const std::vector<bool>& ahead, int level, int threads);
    ~EncodePool();
    EncodePool(const EncodePool&) = delete;
    EncodePool& operator=(const EncodePool&) = delete;

    // The packed file for place i (ahead[i] must hold; i increases from call to call). While waiting,
    // calls idle every few milliseconds when set.
    PackedFile Take(std::size_t i, const std::function<void()>& idle);

private:
    void Work();
    PackedFile Pack(EntryEncoder& encoder, const std::string& path);

    const std::vector<std::string>& paths_;
    const std::vector<bool>& ahead_;
    int level_;

    std::mutex mutex_;
    std::condition_variable workCv_;
    std::condition_variable doneCv_;
    std::vector<std::optional<PackedFile>> results_;
    std::size_t next_ = 0;   // next place to hand to a helper
    std::size_t taken_ = 0;  // place the writer waits for
    std::size_t held_ = 0;   // bytes of packed files not yet taken
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace qel::zip
