#include "checks/check_outcome_win.h"

#include "base/setup_log.h"
#include "framework/afx_strings.h"

std::wstring ResourceCatalog(unsigned id) { return AfxLoadString(id); }

bool ApplyOutcome(const CheckOutcome& outcome, std::wstring& message) {
    for (const std::wstring& line : outcome.log) WriteLog(line.c_str());
    if (outcome.message) message = *outcome.message;
    return outcome.passed;
}
