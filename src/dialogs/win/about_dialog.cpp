// About: the picture of the template, and the version and three texts of the program's own
// version resource. A missing entry leaves the template's text.
#include "dialogs/win/dialogs.h"
#include "res/resource.h"

#include <cstdio>
#include <memory>
#include <new>

namespace trx {

namespace {

constexpr size_t VERSION_TEXT_SIZE = 32;
constexpr size_t ENTRY_TEXT_SIZE = 256;

struct VersionString {
    const char* path;
    int control;
};
constexpr VersionString VERSION_STRINGS[] = {
    {"\\StringFileInfo\\040704B0\\Comments", IDC_ABOUT_MAIL},
    {"\\StringFileInfo\\040704B0\\LegalTrademarks", IDC_ABOUT_AUTHOR},
    {"\\StringFileInfo\\040704B0\\PrivateBuild", IDC_ABOUT_INFO},
};

void showFileVersion(HWND dialog, const void* info) {
    void* block = nullptr;
    UINT length = 0;
    if (VerQueryValueA(info, "\\", &block, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(block);
        char text[VERSION_TEXT_SIZE];
        snprintf(text, sizeof text, "Version %i.%i", HIWORD(fixed->dwFileVersionMS),
                 LOWORD(fixed->dwFileVersionMS));
        SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, text);
    }
}

void showVersionStrings(HWND dialog, const void* info) {
    for (const VersionString& entry : VERSION_STRINGS) {
        void* value = nullptr;
        UINT length = 0;
        if (VerQueryValueA(info, entry.path, &value, &length) && value != nullptr) {
            // The length counts characters; the text is taken no further than that.
            char text[ENTRY_TEXT_SIZE];
            snprintf(text, sizeof text, "%.*s", static_cast<int>(length),
                     static_cast<const char*>(value));
            SetDlgItemTextA(dialog, entry.control, text);
        }
    }
}

BOOL onInitDialog(HWND dialog) {
    char path[MAX_PATH];
    const DWORD pathLength = GetModuleFileNameA(nullptr, path, sizeof path);
    path[pathLength < sizeof path ? pathLength : sizeof path - 1] = '\0';
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) {
        return TRUE; // no version resource: the template's texts stay
    }
    std::unique_ptr<char[]> info(new (std::nothrow) char[size]);
    if (!info || !GetFileVersionInfoA(path, 0, size, info.get())) {
        return TRUE;
    }
    showFileVersion(dialog, info.get());
    showVersionStrings(dialog, info.get());
    return TRUE;
}

} // namespace

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace trx
