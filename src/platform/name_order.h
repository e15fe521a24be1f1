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

// Appends the key of the name at `index` to `out` and returns the key's family.
using AppendSortKey = std::function<int(size_t index, std::string& out)>;
// Orders two names as the backend does: negative, zero or positive.
using CompareNames = std::function<int(NativeStringView a, NativeStringView b)>;

// The order of `names` as in Platform::sortedOrder: by key, names whose keys
// are equal by their code units, identical names by their index.
std::vector<uint32_t> orderByKeys(std::span<const NativeStringView> names, const AppendSortKey& appendKey,
                                  const CompareNames& compare);

}  // namespace vx
