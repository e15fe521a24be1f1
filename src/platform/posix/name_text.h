// Lower-casing and ordering of names, by QtCore's rules.
//
// Names are bytes. Lower-casing maps each character of a name by Unicode's
// simple mapping (QChar::toLower), the same in every locale, and keeps the
// bytes that form no character as they are, so it never maps a name that is
// not UTF-8 onto one that is. Ordering follows the user's collation locale
// through QCollator (ICU underneath), letter case ignored, reading a name as
// Unicode text with each byte that forms no character as U+FFFD.
#pragma once

#include "platform/platform.h"

#include <QCollator>

namespace vx::posix {

class NameText {
public:
    // Orders names for the user's collation locale, or for `locale` ("sv_SE")
    // when it is given.
    explicit NameText(const char* locale = nullptr);

    void appendLower(std::string_view name, std::string& out) const;

    // The order of `names` as Platform::sortedOrder gives it.
    [[nodiscard]] std::vector<uint32_t> sortedOrder(std::span<const std::string_view> names) const;

    // Orders two names as sortedOrder does, ignoring letter case but not
    // accents: negative, zero or positive.
    [[nodiscard]] int compare(std::string_view a, std::string_view b) const;

private:
    QCollator collator_;
};

}  // namespace vx::posix
