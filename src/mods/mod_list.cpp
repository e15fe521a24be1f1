#include "mods/mod_list.h"

namespace vx::mods {

// The rows are made in their sorted places, each name copied once.
void ModList::assign(std::span<const NativeStringView> names, const std::vector<bool>& checked,
                     Platform& platform) {
    const std::vector<uint32_t> order = platform.sortedOrder(names);
    std::vector<ModEntry> rows;
    rows.reserve(order.size());
    for (const uint32_t index : order) rows.push_back({NativeString(names[index]), checked[index]});
    rows_ = std::move(rows);
}

}  // namespace vx::mods
