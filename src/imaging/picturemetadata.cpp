#include "imaging/picturemetadata.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "base/text.h"
#include "imaging/pngchunks.h"
#include "platform/regularfile.h"

namespace qel::imaging {
namespace {

using Bytes = std::span<const std::uint8_t>;

// --- texts ------------------------------------------------------------------------------------------

bool StartsWith(Bytes bytes, std::string_view prefix)
{
    return bytes.size() >= prefix.size() && std::memcmp(bytes.data(), prefix.data(), prefix.size()) == 0;
}

std::string_view AsText(Bytes bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::string Latin1ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        base::AppendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

// The code point of a character reference's digits ("#38", "#x26"); 0 when it is none we keep.
std::uint32_t CharacterReference(std::string_view ref)
{
    const bool hex = ref.size() > 1 && (ref[1] == 'x' || ref[1] == 'X');
    const std::size_t from = hex ? 2 : 1;
    if (ref.size() <= from || ref.size() - from > 8)
        return 0;
    std::uint32_t cp = 0;
    for (std::size_t i = from; i < ref.size(); ++i) {
        const char c = ref[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return 0;
        cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
    }
    return cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) ? 0 : cp;
}

// XML text with its entities and character references resolved; an unknown one stays as written.
std::string XmlText(std::string_view text)
{
    static const std::array<std::pair<std::string_view, char>, 5> kEntities = {
        {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}}};
    constexpr std::size_t kLongestReference = 10;
    std::string out;
    for (std::size_t at = 0; at < text.size(); ++at) {
        // Looked for near the "&" only, so a text full of them takes no longer than any other.
        const std::size_t semi =
            text[at] == '&' ? text.substr(at, kLongestReference + 1).find(';') : std::string_view::npos;
        if (semi == std::string_view::npos) {
            out += text[at];
            continue;
        }
        const std::string_view name = text.substr(at + 1, semi - 1);
        bool known = false;
        for (const auto& [entity, c] : kEntities)
            if (name == entity) {
                out += c;
                known = true;
            }
        if (!known && !name.empty() && name[0] == '#') {
            if (const std::uint32_t cp = CharacterReference(name)) {
                base::AppendUtf8(out, cp);
                known = true;
            }
        }
        if (known)
            at += semi;
        else
            out += text[at];
    }
    return out;
}

// Texts that cameras write into every photo's description, meaning nothing.
bool IsStockDescription(std::string_view text)
{
    static const std::array<std::string_view, 7> kStock = {"OLYMPUS DIGITAL CAMERA", "SONY DSC",
                                                           "DIGITAL CAMERA",         "KODAK Digital Still Camera",
                                                           "MINOLTA DIGITAL CAMERA", "SAMSUNG DIGITAL CAMERA",
                                                           "LEICA DIGITAL CAMERA"};
    for (std::string_view stock : kStock)
        if (base::SameText(text, stock))
            return true;
    return false;
}

// --- JPEG ----------------------------------------------------------------------------------------------

constexpr std::uint8_t kMarkerStart = 0xFF;
constexpr std::uint8_t kStartOfImage = 0xD8;
constexpr std::uint8_t kEndOfImage = 0xD9;
constexpr std::uint8_t kStartOfScan = 0xDA;
constexpr std::uint8_t kApp1 = 0xE1;
constexpr std::string_view kXmpSignature{"http://ns.adobe.com/xap/1.0/\0", 29};

struct Found {
    ExifFields exif;
    std::string xmpDescription;
    std::string pngDescription;
};

void ReadJpeg(Bytes data, Found& found)
{
    if (data.size() < 2 || data[0] != kMarkerStart || data[1] != kStartOfImage)
        return;
    bool exifRead = false;
    std::size_t at = 2;
    while (at + 1 < data.size()) {
        if (data[at] != kMarkerStart)
            return;  // not a marker where one must be: damaged
        while (at < data.size() && data[at] == kMarkerStart)
            ++at;  // fill bytes
        if (at >= data.size())
            return;
        const std::uint8_t marker = data[at++];
        if (marker == kStartOfScan || marker == kEndOfImage)
            return;  // the pixels: metadata comes before them
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;  // markers without a length
        if (data.size() - at < 2)
            return;
        const std::size_t length = (std::size_t(data[at]) << 8) | data[at + 1];
        if (length < 2 || data.size() - at < length)
            return;
        const Bytes payload = data.subspan(at + 2, length - 2);
        if (marker == kApp1) {
            if (!exifRead && StartsWith(payload, {"Exif\0\0", 6})) {
                found.exif = ReadExifFields(payload);
                exifRead = true;
            } else if (found.xmpDescription.empty() && StartsWith(payload, kXmpSignature)) {
                found.xmpDescription = XmpDescription(AsText(payload.subspan(kXmpSignature.size())));
            }
        }
        at += length;
    }
}

// --- PNG -----------------------------------------------------------------------------------------------

// The keyword of a text chunk and what follows its NUL; nothing without a NUL.
std::optional<std::pair<std::string_view, Bytes>> SplitKeyword(Bytes data)
{
    const auto* nul = static_cast<const std::uint8_t*>(std::memchr(data.data(), 0, data.size()));
    if (nul == nullptr)
        return std::nullopt;
    const std::size_t n = static_cast<std::size_t>(nul - data.data());
    return std::pair{AsText(data.first(n)), data.subspan(n + 1)};
}

// An international text chunk: keyword, compression flag and method, language, translated
// keyword, text. Only uncompressed ones are read: photo programs do not compress these.
void ReadInternationalText(Bytes data, Found& found)
{
    const auto keyword = SplitKeyword(data);
    if (!keyword || keyword->second.size() < 2 || keyword->second[0] != 0)
        return;
    const auto language = SplitKeyword(keyword->second.subspan(2));
    const auto translated = language ? SplitKeyword(language->second) : std::nullopt;
    if (!translated)
        return;
    const std::string_view text = AsText(translated->second);
    if (keyword->first == "XML:com.adobe.xmp" && found.xmpDescription.empty())
        found.xmpDescription = XmpDescription(text);
    else if (keyword->first == "Description" && found.pngDescription.empty())
        found.pngDescription = std::string(text.substr(0, kMaxExifText));
}

void ReadPng(Bytes data, Found& found)
{
    bool exifRead = false;
    (void)WalkPngChunks(data, [&](std::string_view type, Bytes chunk) {
        if (type == "eXIf" && !exifRead) {
            found.exif = ReadTiffFields(chunk);
            exifRead = true;
        } else if (type == "iTXt") {
            ReadInternationalText(chunk, found);
        } else if (type == "tEXt" && found.pngDescription.empty()) {
            if (const auto text = SplitKeyword(chunk); text && text->first == "Description")
                found.pngDescription =
                    Latin1ToUtf8(AsText(text->second.first(std::min(text->second.size(), kMaxExifText))));
        }
        return true;
    });
}

// --- WebP ----------------------------------------------------------------------------------------------

constexpr std::size_t kRiffHeader = 12;  // "RIFF", size, "WEBP"
constexpr std::size_t kRiffChunkHeader = 8;

std::uint32_t LittleEndian32(Bytes b)
{
    return b[0] | (std::uint32_t(b[1]) << 8) | (std::uint32_t(b[2]) << 16) | (std::uint32_t(b[3]) << 24);
}

void ReadWebp(Bytes data, Found& found)
{
    if (data.size() < kRiffHeader || !StartsWith(data, "RIFF") || AsText(data.subspan(8, 4)) != "WEBP")
        return;
    std::size_t at = kRiffHeader;
    while (data.size() - at >= kRiffChunkHeader) {
        const std::string_view type = AsText(data.subspan(at, 4));
        const std::uint32_t length = LittleEndian32(data.subspan(at + 4, 4));
        if (length > data.size() - at - kRiffChunkHeader)
            return;
        const Bytes chunk = data.subspan(at + kRiffChunkHeader, length);
        if (type == "EXIF")  // with or without the JPEG segment's "Exif\0\0" before the TIFF block
            found.exif = StartsWith(chunk, {"Exif\0\0", 6}) ? ReadExifFields(chunk) : ReadTiffFields(chunk);
        else if (type == "XMP ")
            found.xmpDescription = XmpDescription(AsText(chunk));
        at += kRiffChunkHeader + length + (length & 1);  // chunks are padded to an even length
        if (at > data.size())
            return;
    }
}

}  // namespace

std::string XmpDescription(std::string_view packet)
{
    constexpr std::string_view kOpen = "<dc:description";
    constexpr std::string_view kClose = "</dc:description>";
    constexpr std::string_view kItem = "<rdf:li";
    constexpr std::string_view kItemClose = "</rdf:li>";
    const std::size_t open = packet.find(kOpen);
    if (open == std::string_view::npos)
        return {};
    const std::size_t close = packet.find(kClose, open);
    const std::string_view body = packet.substr(
        open + kOpen.size(), close == std::string_view::npos ? std::string_view::npos : close - open - kOpen.size());
    // A language alternative: the default language's item, else the first.
    std::optional<std::string> first;
    for (std::size_t at = body.find(kItem); at != std::string_view::npos; at = body.find(kItem, at)) {
        const std::size_t tagEnd = body.find('>', at);
        if (tagEnd == std::string_view::npos)
            break;
        const std::string_view tag = body.substr(at, tagEnd - at);
        at = tagEnd + 1;
        const char after = tag.size() > kItem.size() ? tag[kItem.size()] : ' ';
        if (after != ' ' && after != '\t' && after != '\r' && after != '\n')
            continue;  // another element whose name begins the same way
        if (tag.back() == '/')
            continue;  // empty item
        const std::size_t end = body.find(kItemClose, at);
        if (end == std::string_view::npos)
            break;
        std::string text = XmlText(body.substr(at, end - at));
        if (tag.find("\"x-default\"") != std::string_view::npos || tag.find("'x-default'") != std::string_view::npos)
            return text;
        if (!first)
            first = std::move(text);
        at = end;
    }
    if (first)
        return *first;
    // Plain text instead of an alternative, as a few programs write it.
    const std::size_t tagEnd = body.find('>');
    if (tagEnd == std::string_view::npos || (tagEnd > 0 && body[tagEnd - 1] == '/'))
        return {};
    const std::string_view text = body.substr(tagEnd + 1);
    return text.find('<') == std::string_view::npos ? XmlText(text) : std::string{};
}

std::string CaptionLine(std::string_view text)
{
    const std::string utf8 = base::IsUtf8(text) ? std::string(text) : Latin1ToUtf8(text);
    std::string line;
    bool blank = false;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t n = std::max<std::size_t>(1, base::Utf8SequenceAt(utf8, at));
        const auto c = static_cast<unsigned char>(utf8[at]);
        if (c <= ' ' || c == 0x7F) {
            blank = !line.empty();
        } else {
            if (line.size() + 1 + n > kMaxExifText)
                break;
            if (blank)
                line += ' ';
            blank = false;
            line.append(utf8, at, n);
        }
        at += n;
    }
    return IsStockDescription(line) ? std::string{} : line;
}

