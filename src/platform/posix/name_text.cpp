#include "platform/posix/name_text.h"

#include "platform/name_order.h"
#include "platform/utf16.h"
#include "platform/utf8.h"

namespace vx::posix {
namespace {

// In the C and POSIX locales QCollator compares code points, which would
// not ignore letter case; English, which keeps Unicode's own order, stands
// in for them.
QLocale collationLocale(const char* locale) {
    const QLocale chosen = locale ? QLocale(QString::fromLatin1(locale)) : QLocale::system().collation();
    return chosen.language() == QLocale::C ? QLocale(QLocale::English) : chosen;
}

// Puts `name` into `text` as UTF-16, reusing its room.
const QString& textOf(std::string_view name, QString& text) {
    text.resize(static_cast<qsizetype>(name.size()));  // never more units than bytes
    auto* units = reinterpret_cast<char16_t*>(text.data());
    size_t length = 0;
    for (size_t at = 0; at < name.size();) {
        const Utf8Character character = utf8CharacterAt(name, at);
        at += character.length;
        length += putUtf16(units + length, character.valid ? character.code : U'\uFFFD');
    }
    text.resize(static_cast<qsizetype>(length));
    return text;
}

}  // namespace

NameText::NameText(const char* locale) : collator_(collationLocale(locale)) {
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

void NameText::appendLower(std::string_view name, std::string& out) const {
    for (size_t at = 0; at < name.size();) {
        if (static_cast<unsigned char>(name[at]) < 0x80) {  // most names are ASCII
            out += asciiLower(name[at++]);
            continue;
        }
        const Utf8Character character = utf8CharacterAt(name, at);
        if (character.valid) {
            // QChar leaves İ as it is, as its full lower case is two
            // characters; its simple one is i.
            appendUtf8(out, character.code == U'\u0130' ? U'i' : QChar::toLower(character.code));
        } else {
            out += name[at];  // not a character: kept as it is
        }
        at += character.length;
    }
}

// Every comparison goes through sort keys: where accents count from the end
// of the name (Canadian French), ICU's direct comparison can disagree with
// its own keys.
std::vector<uint32_t> NameText::sortedOrder(std::span<const std::string_view> names) const {
    std::vector<QCollatorSortKey> keys;
    keys.reserve(names.size());
    QString text;
    for (const std::string_view name : names) keys.push_back(collator_.sortKey(textOf(name, text)));
    return orderByKeys(names, [&keys](uint32_t a, uint32_t b) { return keys[a].compare(keys[b]); });
}

int NameText::compare(std::string_view a, std::string_view b) const {
    QString text;
    return collator_.sortKey(textOf(a, text)).compare(collator_.sortKey(textOf(b, text)));
}

}  // namespace vx::posix
