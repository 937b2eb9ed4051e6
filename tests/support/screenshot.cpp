// Saves the whole (virtual) screen as a 24-bit BMP; `make test` turns them into PNGs.
#include <windows.h>

#include <string>
#include <vector>

#include "gui.h"
#include "paths.h"

namespace vftest {

void SaveScreenshotAs(const std::string& path) {
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    int stride = (width * 3 + 3) & ~3;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * height);
    GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);

    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof header + sizeof info;
    header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
    std::string bytes(reinterpret_cast<char*>(&header), sizeof header);
    bytes.append(reinterpret_cast<char*>(&info), sizeof info);
    bytes.append(reinterpret_cast<char*>(pixels.data()), pixels.size());
    WriteFileBytes(path, bytes);

    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

void SaveScreenshot(const std::string& name) { SaveScreenshotAs(ScreenshotDir() + "\\" + name + ".bmp"); }

}  // namespace vftest
