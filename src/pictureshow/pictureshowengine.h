#pragma once
// The picture-show control without a window: it replaces what it shows with a new picture
// through an animated transition in one of 92 styles. A host (the Qt widget, the command-line
// tool, tests) gives it a client area, takes its invalidations and paints its Offscreen bitmap;
// it may also pace the frames (threaded or through its message loop). Without a host's pacing
// the frames of an automatic transition run at once, one after another.
//
// Owners use it in this order: set Picture; set Style; optionally Clear and let it repaint;
// Execute; on OnComplete load the next picture and repeat.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pictureshow/framestate.h"
#include "raster/bitmap.h"
#include "raster/region.h"
#include "raster/xrgb.h"

namespace qel::pictureshow {

enum class BackgroundMode { bmNone = 0, bmTiled = 1, bmStretched = 2, bmCentered = 3 };
enum class ThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// What the control needs of the window that hosts it. Rectangles and regions are in client
// coordinates; invalidation never erases the background.
class PictureShowHost {
public:
    virtual ~PictureShowHost() = default;
    virtual void InvalidateRect(const raster::Rect& r) = 0;
    virtual void InvalidateRegion(const raster::Region& r) = 0;
    // Paint what was invalidated now, before returning.
    virtual void UpdateNow() = 0;
    [[nodiscard]] virtual int ClientWidth() const = 0;
    [[nodiscard]] virtual int ClientHeight() const = 0;
    virtual void SetClientSize(int width, int height) = 0;
    // Start pacing the automatic transition (Tick ... Finish). False: the host does not pace,
    // and the control runs all frames at once.
    virtual bool Animate() { return false; }
};

// FitRect: the picture rectangle s scaled to fit box b, keeping its aspect ratio, centred in b.
[[nodiscard]] raster::Rect FitRect(const raster::Rect& s, const raster::Rect& b);

class PictureShowEngine {
public:
    explicit PictureShowEngine(PictureShowHost* host = nullptr);
    ~PictureShowEngine();
    PictureShowEngine(const PictureShowEngine&) = delete;
    PictureShowEngine& operator=(const PictureShowEngine&) = delete;

    // Every style starts from this Step and end value; PrepareStyle changes them for some styles.
    static constexpr int kDefaultStep = 4;
    static constexpr int kDefaultProgressMax = 100;
    // Progress is stored in a byte: no end value goes past this.
    static constexpr int kProgressLimit = 255;

    void SetHost(PictureShowHost* host) { host_ = host; }

    // --- properties ---------------------------------------------------------------------
    [[nodiscard]] const raster::Bitmap& Picture() const;
    void SetPicture(const raster::Bitmap& picture);  // copies; an empty bitmap clears
    // Takes a picture that nobody changes any more, without copying it (null clears).
    void SetPicture(std::shared_ptr<const raster::Bitmap> picture);
    [[nodiscard]] const raster::Bitmap& BgPicture() const { return bgPicture_; }
    void SetBgPicture(const raster::Bitmap& picture);
    [[nodiscard]] BackgroundMode BgMode() const { return bgMode_; }
    void SetBgMode(BackgroundMode mode);
    [[nodiscard]] bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    [[nodiscard]] bool Center() const { return center_; }
    void SetCenter(bool on);
    [[nodiscard]] bool Stretch() const { return stretch_; }
    void SetStretch(bool on);
    [[nodiscard]] bool StretchFine() const { return stretchFine_; }
    void SetStretchFine(bool on);
    [[nodiscard]] bool Threaded() const { return threaded_; }
    void SetThreaded(bool on) { threaded_ = on; }
    [[nodiscard]] ThreadPriority Priority() const { return priority_; }
    void SetThreadPriority(ThreadPriority p) { priority_ = p; }
    [[nodiscard]] bool Manual() const { return manual_; }
    void SetManual(bool on);
    [[nodiscard]] int Style() const { return style_; }
    void SetStyle(int style);  // 0..91; other values are ignored
    [[nodiscard]] std::string StyleName() const;
    void SetStyleName(std::string_view name);
    [[nodiscard]] int Step() const { return step_; }
    void SetStep(int step);
    [[nodiscard]] int Delay() const { return delay_; }
    void SetDelay(int ms);
    [[nodiscard]] bool Reverse() const { return reverse_; }
    void SetReverse(bool on) { reverse_ = on; }
    [[nodiscard]] raster::Color Color() const { return color_; }
    void SetColor(raster::Color c);

