// Which prerequisites the worker must install before the product.
#pragma once

// Sets NeedVC8Prereq and NeedMSXMLPrereq.
void CheckAllPrereqs();

// The VC8 runtime is registered in version 8.1.3 or later.
bool IsPrereqVC8();
// MSXML 6.0 is present and could be checked (missing hot fixes do not count).
bool IsPrereqMSXML();
