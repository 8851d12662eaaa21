#include "zip/encodepool.h"

#include <algorithm>
#include <chrono>

namespace qel::zip {
namespace {

// How often the writer's idle call runs while it waits for a packed file.
constexpr std::chrono::milliseconds kIdleInterval(20);
// Room beyond the file's size when holding its entry data: Deflate can make a file a little bigger.
constexpr std::size_t kHeldSlack = 1024;

struct TooBigToHold {};

class MemoryOutput final : public EntryOutput {
public:
    explicit MemoryOutput(std::vector<std::uint8_t>& data) : data_(data) {}
    void Data(const std::uint8_t* p, std::size_t n) override
    {
        if (data_.size() + n > kAheadLimit)
            throw TooBigToHold{};
        data_.insert(data_.end(), p, p + n);
    }

private:
    std::vector<std::uint8_t>& data_;
};

}  // namespace

int EncodePool::ThreadsFor(int requested)
{
    if (requested > 0)
        return requested;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<int>(std::min(cores, kMaxHelperThreads));
}

EncodePool::EncodePool(const std::vector<std::string>& paths, const std::vector<bool>& ahead, int level, int threads)
    : paths_(paths), ahead_(ahead), level_(level), results_(paths.size())
{
    try {
        for (int t = 0; t < threads; ++t)
            threads_.emplace_back([this] { Work(); });
    } catch (...) {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        workCv_.notify_all();
        for (auto& t : threads_)
            t.join();
        throw;
    }
}

EncodePool::~EncodePool()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    workCv_.notify_all();
    for (auto& t : threads_)
        t.join();
}

void EncodePool::Work()
{
    std::optional<EntryEncoder> encoder;
    std::unique_lock lock(mutex_);
    for (;;) {
        while (next_ < paths_.size() && !ahead_[next_])
            ++next_;
        if (stop_ || next_ >= paths_.size())
            return;
        if (next_ >= taken_ + kAheadPlaces || held_ >= kAheadBudget) {
            workCv_.wait(lock);
            continue;
        }
        std::size_t i = next_++;
        lock.unlock();
        PackedFile packed;
        try {
            if (!encoder)
                encoder.emplace(level_);
            packed = Pack(*encoder, paths_[i]);
        } catch (...) {
            packed = PackedFile{};
            packed.state = PackedFile::State::Failed;
            packed.error = std::current_exception();
        }
        lock.lock();
        held_ += packed.data.size();
        results_[i] = std::move(packed);
        doneCv_.notify_all();
    }
}

PackedFile EncodePool::Pack(EntryEncoder& encoder, const std::string& path)
{
    PackedFile packed;
    InputFile in = InputFile::Open(path);
    if (!in.IsOpen()) {
        packed.skipReason = in.Failure();
        return packed;
    }
    packed.facts = in.Facts();
    if (packed.facts.size > kAheadLimit) {
        packed.state = PackedFile::State::Deferred;
        return packed;
    }
    packed.data.reserve(static_cast<std::size_t>(packed.facts.size) + kHeldSlack);
    MemoryOutput out(packed.data);
    try {
        packed.entry = encoder.Encode(in.Get(), path, out);
    } catch (const TooBigToHold&) {
        // It grew while it was read: let the writer stream it.
        packed.data = {};
        packed.state = PackedFile::State::Deferred;
        return packed;
    }
    packed.state = PackedFile::State::Ready;
    return packed;
}

PackedFile EncodePool::Take(std::size_t i, const std::function<void()>& idle)
{
    std::unique_lock lock(mutex_);
    taken_ = i;
    workCv_.notify_all();
    while (!results_[i]) {
        if (idle) {
            if (!doneCv_.wait_for(lock, kIdleInterval, [&] { return results_[i].has_value(); })) {
                lock.unlock();
                idle();
                lock.lock();
            }
        } else {
            doneCv_.wait(lock);
        }
    }
    PackedFile packed = std::move(*results_[i]);
    results_[i].reset();
    held_ -= packed.data.size();
    workCv_.notify_all();
    return packed;
}

}  // namespace qel::zip
