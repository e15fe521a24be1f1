// Folder names for benchmark games, like players' mods: mixed letter case,
// words and numbers, about a third enabled with ".rte" or ".RTE", a few
// non-ASCII. The number is unique per mod and is the last run of digits
// before the suffix, so no two names match even when letter case is ignored.
#pragma once

#include <string>

inline std::string modFolderName(int i) {
    static const char* const words[] = {"Weapons", "armour",    "VEHICLES",  "Maps",  "sound",   "UI",
                                        "Bunker",  "tools",     "Creatures", "Ärger", "Ωmega",   "factions",
                                        "BlueSky", "dark_Ages", "Mech",      "ruins", "Überzug", "Terrain"};
    constexpr int kWords = sizeof(words) / sizeof(words[0]);
    std::string name = words[i % kWords];
    name += (i % 5 == 0) ? " Pack " : (i % 5 == 1) ? "-v" : "_";
    name += std::to_string(i * 7919 % 1000003);  // unique for fewer than 1,000,003 mods
    if (i % 3 == 0) name += (i % 4 == 0) ? ".RTE" : ".rte";
    return name;
}
