// The order of the mod list: sortedOrder must be a permutation that puts the
// names in an order consistent with the backend's own comparison of two
// names (ties by bytes, then by place), whatever order the names come in.
//
// Input: one byte choosing the locale, then names separated by NUL bytes
// (empty names too: a folder called ".rte" is a mod without a name).
#include "fuzz_input.h"

#include <algorithm>
#include <cstdint>
#include <functional>

using vx::fuzz::check;

namespace {

// True when the name at `a` must come before the one at `b`.
bool before(const vx::posix::NameText& text, std::span<const std::string_view> names, uint32_t a,
            uint32_t b) {
    const int byRule = text.compare(names[a], names[b]);
    const int back = text.compare(names[b], names[a]);
    check((byRule > 0) - (byRule < 0) == (back < 0) - (back > 0), "comparison is antisymmetric");
    if (byRule != 0) return byRule < 0;
    if (names[a] != names[b]) return names[a] < names[b];
    return a < b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    auto& platform = vx::fuzz::platformFor<vx::posix::PosixPlatform>(data[0]);
    const auto& text = vx::fuzz::platformFor<vx::posix::NameText>(data[0]);  // the same locale's comparison
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::vector<std::string_view> names = vx::fuzz::splitNames(input);
    const std::vector<uint32_t> order = platform.sortedOrder(names);

    check(order.size() == names.size(), "one place per name");
    std::vector<bool> placed(names.size());
    for (const uint32_t index : order) {
        check(index < names.size() && !placed[index], "each name in one place");
        placed[index] = true;
    }
    for (size_t place = 1; place < order.size(); ++place)
        check(before(text, names, order[place - 1], order[place]), "neighbours in order");
    // Every pair, for short lists: a comparison that is not transitive
    // shows up here.
    if (order.size() <= 24) {
        for (size_t i = 0; i < order.size(); ++i) {
            for (size_t j = i + 1; j < order.size(); ++j)
                check(before(text, names, order[i], order[j]), "every pair in order");
        }
    }

    // The same names in another order, shuffled by the input itself: the
    // sorted names are the same.
    std::vector<std::string_view> shuffled = names;
    uint64_t state = std::hash<std::string_view>{}(input) | 1;
    for (size_t i = shuffled.size(); i > 1; --i) {
        state ^= state << 13, state ^= state >> 7, state ^= state << 17;
        std::swap(shuffled[i - 1], shuffled[state % i]);
    }
    const std::vector<uint32_t> again = platform.sortedOrder(shuffled);
    check(again.size() == order.size(), "same length after shuffling");
    for (size_t place = 0; place < order.size(); ++place)
        check(shuffled[again[place]] == names[order[place]], "same order after shuffling");
    return 0;
}
