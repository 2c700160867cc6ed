// Stand-in for the product's launcher running the graphics optimizer: runs for
// TELLURA_STANDIN_OPTIMIZER_MS milliseconds, then exits with TELLURA_STANDIN_OPTIMIZER_EXIT.
#include "stand_in.h"

int wmain() {
    stand_in::Record(L"optimizer", GetCommandLineW());
    Sleep(stand_in::Setting(L"TELLURA_STANDIN_OPTIMIZER_MS", 200));
    stand_in::Record(L"optimizer", L"ended by itself");
    return stand_in::Setting(L"TELLURA_STANDIN_OPTIMIZER_EXIT", 0);
}
