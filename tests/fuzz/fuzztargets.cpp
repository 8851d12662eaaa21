#include "fuzztargets.h"

#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "hosts/xscreensaverfile.h"
#include "imaging/fitpicture.h"
#include "imaging/pictureloader.h"
#include "imaging/picturemetadata.h"
#include "mpegdll/decoder.h"
#include "settings/inifile.h"
#include "settings/resumerecord.h"
#include "settings/saversettings.h"
#include "zip/entryname.h"
#if QEL_IMAGING_QT
#include <QImageReader>

#include "imaging/qtdecoders.h"
#endif

namespace qel::fuzz {
namespace {

// Pictures are held small, so every input decodes quickly and within the fuzzer's memory; the
// size rule itself is the same code at any limit.
constexpr long long kFuzzMaxPixels = 1 << 16;
constexpr int kQtAllocationLimitMiB = 64;
// The screen a decoded picture is fitted to, as the slideshow would.
constexpr int kScreenWidth = 48;
constexpr int kScreenHeight = 32;
// Decoded sound is read in pieces of this size, up to a cap that keeps each input short.
constexpr std::size_t kPcmChunk = 16384;
constexpr std::size_t kMaxPcmBytes = 8u << 20;

void Picture(const char* extension, const std::uint8_t* data, std::size_t size)
{
#if QEL_IMAGING_QT
    static const bool qtReady = [] {
        imaging::RegisterQtPictureDecoders();
        QImageReader::setAllocationLimit(kQtAllocationLimitMiB);
        // The toolkit's decoders warn about every damaged input; millions of lines would only slow
        // the run and fill its log.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        return true;
    }();
    (void)qtReady;
#endif
    imaging::LoadOptions options;
    options.maxPixels = kFuzzMaxPixels;
    options.background = 0x00336699;
    // Every other input is read as the slideshow reads it, fitted to a screen (JPEG then decodes
    // at a reduced scale).
    const bool fit = size % 2 == 1;
    if (fit) {
        options.fitWidth = kScreenWidth;
        options.fitHeight = kScreenHeight;
    }
    // What a caption reads of the file, as the slideshow reads it beside the picture.
    (void)imaging::ReadPictureMetadata({data, size}, extension);
    try {
        const imaging::LoadedPicture picture = imaging::DecodePicture({data, size}, extension, options);
        (void)imaging::FitPicture(picture, kScreenWidth, kScreenHeight, fit, options.background);
    } catch (const imaging::PictureError&) {
    }
}

void Settings(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const settings::IniFile ini = settings::IniFile::FromText(text);
    for (auto reader :
         {settings::SettingsReader::Slideshow, settings::SettingsReader::Preview, settings::SettingsReader::Editor}) {
        const settings::SaverSettings s = settings::ReadSettings(ini, reader);
        (void)s.EnabledStyles();
        (void)s.IntervalMs();
        (void)s.StepDelayMs();
    }
    // What the editor writes, read back, is what it wrote.
    const settings::SaverSettings once = settings::ReadSettings(ini, settings::SettingsReader::Editor);
    const std::string written = settings::FormatSettings(once);
    const settings::SaverSettings again =
        settings::ReadSettings(settings::IniFile::FromText(written), settings::SettingsReader::Editor);
    if (settings::FormatSettings(again) != written)
        __builtin_trap();
    // Section "Path" as the editor writes it when it closes.
    settings::IniFile update = ini;
    update.WriteString("Path", "AppPath", text.substr(0, std::min<std::size_t>(size, 64)));
    (void)update.ToText();
}

// The decoder reads the input through its stream callbacks, as from a caller's stream.
struct Memory {
    const std::uint8_t* data;
    std::int32_t size;
    std::int32_t at = 0;
};

Memory& Of(void* ctx)
{
    return *static_cast<Memory*>(ctx);
}

void Mp3(const std::uint8_t* data, std::size_t size)
{
    Memory memory{data, static_cast<std::int32_t>(std::min<std::size_t>(size, INT32_MAX))};
    mpegdll::StreamCallbacks callbacks;
    callbacks.ctx = &memory;
    callbacks.open = [](void*, std::uint8_t* nonseekable, void** streamCtx) {
        *nonseekable = 0;
        *streamCtx = nullptr;
    };
    callbacks.close = [](void*, void*) {};
    callbacks.restart = [](void* ctx, void*, std::uint8_t* res) {
        Of(ctx).at = 0;
        *res = 1;
    };
    callbacks.read = [](void* ctx, void*, void* buffer, std::int32_t count, std::int32_t* bytesRead,
                        std::uint8_t* res) {
        Memory& m = Of(ctx);
        const std::int32_t n = std::max(0, std::min(count, m.size - m.at));
        std::memcpy(buffer, m.data + m.at, static_cast<std::size_t>(n));
        m.at += n;
        *bytesRead = n;
        *res = n > 0 ? 1 : 0;
    };
    callbacks.seek = [](void* ctx, void*, std::int32_t numBytes, std::int32_t moveMethod, std::int32_t* res) {
        Memory& m = Of(ctx);
        const std::int64_t base = moveMethod == 0 ? 0 : moveMethod == 1 ? m.at : m.size;
        const std::int64_t to = base + numBytes;
        if (moveMethod < 0 || moveMethod > 2 || to < 0 || to > m.size) {
            *res = -1;
            return;
        }
        m.at = static_cast<std::int32_t>(to);
        *res = m.at;
    };
    callbacks.getSize = [](void* ctx, void*, std::int32_t* res) { *res = Of(ctx).size; };

    mpegdll::Decoder decoder;
    if (decoder.OpenStream(callbacks) != QEL_MPEG_OK)
        return;
    unsigned char pcm[kPcmChunk];
    for (int pass = 0; pass < 2; ++pass) {
        std::size_t total = 0;
        for (;;) {
            std::size_t got = 0;
            const auto result = decoder.Read(pcm, sizeof pcm, got);
            total += got;
            if (result == mpegdll::Decoder::ReadResult::Done || result == mpegdll::Decoder::ReadResult::Error ||
                total > kMaxPcmBytes)
                break;
        }
        // Played again from the start, as a sound that repeats.
        if (decoder.Rewind() != QEL_MPEG_OK)
            break;
    }
}

void EntryName(const std::uint8_t* data, std::size_t size)
{
    const std::string path(reinterpret_cast<const char*>(data), size);
    for (bool storePaths : {false, true}) {
        const zip::EntryName name = zip::MakeEntryName(zip::EntryPathFor(path, storePaths));
        (void)zip::Cp437ToUtf8(name.bytes);
    }
}

// The user's preferences file of the screen-saver host, as the installer and uninstaller edit it.
void HostFile(const std::uint8_t* data, std::size_t size)
{
    const std::string content(reinterpret_cast<const char*>(data), size);
    static_cast<void>(hosts::ParseSaverPrograms(content));
    const std::optional<std::string> mode = hosts::ReadResource(content, "mode:");
    const std::optional<std::string> selected = hosts::ReadResource(content, "selected:");
    const hosts::SaverInstall installed =
        hosts::InstallSaverProgram(content, "Garden", "/qel-fuzz/savers/Garden/Garden.scr --root");
    const hosts::SaverRemoval removed =
        hosts::UninstallSaverProgram(installed.content, "/qel-fuzz/savers/Garden/Garden.scr --root", mode, selected);
    static_cast<void>(hosts::HoldsOnlyOurLines(removed.content));
}

// The saver's resume file, read at every start of a show a host runs.
void ResumeFile(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<settings::ResumeRecord> record = settings::ParseResumeRecord(text);
    // Only what the writer writes reads as a record, and an index is never negative.
    if (record && (record->last < 0 || settings::FormatResumeRecord(*record) != text))
        __builtin_trap();
}

const FuzzTarget kTargets[] = {
    {"picture_jpeg", [](const std::uint8_t* d, std::size_t n) { Picture("jpg", d, n); }},
    {"picture_gif", [](const std::uint8_t* d, std::size_t n) { Picture("gif", d, n); }},
    {"picture_bmp", [](const std::uint8_t* d, std::size_t n) { Picture("bmp", d, n); }},
    {"picture_heif", [](const std::uint8_t* d, std::size_t n) { Picture("heic", d, n); }},
    {"picture_avif", [](const std::uint8_t* d, std::size_t n) { Picture("avif", d, n); }},
#if QEL_IMAGING_QT
    {"picture_ico", [](const std::uint8_t* d, std::size_t n) { Picture("ico", d, n); }},
    {"picture_png", [](const std::uint8_t* d, std::size_t n) { Picture("png", d, n); }},
    {"picture_webp", [](const std::uint8_t* d, std::size_t n) { Picture("webp", d, n); }},
    {"picture_tiff", [](const std::uint8_t* d, std::size_t n) { Picture("tiff", d, n); }},
#endif
    {"settings", &Settings},
    {"mp3", &Mp3},
    {"entry_name", &EntryName},
    // The same reader as picture_avif, seeded with grids: pictures stored as many tiles.
    {"picture_avif_grid", [](const std::uint8_t* d, std::size_t n) { Picture("avif", d, n); }},
    {"host_file", &HostFile},
    {"resume_file", &ResumeFile},
};

}  // namespace

std::span<const FuzzTarget> FuzzTargets()
{
    return kTargets;
}

const FuzzTarget* FindFuzzTarget(const char* name)
{
    for (const FuzzTarget& t : kTargets)
        if (std::strcmp(t.name, name) == 0)
            return &t;
    return nullptr;
}

}  // namespace qel::fuzz
