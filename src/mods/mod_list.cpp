#include "mods/mod_list.h"

namespace vx::mods {

void ModList::assign(std::vector<ModEntry> rows, Platform& platform) {
    rows_ = std::move(rows);
    std::vector<uint32_t> source;
    {
        std::vector<NativeStringView> names;
        names.reserve(rows_.size());
        for (const ModEntry& row : rows_) names.push_back(row.text);
        source = platform.sortedOrder(names);
    }

    // Put the rows in order in place, one cycle of the permutation at a time:
    // place k takes the row that was at source[k].
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
