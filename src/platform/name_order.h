// Sorting names by sort keys, for the backends' sortedOrder.
//
// A backend makes each name's key; keys of one family compare byte by byte
// as the backend orders the names. A backend may have several families (a
// cheap key for common names, the collator's own for the rest), whose keys
// say nothing about each other: each family is sorted by its keys, and the
// sorted families are merged by comparing names.
#pragma once

#include "platform/platform.h"

#include <functional>
#include <string>

namespace vx {

// Appends the key of a name to `out` and returns the key's family.
using AppendSortKey = std::function<int(NativeStringView name, std::string& out)>;
// Orders two names as the keys do: negative, zero or positive.
using CompareNames = std::function<int(NativeStringView a, NativeStringView b)>;

// The order of `names` as in Platform::sortedOrder: by key, names whose keys
// are equal by their code units, identical names by their index.
std::vector<uint32_t> orderByKeys(std::span<const NativeStringView> names, const AppendSortKey& appendKey,
                                  const CompareNames& compareAcrossFamilies);

}  // namespace vx
