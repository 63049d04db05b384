// The framework's entry point: the program's work happens in the
// application object's InitInstance.
#include "framework/WinApp.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, PWSTR, int nCmdShow) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) {
        return -1;
    }
    app->WinInit(hInstance, nCmdShow);
    if (!app->InitInstance()) {
        return app->ExitInstance();
    }
    return app->Run();
}