    [[nodiscard]] int Progress() const { return progress_; }
    void SetProgress(int value);
    [[nodiscard]] int ProgressMin() const { return progressMin_; }
    [[nodiscard]] int ProgressMax() const { return progressMax_; }
    [[nodiscard]] bool Busy() const { return busy_; }

    // --- operations ---------------------------------------------------------------------
    void Execute();
    void Clear();
    // Between transitions: the frame bitmap inside `area` (picture coordinates) becomes what
    // `drawing` draws there, for a picture that moves while it is on show, and the window shows it
    // at once. On a window surface of 32-bit pixels it is drawn straight there; the frame bitmap
    // itself is drawn only when something reads it (a transition starting, a repaint through
    // Offscreen). Nothing is drawn (false) while a transition runs, before the first one, or while
    // painting.
    struct AreaDrawing {
        std::function<void(raster::Bitmap& frame)> toFrame;
        // Inside `clip` (picture coordinates), picture pixel (0, 0) at surface pixel (dx, dy).
        std::function<void(const raster::XrgbSurface& surface, int dx, int dy, const raster::Rect& clip)> toSurface;
    };
    bool RedrawArea(const raster::Rect& area, AreaDrawing drawing);
    // The frame bitmap's bounds, without bringing in a drawing that waits for it.
    [[nodiscard]] raster::Rect FrameBounds() const { return media_.Bounds(); }

    // --- events (not raised while the control is being destroyed) --------------------------
    std::function<void()> OnChange;
    std::function<void()> OnProgress;
    std::function<void()> OnComplete;
    // (new picture, frame bitmap) at the start and at the end of every frame.
    std::function<void(const raster::Bitmap&, raster::Bitmap&)> OnBeforeNewFrame;
    std::function<void(const raster::Bitmap&, raster::Bitmap&)> OnAfterNewFrame;
    std::function<void()> OnMouseEnter;
    std::function<void()> OnMouseLeave;

    // --- state ----------------------------------------------------------------------------
    // The frame bitmap, with any drawing that waits for it drawn in.
    [[nodiscard]] const raster::Bitmap& Media() const;
    // Brings in first what PaintTo put straight on the window.
    [[nodiscard]] const raster::Bitmap& Offscreen();
    [[nodiscard]] raster::Rect PicRect() const { return picRect_; }
    // Where Media appears on the client area (PicRect, or stretched onto FitRect / the client).
    [[nodiscard]] raster::Rect Destination() const;

    // --- for the host ------------------------------------------------------------------------
    // Composes Offscreen (background, then Media) inside `clip` (client coordinates; all of it
    // when Offscreen had to change size). The host then shows Offscreen within what it repaints.
    void Paint(const raster::Region& clip);
    void Paint(const raster::Rect& clip);
    // The same for a host whose window is a surface of 32-bit pixels (client pixel (0, 0) at the
    // surface's (0, 0)): the pixels are written there, the frame bitmap's straight from it when it
    // lies on the client area unscaled, so a frame is not copied twice. Offscreen catches up
    // only when it is read or the composition is about to change under those pixels.
    void PaintTo(const raster::Region& clip, const raster::XrgbSurface& surface);
    [[nodiscard]] bool InPaint() const { return inPaint_; }
    void Resized();
    void MouseEnter();
    void MouseLeave();
    // The control is going away: no more frames, invalidations or events.
    void BeginDestroy() { destroying_ = true; }
    [[nodiscard]] bool Destroying() const { return destroying_; }

