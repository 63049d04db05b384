#pragma once

#include <windows.h>

// Sizes at a screen's scale. The per-scale calls came with Windows 10 (1607)
// and are looked up when needed; before that, the system's scale is the only
// one, and its sizes are scaled in proportion.

// The scale of the screen the window is on (96 is 100 %).
UINT WindowDpi(HWND wnd);
// GetSystemMetrics(index) at `dpi`.
int SystemMetricForDpi(int index, UINT dpi);
