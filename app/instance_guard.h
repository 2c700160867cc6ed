// One setup at a time: the instance guard, the setup-running marker other programs look for,
// and bringing the running setup's window forward.
#pragma once

#include <windows.h>

#include <string>

inline constexpr const wchar_t* kInstanceGuardName = L"F5ADFD22-DF68-4dd7-859F-4F1A4D11253C";
inline constexpr const wchar_t* kSetupRunningMarkerName =
    L"9255C5C0-C909-11DB-8F82-676856D89593$KESTRA";
inline constexpr const wchar_t* kDialogClassName = L"KESTRAClass";

// Whether another setup holds the guard right now; opens it only, creates nothing.
bool AnotherSetupHoldsGuard();
// Creates and owns the guard; alreadyExists tells that another setup holds it.
HANDLE CreateInstanceGuard(bool& alreadyExists);
// Creates and owns the marker, open to every account (no access list). On failure returns
// nullptr and the reason as text.
HANDLE CreateSetupRunningMarker(std::wstring& error);
// Restores the running setup's dialog if minimised and brings its last active pop-up forward.
void BringRunningSetupForward();
