#include "os/VersionRecord.h"

#include <cstring>

namespace prolamo::os {

namespace {

// Every node: wLength, wValueLength, wType, the zero-terminated UTF-16 key, padding to 4 bytes,
// the value, padding, the children. wType 1 marks text, whose wValueLength counts characters.
struct Node {
    std::u16string key;
    bool text = false;
    std::vector<std::uint8_t> value;
    std::uint16_t valueLength = 0;
    std::vector<Node> children;
};

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t v) {
    out[at] = static_cast<std::uint8_t>(v & 0xFF);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Append16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Append32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Append16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    Append16(out, static_cast<std::uint16_t>(v >> 16));
}

void Align4(std::vector<std::uint8_t>& out) {
    while (out.size() % 4 != 0)
        out.push_back(0);
}

void Write(const Node& node, std::vector<std::uint8_t>& out) {
    Align4(out);
    const std::size_t start = out.size();
    Append16(out, 0); // wLength, patched below
    Append16(out, node.valueLength);
    Append16(out, node.text ? 1 : 0);
    for (char16_t c : node.key)
        Append16(out, static_cast<std::uint16_t>(c));
    Append16(out, 0);
    if (!node.value.empty()) {
        Align4(out);
        out.insert(out.end(), node.value.begin(), node.value.end());
    }
    for (const Node& child : node.children)
        Write(child, out);
    Put16(out, start, static_cast<std::uint16_t>(out.size() - start));
}

Node TextNode(const std::u16string& key, const std::u16string& text) {
    Node n;
    n.key = key;
    n.text = true;
    for (char16_t c : text)
        Append16(n.value, static_cast<std::uint16_t>(c));
    Append16(n.value, 0);
    n.valueLength = static_cast<std::uint16_t>(text.size() + 1);
    return n;
}

std::uint16_t Read16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Read32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(Read16(p)) | (static_cast<std::uint32_t>(Read16(p + 2)) << 16);
}

struct Parsed {
    std::size_t valueOffset = 0;
    std::size_t valueBytes = 0;
    std::uint16_t valueLength = 0;
    std::size_t childrenOffset = 0;
    std::size_t end = 0;
    std::u16string key;
};

// Reads the node at `at` (relative to `base`) within `limit`; offsets are from base, whose
// alignment the padding refers to.
std::optional<Parsed> ParseNode(const std::uint8_t* base, std::size_t at, std::size_t limit) {
    if (at + 6 > limit)
        return std::nullopt;
    const std::uint16_t length = Read16(base + at);
    if (length < 6 || at + length > limit)
        return std::nullopt;
    Parsed p;
    p.end = at + length;
    p.valueLength = Read16(base + at + 2);
    const bool text = Read16(base + at + 4) == 1;
    std::size_t pos = at + 6;
    for (;;) {
        if (pos + 2 > p.end)
            return std::nullopt;
        const char16_t c = static_cast<char16_t>(Read16(base + pos));
        pos += 2;
        if (c == 0)
            break;
        p.key.push_back(c);
    }
    pos = (pos + 3) & ~std::size_t{3};
    p.valueOffset = pos;
    p.valueBytes = text ? std::size_t{p.valueLength} * 2 : p.valueLength;
    if (p.valueBytes > 0 && pos + p.valueBytes > p.end)
        return std::nullopt;
    p.childrenOffset = (pos + p.valueBytes + 3) & ~std::size_t{3};
    return p;
}

bool KeyEquals(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z')
            x = static_cast<char16_t>(x - u'a' + u'A');
        if (y >= u'a' && y <= u'z')
            y = static_cast<char16_t>(y - u'a' + u'A');
        if (x != y)
            return false;
    }
    return true;
}

constexpr std::u16string_view kRootKey = u"VS_VERSION_INFO";
constexpr std::size_t kFixedSize = 13 * 4;

} // namespace

