// Prints the file properties of a Windows binary as Windows reads them
// (GetFileVersionInfoW), one "name=value" line each in UTF-8, so that a test
// compares them with what the program itself says. A DLL is also loaded, to
// show that Windows finds everything it needs.
//   VersionInfoReader <file>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const wchar_t *text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.pop_back();
    return out;
}

std::string DottedVersion(DWORD high, DWORD low)
{
    return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." +
           std::to_string(HIWORD(low)) + "." + std::to_string(LOWORD(low));
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: VersionInfoReader <file>\n");
        return 2;
    }
    const wchar_t *file = argv[1];
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file, &ignored);
    if (size == 0) {
        std::fprintf(stderr, "no version information (error %lu)\n", GetLastError());
        return 1;
    }
    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoW(file, 0, size, data.data())) {
        std::fprintf(stderr, "GetFileVersionInfoW failed (error %lu)\n", GetLastError());
        return 1;
    }

    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void **>(&fixed), &length) ||
        length < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != VS_FFI_SIGNATURE) {
        std::fprintf(stderr, "no fixed file information\n");
        return 1;
    }
    std::printf("FixedFileVersion=%s\n",
                DottedVersion(fixed->dwFileVersionMS, fixed->dwFileVersionLS).c_str());
    std::printf("FixedProductVersion=%s\n",
                DottedVersion(fixed->dwProductVersionMS, fixed->dwProductVersionLS).c_str());
    std::printf("FileType=%s\n", fixed->dwFileType == VFT_DLL   ? "dll"
                                 : fixed->dwFileType == VFT_APP ? "app"
                                                                : "other");

    // The strings of the first language the file declares, as Explorer shows them.
    struct Translation {
        WORD language;
        WORD codePage;
    } *translations = nullptr;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void **>(&translations),
                        &length) ||
        length < sizeof(Translation)) {
        std::fprintf(stderr, "no translation table\n");
        return 1;
    }
    static const wchar_t *const kNames[] = {L"CompanyName",    L"FileDescription",  L"FileVersion",
                                            L"InternalName",   L"OriginalFilename", L"ProductName",
                                            L"ProductVersion", L"LegalCopyright",   L"Comments"};
    for (const wchar_t *name : kNames) {
        wchar_t path[96];
        swprintf(path, sizeof path / sizeof path[0], L"\\StringFileInfo\\%04x%04x\\%ls",
                 translations->language, translations->codePage, name);
        wchar_t *value = nullptr;
        if (VerQueryValueW(data.data(), path, reinterpret_cast<void **>(&value), &length) && value)
            std::printf("%s=%s\n", Utf8(name).c_str(), Utf8(value).c_str());
    }

    if (fixed->dwFileType == VFT_DLL) {
        // Loading resolves its imports: anything it needs that Windows lacks fails here.
        const HMODULE library = LoadLibraryW(file);
        if (!library) {
            std::printf("Loads=no (error %lu)\n", GetLastError());
        } else {
            FreeLibrary(library);
            std::printf("Loads=yes\n");
        }
    }
    return 0;
}
