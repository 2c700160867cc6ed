// Manual-reset event that can also be pulsed.
#pragma once

#include "threads/qel_export.h"

namespace qel {
struct WaitingPointData;
}

class QEL_EXPORT QELWaitingPoint {
  public:
    // pulse: Broadcast releases only the threads waiting at that moment; startReset: start not
    // signalled.
    QELWaitingPoint(int pulse = 0, int startReset = -1);
    ~QELWaitingPoint();
    QELWaitingPoint(const QELWaitingPoint&) = delete;
    QELWaitingPoint& operator=(const QELWaitingPoint&) = delete;

    long Wait(int ms);  // ms -1 = no limit; 0 passed, -1 timed out or no event
    void Broadcast();
    void Reset();

  private:
    qel::WaitingPointData* _data;
};