PictureMetadata ReadPictureMetadata(std::span<const std::uint8_t> head, const std::string& extension)
{
    const std::string ext = base::AsciiLower(extension);
    Found found;
    if (ext == "jpg" || ext == "jpeg")
        ReadJpeg(head, found);
    else if (ext == "png")
        ReadPng(head, found);
    else if (ext == "webp")
        ReadWebp(head, found);
    else if (ext == "tif" || ext == "tiff")
        found.exif = ReadTiffFields(head);  // the file is the TIFF block
    PictureMetadata metadata;
    metadata.dateTaken = found.exif.dateTaken;
    for (const std::string* text : {&found.xmpDescription, &found.exif.description, &found.pngDescription}) {
        metadata.description = CaptionLine(*text);
        if (!metadata.description.empty())
            break;
    }
    return metadata;
}

PictureMetadata ReadPictureMetadata(const std::string& path)
{
    try {
        platform::RegularFile file = platform::RegularFile::Open(path);
        std::vector<std::uint8_t> head(std::min<std::uint64_t>(file.Size(), kMetadataHeadBytes));
        std::size_t got = 0;
        while (got < head.size()) {
            const std::size_t n = file.Read(head.data() + got, head.size() - got);
            if (n == 0)
                break;
            got += n;
        }
        head.resize(got);
        PictureMetadata metadata = ReadPictureMetadata(head, base::FileExtension(path));
        metadata.modifiedSeconds = file.ModifiedSeconds();
        return metadata;
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace qel::imaging
