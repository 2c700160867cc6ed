// A step's entry and exit lines in the log. The entry line is written as the step begins; the
// exit line when it ends, by whichever return: the last one the step chose, else its failure
// line, so that no way out of a step leaves the log without one.
#pragma once

#include <functional>
#include <string>
#include <utility>

class StepProtocol {
  public:
    using Write = std::function<void(const std::wstring&)>;

    StepProtocol(Write write, const std::wstring& entry, std::wstring failed)
        : _write(std::move(write)), _exit(std::move(failed)) {
        _write(entry);
    }
    ~StepProtocol() { _write(_exit); }
    StepProtocol(const StepProtocol&) = delete;
    StepProtocol& operator=(const StepProtocol&) = delete;

    // The exit line, for the end of the step; lines logged meanwhile still come before it.
    void ExitWith(std::wstring line) { _exit = std::move(line); }
    // ExitWith, then `result` for the step to return.
    template <typename Result>
    Result Leave(std::wstring line, Result result) {
        ExitWith(std::move(line));
        return result;
    }

  private:
    Write _write;
    std::wstring _exit;
};
