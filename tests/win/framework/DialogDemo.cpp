// Shows the framework's test dialog for a few seconds (for a screenshot).
#include "TestSupport.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CTestDialog dialog;
    if (!dialog.Create(IDD_TEST)) return 1;
    dialog.SetWindowPos(nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    dialog.ShowWindow(SW_SHOW);
    const ULONGLONG start = GetTickCount64();
    fw::PumpUntil([&] { return GetTickCount64() - start > 6000; }, 7000);
    dialog.DestroyWindow();
    return 0;
}
