// JPEG pictures through libjpeg-turbo. libjpeg reports fatal errors through a callback that must
// not return: ours jumps back with longjmp, so a damaged file becomes a PictureError instead of
// ending the process. Between setjmp and any longjmp only C frames and objects created before the
// setjmp live, so no destructor is skipped.

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "imaging/decoders.h"
#include "imaging/fitpicture.h"
#include "imaging/orientation.h"

namespace qel::imaging {
namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool allRowsRead;  // only the end marker is left to read
};

[[noreturn]] void OnError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings that mean the picture would come out damaged (missing or corrupt compressed data) are
// errors here; harmless ones (stray bytes between segments, odd colour profiles) are ignored.
void OnMessage(j_common_ptr cinfo, int level)
{
    if (level != -1)
        return;
    switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
        // A file that lacks only its end marker still holds every pixel.
        if (reinterpret_cast<ErrorManager*>(cinfo->err)->allRowsRead)
            break;
        OnError(cinfo);
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_HUFF_BAD_CODE: OnError(cinfo);
    default: break;
    }
}

// A progressive file can hold any number of scans; past this many it is an attack, not a photo.
void OnProgress(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > 500) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "too many progressive scans");
        std::longjmp(err->jump, 1);
    }
}

struct Decompressor {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    jpeg_progress_mgr progress{};
    bool created = false;
    ~Decompressor()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

// The smallest DCT scale 1/8, 1/4 or 1/2 that keeps the decoded picture at least minW x minH, so the
// resampler still reduces afterwards. Only used when the picture is at least twice the target both
// ways; nearer sizes decode in full. The other eighths cost as much (libjpeg-turbo has vector code
// for these three only) and keep fewer pixels for the Lanczos filter, which shows in the result.
unsigned ReducedScale(unsigned w, unsigned h, int minW, int minH)
{
    if (minW <= 0 || minH <= 0 || w < 2u * static_cast<unsigned>(minW) || h < 2u * static_cast<unsigned>(minH))
        return 8;
    for (unsigned n = 1; n < 8; n *= 2) {
        const unsigned long long sw = (static_cast<unsigned long long>(w) * n + 7) / 8;
        const unsigned long long sh = (static_cast<unsigned long long>(h) * n + 7) / 8;
        if (sw >= static_cast<unsigned>(minW) && sh >= static_cast<unsigned>(minH))
            return n;
    }
    return 8;
}

// Tells the observer of the rows that decoding has ended, on every way out of the decoder (a longjmp
// included), before the bitmap the rows live in is freed. Volatile: set after the setjmp.
struct ObserverEnd {
    DecodeObserver* volatile observer = nullptr;  // once told that decoding started
    volatile bool complete = false;
    ObserverEnd() = default;
    ObserverEnd(const ObserverEnd&) = delete;
    ObserverEnd& operator=(const ObserverEnd&) = delete;
    ~ObserverEnd()
    {
        if (observer != nullptr)
            observer->Ended(complete);
    }
};

// Rows are reported to the observer in groups of at least this many: each report may wake a thread.
constexpr unsigned kRowsPerReport = 32;

void CmykToBgr(const std::uint8_t* cmyk, std::uint8_t* bgr, unsigned width, bool inverted)
{
    for (unsigned x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        // Adobe's files store the inks inverted, others plainly.
        const unsigned c = inverted ? cmyk[0] : 255u - cmyk[0];
        const unsigned m = inverted ? cmyk[1] : 255u - cmyk[1];
        const unsigned y = inverted ? cmyk[2] : 255u - cmyk[2];
        const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
        bgr[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
        bgr[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        bgr[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    }
}

}  // namespace

LoadedPicture DecodeJpeg(std::span<const std::uint8_t> data, const LoadOptions& options)
{
    Decompressor d;
    raster::Bitmap bitmap;
    std::vector<std::uint8_t> cmykRow;
    std::string failure;
    volatile int orientation = 1;  // volatile: kept across the longjmp
    volatile unsigned fullW = 0, fullH = 0;
    ObserverEnd observed;  // after the bitmap: tells the end before the rows are freed

    d.cinfo.err = jpeg_std_error(&d.err.pub);
    d.err.pub.error_exit = &OnError;
    d.err.pub.emit_message = &OnMessage;
    if (setjmp(d.err.jump)) {
        failure = d.err.message;
    } else {
        jpeg_create_decompress(&d.cinfo);
        d.created = true;
        d.progress.progress_monitor = &OnProgress;
        d.cinfo.progress = &d.progress;
        jpeg_mem_src(&d.cinfo, data.data(), static_cast<unsigned long>(data.size()));
        jpeg_save_markers(&d.cinfo, JPEG_APP0 + 1, 0xFFFF);
        jpeg_read_header(&d.cinfo, TRUE);

        for (jpeg_saved_marker_ptr m = d.cinfo.marker_list; m != nullptr; m = m->next) {
            if (m->marker == JPEG_APP0 + 1) {
                const int o = ExifOrientation({m->data, m->data_length});
                if (o != 1) {
                    orientation = o;
                    break;
                }
            }
        }
        fullW = d.cinfo.image_width;
        fullH = d.cinfo.image_height;
        CheckPictureSize(fullW, fullH, options.maxPixels);  // throws PictureError: no libjpeg frame is skipped

        if (options.fitWidth > 0 && options.fitHeight > 0) {
            const bool swap = SwapsAxes(orientation);
            const FitSize fit = FitToArea(static_cast<int>(swap ? fullH : fullW),
                                          static_cast<int>(swap ? fullW : fullH), options.fitWidth, options.fitHeight);
            d.cinfo.scale_num =
                ReducedScale(fullW, fullH, swap ? fit.height : fit.width, swap ? fit.width : fit.height);
            d.cinfo.scale_denom = 8;
        }
        d.cinfo.dct_method = JDCT_ISLOW;
        const bool cmyk = d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK;
        d.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
        jpeg_start_decompress(&d.cinfo);

        const unsigned w = d.cinfo.output_width, h = d.cinfo.output_height;
        bitmap.Resize(static_cast<int>(w), static_cast<int>(h));
        if (cmyk)
            cmykRow.resize(static_cast<size_t>(w) * 4);
        // Rows decoded upright can be used while the rest are still being decoded.
        if (options.observer != nullptr && orientation == 1) {
            options.observer->Started(bitmap.Scanline(0), static_cast<std::size_t>(bitmap.Stride()),
                                      static_cast<int>(w), static_cast<int>(h), static_cast<int>(fullW),
                                      static_cast<int>(fullH));
            observed.observer = options.observer;
        }
        unsigned reported = 0;
        while (d.cinfo.output_scanline < h) {
            if (cmyk) {
                JSAMPROW row = cmykRow.data();
                const unsigned y = d.cinfo.output_scanline;
                jpeg_read_scanlines(&d.cinfo, &row, 1);
                CmykToBgr(cmykRow.data(), bitmap.Scanline(static_cast<int>(y)), w, d.cinfo.saw_Adobe_marker);
            } else {
                JSAMPROW rows[16];
                const unsigned y = d.cinfo.output_scanline;
                unsigned n = 0;
                for (; n < 16 && y + n < h; ++n)
                    rows[n] = bitmap.Scanline(static_cast<int>(y + n));
                jpeg_read_scanlines(&d.cinfo, rows, n);
            }
            const unsigned done = d.cinfo.output_scanline;
            if (observed.observer != nullptr && (done - reported >= kRowsPerReport || done == h)) {
                observed.observer->RowsDone(static_cast<int>(done));
                reported = done;
            }
        }
        d.err.allRowsRead = true;
        jpeg_finish_decompress(&d.cinfo);
        observed.complete = true;
    }
    if (!failure.empty())
        throw PictureError("not a readable JPEG picture: " + failure);

    LoadedPicture picture;
    const bool swap = SwapsAxes(orientation);
    picture.width = static_cast<int>(swap ? fullH : fullW);
    picture.height = static_cast<int>(swap ? fullW : fullH);
    picture.bitmap = orientation == 1 ? std::move(bitmap) : ApplyOrientation(bitmap, orientation);
    return picture;
}

}  // namespace qel::imaging
