#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/step_protocol.h"

namespace {

// Runs a step that leaves by `exit`: 0 without choosing a line, 1 after choosing two.
std::vector<std::wstring> StepLines(int exit) {
    std::vector<std::wstring> lines;
    [&] {
        StepProtocol step([&](const std::wstring& line) { lines.push_back(line); }, L"IN->Step ()",
                          L"OUT->Step () KO");
        lines.push_back(L"work");
        if (exit == 0) return 0;
        step.ExitWith(L"OUT->Step () CANCEL");
        lines.push_back(L"more work");
        return step.Leave(L"OUT->Step () OK", 1);
    }();
    return lines;
}

}  // namespace

TEST(StepProtocol, EntryFirstAndTheLastChosenExitAfterEverythingElse) {
    EXPECT_EQ(StepLines(0),
              (std::vector<std::wstring>{L"IN->Step ()", L"work", L"OUT->Step () KO"}));
    EXPECT_EQ(StepLines(1), (std::vector<std::wstring>{L"IN->Step ()", L"work", L"more work",
                                                       L"OUT->Step () OK"}));
}
