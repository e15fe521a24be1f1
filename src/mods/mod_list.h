// The mod list: one row per mod, kept sorted by name with letter case
// ignored, each row with the check box that says whether the mod is enabled.
//
// This is the one copy of the mods' order and states; the windows only show
// it and forward clicks to it.
#pragma once

#include "platform/platform.h"

#include <vector>

namespace vx::mods {

struct ModEntry {
    NativeString text;     // the mod name (may be empty)
    bool checked = false;  // true when the mod is enabled
};

class ModList {
public:
    // `order` decides the rows' order.
    explicit ModList(Platform& order) : order_(order) {}

    [[nodiscard]] int count() const { return static_cast<int>(rows_.size()); }
    [[nodiscard]] const NativeString& text(int row) const { return rows_[row].text; }
    [[nodiscard]] bool checked(int row) const { return rows_[row].checked; }
    [[nodiscard]] const std::vector<ModEntry>& rows() const { return rows_; }

    // Sets a row's flag. Only the core calls this, after the folder on disk
    // has changed to match.
    void setChecked(int row, bool checked) { rows_[row].checked = checked; }

    // Inserts an unchecked row at its sorted place and returns its index.
    int add(NativeString text);

    // Inserts many rows at once, each at its sorted place, with its flag as
    // given and without notifications: the same list that adding them one by
    // one would give, in O(n log n) instead of O(n^2).
    void addAll(std::vector<ModEntry> rows);

private:
    int compare(NativeStringView a, NativeStringView b) const;

    Platform& order_;
    std::vector<ModEntry> rows_;
};

}  // namespace vx::mods
