// The built program, read back as Windows reads it: its version information,
// icon, banner and manifest, and the shape of the file itself (32-bit, system
// DLLs only, small).
#include <resource_ids.h>
#include <version.h>

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace {

std::wstring widen(std::string_view text) {
    std::wstring out(text.size(), L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                           static_cast<int>(out.size()));
    out.resize(static_cast<size_t>(std::max(length, 0)));
    return out;
}

const std::wstring& program() {
    static const std::wstring path = widen(VX_PROGRAM);
    return path;
}

std::vector<uint8_t> readProgram() {
    std::ifstream in(VX_PROGRAM, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> versionBlock() {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(program().c_str(), &ignored);
    std::vector<uint8_t> block(size);
    if (size == 0 || !GetFileVersionInfoW(program().c_str(), 0, size, block.data())) block.clear();
    return block;
}

// The names of the child blocks of `parent` ("StringFileInfo"): walks the
// raw VS_VERSIONINFO tree, since VerQueryValueW cannot list them.
std::vector<std::wstring> childBlocks(const std::vector<uint8_t>& block, std::wstring_view parent) {
    struct Node {
        const uint8_t* begin;
        size_t length;
    };
    const auto align = [](size_t offset) { return (offset + 3) & ~size_t{3}; };
    const auto key = [](const Node& node) {
        return std::wstring(reinterpret_cast<const wchar_t*>(node.begin + 6));
    };
    const auto children = [&](const Node& node) {
        uint16_t valueLength = 0, type = 0;
        std::memcpy(&valueLength, node.begin + 2, 2);
        std::memcpy(&type, node.begin + 4, 2);
        size_t offset = align(6 + (key(node).size() + 1) * 2);
        offset = align(offset + (type == 1 ? valueLength * 2u : valueLength));
        std::vector<Node> found;
        while (offset + 6 < node.length) {
            uint16_t length = 0;
            std::memcpy(&length, node.begin + offset, 2);
            if (length == 0) break;
            found.push_back({node.begin + offset, length});
            offset = align(offset + length);
        }
        return found;
    };
    std::vector<std::wstring> names;
    for (const Node& table : children({block.data(), block.size()})) {
        if (key(table) != parent) continue;
        for (const Node& child : children(table)) names.push_back(key(child));
    }
    return names;
}

// A module handle that reads the program's resources without running it.
class ResourceFile {
public:
    ResourceFile()
        : module_(LoadLibraryExW(program().c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~ResourceFile() {
        if (module_) FreeLibrary(module_);
    }
    ResourceFile(const ResourceFile&) = delete;
    ResourceFile& operator=(const ResourceFile&) = delete;

    HMODULE module() const { return module_; }

    std::string_view bytes(const wchar_t* name, const wchar_t* type) const {
        const HRSRC found = FindResourceW(module_, name, type);
        if (!found) return {};
        const HGLOBAL loaded = LoadResource(module_, found);
        return {static_cast<const char*>(LockResource(loaded)), SizeofResource(module_, found)};
    }

private:
    HMODULE module_;
};

BOOL CALLBACK countResource(HMODULE, LPCWSTR, LPWSTR, LONG_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

uint16_t word(std::string_view bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8);
}

TEST(VersionInfo, FixedPartSaysOnePointOneOfAnApplication) {
    const std::vector<uint8_t> block = versionBlock();
    ASSERT_FALSE(block.empty()) << "no VERSIONINFO in " << VX_PROGRAM;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    ASSERT_EQ(size, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010001u);  // 1.1
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000000u);  // .0.0
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010001u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000000u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask & (VS_FF_DEBUG | VS_FF_PRERELEASE), 0u);
}

TEST(VersionInfo, OneSpanishUnicodeStringTableWithEveryValue) {
    const std::vector<uint8_t> block = versionBlock();
    ASSERT_FALSE(block.empty());

    WORD* translation = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &size));
    ASSERT_EQ(size, 4u) << "exactly one language and code page";
    EXPECT_EQ(translation[0], 0x0C0A);
    EXPECT_EQ(translation[1], 1200);

    EXPECT_EQ(childBlocks(block, L"StringFileInfo"), std::vector<std::wstring>{L"0C0A04B0"});

    const struct {
        const wchar_t* name;
        std::string expected;
    } values[] = {
        {L"FileVersion", "1.01"},
        {L"ProductVersion", "1.01"},
        {L"ProductName", "deDidAzorovo"},
        {L"InternalName", "deDidAzorovo"},
        {L"OriginalFilename", "deDidAzorovo.exe"},
        {L"FileDescription", "ModManager for Vexmoor"},
        {L"CompanyName", VX_COMPANY_NAME},
        {L"LegalCopyright", VX_LEGAL_COPYRIGHT},
        {L"LegalTrademarks", VX_LEGAL_TRADEMARKS},
        {L"Comments", VX_COMMENTS},
    };
    for (const auto& value : values) {
        SCOPED_TRACE(std::string(value.name, value.name + std::wcslen(value.name)));
        const std::wstring path = std::wstring(L"\\StringFileInfo\\0C0A04B0\\") + value.name;
        wchar_t* text = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&text), &length));
        EXPECT_EQ(std::wstring(text), widen(value.expected));
        EXPECT_FALSE(value.expected.empty());
    }
}

