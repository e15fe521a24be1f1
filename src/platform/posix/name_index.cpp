#include "platform/posix/name_index.h"

namespace vx::posix {

void NameIndex::clear() {
    names_.clear();
    entries_.clear();
    slots_.clear();
    live_ = used_ = 0;
}

void NameIndex::reserve(size_t entries, size_t bytes) {
    names_.reserve(bytes);
    size_t capacity = 16;
    while (capacity < entries * 2) capacity *= 2;
    if (capacity > slots_.size()) rebuild(capacity);
    entries_.reserve(entries);
}

namespace {

uint64_t hashOf(std::string_view lowered) {
    return std::hash<std::string_view>{}(lowered);
}

}  // namespace

size_t NameIndex::find(uint64_t hash, std::string_view lowered, std::string_view name, bool& found) const {
    const size_t mask = slots_.size() - 1;
    size_t free = SIZE_MAX;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const uint64_t held = slots_[slot];
        if (held == kEmpty) {
            found = false;
            return free == SIZE_MAX ? slot : free;
        }
        if (held == kErased) {
            if (free == SIZE_MAX) free = slot;
            continue;
        }
        if (slotFor(hash, 0) != slotFor(held, 0)) continue;
        const Entry& entry = entries_[numberIn(held)];
        if (loweredOf(entry) == lowered && nameOf(entry) == name) {
            found = true;
            return slot;
        }
    }
}

void NameIndex::insert(std::string_view lowered, std::string_view name) {
    if ((used_ + 1) * 2 > slots_.size()) rebuild(std::max<size_t>(16, live_ * 4));
    place(hashOf(lowered), append(lowered, name));
}

// The entry goes into the buffer at once; its slot is taken when the batch
// is flushed, by which time it has come into the cache. The table grows only
// between batches, as growing renumbers the entries that have slots.
void NameIndex::Batch::insert(std::string_view lowered, std::string_view name) {
    if ((index_.used_ + waiting_.size() + 1) * 2 > index_.slots_.size()) {
        flush();
        index_.rebuild(std::max<size_t>(16, (index_.live_ + 1) * 4));
    }
    const uint64_t hash = hashOf(lowered);
    __builtin_prefetch(&index_.slots_[hash & (index_.slots_.size() - 1)]);
    waiting_.push_back({hash, index_.append(lowered, name)});
    if (waiting_.size() == kAhead) flush();
}

void NameIndex::Batch::flush() {
    for (const Waiting& entry : waiting_) index_.place(entry.hash, entry.number);
    waiting_.clear();
}

uint32_t NameIndex::append(std::string_view lowered, std::string_view name) {
    entries_.push_back({static_cast<uint32_t>(names_.size()), static_cast<uint32_t>(lowered.size()),
                        static_cast<uint32_t>(name.size())});
    names_.append(lowered).append(name);
    return static_cast<uint32_t>(entries_.size() - 1);
}

void NameIndex::place(uint64_t hash, uint32_t number) {
    const Entry& entry = entries_[number];
    bool found = false;
    const size_t slot = find(hash, loweredOf(entry), nameOf(entry), found);
    if (found) return;  // the same entry again: this copy stays unused in the buffer
    if (slots_[slot] == kEmpty) ++used_;
    slots_[slot] = slotFor(hash, number);
    ++live_;
}

void NameIndex::erase(std::string_view lowered, std::string_view name) {
    if (slots_.empty()) return;
    bool found = false;
    const size_t slot = find(hashOf(lowered), lowered, name, found);
    if (!found) return;
    slots_[slot] = kErased;
    --live_;
}

void NameIndex::forEach(std::string_view lowered, const std::function<void(std::string_view)>& visit) const {
    if (slots_.empty()) return;
    const uint64_t hash = hashOf(lowered);
    const size_t mask = slots_.size() - 1;
    for (size_t slot = hash & mask; slots_[slot] != kEmpty; slot = (slot + 1) & mask) {
        const uint64_t held = slots_[slot];
        if (held == kErased || slotFor(hash, 0) != slotFor(held, 0)) continue;
        const Entry& entry = entries_[numberIn(held)];
        if (loweredOf(entry) == lowered) visit(nameOf(entry));
    }
}

// Makes a table of `capacity` slots (a power of two) holding the live
// entries only, their names moved together into a new buffer.
void NameIndex::rebuild(size_t capacity) {
    size_t power = 16;
    while (power < capacity) power *= 2;
    std::vector<uint32_t> live;
    live.reserve(live_);
    for (uint64_t held : slots_) {
        if (held != kEmpty && held != kErased) live.push_back(numberIn(held));
    }
    std::string names;
    names.reserve(names_.size());
    std::vector<Entry> entries;
    entries.reserve(std::max(entries_.capacity(), live.size()));
    for (uint32_t number : live) {
        const Entry& entry = entries_[number];
        entries.push_back({static_cast<uint32_t>(names.size()), entry.loweredLength, entry.nameLength});
        names.append(names_, entry.offset, entry.loweredLength + entry.nameLength);
    }
    names_ = std::move(names);
    entries_ = std::move(entries);
    slots_.assign(power, kEmpty);
    used_ = live_ = 0;
    const size_t mask = power - 1;
    for (uint32_t number = 0; number < entries_.size(); ++number) {
        const uint64_t hash = hashOf(loweredOf(entries_[number]));
        size_t slot = hash & mask;
        while (slots_[slot] != kEmpty) slot = (slot + 1) & mask;
        slots_[slot] = slotFor(hash, number);
        ++used_;
        ++live_;
    }
}

}  // namespace vx::posix
