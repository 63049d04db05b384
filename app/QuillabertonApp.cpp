#include "app/QuillabertonApp.h"

#include "app/CommandSender.h"
#include "command/CommandLine.h"
#include "ui/QuillabertonDlg.h"

#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// The arguments after the program's own name, as the C runtime splits them.
std::vector<std::wstring> Arguments() {
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&::LocalFree)> argv(
        ::CommandLineToArgvW(::GetCommandLineW(), &count), &::LocalFree);
    if (!argv) {
        return {};
    }
    return std::vector<std::wstring>(argv.get() + std::min(count, 1), argv.get() + count);
}

} // namespace

// The one application object.
CQuillabertonApp theApp;

BOOL CQuillabertonApp::InitInstance() {
    AfxEnableControlContainer();
    Enable3dControlsStatic();

    using Kind = CCommandLine::Kind;
    const std::vector<std::wstring> args = Arguments();
    const CCommandLine command(args);
    if (command.GetKind() == Kind::Bad || command.GetKind() == Kind::Help) {
        m_exitCode = CCommandSender::WriteUsage(
            command.GetKind() == Kind::Bad ? CCommandLine::kBadArguments : CCommandLine::kDone);
        return FALSE;
    }
    // Without a running copy these mean nothing: the name is not taken, so
    // that a plain start meanwhile is not turned away.
    if (command.NeedsRunningCopy()) {
        m_exitCode =
            CSingleInstance::IsHeld(m_pszExeName)
                ? CCommandSender(CSingleInstance::FindFirstWindow(m_pszExeName)).Send(command)
                : CCommandLine::kNoRunningCopy;
        return FALSE;
    }

    // One copy per executable name: a copy under another name is a separate
    // program.
    m_instance = std::make_unique<CSingleInstance>(m_pszExeName);
    if (m_instance->GetStart() == CSingleInstance::Start::Second) {
        if (command.GetKind() == Kind::None) {
            m_instance->BringFirstForward();
        } else {
            m_exitCode =
                CCommandSender(CSingleInstance::FindFirstWindow(m_pszExeName)).Send(command);
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
