// The mod list: one row per mod, sorted by name with letter case ignored, as
// the platform's sorted lists order names, each row with the check box that
// says whether the mod is enabled.
//
// This is the one copy of the mods' order and states; the windows only show
// it and forward clicks to the core, which changes a row's flag only after
// the mod's folder was renamed to match.
#pragma once

#include "platform/platform.h"

#include <span>
#include <vector>

namespace vx::mods {

struct ModEntry {
    NativeString text;     // the mod name (may be empty)
    bool checked = false;  // true when the mod is enabled
};

class ModList {
public:
    [[nodiscard]] int count() const { return static_cast<int>(rows_.size()); }
    [[nodiscard]] const NativeString& text(int row) const { return rows_[row].text; }
    [[nodiscard]] bool checked(int row) const { return rows_[row].checked; }

    // Sets a row's flag.
    void setChecked(int row, bool checked) { rows_[row].checked = checked; }

    // Replaces the rows by one for each of `names`, checked where `checked`
    // says so, in the order `platform` sorts the names in.
    void assign(std::span<const NativeStringView> names, const std::vector<bool>& checked,
                Platform& platform);

private:
    std::vector<ModEntry> rows_;
};

}  // namespace vx::mods
