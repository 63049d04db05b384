#include "schedule/SleepHold.h"

CSleepHold::~CSleepHold() {
    if (m_holders != 0) {
        m_platform.SetThreadExecutionState(kLetSleep);
    }
}

bool CSleepHold::Hold(Holder who) {
    if (m_holders == 0 && m_platform.SetThreadExecutionState(kHoldAwake) == 0) {
        return false;
    }
    m_holders |= who;
    return true;
}

void CSleepHold::Release(Holder who) {
    if ((m_holders & who) == 0) {
        return;
    }
    m_holders &= ~static_cast<unsigned>(who);
    if (m_holders == 0) {
        m_platform.SetThreadExecutionState(kLetSleep);
    }
}
