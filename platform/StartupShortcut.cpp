#include "platform/StartupShortcut.h"

#include "platform/SystemText.h"

#include <windows.h>

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <memory>

namespace {

// COM on this thread for as long as it lives; left alone where it was set
// up otherwise.
class ComScope {
public:
    ComScope() : m_hr(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (SUCCEEDED(m_hr)) {
            ::CoUninitialize();
        }
    }

private:
    HRESULT m_hr;
};

// Releases one COM interface.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() {
        if (m_p != nullptr) {
            m_p->Release();
        }
    }
    T* operator->() const { return m_p; }
    void** Out() { return reinterpret_cast<void**>(&m_p); }

private:
    T* m_p = nullptr;
};

struct TaskMemFree {
    void operator()(wchar_t* p) const { ::CoTaskMemFree(p); }
};

// A path in its long form, for comparing; as given when that fails.
std::wstring LongPath(const std::wstring& path) {
    wchar_t buf[MAX_PATH * 4];
    const DWORD n = ::GetLongPathNameW(path.c_str(), buf, static_cast<DWORD>(std::size(buf)));
    return n > 0 && n < std::size(buf) ? std::wstring(buf, n) : path;
}

std::wstring ThisExe() {
    wchar_t buf[MAX_PATH * 4];
    const DWORD n = ::GetModuleFileNameW(nullptr, buf, static_cast<DWORD>(std::size(buf)));
    return std::wstring(buf, n < std::size(buf) ? n : 0);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    const std::wstring x = LongPath(a);
    const std::wstring y = LongPath(b);
    return ::CompareStringOrdinal(x.c_str(), static_cast<int>(x.size()), y.c_str(),
                                  static_cast<int>(y.size()), TRUE) == CSTR_EQUAL;
}

std::uint32_t ErrorOf(HRESULT hr) {
    return HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr)
                                                  : static_cast<std::uint32_t>(hr);
}

} // namespace

std::wstring CStartupShortcut::WorkingFolder() {
    const DWORD n = ::GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(n, L'\0');
    folder.resize(::GetCurrentDirectoryW(n, folder.data()));
    return folder;
}

bool CStartupShortcut::Read() {
    m_why.clear();
    m_found = Found::None;
    wchar_t* raw = nullptr;
    const HRESULT hr = ::SHGetKnownFolderPath(FOLDERID_Startup, 0, nullptr, &raw);
    const std::unique_ptr<wchar_t, TaskMemFree> folder(raw);
    DWORD error = FAILED(hr) ? ErrorOf(hr) : 0;
    if (error == 0 && ::GetFileAttributesW(folder.get()) == INVALID_FILE_ATTRIBUTES) {
        error = ::GetLastError();
    }
    if (error != 0) {
        m_why = L"スタートアップ フォルダーを読めません: " + SystemMessage(error);
        return false;
    }
    m_link = std::wstring(folder.get()) + L"\\Quillaberton.lnk";
    if (::GetFileAttributesW(m_link.c_str()) == INVALID_FILE_ATTRIBUTES &&
        ::GetLastError() == ERROR_FILE_NOT_FOUND) {
        return true;
    }
    // A link that cannot be read counts as another program's.
    m_found = Found::Other;
    ComScope com;
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    wchar_t target[MAX_PATH * 4] = {};
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IShellLinkW, link.Out())) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.Out())) &&
        SUCCEEDED(file->Load(m_link.c_str(), STGM_READ)) &&
        link->GetPath(target, static_cast<int>(std::size(target)), nullptr, SLGP_RAWPATH) == S_OK &&
        SamePath(target, ThisExe())) {
        m_found = Found::Ours;
    }
    return true;
}

bool CStartupShortcut::Apply(bool wanted) {
    if (!Read()) {
        return false;
    }
    switch (Decide(wanted, m_found)) {
    case Step::Nothing:
        return true;
    case Step::Refuse:
        m_why = L"スタートアップの Quillaberton.lnk はほかのプログラムを指しているため、"
                L"変更しません。";
        return false;
    case Step::Remove:
        if (!::DeleteFileW(m_link.c_str())) {
            m_why = L"スタートアップのショートカットを削除できませんでした: " +
                    SystemMessage(::GetLastError());
            return false;
        }
        m_found = Found::None;
        return true;
    case Step::Create:
        break;
    }
    ComScope com;
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    link.Out());
    const std::wstring exe = ThisExe();
    if (SUCCEEDED(hr)) {
        hr = link->SetPath(exe.c_str());
    }
    if (SUCCEEDED(hr)) {
        hr = link->SetWorkingDirectory(m_settingsFolder.c_str());
    }
    if (SUCCEEDED(hr)) {
        hr = link->QueryInterface(IID_IPersistFile, file.Out());
    }
    if (SUCCEEDED(hr)) {
        hr = file->Save(m_link.c_str(), TRUE);
    }
    if (FAILED(hr)) {
        m_why = L"スタートアップにショートカットを作れませんでした: " + SystemMessage(ErrorOf(hr));
        return false;
    }
    m_found = Found::Ours;
    return true;
}
