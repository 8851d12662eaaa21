#include "imaging/avifgrid.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "imaging/picture.h"

namespace qel::imaging {
namespace {

using Bytes = std::span<const std::uint8_t>;

// Writers store an item in one piece; a few pieces are allowed, thousands (which cost nothing to
// state) are not.
constexpr std::uint32_t kMaxExtents = 64;

[[noreturn]] void Damaged(const std::string& what)
{
    throw PictureError("damaged AVIF picture: " + what);
}

// Big-endian fields of a box, never read past its end.
class Fields {
public:
    explicit Fields(Bytes bytes) : bytes_(bytes) {}

    std::uint64_t Number(std::size_t size)
    {
        if (size > 8 || bytes_.size() - pos_ < size)
            Damaged("a box is cut short");
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < size; ++i)
            v = v << 8 | bytes_[pos_++];
        return v;
    }
    std::uint32_t U8() { return static_cast<std::uint32_t>(Number(1)); }
    std::uint32_t U16() { return static_cast<std::uint32_t>(Number(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Number(4)); }
    std::string Type()
    {
        const std::uint64_t v = Number(4);
        std::string t(4, ' ');
        for (int i = 0; i < 4; ++i)
            t[i] = static_cast<char>(v >> (24 - 8 * i));
        return t;
    }
    // Version and flags of a full box.
    std::uint32_t Version(std::uint32_t& flags)
    {
        const std::uint32_t v = U32();
        flags = v & 0xFFFFFF;
        return v >> 24;
    }
    [[nodiscard]] Bytes Rest() const { return bytes_.subspan(pos_); }

private:
    Bytes bytes_;
    std::size_t pos_ = 0;
};

struct Box {
    std::string type;
    Bytes body;
};

// The boxes one after another in `bytes`. At the top of the file a box that runs past its end
// ends the list (a cut-short file is for libavif to judge); inside a box it is damage.
std::vector<Box> Boxes(Bytes bytes, bool topLevel = false)
{
    std::vector<Box> boxes;
    std::size_t pos = 0;
    while (bytes.size() - pos >= 8) {
        Fields f(bytes.subspan(pos));
        std::uint64_t size = f.U32();
        const std::string type = f.Type();
        std::size_t header = 8;
        if (size == 1) {
            size = f.Number(8);
            header = 16;
        } else if (size == 0) {
            size = bytes.size() - pos;
        }
        if ((size < header || size > bytes.size() - pos) && topLevel)
            break;
        if (size < header || size > bytes.size() - pos)
            Damaged("the box \"" + type + "\" does not fit in the file");
        boxes.push_back({type, bytes.subspan(pos + header, size - header)});
        pos += size;
    }
    return boxes;
}

struct Location {
    std::uint32_t method = 0;
    std::uint64_t base = 0;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> extents;  // offset, length
};

struct Meta {
    std::uint32_t primary = 0;
    std::map<std::uint32_t, std::string> types;
    std::map<std::uint32_t, Location> locations;
    std::map<std::uint32_t, std::vector<std::uint32_t>> tiles;         // 'dimg' references of a grid, in order
    std::vector<std::pair<std::uint32_t, std::uint32_t>> auxiliaries;  // 'auxl' references: item, of item
    std::map<std::uint32_t, std::pair<std::uint32_t, std::uint32_t>> sizes;
    std::set<std::uint32_t> alpha;  // items that are transparency
    Bytes itemData;                 // 'idat'
};

void ReadItemInfo(Bytes body, Meta& m)
{
    Fields f(body);
    std::uint32_t flags = 0;
    const std::uint32_t version = f.Version(flags);
    f.Number(version == 0 ? 2 : 4);
    for (const Box& infe : Boxes(f.Rest())) {
        if (infe.type != "infe")
            continue;
        Fields e(infe.body);
        const std::uint32_t v = e.Version(flags);
        if (v < 2)
            continue;
        const std::uint32_t id = v == 2 ? e.U16() : e.U32();
        e.U16();
        m.types[id] = e.Type();
    }
}

void ReadLocations(Bytes body, Meta& m)
{
    Fields f(body);
    std::uint32_t flags = 0;
    const std::uint32_t version = f.Version(flags);
    const std::uint32_t sizes = f.U16();
    const std::size_t offsetSize = sizes >> 12, lengthSize = (sizes >> 8) & 15, baseSize = (sizes >> 4) & 15;
    const std::size_t indexSize = version == 1 || version == 2 ? sizes & 15 : 0;
    const std::uint32_t count = version < 2 ? f.U16() : f.U32();
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t id = version < 2 ? f.U16() : f.U32();
        Location l;
        if (version == 1 || version == 2)
            l.method = f.U16() & 15;
        f.U16();  // data reference
        l.base = f.Number(baseSize);
        const std::uint32_t extents = f.U16();
        if (extents > kMaxExtents)
            Damaged("item " + std::to_string(id) + " is stored in " + std::to_string(extents) + " pieces");
        for (std::uint32_t e = 0; e < extents; ++e) {
            f.Number(indexSize);
            const std::uint64_t offset = f.Number(offsetSize);
            l.extents.emplace_back(offset, f.Number(lengthSize));
        }
        m.locations.emplace(id, std::move(l));
    }
}

void ReadReferences(Bytes body, Meta& m)
{
    Fields f(body);
    std::uint32_t flags = 0;
    const std::uint32_t version = f.Version(flags);
    for (const Box& ref : Boxes(f.Rest())) {
        Fields r(ref.body);
        const std::uint32_t from = version == 0 ? r.U16() : r.U32();
        const std::uint32_t count = r.U16();
        std::vector<std::uint32_t> to;
        for (std::uint32_t i = 0; i < count; ++i)
            to.push_back(version == 0 ? r.U16() : r.U32());
        if (ref.type == "dimg")
            m.tiles.emplace(from, std::move(to));
        else if (ref.type == "auxl")
            for (const std::uint32_t of : to)
                m.auxiliaries.emplace_back(from, of);
    }
}

// An 'auxC' property that names the image it belongs to as transparency.
bool IsAlpha(Bytes auxC)
{
    if (auxC.size() < 4)
        return false;
    const auto* urn = reinterpret_cast<const char*>(auxC.data() + 4);
    const std::string_view type(urn, strnlen(urn, auxC.size() - 4));
    return type == "urn:mpeg:mpegB:cicp:systems:auxiliary:alpha" || type == "urn:mpeg:hevc:2015:auxid:1";
}

void ReadProperties(Bytes body, Meta& m)
{
    std::vector<Box> properties;
    for (const Box& b : Boxes(body)) {
        if (b.type == "ipco") {
            properties = Boxes(b.body);
        } else if (b.type == "ipma") {
            Fields f(b.body);
            std::uint32_t flags = 0;
            const std::uint32_t version = f.Version(flags);
            const std::uint32_t count = f.U32();
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::uint32_t id = version < 1 ? f.U16() : f.U32();
                const std::uint32_t associations = f.U8();
                for (std::uint32_t a = 0; a < associations; ++a) {
                    const std::uint32_t index = (flags & 1) ? f.U16() & 0x7FFF : f.U8() & 0x7F;
                    if (index == 0 || index > properties.size())
                        continue;
                    if (properties[index - 1].type == "auxC" && IsAlpha(properties[index - 1].body))
                        m.alpha.insert(id);
                    if (properties[index - 1].type != "ispe")
                        continue;
                    Fields ispe(properties[index - 1].body);
                    ispe.U32();
                    const std::uint32_t w = ispe.U32();
                    m.sizes.try_emplace(id, w, ispe.U32());
                }
            }
        }
    }
}