TEST(Resources, IconHasAnEightBitAndAThirtyTwoBitSixteenPixelImage) {
    ResourceFile file;
    ASSERT_NE(file.module(), nullptr);

    // One icon group, so the file and its window show the same icon.
    int groups = 0;
    EnumResourceNamesW(file.module(), MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */, countResource,
                       reinterpret_cast<LONG_PTR>(&groups));
    EXPECT_EQ(groups, 1);

    const std::string_view group = file.bytes(MAKEINTRESOURCEW(IDI_APP), MAKEINTRESOURCEW(14));
    ASSERT_GE(group.size(), 6u);
    ASSERT_EQ(word(group, 2), 1) << "an icon, not a cursor";
    ASSERT_EQ(word(group, 4), 2);
    ASSERT_EQ(group.size(), 6u + 2 * 14);  // header and two 14-byte entries
    std::multiset<int> depths;
    for (size_t entry = 6; entry < group.size(); entry += 14) {
        EXPECT_EQ(static_cast<uint8_t>(group[entry]), 16);  // width
        EXPECT_EQ(static_cast<uint8_t>(group[entry + 1]), 16);
        const int bitCount = word(group, entry + 6);
        depths.insert(bitCount);
        // The image itself: a DIB of 16 x (16 + 16 mask rows) at that depth,
        // which Windows turns into an icon.
        const std::string_view image =
            file.bytes(MAKEINTRESOURCEW(word(group, entry + 12)), MAKEINTRESOURCEW(3));
        ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER header;
        std::memcpy(&header, image.data(), sizeof header);
        EXPECT_EQ(header.biWidth, 16);
        EXPECT_EQ(header.biHeight, 32);
        EXPECT_EQ(header.biBitCount, bitCount);
        const HICON icon = CreateIconFromResourceEx(reinterpret_cast<BYTE*>(const_cast<char*>(image.data())),
                                                    static_cast<DWORD>(image.size()), TRUE, 0x00030000, 16,
                                                    16, LR_DEFAULTCOLOR);
        EXPECT_NE(icon, nullptr);
        if (icon) DestroyIcon(icon);
    }
    EXPECT_EQ(depths, (std::multiset<int>{8, 32}));
}

