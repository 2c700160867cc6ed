// A program planted beside the setup under the name of a system program.
#include "ran_marker.h"

int main() {
    LeaveRanMarker(nullptr);
    return 0;
}
