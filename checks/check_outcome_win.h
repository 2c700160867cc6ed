// The Windows edge's part of a check outcome: the catalogue of the resources, the setup log.
#pragma once

#include <string>

#include "checks/check_outcome.h"

// The program's own catalogue texts.
std::wstring ResourceCatalog(unsigned id);

// Writes the outcome's lines to the setup log and leaves its message, if any; its verdict.
bool ApplyOutcome(const CheckOutcome& outcome, std::wstring& message);
