#include "os/programdir.h"

#include "os/files.h"

#include <string>

#include <windows.h>
// The known-folder GUIDs are defined here (selectany), so that no uuid library is needed.
#include <initguid.h>
#include <knownfolders.h>
#include <shlobj.h>

namespace xiuyun {
namespace {

std::wstring executableDirectory() {
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos)
        return {};
    // "C:\xiuyun.exe" lives in "C:\", not in "C:".
    return path.substr(0, slash == 2 && path[1] == L':' ? 3 : slash);
}

// The user's %LOCALAPPDATA% as the process was given it, then the shell's known folder: both name
// the same folder on a usual system, and the variable is the one a user or a caller can set.
std::wstring localAppData() {
    std::wstring folder;
    const DWORD size = GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0);
    folder.resize(size);
    const DWORD length = size ? GetEnvironmentVariableW(L"LOCALAPPDATA", folder.data(), size) : 0;
    folder.resize(length < size ? length : 0);
    if (folder.empty()) {
        PWSTR path = nullptr;
        if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &path)) && path)
            folder = path;
        CoTaskMemFree(path);
    }
    return folder.empty() ? folder : folder + L"\\xiuyun";
}

std::wstring inFolder(const std::wstring& folder, const wchar_t* name) {
    return folder + (folder.back() == L'\\' ? L"" : L"\\") + name;
}

// An installed program shares its folder (under Program Files) with its uninstaller, and keeps its
// files per user; a copy unpacked anywhere else keeps them beside itself.
bool isInstalled(const std::wstring& directory) {
    return GetFileAttributesW(inFolder(directory, L"uninstall.exe").c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Access rights alone do not tell: only creating a file there does.
bool isWritable(const std::wstring& directory) {
    const std::wstring probe =
        inFolder(directory, (L"xiuyun-" + std::to_wstring(GetCurrentProcessId()) + L".probe").c_str());
    HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

// A folder whose name holds a lone surrogate can't be reached through its text.
bool reachable(const Text& directory) {
    return files::canHold(directory);
}

} // namespace

Text locateProgramDirectory() {
    const std::wstring directory = executableDirectory();
    if (!directory.empty() && !isInstalled(directory) && isWritable(directory)) {
        Text text = files::fromNativePath(directory);
        if (reachable(text))
            return text;
    }
    const std::wstring fallback = localAppData();
    const Text text = files::fromNativePath(fallback);
    if (fallback.empty() || !reachable(text))
        return {};
    return files::createDirectories(text) ? text : Text{};
}

Text workingDirectory() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0)
        return {};
    std::wstring directory(size, L'\0');
    const DWORD length = GetCurrentDirectoryW(size, directory.data());
    if (length == 0 || length >= size)
        return {};
    directory.resize(length);
    return files::fromNativePath(directory);
}

bool enterProgramDirectory(const Text& directory) {
    return !directory.empty() && SetCurrentDirectoryW(files::nativePath(directory).c_str());
}

} // namespace xiuyun