std::array<std::uint32_t, 13> FixedFileInfo::Words() const {
    return {signature, strucVersion, fileVersionMs, fileVersionLs, productVersionMs, productVersionLs, fileFlagsMask,
            fileFlags, fileOs,       fileType,      fileSubtype,   fileDateMs,       fileDateLs};
}

std::vector<std::uint8_t> BuildVersionRecord(const VersionRecordContent& content) {
    Node root;
    root.key = std::u16string(kRootKey);
    for (std::uint32_t w : content.fixed.Words())
        Append32(root.value, w);
    root.valueLength = static_cast<std::uint16_t>(kFixedSize);

    if (!content.stringTables.empty()) {
        Node stringFileInfo;
        stringFileInfo.key = u"StringFileInfo";
        stringFileInfo.text = true;
        for (const auto& table : content.stringTables) {
            Node t;
            t.key = table.name;
            t.text = true;
            for (const auto& [name, text] : table.strings)
                t.children.push_back(TextNode(name, text));
            stringFileInfo.children.push_back(std::move(t));
        }
        root.children.push_back(std::move(stringFileInfo));
    }
    if (!content.translations.empty()) {
        Node var;
        var.key = u"Translation";
        for (std::uint32_t t : content.translations)
            Append32(var.value, t);
        var.valueLength = static_cast<std::uint16_t>(var.value.size());
        Node varFileInfo;
        varFileInfo.key = u"VarFileInfo";
        varFileInfo.text = true;
        varFileInfo.children.push_back(std::move(var));
        root.children.push_back(std::move(varFileInfo));
    }
    std::vector<std::uint8_t> out;
    Write(root, out);
    return out;
}

std::optional<std::pair<std::size_t, std::size_t>> FindVersionRecord(std::span<const std::uint8_t> bytes) {
    // The key "VS_VERSION_INFO" in UTF-16LE follows the 6-byte header; the fixed part with its
    // signature follows the key. Resources are 4-byte aligned, and checking the whole header keeps
    // a stray copy of the key text (as in this very code) from counting.
    const std::size_t keyBytes = (kRootKey.size() + 1) * 2;
    for (std::size_t at = 0; at + 6 + keyBytes + kFixedSize <= bytes.size(); at += 4) {
        const std::uint8_t* p = bytes.data() + at;
        if (p[6] != 'V' || p[7] != 0 || p[8] != 'S' || p[9] != 0)
            continue;
        const auto node = ParseNode(p, 0, bytes.size() - at);
        if (!node || node->key != kRootKey || node->valueLength != kFixedSize)
            continue;
        if (Read32(p + node->valueOffset) != FixedFileInfoSignature)
            continue;
        return std::make_pair(at, node->end);
    }
    return std::nullopt;
}

ErrorCode QueryVersionValue(const void* block, std::u16string_view subBlock, const void** buffer,
                            std::uint32_t* length) {
    if (block == nullptr || buffer == nullptr || length == nullptr)
        return ErrorInvalidParameter;
    const auto* base = static_cast<const std::uint8_t*>(block);
    auto node = ParseNode(base, 0, Read16(base));
    if (!node || node->key != kRootKey)
        return ErrorInvalidData;

    std::size_t pos = 0;
    while (pos < subBlock.size()) {
        if (subBlock[pos] == u'\\') {
            ++pos;
            continue;
        }
        std::size_t next = subBlock.find(u'\\', pos);
        if (next == std::u16string_view::npos)
            next = subBlock.size();
        const std::u16string_view name = subBlock.substr(pos, next - pos);
        pos = next;

        std::optional<Parsed> found;
        for (std::size_t child = node->childrenOffset; child < node->end;) {
            auto c = ParseNode(base, child, node->end);
            if (!c)
                break;
            if (KeyEquals(c->key, name)) {
                found = c;
                break;
            }
            child = (c->end + 3) & ~std::size_t{3};
        }
        if (!found)
            return ErrorResourceTypeNotFound;
        node = found;
    }
    *buffer = base + node->valueOffset;
    *length = node->valueLength; // characters for text, bytes otherwise, as stored
    return ErrorSuccess;
}

} // namespace prolamo::os
