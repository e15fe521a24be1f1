#include "mods/mod_list.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace vx::mods {
namespace {

// Rows are ordered by their names' sort keys; names with equal keys (the
// same but for letter case, say) are ordered by their raw code units, so the
// order is total and does not depend on the order of insertion.
int compareNames(std::string_view keyA, NativeStringView a, std::string_view keyB, NativeStringView b) {
    if (const int byKey = keyA.compare(keyB)) return byKey;
    return a.compare(b);
}

// One row's place in the sort: the key's first sixteen bytes packed into two
// integers decide most comparisons without touching the key storage.
struct SortItem {
    uint64_t prefix;
    uint64_t prefix2;
    uint32_t keyOffset;
    uint32_t keyLength;
    uint32_t row;
};

uint64_t keyPrefix(std::string_view key, size_t from) {
    uint64_t prefix = 0;
    for (size_t i = from; i < from + 8; ++i) {
        prefix = (prefix << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    }
    return prefix;
}

}  // namespace

void ModList::setChecked(int row, bool checked) {
    if (rows_[row].checked == checked) return;
    rows_[row].checked = checked;
    if (itemCheck_) itemCheck_(row);
}

int ModList::add(NativeString text) {
    std::string key;
    order_.appendSortKey(text, key);
    std::string probeKey;
    // First row that sorts after the new one: the new row goes before it.
    auto place = std::upper_bound(rows_.begin(), rows_.end(), 0, [&](int, const ModEntry& row) {
        probeKey.clear();
        order_.appendSortKey(row.text, probeKey);
        return compareNames(key, text, probeKey, row.text) < 0;
    });
    place = rows_.insert(place, ModEntry{std::move(text), false});
    return static_cast<int>(place - rows_.begin());
}

void ModList::addAll(std::vector<ModEntry> rows) {
    if (rows_.empty()) {
        rows_ = std::move(rows);
    } else {
        rows_.reserve(rows_.size() + rows.size());
        std::move(rows.begin(), rows.end(), std::back_inserter(rows_));
    }

    // Every key goes into one buffer; each row's key is computed once.
    std::string keys;
    keys.reserve(rows_.size() * 32);
    std::vector<SortItem> items;
    items.reserve(rows_.size());
    for (size_t row = 0; row < rows_.size(); ++row) {
        const size_t offset = keys.size();
        order_.appendSortKey(rows_[row].text, keys);
        items.push_back({0, 0, static_cast<uint32_t>(offset), static_cast<uint32_t>(keys.size() - offset),
                         static_cast<uint32_t>(row)});
    }
    const auto keyOf = [&keys](const SortItem& item) {
        return std::string_view(keys).substr(item.keyOffset, item.keyLength);
    };
    for (SortItem& item : items) {
        item.prefix = keyPrefix(keyOf(item), 0);
        item.prefix2 = keyPrefix(keyOf(item), 8);
    }

    std::sort(items.begin(), items.end(), [&](const SortItem& a, const SortItem& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        if (a.prefix2 != b.prefix2) return a.prefix2 < b.prefix2;
        if (const int c = compareNames(keyOf(a), rows_[a.row].text, keyOf(b), rows_[b.row].text)) {
            return c < 0;
        }
        return a.row < b.row;  // identical names keep their order of arrival
    });

    std::vector<ModEntry> sorted;
    sorted.reserve(rows_.size());
    for (const SortItem& item : items) sorted.push_back(std::move(rows_[item.row]));
    rows_ = std::move(sorted);
}

}  // namespace vx::mods
