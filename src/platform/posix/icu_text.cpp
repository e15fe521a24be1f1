#include "platform/posix/icu_text.h"

#include "platform/utf16.h"
#include "platform/utf8.h"

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/ucoleitr.h>
#include <unicode/uloc.h>
#include <unicode/uset.h>
#include <unicode/ustring.h>

#include <algorithm>

#include <cstring>

namespace vx::posix {
namespace {

bool isAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// The bytes of U+FFFD itself, which lower-cases to itself like any other
// character without case.
bool isReplacementCharacter(std::string_view bytes) {
    return bytes == "\xEF\xBF\xBD";
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Appends `name` with its ASCII letters lower-cased; false when it holds
// other characters too.
bool appendAsciiLower(std::string_view name, std::string& out) {
    const size_t start = out.size();
    out.append(name);
    unsigned char seen = 0;
    for (size_t i = start; i < out.size(); ++i) {
        seen |= static_cast<unsigned char>(out[i]);
        out[i] = asciiLower(out[i]);
    }
    return seen < 0x80;
}

// UTF-8 to UTF-16. A byte that does not begin a well-formed sequence (a
// stray continuation byte, an overlong form, a surrogate, a value past
// U+10FFFF, a cut-off sequence) becomes U+FFFD on its own; the result is
// false when that happened. Both the keys and the comparisons of names read
// names through this one function, so they always agree.
bool toUtf16(std::string_view name, std::u16string& out) {
    out.resize(name.size());  // never more UTF-16 units than UTF-8 bytes
    size_t units = 0;
    bool wellFormed = true;
    for (size_t i = 0; i < name.size();) {
        const Utf8Character character = utf8CharacterAt(name, i);
        i += character.length;
        wellFormed = wellFormed && character.valid;
        units += putUtf16(out.data() + units, character.valid ? character.code : U'\uFFFD');
    }
    out.resize(units);
    return wellFormed;
}

// ICU maps the C and POSIX locales to "en_US_POSIX", whose collation orders
// by code point with capitals first; that would not ignore letter case, so
// the root collation stands in for it.
std::string collationLocale(const std::string& locale) {
    if (locale.rfind("en_US_POSIX", 0) == 0 || locale == "c" || locale == "posix") return "";
    return locale;
}

// Whether each ASCII character can be weighed on its own, so that a name's
// primary weights are those of its characters one by one: not where digits
// are ordered as numbers, nor where the locale joins ASCII characters into
// one letter (Czech "ch", Danish "aa"). A tailored single character (Turkish
// dotless i) is fine: its weight is read from the collator. Whether a
// character expands to several weights ("x" as "ks") is seen when the
// weights are read.
bool asciiWeighsAlone(const IcuFunctions& icu, UCollator* collator) {
    UErrorCode status = U_ZERO_ERROR;
    if (icu.ucol_getAttribute(collator, UCOL_NUMERIC_COLLATION, &status) != UCOL_OFF || U_FAILURE(status))
        return false;
    USet* tailored = icu.ucol_getTailoredSet(collator, &status);
    if (U_FAILURE(status)) return false;
    bool alone = true;
    for (int32_t item = 0; alone && item < icu.uset_getItemCount(tailored); ++item) {
        UChar32 start = 0;
        UChar32 end = 0;
        UChar text[64];
        UErrorCode itemStatus = U_ZERO_ERROR;
        const int32_t length = icu.uset_getItem(tailored, item, &start, &end, text, 64, &itemStatus);
        // A contraction matters only if a name of ASCII characters can hold
        // it ("ch"); "n" + combining tilde cannot.
        if (length > 0)
            alone = !std::all_of(text, text + std::min(length, 64), [](UChar c) { return c < 0x80; });
    }
    icu.uset_close(tailored);
    return alone;
}

// Appends the primary weights of `text`'s collation elements, leaving out
// the elements without one. An element whose weight does not fit the 16 bits
// of the old element format comes with a continuation holding the rest.
bool appendPrimaries(const IcuFunctions& icu, UCollationElements* elements, const std::u16string& text,
                     std::vector<uint32_t>& out) {
    UErrorCode status = U_ZERO_ERROR;
    icu.ucol_setText(elements, text.data(), static_cast<int32_t>(text.size()), &status);
    bool lastHadPrimary = false;
    for (int32_t element = icu.ucol_next(elements, &status); element != UCOL_NULLORDER && U_SUCCESS(status);
         element = icu.ucol_next(elements, &status)) {
        const uint32_t high = static_cast<uint32_t>(element) >> 16;
        if ((element & 0xC0) == 0xC0) {  // a continuation
            if (lastHadPrimary) out.back() |= high;
            continue;
        }
        lastHadPrimary = high != 0;
        if (lastHadPrimary) out.push_back(high << 16);
    }
    return U_SUCCESS(status);
}

// The weights that occur among many names, each with its rank among them
// (1 for the lowest): an open-addressing table, as there are few weights
// and many look-ups.
class WeightRanks {
public:
    WeightRanks() : slots_(256, Slot{}) {}

    void add(uint32_t weight) {
        if ((count_ + 1) * 2 > slots_.size()) grow();
        Slot& slot = slots_[find(weight)];
        if (slot.weight == weight) return;
        slot = {weight, 0};
        ++count_;
    }

    // Once every weight is in: the number of them, with their ranks given.
    size_t number() {
        std::vector<uint32_t> sorted;
        sorted.reserve(count_);
        for (const Slot& slot : slots_) {
            if (slot.weight != 0) sorted.push_back(slot.weight);
        }
        std::sort(sorted.begin(), sorted.end());
        for (size_t rank = 0; rank < sorted.size(); ++rank)
            slots_[find(sorted[rank])].rank = static_cast<uint32_t>(rank + 1);
        return sorted.size();
    }

    [[nodiscard]] uint32_t rankOf(uint32_t weight) const { return slots_[find(weight)].rank; }

private:
    struct Slot {
        uint32_t weight = 0;  // 0: empty (no weight is 0)
        uint32_t rank = 0;
    };

    [[nodiscard]] size_t find(uint32_t weight) const {
        const size_t mask = slots_.size() - 1;
        // Weights often end in zero bytes: their bits are mixed first.
        uint32_t mixed = weight ^ (weight >> 16);
        mixed *= 0x85EBCA6Bu;
        mixed ^= mixed >> 13;
        mixed *= 0xC2B2AE35u;
        mixed ^= mixed >> 16;
        size_t at = mixed & mask;
        while (slots_[at].weight != 0 && slots_[at].weight != weight) at = (at + 1) & mask;
        return at;
    }

    void grow() {
        std::vector<Slot> old(slots_.size() * 2, Slot{});
        old.swap(slots_);
        for (const Slot& slot : old) {
            if (slot.weight != 0) slots_[find(slot.weight)] = slot;
        }
    }

    std::vector<Slot> slots_;
    size_t count_ = 0;
};

}  // namespace

IcuText::IcuText(const char* locale)
    : IcuText(systemIcu().ok() ? &systemIcu().value().functions : nullptr, locale) {}

IcuText::IcuText(const IcuFunctions* icu, const char* locale) : icu_(icu) {
    if (!icu_) {
        locale_ = locale ? locale : "";
        return;  // no collator: names are ordered by their lower-cased bytes
    }
    locale_ = locale ? locale : icu_->uloc_getDefault();
    UErrorCode status = U_ZERO_ERROR;
    collator_ = icu_->ucol_open(collationLocale(locale_).c_str(), &status);
    if (U_FAILURE(status)) {
        status = U_ZERO_ERROR;
        collator_ = icu_->ucol_open("", &status);
    }
    if (U_FAILURE(status)) {
        collator_ = nullptr;  // keys fall back to the lower-cased bytes
        return;
    }
    // Secondary strength: letters and accents count, letter case does not.
    icu_->ucol_setStrength(collator_, UCOL_SECONDARY);
    icu_->ucol_setAttribute(collator_, UCOL_CASE_LEVEL, UCOL_OFF, &status);
    // Where accents count from the end of the name (Canadian French), ICU's
    // direct comparison can disagree with its own sort keys; compare keys.
    compareByKeys_ = icu_->ucol_getAttribute(collator_, UCOL_FRENCH_COLLATION, &status) == UCOL_ON;
    if (!asciiWeighsAlone(*icu_, collator_)) return;
    elements_ = icu_->ucol_openElements(collator_, nullptr, 0, &status);
    if (U_FAILURE(status)) {
        elements_ = nullptr;
        return;
    }
    std::vector<uint32_t> weights(0x80, 0);
    std::vector<uint32_t> primaries;
    for (char16_t c = 1; c < 0x80; ++c) {
        primaries.clear();
        if (!appendPrimaries(*icu_, elements_, std::u16string(1, c), primaries) || primaries.size() > 1)
            return;
        if (!primaries.empty()) weights[c] = primaries.front();
    }
    asciiPrimaries_ = std::move(weights);
}

IcuText::~IcuText() {
    if (elements_) icu_->ucol_closeElements(elements_);
    if (collator_) icu_->ucol_close(collator_);
}

// Character by character, by the simple mapping (u_tolower), which is the
// same in every locale. Bytes that do not form a character are kept; without
// ICU only ASCII letters are lowered.
void IcuText::appendLower(std::string_view name, std::string& out) const {
    if (appendAsciiLower(name, out)) return;
    out.resize(out.size() - name.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(name.data());
    const auto length = static_cast<int32_t>(name.size());
    for (int32_t at = 0; at < length;) {
        if (bytes[at] < 0x80) {
            out += asciiLower(static_cast<char>(bytes[at++]));
            continue;
        }
        const int32_t begin = at;
        UChar32 code = 0;
        U8_NEXT_OR_FFFD(bytes, at, length, code);
        if (code == 0xFFFD && !isReplacementCharacter(name.substr(begin, at - begin))) {
            out.append(name.substr(begin, at - begin));  // not a character: kept as it is
            continue;
        }
        uint8_t lowered[U8_MAX_LENGTH];
        int32_t written = 0;
        U8_APPEND_UNSAFE(lowered, written, icu_ ? icu_->u_tolower(code) : code);
        out.append(reinterpret_cast<const char*>(lowered), static_cast<size_t>(written));
    }
}

int IcuText::compare(std::string_view a, std::string_view b) const {
    if (!collator_) {
        std::string lowerA;
        std::string lowerB;
        appendLower(a, lowerA);
        appendLower(b, lowerB);
        return lowerA.compare(lowerB);
    }
    const bool asciiPair = !asciiPrimaries_.empty() && isAscii(a) && isAscii(b);
    if (asciiPair || compareByKeys_) {
        std::string keyA;
        std::string keyB;
        if (asciiPair) {
            appendSortKey(a, keyA);
            appendSortKey(b, keyB);
        } else {
            appendCollationKey(a, keyA);
            appendCollationKey(b, keyB);
        }
        return keyA.compare(keyB);
    }
    toUtf16(a, utf16_);
    toUtf16(b, utf16Other_);
    return icu_->ucol_strcoll(collator_, utf16_.data(), static_cast<int32_t>(utf16_.size()),
                              utf16Other_.data(), static_cast<int32_t>(utf16Other_.size()));
}

// Where ASCII characters weigh alone, every name's key is its primary
// weights, four bytes each: for ASCII names straight from a table, for the
// others from the collator's elements. Those keys order names as the
// collator does wherever they differ; names of equal weights (accents
// aside) are then compared in full. Elsewhere the key is the collator's own.
int IcuText::appendSortKey(std::string_view name, std::string& out) const {
    if (!collator_) {
        appendLower(name, out);
        return kCollationKey;
    }
    if (!asciiPrimaries_.empty()) {
        const auto appendWeight = [&out](uint32_t weight) {
            const char bytes[4] = {static_cast<char>(weight >> 24), static_cast<char>(weight >> 16),
                                   static_cast<char>(weight >> 8), static_cast<char>(weight)};
            out.append(bytes, 4);
        };
        if (isAscii(name)) {
            for (const char c : name) {
                if (const uint32_t weight = asciiPrimaries_[static_cast<unsigned char>(c)])
                    appendWeight(weight);
            }
            return kPrimaryWeightKey;
        }
        std::vector<uint32_t>& weights = weights_;
        weights.clear();
        toUtf16(name, utf16_);
        if (appendPrimaries(*icu_, elements_, utf16_, weights)) {
            for (const uint32_t weight : weights) appendWeight(weight);
            return kPrimaryWeightKey;
        }
    }
    appendCollationKey(name, out);
    return kCollationKey;
}

void IcuText::appendSortKeys(std::span<const std::string_view> names, SortKeys& out) const {
    std::string& keys = out.bytes;
    keys.reserve(keys.size() + names.size() * 20);
    out.ends.reserve(out.ends.size() + names.size());
    out.families.reserve(out.families.size() + names.size());
    if (asciiPrimaries_.empty()) {
        for (const std::string_view name : names) out.add(appendSortKey(name, keys));
        return;
    }

    // The weights of the names that are not ASCII; an empty run marks one
    // for which the collator gave none, which gets the collator's own key.
    std::vector<uint32_t> weights;
    std::vector<size_t> starts;
    std::vector<uint8_t> ascii(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        starts.push_back(weights.size());
        ascii[i] = isAscii(names[i]);
        if (ascii[i]) continue;
        toUtf16(names[i], utf16_);
        if (!appendPrimaries(*icu_, elements_, utf16_, weights)) weights.resize(starts.back());
    }
    starts.push_back(weights.size());

    // Few weights occur, many times each: a small table gives each its rank.
    WeightRanks ranks;
    for (const uint32_t weight : weights) ranks.add(weight);
    for (const uint32_t weight : asciiPrimaries_) {
        if (weight != 0) ranks.add(weight);
    }
    const size_t distinct = ranks.number();
    const int width = distinct < 0xFF ? 1 : distinct < 0xFFFF ? 2 : 4;
    const auto rankOf = [&](uint32_t weight) { return ranks.rankOf(weight); };
    const auto appendRank = [&](uint32_t rank) {
        for (int shift = (width - 1) * 8; shift >= 0; shift -= 8) keys += static_cast<char>(rank >> shift);
    };
    // Each ASCII character's rank, 0 for those without a weight.
    uint32_t asciiRanks[0x80] = {};
    for (size_t c = 1; c < 0x80; ++c) {
        if (asciiPrimaries_[c] != 0) asciiRanks[c] = rankOf(asciiPrimaries_[c]);
    }

    for (size_t i = 0; i < names.size(); ++i) {
        int family = kPrimaryRankKey;
        if (ascii[i] && width == 1) {
            for (const char c : names[i]) {
                if (const uint32_t rank = asciiRanks[static_cast<unsigned char>(c)])
                    keys.push_back(static_cast<char>(rank));
            }
        } else if (ascii[i]) {
            for (const char c : names[i]) {
                if (const uint32_t rank = asciiRanks[static_cast<unsigned char>(c)]) appendRank(rank);
            }
        } else if (starts[i] == starts[i + 1] && !names[i].empty()) {
            appendCollationKey(names[i], keys);
            family = kCollationKey;
        } else {
            for (size_t w = starts[i]; w < starts[i + 1]; ++w) appendRank(rankOf(weights[w]));
        }
        out.add(family);
    }
}

void IcuText::appendCollationKey(std::string_view name, std::string& out) const {
    toUtf16(name, utf16_);
    const std::u16string& text = utf16_;
    const size_t start = out.size();
    size_t room = text.size() * 4 + 16;
    for (;;) {
        out.resize(start + room);
        const int32_t needed =
            icu_->ucol_getSortKey(collator_, text.data(), static_cast<int32_t>(text.size()),
                                  reinterpret_cast<uint8_t*>(out.data() + start), static_cast<int32_t>(room));
        if (needed > 0 && static_cast<size_t>(needed) <= room) {
            out.resize(start + static_cast<size_t>(needed) - 1);  // drop the terminating zero
            return;
        }
        if (needed <= 0) {  // the collator failed: order by the lower-cased bytes
            out.resize(start);
            appendLower(name, out);
            return;
        }
        room = static_cast<size_t>(needed);
    }
}

}  // namespace vx::posix