    // --- pacing --------------------------------------------------------------------------------
    enum class TickResult { Continue, End, Stopped };
    // One tick of the automatic transition: the next Progress value. Stopped when not Busy or
    // Manual (nothing done), End when the end value is reached.
    TickResult Tick();
    [[nodiscard]] bool AtEnd() const;
    // The pacing ended: completes the transition unless the owner took it over (Manual).
    void Finish();
    // Draws the frame for the current Progress again (the benchmark composes frames this way).
    void DrawFrame();

private:
    // A flag held up for a scope.
    struct Raised {
        explicit Raised(bool& f) : flag(f) { flag = true; }
        ~Raised() { flag = false; }
        Raised(const Raised&) = delete;
        Raised& operator=(const Raised&) = delete;
        bool& flag;
    };

    // What one frame invalidates, in picture coordinates.
    struct FrameInvalidation {
        std::vector<raster::Rect> rects;
        raster::Region region;
    };

    void DrawFrame(bool wholeFirst);
    void DrawWholeFrame(FrameInvalidation& told);
    void SettleBeforeFrame(const raster::Region& reveal, const std::vector<FrameDrawing>& drawings,
                           const FrameInvalidation& told);
    void Tell(const FrameInvalidation& told, const raster::Region& changed);
    [[nodiscard]] bool UnscaledOnClient() const;
    void PrepareTransition();
    void Animate();
    void StartProgress(int value);
    void ReleaseTransition();
    void RecomputePicRect();
    void SizeToPicture();
    void PrepareCurrentStyle();
    [[nodiscard]] raster::Rect ClientRect() const;
    [[nodiscard]] raster::Rect MapToClient(const raster::Rect& r) const;
    void InvalidatePicture(const raster::Rect& r);
    void InvalidatePicture(const raster::Region& r);
    void InvalidateControl();
    // Composes Offscreen inside clip (all of it when it had to change size); returns what it
    // composed, which Offscreen now holds.
    raster::Region ComposeOffscreen(raster::Region clip);
    // Where Media's pixel (0, 0) lies on the client area, when Media lies there unscaled.
    [[nodiscard]] bool UnscaledOrigin(int& x, int& y) const;
    // Offscreen made to hold, inside `area`, what PaintTo put on the window there; before anything
    // that changes the composition under it.
    void Settle(const raster::Region& area);
    void Settle();
    // Draws into the frame bitmap what RedrawArea left to be drawn there.
    void Materialize() const;
    // Before a frame rewrites `changed` (picture coordinates) and has `repainted` of it repainted.
    void SettleBefore(const raster::Region& changed, const raster::Region& repainted);

    PictureShowHost* host_;
    // The picture and the transition's new picture share their pixels: neither is ever changed.
    std::shared_ptr<const raster::Bitmap> picture_;
    raster::Bitmap bgPicture_;
    // Mutable only so that reading Media brings in a drawing that waits for it.
    mutable raster::Bitmap media_;
    raster::Bitmap offscreen_;
    // Painted on the window by PaintTo and not yet into offscreen_ (client coordinates): always
    // where Media lies unscaled, so the background does not matter there, and composing from the
    // present Media and geometry gives what the window shows.
    raster::Region stale_;
    // What the frame bitmap holds inside pendingArea_ (picture coordinates), not drawn there yet.
    mutable AreaDrawing pending_;
    raster::Rect pendingArea_;
    std::unique_ptr<raster::Bitmap> oldPic_;
    std::shared_ptr<const raster::Bitmap> newPic_;
    FrameState frameState_;
    raster::Rect picRect_;
    BackgroundMode bgMode_ = BackgroundMode::bmTiled;
    ThreadPriority priority_ = ThreadPriority::tpNormal;
    raster::Color color_ = 0;
    bool autoSize_ = true, center_ = false, stretch_ = false, stretchFine_ = false;
    bool threaded_ = true, manual_ = false, reverse_ = false;
    int style_ = 0, step_ = kDefaultStep, delay_ = 40;
    int progress_ = 0, progressMin_ = 0, progressMax_ = kDefaultProgressMax;
    bool busy_ = false;
    bool inPaint_ = false;
    bool mediaLocked_ = false;
    bool destroying_ = false;
};

}  // namespace qel::pictureshow
