#include "mods/mod_list.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>

namespace vx::mods {
namespace {

// One row's place in the sort: the family and first sixteen bytes of its key
// decide most comparisons without touching the key storage.
struct SortItem {
    uint64_t prefix;
    uint64_t prefix2;
    uint32_t keyOffset;
    uint32_t keyLength;
    uint32_t row;
    uint32_t family;
};

uint64_t keyPrefix(std::string_view key, size_t from) {
    uint64_t prefix = 0;
    for (size_t i = from; i < from + 8; ++i) {
        prefix = (prefix << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    }
    return prefix;
}

}  // namespace

// Rows are ordered as the platform orders names; names it holds equal (the
// same but for letter case, say) are ordered by their raw code units, so the
// order is total and does not depend on the order of insertion.
int ModList::compare(NativeStringView a, NativeStringView b) const {
    if (const int byPlatform = order_.compareNames(a, b)) return byPlatform;
    return a.compare(b);
}

int ModList::add(NativeString text) {
    // First row that sorts after the new one: the new row goes before it.
    auto place = std::upper_bound(
        rows_.begin(), rows_.end(), text,
        [&](const NativeString& name, const ModEntry& row) { return compare(name, row.text) < 0; });
    place = rows_.insert(place, ModEntry{std::move(text), false});
    return static_cast<int>(place - rows_.begin());
}

// Each row's sort key is computed once, into one buffer, and the rows are
// sorted by key. Keys of different families cannot be compared with each
// other, so each family is sorted on its own and the sorted families are
// then merged by comparing names.
void ModList::addAll(std::vector<ModEntry> rows) {
    if (rows_.empty()) {
        rows_ = std::move(rows);
    } else {
        rows_.reserve(rows_.size() + rows.size());
        std::move(rows.begin(), rows.end(), std::back_inserter(rows_));
    }

    std::string keys;
    keys.reserve(rows_.size() * 32);
    std::vector<SortItem> items;
    items.reserve(rows_.size());
    for (size_t row = 0; row < rows_.size(); ++row) {
        const size_t offset = keys.size();
        const int family = order_.appendSortKey(rows_[row].text, keys);
        const std::string_view key = std::string_view(keys).substr(offset);
        items.push_back({keyPrefix(key, 0), keyPrefix(key, 8), static_cast<uint32_t>(offset),
                         static_cast<uint32_t>(key.size()), static_cast<uint32_t>(row),
                         static_cast<uint32_t>(family)});
    }
    const auto keyOf = [&keys](const SortItem& item) {
        return std::string_view(keys).substr(item.keyOffset, item.keyLength);
    };
    const auto textOf = [this](const SortItem& item) -> NativeStringView { return rows_[item.row].text; };

    std::sort(items.begin(), items.end(), [&](const SortItem& a, const SortItem& b) {
        if (a.family != b.family) return a.family < b.family;
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        if (a.prefix2 != b.prefix2) return a.prefix2 < b.prefix2;
        if (const int byKey = keyOf(a).compare(keyOf(b))) return byKey < 0;
        if (const int byText = textOf(a).compare(textOf(b))) return byText < 0;
        return a.row < b.row;  // identical names keep their order of arrival
    });
    const auto across = [&](const SortItem& a, const SortItem& b) {
        if (const int c = compare(textOf(a), textOf(b))) return c < 0;
        return a.row < b.row;
    };
    for (auto run = items.begin(); run != items.end();) {
        const auto next =
            std::find_if(run, items.end(), [&](const SortItem& item) { return item.family != run->family; });
        std::inplace_merge(items.begin(), run, next, across);
        run = next;
    }

    // Put the rows in order in place, one cycle of the permutation at a time.
    std::vector<uint32_t> source(items.size());
    for (size_t place = 0; place < items.size(); ++place) source[place] = items[place].row;
    items = {};
    keys = std::string();
    for (size_t start = 0; start < source.size(); ++start) {
        if (source[start] == start) continue;
        ModEntry held = std::move(rows_[start]);
        size_t place = start;
        while (source[place] != start) {
            const size_t from = source[place];
            rows_[place] = std::move(rows_[from]);
            source[place] = static_cast<uint32_t>(place);
            place = from;
        }
        rows_[place] = std::move(held);
        source[place] = static_cast<uint32_t>(place);
    }
}

}  // namespace vx::mods
