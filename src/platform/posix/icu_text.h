// Lower-casing and ordering of names for the user's locale, through ICU.
//
// Names are bytes. A name that is valid UTF-8 is lower-cased and ordered as
// Unicode text; a name that is not keeps its bytes: only its ASCII letters
// are lower-cased, and it orders by its text with the invalid bytes read as
// U+FFFD. Lower-casing never maps a name that is not valid UTF-8 onto one
// that is, so two names that differ other than in letter case stay apart.
#pragma once

#include <memory>
#include <string>
#include <string_view>

struct UCollator;

namespace vx::posix {

class IcuText {
public:
    // Uses the default locale of the process (from LC_ALL, LC_MESSAGES or
    // LANG), or `locale` when it is given.
    explicit IcuText(const char* locale = nullptr);
    ~IcuText();
    IcuText(const IcuText&) = delete;
    IcuText& operator=(const IcuText&) = delete;

    void appendLower(std::string_view name, std::string& out) const;

    // Appends a sort key that ignores letter case but not accents.
    void appendSortKey(std::string_view name, std::string& out) const;

private:
    std::string locale_;
    bool asciiLowerIsPlain_;  // false for Turkish and Azeri, where I lowers to dotless i
    UCollator* collator_ = nullptr;
    mutable std::u16string utf16_;  // reused conversion buffer
};

}  // namespace vx::posix
