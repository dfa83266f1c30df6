#include "platform/plist/BinaryPlistReader.h"

#include <plist/plist.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>

namespace platform::plist {

namespace {

std::uint64_t bigEndian(const char* at, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) value = (value << 8) | static_cast<std::uint8_t>(at[i]);
    return value;
}

// An ASCII string of the root array that holds a NUL, by its place in the array: libplist
// ends such a string at its first NUL, so the reader takes its bytes from the file itself.
struct AsciiWithNul {
    std::uint64_t index;
    std::string text;
};

// Walks the trailer, the offset table and the root array's references with every bound
// checked. Answers "" when the root is an array of plain values, else why not.
std::string checkShape(const std::vector<char>& file, std::vector<AsciiWithNul>& asciiWithNul) {
    constexpr std::size_t kTrailer = 32;
    if (file.size() < 8 + kTrailer)
        return "it is cut short";
    const char* trailer = file.data() + file.size() - kTrailer;
    const std::size_t offsetSize = static_cast<std::uint8_t>(trailer[6]);
    const std::size_t refSize = static_cast<std::uint8_t>(trailer[7]);
    const std::uint64_t objects = bigEndian(trailer + 8, 8);
    const std::uint64_t top = bigEndian(trailer + 16, 8);
    const std::uint64_t table = bigEndian(trailer + 24, 8);
    const std::size_t tableEnd = file.size() - kTrailer;
    if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8 || top >= objects ||
        table > tableEnd || objects > (tableEnd - table) / offsetSize) {
        return "its object table is damaged";
    }
    auto objectAt = [&](std::uint64_t ref) -> std::uint64_t {
        if (ref >= objects)
            return tableEnd;
        return bigEndian(file.data() + table + ref * offsetSize, offsetSize);
    };
    std::uint64_t root = objectAt(top);
    if (root >= tableEnd)
        return "its object table is damaged";
    const std::uint8_t marker = static_cast<std::uint8_t>(file[root]);
    if ((marker & 0xF0) != 0xA0)
        return "its root is not an array";
    std::uint64_t count = marker & 0x0F;
    std::uint64_t refs = root + 1;
    if (count == 0x0F) {
        // The count follows as an integer object of 2^n bytes.
        if (refs >= tableEnd || (static_cast<std::uint8_t>(file[refs]) & 0xF0) != 0x10) {
            return "its object table is damaged";
        }
        const std::size_t bytes = std::size_t{1} << (file[refs] & 0x03);
        if (refs + 1 + bytes > tableEnd)
            return "its object table is damaged";
        count = bigEndian(file.data() + refs + 1, bytes);
        refs += 1 + bytes;
    }
    if (count > kMaxEntries)
        return "it holds too many values";
    if (count > (tableEnd - refs) / refSize)
        return "its object table is damaged";
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t at = objectAt(bigEndian(file.data() + refs + i * refSize, refSize));
        if (at >= tableEnd)
            return "its object table is damaged";
        const int kind = static_cast<std::uint8_t>(file[at]) >> 4;
        if (kind == 0xA || kind == 0xC || kind == 0xD)
            return "its array holds containers";
        if (kind == 0x5) {
            std::uint64_t length = static_cast<std::uint8_t>(file[at]) & 0x0F;
            std::uint64_t text = at + 1;
            if (length == 0x0F) {
                if (text >= tableEnd || (static_cast<std::uint8_t>(file[text]) & 0xF0) != 0x10)
                    return "its object table is damaged";
                const std::size_t bytes = std::size_t{1} << (file[text] & 0x03);
                if (text + 1 + bytes > tableEnd)
                    return "its object table is damaged";
                length = bigEndian(file.data() + text + 1, bytes);
                text += 1 + bytes;
            }
            if (length > tableEnd - text)
                return "its object table is damaged";
            const char* begin = file.data() + text;
            if (std::find(begin, begin + length, '\0') != begin + length)
                asciiWithNul.push_back({i, std::string(begin, length)});
        }
    }
    return "";
}

struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};

std::string textOf(plist_t node) {
    switch (plist_get_node_type(node)) {
        case PLIST_STRING: {
            // By its length: a string may hold a NUL, which plist_get_string_val asserts on.
            std::uint64_t length = 0;
            const char* text = plist_get_string_ptr(node, &length);
            return text != nullptr ? std::string(text, length) : std::string();
        }
        case PLIST_UINT: {
            // Binary lists store signed 64-bit integers; libplist hands them over unsigned.
            std::uint64_t number = 0;
            plist_get_uint_val(node, &number);
            return std::to_string(static_cast<std::int64_t>(number));
        }
        case PLIST_REAL: {
            double number = 0;
            plist_get_real_val(node, &number);
            char buffer[32];
            const auto end = std::to_chars(buffer, buffer + sizeof buffer, number).ptr;
            return std::string(buffer, end);
        }
        case PLIST_BOOLEAN: {
            std::uint8_t flag = 0;
            plist_get_bool_val(node, &flag);
            return flag ? "true" : "false";
        }
        default:
            return "";
    }
}

}  // namespace

ArrayRead readBinaryPropertyList(const std::vector<char>& file, const std::string& path) {
    ArrayRead result;
    const std::string prefix = "Cannot open " + path + ": ";
    if (file.size() > std::numeric_limits<std::uint32_t>::max()) {
        result.error = prefix + "a binary property list larger than 4 GiB cannot be read";
        return result;
    }
    std::vector<AsciiWithNul> asciiWithNul;
    if (const std::string shape = checkShape(file, asciiWithNul); !shape.empty()) {
        result.error = prefix + "not a valid binary property list (" + shape + ")";
        return result;
    }
    plist_t parsed = nullptr;
    plist_from_bin(file.data(), static_cast<std::uint32_t>(file.size()), &parsed);
    std::unique_ptr<void, PlistFree> root(parsed);
    if (!root || plist_get_node_type(parsed) != PLIST_ARRAY) {
        result.error = prefix + "not a valid binary property list";
        return result;
    }
    const std::uint32_t count = plist_array_get_size(parsed);
    result.entries.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        plist_t item = plist_array_get_item(parsed, i);
        if (plist_get_node_type(item) == PLIST_DATA) {
            char* bytes = nullptr;
            std::uint64_t size = 0;
            plist_get_data_val(item, &bytes, &size);
            const auto* begin = reinterpret_cast<const std::uint8_t*>(bytes);
            result.entries.emplace_back(Picture(begin, begin + (bytes ? size : 0)));
            std::free(bytes);
        } else {
            result.entries.emplace_back(textOf(item));
        }
    }
    for (AsciiWithNul& whole : asciiWithNul) result.entries[whole.index] = std::move(whole.text);
    return result;
}

}  // namespace platform::plist