// The pieces of an item's data, each checked to lie within the file (or its 'idat').
std::vector<Bytes> ItemData(Bytes file, const Meta& m, std::uint32_t id)
{
    const auto it = m.locations.find(id);
    if (it == m.locations.end())
        Damaged("item " + std::to_string(id) + " has no data");
    const Location& l = it->second;
    if (l.method > 1)
        Damaged("item " + std::to_string(id) + " has its data in another item");
    const Bytes from = l.method == 0 ? file : m.itemData;
    std::vector<Bytes> pieces;
    std::uint64_t total = 0;
    for (const auto& [offset, length] : l.extents) {
        const std::uint64_t start = l.base + offset;
        const std::uint64_t size = length == 0 ? from.size() - std::min<std::uint64_t>(start, from.size()) : length;
        if (start < l.base || start > from.size() || size > from.size() - start)
            Damaged("the data of item " + std::to_string(id) + " lies outside the file");
        total += size;
        if (size > 0)
            pieces.push_back(from.subspan(start, size));
    }
    if (total > from.size())
        Damaged("the pieces of item " + std::to_string(id) + " are larger than the file");
    if (pieces.empty())
        Damaged("item " + std::to_string(id) + " has no data");
    return pieces;
}

AvifItemLayout ItemLayout(Bytes file, const Meta& m, std::uint32_t id)
{
    AvifItemLayout item;
    if (const auto size = m.sizes.find(id); size != m.sizes.end()) {
        item.width = size->second.first;
        item.height = size->second.second;
    }
    const auto type = m.types.find(id);
    if (type == m.types.end() || type->second != "grid")
        return item;  // libavif reads a picture in one piece itself
    item.grid = true;
    std::vector<std::uint8_t> config;
    for (Bytes piece : ItemData(file, m, id))
        config.insert(config.end(), piece.begin(), piece.end());
    Fields f(config);
    f.U8();  // version
    const std::uint32_t flags = f.U8();
    item.rows = f.U8() + 1;
    item.columns = f.U8() + 1;
    const std::size_t field = (flags & 1) ? 4 : 2;
    item.width = static_cast<std::uint32_t>(f.Number(field));
    item.height = static_cast<std::uint32_t>(f.Number(field));

    const auto tiles = m.tiles.find(id);
    const std::size_t count = tiles == m.tiles.end() ? 0 : tiles->second.size();
    if (count != std::size_t(item.rows) * item.columns)
        Damaged("its grid of " + std::to_string(item.columns) + "\u00D7" + std::to_string(item.rows) + " tiles has " +
                std::to_string(count) + " tiles");
    std::map<std::uint32_t, std::shared_ptr<const AvifPieces>> shared;
    for (const std::uint32_t tile : tiles->second) {
        const auto size = m.sizes.find(tile);
        const auto tileType = m.types.find(tile);
        if (size == m.sizes.end() || tileType == m.types.end() || tileType->second != "av01")
            Damaged("a tile of its grid is not a coded picture of a stated size");
        if (item.tileData.empty()) {
            item.tileWidth = size->second.first;
            item.tileHeight = size->second.second;
        } else if (size->second != std::pair(item.tileWidth, item.tileHeight)) {
            Damaged("the tiles of its grid differ in size");
        }
        std::shared_ptr<const AvifPieces>& pieces = shared[tile];
        if (!pieces)
            pieces = std::make_shared<const AvifPieces>(ItemData(file, m, tile));
        item.tileData.push_back(pieces);
    }
    return item;
}

}  // namespace

