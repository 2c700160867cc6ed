// The start-up requirement checks: their outcome is ChecksPassed and CheckMessage.
#pragma once

// Runs the checks in their fixed order, stopping at the first that fails.
bool CheckRequirements();
