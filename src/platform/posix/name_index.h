// The entries of one directory by their lower-cased names, so that "is there
// anything called X in any letter case" and "which entries are called X in
// some letter case" are answered without reading the directory.
//
// Names and their lower cases live in one buffer; an open-addressing table
// of entry numbers, keyed by the lower case, finds them. Several entries may
// share a lower case (a file system that tells letter case apart can hold
// "Foo" and "FOO"). Inserting an entry that is there already, or erasing one
// that is not, changes nothing, so a stream of changes may be replayed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vx::posix {

class NameIndex {
public:
    void clear();
    // Makes room for `entries` entries whose names and lower cases take
    // `bytes` bytes in all.
    void reserve(size_t entries, size_t bytes = 0);

    void insert(std::string_view lowered, std::string_view name);
    // The same for many entries read in a row (a whole directory): the
    // table's slots for the next few are fetched from memory while the
    // current one goes in.
    class Batch {
    public:
        explicit Batch(NameIndex& index) : index_(index) {}
        ~Batch() { flush(); }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        void insert(std::string_view lowered, std::string_view name);
        void flush();

    private:
        static constexpr size_t kAhead = 16;
        NameIndex& index_;
        struct Waiting {
            uint64_t hash;
            uint32_t number;  // the entry, already in the index's buffer
        };
        std::vector<Waiting> waiting_;
    };
    void erase(std::string_view lowered, std::string_view name);

    // Calls `visit` with each entry's name whose lower case is `lowered`.
    void forEach(std::string_view lowered, const std::function<void(std::string_view name)>& visit) const;

private:
    struct Entry {
        uint32_t offset;  // the lower case, then the name, in names_
        uint32_t loweredLength;
        uint32_t nameLength;
    };
    // A slot holds an entry's number and the high half of its lower case's
    // hash, so most slots that do not match are passed without looking at
    // the entry.
    static constexpr uint64_t kEmpty = UINT64_MAX;
    static constexpr uint64_t kErased = UINT64_MAX - 1;
    static uint64_t slotFor(uint64_t hash, uint32_t number) { return (hash & 0xFFFFFFFF00000000u) | number; }
    static uint32_t numberIn(uint64_t slot) { return static_cast<uint32_t>(slot); }

    [[nodiscard]] std::string_view loweredOf(const Entry& entry) const {
        return std::string_view(names_).substr(entry.offset, entry.loweredLength);
    }
    [[nodiscard]] std::string_view nameOf(const Entry& entry) const {
        return std::string_view(names_).substr(entry.offset + entry.loweredLength, entry.nameLength);
    }
    // The slot that holds the entry (lowered, name), or kEmpty's slot where
    // it would go.
    [[nodiscard]] size_t find(uint64_t hash, std::string_view lowered, std::string_view name,
                              bool& found) const;
    void rebuild(size_t capacity);
    // Adds an entry to the buffer without giving it a slot yet.
    uint32_t append(std::string_view lowered, std::string_view name);
    // Gives the entry a slot, unless the same entry has one already (the
    // copy then stays unused in the buffer until the table is rebuilt).
    void place(uint64_t hash, uint32_t number);

    std::string names_;
    std::vector<Entry> entries_;
    std::vector<uint64_t> slots_;
    size_t live_ = 0;
    size_t used_ = 0;  // slots not empty, erased ones included
};

}  // namespace vx::posix
