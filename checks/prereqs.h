// Which prerequisites the worker must install before the product.
#pragma once

// Sets NeedVC8Prereq and NeedMSXMLPrereq.
void CheckAllPrereqs();
