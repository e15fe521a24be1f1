// The POSIX backend's index of the game directory by lower-cased names,
// driven by a stream of changes as the directory watch reports them, and
// compared after each with a plain set of the names that are there: a
// look-up of every lower case finds exactly the names of it.
//
// Input: commands, each one byte (its value modulo 5: insert, erase,
// reserve, clear, only look up) followed by a name up to the next NUL byte;
// after every command each lower case given so far is looked up.
#include "fuzz_input.h"

#include <map>
#include <set>

using vx::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto& platform = vx::fuzz::platformFor<vx::posix::PosixPlatform>(0);
    vx::posix::NameIndex index;
    std::map<std::string, std::set<std::string>> there;  // names by their lower case
    for (std::string_view command : vx::fuzz::splitNames({reinterpret_cast<const char*>(data), size})) {
        if (command.empty()) continue;
        const std::string_view name = command.substr(1);
        const std::string lowered = platform.lower(name);
        std::set<std::string>& same = there[lowered];
        switch (command[0] % 5) {
            case 0:
                index.insert(lowered, name);
                same.insert(std::string(name));
                break;
            case 1:
                index.erase(lowered, name);
                same.erase(std::string(name));
                break;
            case 2:
                index.reserve(name.size() * 8);
                break;
            case 3:
                index.clear();
                there.clear();
                break;
            default:
                break;
        }
        // Every lower case the index was given is in `there`, so this sees
        // every entry.
        for (const auto& [key, names] : there) {
            std::multiset<std::string> found;
            index.forEach(key, [&](std::string_view match) { found.emplace(match); });
            check(std::equal(found.begin(), found.end(), names.begin(), names.end()),
                  "a look-up finds every name of that lower case, once");
        }
    }
    return 0;
}
