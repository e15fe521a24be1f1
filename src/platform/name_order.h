// Sorting names by sort keys, for the backends' sortedOrder.
//
// A backend makes each name's key; where two keys of one family differ, they
// compare byte by byte as the backend orders the names, and names of equal
// keys are compared in full. A backend may have several families (a cheap
// key for most names, the collator's own for the rest), whose keys say
// nothing about each other: each family is sorted by its keys, and the
// sorted families are merged by comparing names.
#pragma once

#include "platform/platform.h"

#include <functional>
#include <string>

namespace vx {

// The names' keys, one after another in one buffer, and each key's family.
struct SortKeys {
    std::string bytes;
    std::vector<size_t> ends;  // where each name's key ends in `bytes`
    std::vector<uint8_t> families;

    void add(int family) {
        ends.push_back(bytes.size());
        families.push_back(static_cast<uint8_t>(family));
    }
};

// Orders two names as the backend does: negative, zero or positive.
using CompareNames = std::function<int(NativeStringView a, NativeStringView b)>;

// The order of `names` as in Platform::sortedOrder, from their keys: by key,
// names of equal keys by `compare`, then by their code units, identical
// names by their index.
std::vector<uint32_t> orderByKeys(std::span<const NativeStringView> names, const SortKeys& keys,
                                  const CompareNames& compare);

}  // namespace vx
