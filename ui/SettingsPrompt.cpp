#include "ui/SettingsPrompt.h"

#include "framework/Text.h"
#include "platform/SystemText.h"

namespace {
constexpr wchar_t kCaption[] = L"Quillaberton";
} // namespace

std::wstring CSettingsPrompt::FullPath(const std::string& path) {
    const std::wstring name = Cp932ToWide(path);
    return FullPathName(name).value_or(name);
}

int CSettingsPrompt::Box(const std::wstring& text, UINT type) const {
    return ::MessageBoxW(m_owner, text.c_str(), kCaption, type);
}

void CSettingsPrompt::TellLoadProblems(const LoadStatus& status) {
    std::wstring text;
    if (status.file == LoadStatus::File::Unreadable) {
        text = L"設定ファイルを読み込めませんでした。\n\n" + FullPath(m_path) + L"\n" +
               SystemMessage(status.error) +
               L"\n\n一覧は空のまま起動します。このファイルは上書きしません。";
    } else {
        text = L"設定ファイルの一部を読み込めませんでした。\n\n" + FullPath(m_path) + L"\n";
        if (status.leftOut > 0) {
            text += L"\n項目が欠けている " + std::to_wstring(status.leftOut) +
                    L" 件の設定は読み込んでいません。";
        }
        if (status.lossyNames > 0) {
            text += L"\n名前に保存できない文字を含む " + std::to_wstring(status.lossyNames) +
                    L" 件の設定は、その文字を「?」にして読み込みました。";
        }
        text += L"\n\nファイルは、次に設定を変更して保存するまでそのまま残します。";
    }
    Box(text, MB_OK | MB_ICONWARNING);
}

bool CSettingsPrompt::AskOverwrite(bool) {
    const std::wstring text =
        L"設定ファイルは起動時に読み込めなかったため、上書きしていません。\n\n" + FullPath(m_path) +
        L"\n\n今の一覧でこのファイルを上書きしますか？\n（「いいえ」ならファイルはそのまま残ります"
        L"。）";
    return Box(text, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

void CSettingsPrompt::TellSaveFailed(const SaveStatus& status) {
    Box(SaveFailureText(status) + L"\n\n変更した内容は、このプログラムを終了するまで使われます。",
        MB_OK | MB_ICONWARNING);
}

bool CSettingsPrompt::AskEndWithoutSaving(const SaveStatus& status) {
    // Ending now would lose every change of this run without a word: the
    // user decides, and "no" is the default.
    return Box(SaveFailureText(status) + L"\n\n保存せずに終了しますか？",
               MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

std::wstring CSettingsPrompt::SaveFailureText(const SaveStatus& status) const {
    const std::wstring path = FullPath(m_path);
    std::wstring text =
        L"設定を保存できませんでした。\n\n" + path + L"\n" + SystemMessage(status.error);
    switch (status.left) {
    case SaveLeft::OldFile:
        text += L"\n\nファイルは保存前のまま残っています。";
        break;
    case SaveLeft::NoFile:
        text += L"\n\nこのファイルはまだありません。";
        break;
    case SaveLeft::OldInTemporary:
        text += L"\n\n保存前の一覧は " + FullPath(status.heldIn) +
                L" にあり、次の起動時にそこから読み込みます。";
        break;
    case SaveLeft::NewInTemporary:
        text += L"\n\n新しい内容は " + FullPath(status.heldIn) +
                L" に書かれています。次の起動時にそこから読み込みます。";
        break;
    case SaveLeft::Damaged:
        text += L"\n\nファイルが壊れているおそれがあります。";
        break;
    }
    return text;
}