std::optional<AvifLayout> ReadAvifLayout(std::span<const std::uint8_t> file)
{
    Meta m;
    bool found = false;
    for (const Box& top : Boxes(file, true)) {
        if (top.type != "meta")
            continue;
        found = true;
        Fields f(top.body);
        std::uint32_t flags = 0;
        f.Version(flags);
        for (const Box& b : Boxes(f.Rest())) {
            if (b.type == "pitm") {
                Fields p(b.body);
                m.primary = p.Version(flags) == 0 ? p.U16() : p.U32();
            } else if (b.type == "iinf") {
                ReadItemInfo(b.body, m);
            } else if (b.type == "iloc") {
                ReadLocations(b.body, m);
            } else if (b.type == "iref") {
                ReadReferences(b.body, m);
            } else if (b.type == "iprp") {
                ReadProperties(b.body, m);
            } else if (b.type == "idat") {
                m.itemData = b.body;
            }
        }
        break;
    }
    if (!found || m.primary == 0)
        return std::nullopt;
    AvifLayout layout;
    layout.primary = ItemLayout(file, m, m.primary);
    // Which of several would be decoded is libavif's choice: one alone is sure to be the one.
    std::uint32_t alpha = 0;
    for (const auto& [aux, of] : m.auxiliaries) {
        if (of != m.primary || aux == m.primary || aux == alpha || !m.alpha.count(aux))
            continue;
        if (alpha != 0)
            Damaged("it has more than one transparency");
        alpha = aux;
        layout.alpha = ItemLayout(file, m, aux);
    }
    return layout;
}

}  // namespace qel::imaging
