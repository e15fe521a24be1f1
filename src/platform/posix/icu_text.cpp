#include "platform/posix/icu_text.h"

#include <unicode/ucol.h>
#include <unicode/uloc.h>
#include <unicode/ustring.h>

#include <cstring>

namespace vx::posix {
namespace {

bool isAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

void appendAsciiLower(std::string_view name, std::string& out) {
    const size_t start = out.size();
    out.append(name);
    for (size_t i = start; i < out.size(); ++i) out[i] = asciiLower(out[i]);
}

// UTF-8 to UTF-16. With `substitute`, ill-formed bytes become U+FFFD;
// without, the conversion fails on them and the result is false.
bool toUtf16(std::string_view name, std::u16string& out, bool substitute) {
    // UTF-16 never needs more units than UTF-8 has bytes.
    out.resize(name.size());
    unsigned char seen = 0;  // all bytes OR-ed: ASCII text is widened in one pass
    for (size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        seen |= byte;
        out[i] = byte;
    }
    if (seen < 0x80) return true;

    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    if (substitute) {
        u_strFromUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, name.data(),
                             static_cast<int32_t>(name.size()), 0xFFFD, nullptr, &status);
    } else {
        u_strFromUTF8(out.data(), static_cast<int32_t>(out.size()), &length, name.data(),
                      static_cast<int32_t>(name.size()), &status);
    }
    if (U_FAILURE(status)) return false;
    out.resize(static_cast<size_t>(length));
    return true;
}

// ICU maps the C and POSIX locales to "en_US_POSIX", whose collation orders
// by code point with capitals first; that would not ignore letter case, so
// the root collation stands in for it.
std::string collationLocale(const std::string& locale) {
    if (locale.rfind("en_US_POSIX", 0) == 0 || locale == "c" || locale == "posix") return "";
    return locale;
}

}  // namespace

IcuText::IcuText(const char* locale) : locale_(locale ? locale : uloc_getDefault()) {
    char language[16] = {};
    UErrorCode status = U_ZERO_ERROR;
    uloc_getLanguage(locale_.c_str(), language, sizeof language, &status);
    asciiLowerIsPlain_ = std::strcmp(language, "tr") != 0 && std::strcmp(language, "az") != 0;

    status = U_ZERO_ERROR;
    collator_ = ucol_open(collationLocale(locale_).c_str(), &status);
    if (U_FAILURE(status)) {
        status = U_ZERO_ERROR;
        collator_ = ucol_open("", &status);
    }
    if (U_FAILURE(status)) {
        collator_ = nullptr;  // keys fall back to the lower-cased bytes
        return;
    }
    // Secondary strength: letters and accents count, letter case does not.
    ucol_setStrength(collator_, UCOL_SECONDARY);
}

IcuText::~IcuText() {
    if (collator_) ucol_close(collator_);
}

void IcuText::appendLower(std::string_view name, std::string& out) const {
    if (asciiLowerIsPlain_ && isAscii(name)) return appendAsciiLower(name, out);

    std::u16string text;
    if (!toUtf16(name, text, false)) return appendAsciiLower(name, out);

    std::u16string lowered(text.size() + 8, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = u_strToLower(lowered.data(), static_cast<int32_t>(lowered.size()), text.data(),
                                  static_cast<int32_t>(text.size()), locale_.c_str(), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        lowered.resize(static_cast<size_t>(length));
        status = U_ZERO_ERROR;
        length = u_strToLower(lowered.data(), static_cast<int32_t>(lowered.size()), text.data(),
                              static_cast<int32_t>(text.size()), locale_.c_str(), &status);
    }
    if (U_FAILURE(status)) return appendAsciiLower(name, out);

    // Each UTF-16 unit takes at most three bytes of UTF-8.
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(length) * 3);
    int32_t written = 0;
    status = U_ZERO_ERROR;
    u_strToUTF8(out.data() + start, static_cast<int32_t>(out.size() - start), &written, lowered.data(),
                length, &status);
    out.resize(U_FAILURE(status) ? start : start + static_cast<size_t>(written));
    if (U_FAILURE(status)) appendAsciiLower(name, out);
}

void IcuText::appendSortKey(std::string_view name, std::string& out) const {
    if (!collator_) return appendLower(name, out);

    toUtf16(name, utf16_, true);
    const std::u16string& text = utf16_;
    const size_t start = out.size();
    size_t room = text.size() * 4 + 16;
    for (;;) {
        out.resize(start + room);
        const int32_t needed =
            ucol_getSortKey(collator_, text.data(), static_cast<int32_t>(text.size()),
                            reinterpret_cast<uint8_t*>(out.data() + start), static_cast<int32_t>(room));
        if (needed > 0 && static_cast<size_t>(needed) <= room) {
            out.resize(start + static_cast<size_t>(needed) - 1);  // drop the terminating zero
            return;
        }
        if (needed <= 0) {  // the collator failed: order by the bytes themselves
            out.resize(start);
            return appendLower(name, out);
        }
        room = static_cast<size_t>(needed);
    }
}

}  // namespace vx::posix
