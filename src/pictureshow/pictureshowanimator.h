#pragma once
// Paces an automatic transition of a PictureShowEngine, in one of two ways:
//   - threaded: a worker thread only measures time and sleeps; every tick (the next Progress
//     value and its frame) runs on the GUI thread through a blocking queued call, and the end
//     (Finish) is handled on the GUI thread as well;
//   - message loop: the ticks run on the calling GUI thread, which lets pending events through
//     between frames until Delay has passed.
// At most one frame per Delay milliseconds; a tick that took longer is followed at once by the
// next one (no catching up, no skipping).

#include <memory>

#include <QObject>

#include "pictureshow/pictureshowengine.h"

namespace qel::pictureshow {

class AnimateThread;

class PictureShowAnimator : public QObject {
public:
    explicit PictureShowAnimator(PictureShowEngine& engine, QObject* parent = nullptr);
    ~PictureShowAnimator() override;

    // Starts pacing as the engine's Threaded property says. Threaded: returns at once.
    // Message loop: returns when the transition ended or was handed to the owner (Manual).
    void Animate();
    // A worker thread is running.
    [[nodiscard]] bool Running() const { return thread_ != nullptr; }
    // Tells the worker to stop and serves its pending tick calls until it has ended and its end
    // was handled. For destruction: call after the engine's BeginDestroy().
    void StopAndWait();

private:
    void RunLoop();
    void ThreadEnded(AnimateThread* thread);

    PictureShowEngine& engine_;
    AnimateThread* thread_ = nullptr;
    // Cleared on destruction, so a message loop running further up the stack stops at once.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace qel::pictureshow
