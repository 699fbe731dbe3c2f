#include "tests/e2e-win32/WindowDriver.h"

#include <cstdio>

namespace {

// Memory in the driven process, for the structures its list view reads and fills.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, SIZE_T size)
        : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE))
    {
    }
    ~RemoteMemory()
    {
        if (address_)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteMemory(const RemoteMemory &) = delete;
    RemoteMemory &operator=(const RemoteMemory &) = delete;

    char *Address() const { return static_cast<char *>(address_); }
    bool Write(SIZE_T offset, const void *data, SIZE_T size) const
    {
        return address_ && WriteProcessMemory(process_, Address() + offset, data, size, nullptr);
    }
    bool Read(SIZE_T offset, void *data, SIZE_T size) const
    {
        return address_ && ReadProcessMemory(process_, Address() + offset, data, size, nullptr);
    }

private:
    HANDLE process_;
    void *address_;
};

} // namespace

std::vector<HWND> WindowDriver::Dialogs(DWORD processId) const
{
    struct Search {
        DWORD processId;
        std::vector<HWND> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto *s = reinterpret_cast<Search *>(context);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (owner == s->processId && IsWindowVisible(window) && std::wstring(name) == L"#32770")
                s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string WindowDriver::Text(HWND window)
{
    wchar_t text[1024] = {};
    const int length =
        static_cast<int>(SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text)));
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

std::string WindowDriver::ListItemText(HWND list, int row, int column) const
{
    constexpr int kChars = 256;
    RemoteMemory memory(process_, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<wchar_t *>(memory.Address() + sizeof(LVITEMW));
    item.cchTextMax = kChars;
    if (!memory.Write(0, &item, sizeof item))
        return {};
    const int length = static_cast<int>(SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                                     reinterpret_cast<LPARAM>(memory.Address())));
    wchar_t text[kChars] = {};
    if (length <= 0 || !memory.Read(sizeof(LVITEMW), text, sizeof text))
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

void WindowDriver::ListSelectRow(HWND list, int row) const
{
    RemoteMemory memory(process_, sizeof(LVITEMW));
    LVITEMW state{};
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    if (memory.Write(0, &state, sizeof state))
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(memory.Address()));
}

bool WindowDriver::SaveScreenshot(HWND window, const std::string &path)
{
    RECT r{};
    GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, previous);

    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::vector<char> pixels(stride * static_cast<DWORD>(height));
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
              reinterpret_cast<BITMAPINFO *>(&header), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE *out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    const bool written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                         std::fwrite(&header, sizeof header, 1, out) == 1 &&
                         std::fwrite(pixels.data(), pixels.size(), 1, out) == 1;
    return std::fclose(out) == 0 && written;
}
