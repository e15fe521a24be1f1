// Lower-casing and ordering of names for the user's locale, through ICU.
//
// Names are bytes. Lower-casing maps each character of a name by Unicode's
// simple mapping, the same in every locale, and keeps bytes that do not form
// a character as they are, so it never maps a name that is not valid UTF-8
// onto one that is. Ordering follows the locale, reading names as Unicode
// text with each invalid byte as U+FFFD.
//
// ICU is the system's, whichever release is installed (icu_library.h).
// Without it names are ordered by their bytes with ASCII letters lowered;
// the program does not start then, but nothing here fails.
#pragma once

#include "platform/name_order.h"
#include "platform/posix/icu_library.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vx::posix {

class IcuText {
public:
    // Orders names for the default locale of the process (from LC_ALL,
    // LC_MESSAGES or LANG), or for `locale` when it is given.
    explicit IcuText(const char* locale = nullptr);
    // Through the ICU functions `icu` (none when null).
    IcuText(const IcuFunctions* icu, const char* locale);
    ~IcuText();
    IcuText(const IcuText&) = delete;
    IcuText& operator=(const IcuText&) = delete;

    void appendLower(std::string_view name, std::string& out) const;

    // Orders names ignoring letter case but not accents: <0, 0 or >0.
    int compare(std::string_view a, std::string_view b) const;

    // Appends a sort key for the order of compare and returns its family:
    // kCollationKey for the collator's own keys, kPrimaryWeightKey for keys of
    // the primary weights alone (letters without accents), which order names as
    // compare does wherever they differ and leave names of equal weights to
    // compare.
    int appendSortKey(std::string_view name, std::string& out) const;

    // The keys of many names at once, with their families. Keys of primary
    // weights are made shorter than appendSortKey's, as a family of their
    // own (kPrimaryRankKey): each weight becomes its rank among the weights
    // that occur, in one byte where fewer than 256 occur.
    void appendSortKeys(std::span<const std::string_view> names, SortKeys& keys) const;

    static constexpr int kCollationKey = 0;
    static constexpr int kPrimaryWeightKey = 1;  // four bytes per weight
    static constexpr int kPrimaryRankKey = 2;    // the weights' ranks among those of the names sorted

private:
    void appendCollationKey(std::string_view name, std::string& out) const;

    const IcuFunctions* icu_;
    std::string locale_;
    UCollator* collator_ = nullptr;
    // Each ASCII character's primary weight (0 where it has none), when each
    // weighs alone in this locale; empty otherwise.
    std::vector<uint32_t> asciiPrimaries_;
    bool compareByKeys_ = false;
    UCollationElements* elements_ = nullptr;  // reused for every name
    mutable std::vector<uint32_t> weights_;
    mutable std::u16string utf16_;  // reused conversion buffers
    mutable std::u16string utf16Other_;
};

}  // namespace vx::posix
