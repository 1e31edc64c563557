#include "frontends/win32/folderpicker.h"

#include "frontends/win32/widetext.h"

// After windows.h, which they need.
#include <shlobj.h>
#include <shobjidl.h>

#include <cwchar>

namespace xiuyun {
namespace {

// Releases a COM object at the end of its scope.
template <typename Interface> struct Released {
    Interface* object = nullptr;
    ~Released() {
        if (object)
            object->Release();
    }
};

bool isFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring pickWithItemDialog(HWND owner, const std::wstring& title,
                                const std::wstring& browseInitialFolder) {
    Released<IFileOpenDialog> dialog;
    if (FAILED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(&dialog.object))))
        return {};
    FILEOPENDIALOGOPTIONS options = 0;
    dialog.object->GetOptions(&options);
    dialog.object->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST |
                              FOS_NOCHANGEDIR);
    if (!title.empty())
        dialog.object->SetTitle(title.c_str());
    if (!browseInitialFolder.empty()) {
        Released<IShellItem> folder;
        if (SUCCEEDED(::SHCreateItemFromParsingName(browseInitialFolder.c_str(), nullptr,
                                                    IID_PPV_ARGS(&folder.object))))
            dialog.object->SetFolder(folder.object);
    }
    if (FAILED(dialog.object->Show(owner)))
        return {};
    Released<IShellItem> result;
    if (FAILED(dialog.object->GetResult(&result.object)))
        return {};
    wchar_t* path = nullptr;
    if (FAILED(result.object->GetDisplayName(SIGDN_FILESYSPATH, &path)) || !path)
        return {};
    std::wstring chosen(path);
    ::CoTaskMemFree(path);
    return chosen;
}

int CALLBACK selectInitialFolder(HWND dialog, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data)
        ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

// The older tree of folders, for what the item dialog cannot show: files among the folders, or
// the look the caller asks for.
std::wstring pickWithFolderTree(HWND owner, const FolderDialog& request, const std::wstring& title,
                                const std::wstring& browseInitialFolder) {
    BROWSEINFOW browse{};
    browse.hwndOwner = owner;
    browse.lpszTitle = title.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    if (request.newStyle)
        browse.ulFlags |= BIF_NEWDIALOGSTYLE;
    if (request.showEditBox)
        browse.ulFlags |= BIF_EDITBOX;
    if (request.includeFiles)
        browse.ulFlags |= BIF_BROWSEINCLUDEFILES;
    if (!browseInitialFolder.empty()) {
        browse.lpfn = selectInitialFolder;
        browse.lParam = reinterpret_cast<LPARAM>(browseInitialFolder.c_str());
    }
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&browse);
    if (!chosen)
        return {};
    std::wstring path(MAX_PATH, L'\0');
    const bool named = ::SHGetPathFromIDListW(chosen, path.data());
    ::CoTaskMemFree(chosen);
    if (!named)
        return {};
    path.resize(std::wcslen(path.c_str()));
    return path;
}

} // namespace

std::wstring pickFolder(HWND owner, const FolderDialog& request) {
    const std::wstring title = wideString(request.title);
    // Handed to the picker's initialisation as its data rather than kept program-wide.
    const std::wstring browseInitialFolder = wideString(request.initialFolder);
    const bool itemDialog = request.newStyle && !request.includeFiles;
    std::wstring chosen = itemDialog ? pickWithItemDialog(owner, title, browseInitialFolder)
                                     : pickWithFolderTree(owner, request, title, browseInitialFolder);
    // Only a folder on disk is an answer; anything else reads as a cancelled picker.
    return isFolder(chosen) ? chosen : std::wstring();
}

} // namespace xiuyun
