// The backends' sortedOrder, from the names' sort keys.
#pragma once

#include "platform/platform.h"

#include <algorithm>
#include <numeric>

namespace vx {

// The order of `names` as in Platform::sortedOrder: by their keys, which
// `compareKeys(a, b)` compares by the names' indices (negative, zero or
// positive), names of equal keys by their code units, identical names by
// their index.
template <class CompareKeys>
std::vector<uint32_t> orderByKeys(std::span<const NativeStringView> names, const CompareKeys& compareKeys) {
    std::vector<uint32_t> order(names.size());
    std::iota(order.begin(), order.end(), uint32_t{0});
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        if (const int byKey = compareKeys(a, b)) return byKey < 0;
        if (const int byUnits = names[a].compare(names[b])) return byUnits < 0;
        return a < b;
    });
    return order;
}

}  // namespace vx
