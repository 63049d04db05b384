#pragma once

#include "ui/InstanceMark.h"

// The host's main window runs without the one-copy rule.
class CNoInstanceMark final : public IInstanceMark {
public:
    UINT ShowMessage() const override { return 0; }
    void Mark(HWND) override {}
    void Unmark(HWND) override {}
};
