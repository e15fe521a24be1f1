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
    // The items are first put in groups by family and first key byte (a
    // counting sort); then each group is sorted on its own, which takes
    // fewer comparisons than sorting them all at once.
    uint32_t families = 1;
    for (const uint8_t family : keys.families) families = std::max<uint32_t>(families, family + 1u);
    const auto groupOf = [](uint32_t family, uint64_t prefix) { return family * 256 + (prefix >> 56); };
    std::vector<uint32_t> groupStarts(families * 256 + 1, 0);
    std::vector<SortItem> unsorted;
    unsorted.reserve(names.size());
    for (size_t index = 0; index < names.size(); ++index) {
        const size_t offset = index == 0 ? 0 : keys.ends[index - 1];
        const std::string_view key = std::string_view(keys.bytes).substr(offset, keys.ends[index] - offset);
        const uint32_t family = keys.families[index];
        unsorted.push_back({keyPrefix(key, 0), keyPrefix(key, 8), static_cast<uint32_t>(offset),
                            static_cast<uint32_t>(key.size()), static_cast<uint32_t>(index), family});
        ++groupStarts[groupOf(family, unsorted.back().prefix) + 1];
    }
    for (size_t group = 1; group < groupStarts.size(); ++group) groupStarts[group] += groupStarts[group - 1];
    std::vector<SortItem> items(unsorted.size());
    {
        std::vector<uint32_t> next(groupStarts.begin(), groupStarts.end() - 1);
        for (const SortItem& item : unsorted) items[next[groupOf(item.family, item.prefix)]++] = item;
    }
    unsorted = {};
    const auto keyOf = [&keys](const SortItem& item) {
        return std::string_view(keys.bytes).substr(item.keyOffset, item.keyLength);
    };
    const auto nameOf = [&names](const SortItem& item) { return names[item.index]; };

    const auto byKeys = [&](const SortItem& a, const SortItem& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        if (a.prefix2 != b.prefix2) return a.prefix2 < b.prefix2;
        if (const int byKey = keyOf(a).compare(keyOf(b))) return byKey < 0;
        if (const int byName = compare(nameOf(a), nameOf(b))) return byName < 0;
        if (const int byUnits = nameOf(a).compare(nameOf(b))) return byUnits < 0;
        return a.index < b.index;
    };
    for (size_t group = 0; group + 1 < groupStarts.size(); ++group) {
        if (groupStarts[group + 1] - groupStarts[group] > 1)
            std::sort(items.begin() + groupStarts[group], items.begin() + groupStarts[group + 1], byKeys);
    }
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
