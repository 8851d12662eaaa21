#include "pictureshow/pictureshowengine.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "pictureshow/frame.h"
#include "pictureshow/numerics.h"
#include "pictureshow/regionbuilder.h"
#include "pictureshow/styles.h"
#include "raster/copy.h"

namespace qel::pictureshow {

using raster::Bitmap;
using raster::Rect;
using raster::Region;

namespace {

// Step and Delay are stored in 16 bits.
constexpr int kWordLimit = 0xFFFF;

}  // namespace

Rect FitRect(const Rect& s, const Rect& b)
{
    const int sw = s.Width(), sh = s.Height(), bw = b.Width(), bh = b.Height();
    if (sw <= 0 || sh <= 0)
        return b;
    int w, h;
    if (static_cast<double>(bh) / sh > static_cast<double>(bw) / sw) {
        w = bw;
        h = MulDiv(sh, bw, sw);
    } else {
        w = MulDiv(sw, bh, sh);
        h = bh;
    }
    const int left = b.left + (bw - w) / 2, top = b.top + (bh - h) / 2;
    return {left, top, left + w, top + h};
}

PictureShowEngine::PictureShowEngine(PictureShowHost* host) : host_(host)
{
}

PictureShowEngine::~PictureShowEngine()
{
    destroying_ = true;
}

// --- properties -----------------------------------------------------------------------------

const Bitmap& PictureShowEngine::Picture() const
{
    static const Bitmap none;
    return picture_ ? *picture_ : none;
}

void PictureShowEngine::SetPicture(const Bitmap& picture)
{
    SetPicture(picture.IsEmpty() ? nullptr : std::make_shared<const Bitmap>(picture));
}

void PictureShowEngine::SetPicture(std::shared_ptr<const Bitmap> picture)
{
    picture_ = picture && !picture->IsEmpty() ? std::move(picture) : nullptr;
    if (destroying_)
        return;
    if (picture_ && autoSize_)
        SizeToPicture();
    if (OnChange)
        OnChange();
}

void PictureShowEngine::SetBgPicture(const Bitmap& picture)
{
    bgPicture_ = picture;
    if (bgMode_ != BackgroundMode::bmNone && !inPaint_)
        InvalidateControl();
}

void PictureShowEngine::SetBgMode(BackgroundMode mode)
{
    if (mode == bgMode_)
        return;
    bgMode_ = mode;
    if (!bgPicture_.IsEmpty() && !inPaint_)
        InvalidateControl();
}

void PictureShowEngine::SetAutoSize(bool on)
{
    if (on == autoSize_)
        return;
    autoSize_ = on;
    if (on)
        SizeToPicture();
}

void PictureShowEngine::SetCenter(bool on)
{
    if (on == center_)
        return;
    Settle();
    center_ = on;
    if (picture_)
        RecomputePicRect();
    if (!media_.IsEmpty() && !inPaint_)
        InvalidateControl();
}

void PictureShowEngine::SetStretch(bool on)
{
    if (on == stretch_)
        return;
    Settle();
    stretch_ = on;
    if (!media_.IsEmpty() && !inPaint_)
        InvalidateControl();
}

void PictureShowEngine::SetStretchFine(bool on)
{
    if (on == stretchFine_)
        return;
    Settle();
    stretchFine_ = on;
    if (!media_.IsEmpty() && !inPaint_)
        InvalidateControl();
}

void PictureShowEngine::SetManual(bool on)
{
    if (on == manual_)
        return;
    manual_ = on;
    if (!busy_)
        progress_ = reverse_ ? progressMax_ : progressMin_;
    else if (!on)
        Animate();
}

void PictureShowEngine::SetStyle(int style)
{
    if (style < 0 || style >= kStyleCount)
        return;
    style_ = style;
    step_ = kDefaultStep;
    progressMax_ = kDefaultProgressMax;
    if (!media_.IsEmpty() && !inPaint_)
        PrepareCurrentStyle();
}

void PictureShowEngine::PrepareCurrentStyle()
{
    PrepareStyle(style_, media_.Width(), media_.Height(), step_, progressMax_);
}

std::string PictureShowEngine::StyleName() const
{
    return std::string(StyleDisplayName(style_));
}

void PictureShowEngine::SetStyleName(std::string_view name)
{
    if (auto style = FindStyleByName(name))
        SetStyle(*style);
}

void PictureShowEngine::SetStep(int step)
{
    step = std::clamp(step, 0, kWordLimit);
    if (step == 0)
        step = 1;
    step_ = std::min(step, progressMax_);
}

void PictureShowEngine::SetDelay(int ms)
{
    delay_ = std::clamp(ms, 0, kWordLimit);
}

void PictureShowEngine::SetColor(raster::Color c)
{
    color_ = c & 0x00FFFFFFu;
    if (!inPaint_)
        InvalidateControl();
}

void PictureShowEngine::SetProgress(int value)
{
    if (destroying_)
        return;
    value = std::clamp(value, progressMin_, progressMax_);
    if (!busy_ || value == progress_)
        return;
    // Going back: the earlier frame had covered more than the new one will.
    const bool wholeFirst = value < progress_ && !inPaint_ && !media_.IsEmpty();
    progress_ = value;
    DrawFrame(wholeFirst);
    if (OnProgress && !destroying_)
        OnProgress();
}

// The start value is always drawn, even when Progress already holds it, so the frame bitmap
// never shows the undefined content of its fresh size.
void PictureShowEngine::StartProgress(int value)
{
    value = std::clamp(value, progressMin_, progressMax_);
    progress_ = value;
    DrawFrame(!inPaint_);
    if (OnProgress && !destroying_)
        OnProgress();
}

// --- operations -------------------------------------------------------------------------------

void PictureShowEngine::Execute()
{
    if (busy_ || !picture_ || destroying_)
        return;
    busy_ = true;
    try {
        PrepareTransition();
        if (!manual_)
            Animate();
    } catch (...) {
        ReleaseTransition();
        busy_ = false;
        throw;
    }
}

void PictureShowEngine::PrepareTransition()
{
    // The old picture is what the window shows.
    Materialize();
    Settle();
    media_.Resize(picture_->Width(), picture_->Height());
    RecomputePicRect();

    // What the screen shows where the new picture will appear, in the new picture's pixel grid.
    oldPic_ = std::make_unique<Bitmap>(media_.Width(), media_.Height());
    if (raster::StretchCopyArea(*oldPic_, oldPic_->Bounds(), offscreen_, Destination()) != oldPic_->Bounds())
        oldPic_->Fill(color_);
    raster::StretchCopy(*oldPic_, oldPic_->Bounds(), offscreen_, Destination());

    newPic_ = picture_;
    frameState_.Forget(media_.Bounds());

    // Every transition starts with the style's own Step and end value. The style is prepared
    // before the start value is set, so a reversed transition starts at the style's end value.
    SetStyle(style_);
    StartProgress(reverse_ ? progressMax_ : progressMin_);
}

void PictureShowEngine::Animate()
{
    if (host_ && host_->Animate())
        return;
    TickResult r;
    do
        r = Tick();
    while (r == TickResult::Continue);
    if (r == TickResult::End)
        Finish();
}

void PictureShowEngine::Clear()
{
    if (busy_ || media_.IsEmpty() || mediaLocked_)
        return;
    Settle();
    pending_ = {};
    media_ = Bitmap();
    if (!inPaint_)
        InvalidateControl();
}

void PictureShowEngine::ReleaseTransition()
{
    oldPic_.reset();
    newPic_.reset();
}

// --- pacing -------------------------------------------------------------------------------------

bool PictureShowEngine::AtEnd() const
{
    return reverse_ ? progress_ == progressMin_ : progress_ == progressMax_;
}

PictureShowEngine::TickResult PictureShowEngine::Tick()
{
    if (!busy_ || manual_ || destroying_)
        return TickResult::Stopped;
    int next;
    if (!reverse_)
        next = progress_ + step_ <= progressMax_ ? progress_ + step_ : progressMax_;
    else
        next = progress_ - step_ >= progressMin_ ? progress_ - step_ : progressMin_;
    try {
        SetProgress(next);
    } catch (const std::exception&) {
        // A frame that cannot be drawn (out of memory) ends the transition; the control is idle.
        ReleaseTransition();
        busy_ = false;
        return TickResult::Stopped;
    }
    return AtEnd() ? TickResult::End : TickResult::Continue;
}

void PictureShowEngine::Finish()
{
    if (manual_ || !busy_)
        return;
    busy_ = false;
    ReleaseTransition();
    if (OnComplete && !destroying_)
        OnComplete();
}

// --- geometry and invalidation ---------------------------------------------------------------------

Rect PictureShowEngine::ClientRect() const
{
    return host_ ? Rect{0, 0, host_->ClientWidth(), host_->ClientHeight()} : media_.Bounds();
}

void PictureShowEngine::RecomputePicRect()
{
    if (media_.IsEmpty())
        return;
    picRect_ = media_.Bounds();
    if (center_) {
        const Rect c = ClientRect();
        // The frame bitmap's own size, which is the picture's during a transition, keeps the
        // shown picture centred even when Picture already holds the next one.
        picRect_ = picRect_.Offset((c.Width() - media_.Width()) / 2, (c.Height() - media_.Height()) / 2);
    }
}

Rect PictureShowEngine::Destination() const
{
    if (!stretch_)
        return picRect_;
    return stretchFine_ ? FitRect(picRect_, ClientRect()) : ClientRect();
}

Rect PictureShowEngine::MapToClient(const Rect& r) const
{
    if (stretch_) {
        const Rect t = Destination();
        const int pw = std::max(picRect_.Width(), 1), ph = std::max(picRect_.Height(), 1);
        return {t.left + MulDiv(r.left, t.Width(), pw), t.top + MulDiv(r.top, t.Height(), ph),
                t.left + MulDiv(r.right, t.Width(), pw), t.top + MulDiv(r.bottom, t.Height(), ph)};
    }
    Rect m = center_ ? r.Offset(picRect_.left, picRect_.top) : r;
    return m.Intersect(picRect_);
}

void PictureShowEngine::InvalidatePicture(const Rect& r)
{
    if (destroying_ || inPaint_ || !host_)
        return;
    Rect m = MapToClient(r);
    if (!m.IsEmpty())
        host_->InvalidateRect(m);
}

void PictureShowEngine::InvalidatePicture(const Region& r)
{
    if (destroying_ || inPaint_ || !host_ || r.IsEmpty())
        return;
    if (stretch_) {
        RegionBuilder b(ClientRect());
        for (const Rect& box : r.Rects())
            b.AddRect(MapToClient(box));
        host_->InvalidateRegion(b.Take());
        return;
    }
    Region m = r;
    if (center_)
        m.Offset(picRect_.left, picRect_.top);
    m.Combine(Region::FromRect(picRect_), raster::CombineMode::And);
    if (!m.IsEmpty())
        host_->InvalidateRegion(m);
}

void PictureShowEngine::InvalidateControl()
{
    frameState_.ForgetWindow();
    if (destroying_ || !host_)
        return;
    host_->InvalidateRect(ClientRect());
}

void PictureShowEngine::SizeToPicture()
{
    if (picture_ && host_)
        host_->SetClientSize(picture_->Width(), picture_->Height());
}

void PictureShowEngine::Resized()
{
    if (!picture_)
        return;
    Settle();
    RecomputePicRect();
    if (!media_.IsEmpty() && !inPaint_)
        InvalidateControl();
}

void PictureShowEngine::MouseEnter()
{
    if (OnMouseEnter && !destroying_)
        OnMouseEnter();
}

void PictureShowEngine::MouseLeave()
{
    if (OnMouseLeave && !destroying_)
        OnMouseLeave();
}

// --- painting ----------------------------------------------------------------------------------------

void PictureShowEngine::Paint(const Rect& clip)
{
    Paint(Region::FromRect(clip));
}

void PictureShowEngine::Paint(const Region& clip)
{
    if (inPaint_)
        return;
    const Raised painting(inPaint_);
    stale_.Combine(ComposeOffscreen(clip), raster::CombineMode::Diff);
}

void PictureShowEngine::PaintTo(const Region& clipIn, const raster::XrgbSurface& surface)
{
    if (inPaint_)
        return;
    const Raised painting(inPaint_);

    const Rect client = ClientRect();
    Region clip = clipIn;
    if (offscreen_.Width() != client.Width() || offscreen_.Height() != client.Height()) {
        // Offscreen is composed anew where the window is not painted straight.
        offscreen_.Resize(client.Width(), client.Height());
        stale_ = Region();
        clip = Region::FromRect(client);
    } else {
        clip.Combine(Region::FromRect(client), raster::CombineMode::And);
    }
    const Region reach = Region::FromRect(surface.bounds.Intersect(client));
    Region direct;
    int x = 0, y = 0;
    if (UnscaledOrigin(x, y)) {
        direct = Region::Combined(clip, reach, raster::CombineMode::And);
        direct.Combine(Region::FromRect(x, y, x + media_.Width(), y + media_.Height()), raster::CombineMode::And);
    }
    // The rest (the background, a scaled picture, what lies off the surface) goes through Offscreen.
    const Region composed = ComposeOffscreen(Region::Combined(clip, direct, raster::CombineMode::Diff));
    stale_.Combine(composed, raster::CombineMode::Diff);
    raster::ToXrgb32(surface, 0, 0, offscreen_, Region::Combined(composed, reach, raster::CombineMode::And));
    // A drawing that waits for the frame bitmap is drawn straight onto the window; the frame bitmap
    // gets it when something reads it there.
    Region fromMedia = direct;
    if (pending_.toSurface && !direct.IsEmpty()) {
        const Region drawn =
            Region::Combined(direct, Region::FromRect(pendingArea_.Offset(x, y)), raster::CombineMode::And);
        for (const Rect& r : drawn.Rects())
            pending_.toSurface(surface, x, y, r.Offset(-x, -y));
        fromMedia.Combine(drawn, raster::CombineMode::Diff);
    }
    raster::ToXrgb32(surface, x, y, media_, fromMedia);
    stale_.Combine(direct, raster::CombineMode::Or);
}

const Bitmap& PictureShowEngine::Offscreen()
{
    Settle();
    return offscreen_;
}

bool PictureShowEngine::UnscaledOrigin(int& x, int& y) const
{
    if (media_.IsEmpty() || !UnscaledOnClient())
        return false;
    const Rect at = stretch_ ? Destination() : picRect_;
    x = at.left;
    y = at.top;
    return true;
}

void PictureShowEngine::Settle(const Region& area)
{
    if (stale_.IsEmpty() || inPaint_)
        return;
    const Region due = Region::Combined(stale_, area, raster::CombineMode::And);
    if (due.IsEmpty())
        return;
    const Raised painting(inPaint_);
    stale_.Combine(ComposeOffscreen(due), raster::CombineMode::Diff);
}

void PictureShowEngine::Settle()
{
    Settle(stale_);
}

void PictureShowEngine::SettleBefore(const Region& changed, const Region& repainted)
{
    if (stale_.IsEmpty())
        return;
    int x = 0, y = 0;
    if (!UnscaledOrigin(x, y)) {
        Settle();
        return;
    }
    // What the frame repaints shows the new pixels at once; the rest of what it rewrites keeps on
    // the window what the earlier frames put there, which Offscreen must keep as well.
    Region kept = Region::Combined(changed, repainted, raster::CombineMode::Diff);
    kept.Offset(x, y);
    Settle(kept);
}

Region PictureShowEngine::ComposeOffscreen(Region clip)
{
    const Rect client = ClientRect();
    if (pending_.toFrame && (offscreen_.Width() != client.Width() || offscreen_.Height() != client.Height() ||
                             !clip.Bounds().Intersect(MapToClient(pendingArea_)).IsEmpty()))
        Materialize();
    if (offscreen_.Width() != client.Width() || offscreen_.Height() != client.Height()) {
        offscreen_.Resize(client.Width(), client.Height());
        clip = Region::FromRect(client);
    } else if (clip.Bounds().Intersect(client) != clip.Bounds()) {
        clip.Combine(Region::FromRect(client), raster::CombineMode::And);
    }
    if (clip.IsEmpty())
        return clip;
    // The picture covers all of its destination: the background is drawn only around it.
    Region around = clip;
    if (!media_.IsEmpty())
        around.Combine(Region::FromRect(Destination().Intersect(client)), raster::CombineMode::Diff);
    for (const Rect& box : around.Rects())
        offscreen_.Fill(box, color_);
    if (!bgPicture_.IsEmpty() && !around.IsEmpty()) {
        const int iw = bgPicture_.Width(), ih = bgPicture_.Height();
        switch (bgMode_) {
        case BackgroundMode::bmTiled: {
            // One extra row and column, so the right and bottom edges are covered.
            const int columns = client.Width() / iw, rows = client.Height() / ih;
            for (int i = 0; i <= rows; ++i)
                for (int j = 0; j <= columns; ++j)
                    raster::CopyClipped(offscreen_, client.left + iw * j, client.top + ih * i, bgPicture_, around);
            break;
        }
        case BackgroundMode::bmStretched:
            raster::StretchCopyClipped(offscreen_, client, bgPicture_, bgPicture_.Bounds(), around);
            break;
        case BackgroundMode::bmCentered:
            raster::CopyClipped(offscreen_, (client.Width() - iw) / 2, (client.Height() - ih) / 2, bgPicture_, around);
            break;
        case BackgroundMode::bmNone: break;
        }
    }
    if (!media_.IsEmpty()) {
        if (!stretch_)
            raster::CopyClipped(offscreen_, picRect_.left, picRect_.top, media_, clip);
        else
            raster::StretchCopyClipped(offscreen_, Destination(), media_, media_.Bounds(), clip);
    }
    return clip;
}

}  // namespace qel::pictureshow
