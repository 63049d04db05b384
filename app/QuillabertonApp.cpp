#include "app/QuillabertonApp.h"

#include "app/CommandSender.h"
#include "command/CommandLine.h"
#include "command/ProgramName.h"
#include "platform/StoredPath.h"
#include "ui/QuillabertonDlg.h"

#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The arguments after the program's own name as Windows resolved it, as the
// C runtime splits them.
std::vector<std::wstring> Arguments(const std::wstring& module) {
    const std::wstring_view rest =
        CProgramName::ArgumentsOf(::GetCommandLineW(), module, [](std::wstring_view path) {
            std::wstring stored = StoredPath(path);
            return stored.empty() ? std::wstring(path) : stored;
        });
    // The first word is read by the program-name rule: a stand-in takes it.
    const std::wstring line = L"x " + std::wstring(rest);
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&::LocalFree)> argv(
        ::CommandLineToArgvW(line.c_str(), &count), &::LocalFree);
    if (!argv) {
        return {};
    }
    return std::vector<std::wstring>(argv.get() + std::min(count, 1), argv.get() + count);
}

// The executable's file name as stored on disk, without its extension: the
// same for `quillaberton`, `QUILLABERTON.EXE` and the short form, so that
// any spelling finds the one running copy. The name it was started by when
// the file cannot be read.
std::wstring InstanceName(const std::wstring& module, const std::wstring& started) {
    const std::wstring stored = StoredPath(module);
    return stored.empty() ? started : CWinApp::ExeNameFromModulePath(stored);
}

// /dir: the settings file is read and saved by its plain name, in the
// working folder, so this start works there. False when it is no folder
// (missing, or a file).
bool EnterFolder(const std::wstring& dir) {
    return ::SetCurrentDirectoryW(dir.c_str()) != FALSE;
}

} // namespace

// The one application object.
CQuillabertonApp theApp;

BOOL CQuillabertonApp::InitInstance() {
    AfxEnableControlContainer();
    Enable3dControlsStatic();

    using Kind = CCommandLine::Kind;
    const std::wstring module = ModulePath();
    const std::vector<std::wstring> args = Arguments(module);
    const CCommandLine command(args);
    if (command.GetKind() == Kind::Bad || (!command.Dir().empty() && !EnterFolder(command.Dir()))) {
        m_exitCode = CCommandSender::WriteUsage(CCommandLine::kBadArguments);
        return FALSE;
    }
    if (command.GetKind() == Kind::Help) {
        m_exitCode = CCommandSender::WriteUsage(CCommandLine::kDone);
        return FALSE;
    }
    const std::wstring name = InstanceName(module, m_pszExeName);
    // Without a running copy these mean nothing: the name is not taken, so
    // that a plain start meanwhile is not turned away.
    if (command.NeedsRunningCopy()) {
        m_exitCode = CSingleInstance::IsHeld(name)
                         ? CCommandSender(CSingleInstance::FindFirstWindow(name)).Send(command)
                         : CCommandLine::kNoRunningCopy;
        return FALSE;
    }

    // One copy per executable name: a copy under another name is a separate
    // program.
    m_instance = std::make_unique<CSingleInstance>(name);
    if (m_instance->GetStart() == CSingleInstance::Start::Second) {
        if (command.GetKind() == Kind::None) {
            m_instance->BringFirstForward();
        } else {
            m_exitCode = CCommandSender(CSingleInstance::FindFirstWindow(name)).Send(command);
        }
    }
    if (m_instance->GetStart() != CSingleInstance::Start::First) {
        return FALSE;
    }
    {
        auto dlg = std::make_unique<CQuillabertonDlg>(*m_instance);
        if (command.GetKind() != Kind::None) {
            dlg->ApplyAtStart(command); // /timer, /show
        }
        m_pMainWnd = dlg.get();
        dlg->DoModal();
        m_pMainWnd = nullptr;
    }
    return FALSE;
}