TEST(Resources, BannersAreGifsOfFourHundredByHundredAndTwiceThatWithAFullPalette) {
    ResourceFile file;
    ASSERT_NE(file.module(), nullptr);
    for (const auto& [id, width, height] : {std::tuple{IDR_BANNER, 400, 100}, {IDR_BANNER_2X, 800, 200}}) {
        const std::string_view gif = file.bytes(MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
        ASSERT_GE(gif.size(), 13u);
        EXPECT_EQ(gif.substr(0, 6), "GIF89a");
        EXPECT_EQ(word(gif, 6), width);
        EXPECT_EQ(word(gif, 8), height);
        const auto packed = static_cast<uint8_t>(gif[10]);
        EXPECT_TRUE(packed & 0x80) << "global colour table";
        EXPECT_EQ(packed & 0x07, 7) << "of 256 colours";
        EXPECT_EQ(gif.back(), '\x3B') << "trailer";
    }
}

TEST(Resources, ManifestAsksForThemedControlsPerMonitorDpiAndNoElevation) {
    ResourceFile file;
    ASSERT_NE(file.module(), nullptr);
    const std::string manifest(file.bytes(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24) /* RT_MANIFEST */));
    ASSERT_FALSE(manifest.empty());
    for (const char* needed :
         {"name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
          "publicKeyToken=\"6595b64144ccf1df\"", "level=\"asInvoker\"", ">true/pm</dpiAware>",
          ">PerMonitorV2,PerMonitor</dpiAwareness>", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
        EXPECT_NE(manifest.find(needed), std::string::npos) << needed;
    }
}

// The header fields and import table of a 32-bit PE file.
struct PeFile {
    uint16_t machine = 0;
    uint16_t subsystem = 0;
    std::vector<std::string> imports;
    bool ok = false;
};

PeFile parsePe(const std::vector<uint8_t>& file) {
    PeFile pe;
    const auto read = [&](size_t at, auto& value) {
        if (at + sizeof value > file.size()) return false;
        std::memcpy(&value, file.data() + at, sizeof value);
        return true;
    };
    IMAGE_DOS_HEADER dos;
    IMAGE_NT_HEADERS32 nt;
    if (!read(0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || !read(dos.e_lfanew, nt) ||
        nt.Signature != IMAGE_NT_SIGNATURE) {
        return pe;
    }
    pe.machine = nt.FileHeader.Machine;
    if (nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC) return pe;
    pe.subsystem = nt.OptionalHeader.Subsystem;

    const size_t sectionsAt =
        dos.e_lfanew + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
    std::vector<IMAGE_SECTION_HEADER> sections(nt.FileHeader.NumberOfSections);
    for (size_t i = 0; i < sections.size(); ++i) {
        if (!read(sectionsAt + i * sizeof(IMAGE_SECTION_HEADER), sections[i])) return pe;
    }
    const auto offsetOf = [&](uint32_t rva) -> size_t {
        for (const IMAGE_SECTION_HEADER& section : sections) {
            const uint32_t size = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + size) {
                return rva - section.VirtualAddress + section.PointerToRawData;
            }
        }
        return file.size();
    };

    const IMAGE_DATA_DIRECTORY& directory = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (size_t at = offsetOf(directory.VirtualAddress);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR descriptor;
        if (!read(at, descriptor)) return pe;
        if (descriptor.Name == 0) break;
        std::string name;
        for (size_t c = offsetOf(descriptor.Name); c < file.size() && file[c]; ++c) {
            name += static_cast<char>(file[c]);
        }
        pe.imports.push_back(name);
    }
    pe.ok = true;
    return pe;
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

TEST(ProgramFile, IsA32BitGuiProgramOfAtMostOneMebibyteThatNeedsOnlySystemDlls) {
    const std::vector<uint8_t> file = readProgram();
    ASSERT_FALSE(file.empty()) << VX_PROGRAM;
    EXPECT_LE(file.size(), 1u << 20);

    const PeFile pe = parsePe(file);
    ASSERT_TRUE(pe.ok);
    EXPECT_EQ(pe.machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(pe.subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    ASSERT_FALSE(pe.imports.empty());

    // Only DLLs that Windows always takes from the system directory (or, for
    // comctl32, from its side-by-side store through the manifest): the loader
    // resolves imports before the program runs, looking in the program's own
    // folder first, which is the game's. Anything else is loaded at run time.
    const std::set<std::string> system = {"kernel32.dll", "user32.dll",  "gdi32.dll",
                                          "msvcrt.dll",   "ole32.dll",   "oleaut32.dll",
                                          "advapi32.dll", "shell32.dll", "comctl32.dll"};
    for (const std::string& name : pe.imports) {
        EXPECT_TRUE(system.count(lower(name)))
            << name << " is imported but may be taken from the game's folder";
    }
    EXPECT_TRUE(std::any_of(pe.imports.begin(), pe.imports.end(),
                            [](const std::string& name) { return lower(name) == "user32.dll"; }));
}

}  // namespace
