#include "platform/name_order.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vx {
namespace {

// One name's place in the sort: the family and first sixteen bytes of its
// key decide most comparisons without touching the key storage.
struct SortItem {
    uint64_t prefix;
    uint64_t prefix2;
    uint32_t keyOffset;
    uint32_t keyLength;
    uint32_t index;
    uint32_t family;
};

// Eight bytes of a key from `from` on (zeros past its end), as a number
// that orders as the bytes do.
uint64_t keyPrefix(std::string_view key, size_t from) {
    unsigned char bytes[8] = {};
    if (from < key.size()) std::memcpy(bytes, key.data() + from, std::min<size_t>(8, key.size() - from));
    uint64_t prefix = 0;
    std::memcpy(&prefix, bytes, 8);
    if constexpr (std::endian::native == std::endian::little) prefix = __builtin_bswap64(prefix);
    return prefix;
}

}  // namespace

std::vector<uint32_t> orderByKeys(std::span<const NativeStringView> names, const SortKeys& keys,
                                  const CompareNames& compare) {
    std::vector<SortItem> items;
    items.reserve(names.size());
    for (size_t index = 0; index < names.size(); ++index) {
        const size_t offset = index == 0 ? 0 : keys.ends[index - 1];
        const std::string_view key = std::string_view(keys.bytes).substr(offset, keys.ends[index] - offset);
        items.push_back({keyPrefix(key, 0), keyPrefix(key, 8), static_cast<uint32_t>(offset),
                         static_cast<uint32_t>(key.size()), static_cast<uint32_t>(index),
                         static_cast<uint32_t>(keys.families[index])});
    }
    const auto keyOf = [&keys](const SortItem& item) {
        return std::string_view(keys.bytes).substr(item.keyOffset, item.keyLength);
    };
    const auto nameOf = [&names](const SortItem& item) { return names[item.index]; };

    std::sort(items.begin(), items.end(), [&](const SortItem& a, const SortItem& b) {
        if (a.family != b.family) return a.family < b.family;
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        if (a.prefix2 != b.prefix2) return a.prefix2 < b.prefix2;
        if (const int byKey = keyOf(a).compare(keyOf(b))) return byKey < 0;
        if (const int byName = compare(nameOf(a), nameOf(b))) return byName < 0;
        if (const int byUnits = nameOf(a).compare(nameOf(b))) return byUnits < 0;
        return a.index < b.index;
    });
    const auto across = [&](const SortItem& a, const SortItem& b) {
        if (const int byName = compare(nameOf(a), nameOf(b))) return byName < 0;
        if (const int byUnits = nameOf(a).compare(nameOf(b))) return byUnits < 0;
        return a.index < b.index;
    };
    for (auto run = items.begin(); run != items.end();) {
        const auto next =
            std::find_if(run, items.end(), [&](const SortItem& item) { return item.family != run->family; });
        if (run != items.begin()) std::inplace_merge(items.begin(), run, next, across);
        run = next;
    }

    std::vector<uint32_t> order(items.size());
    for (size_t place = 0; place < items.size(); ++place) order[place] = items[place].index;
    return order;
}

}  // namespace vx
