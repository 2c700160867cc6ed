#include "base/setup_log.h"
#include "base/setup_state.h"
#include "checks/installed_products.h"
#include "checks/msxml_checker.h"
#include "checks/prereqs.h"
#include "checks/version_rules.h"

bool IsPrereqVC8() {
    StepProtocol step = LoggedStep(L"IN->IsPrereqVC8 ()",
                                   L"OUT->IsPrereqVC8  VC8 Prerequistes need to be installed");
    const RelatedProduct runtime =
        FindRelatedProduct(IsWow64() ? kVC8UpgradeCodeX64 : kVC8UpgradeCodeX86);
    // Unlike the product, a runtime whose version cannot be read counts as missing.
    if (!runtime.found || !runtime.versionRead) {
        WriteLog(L"VC8 prerequisites are not installed");
        return false;
    }
    WriteLog((L"Installed Version: " + runtime.version).c_str());
    if (CompareVersions(ParseVersionTriple(runtime.version), ParseVersionTriple(L"8.1.3")) >= 0)
        return step.Leave(L"OUT->IsPrereqVC8 VC8 Prerequistes don't need to be installed ", true);
    return false;
}

bool IsPrereqMSXML() {
    StepProtocol step = LoggedStep(L"IN->IsPrereqMSXML ()", L"OUT->IsPrereqMSXML ()");
    const int result = QELMSXMLChecker::Check(nullptr, nullptr);
    // Only a missing MSXML 6.0, or a check that could not run, calls for the MSXML package.
    const bool usable =
        result != QELMSXMLChecker::kMissingMsxml6 && result != QELMSXMLChecker::kCheckFailure;
    WriteLog(usable ? L" Prereqs MSXML OK" : L" Prereqs MSXML KO");
    return usable;
}

void CheckAllPrereqs() {
    StepProtocol step = LoggedStep(L"IN->CheckAllPrereqs ()", L"OUT->CheckAllPrereqs ()");
    NeedVC8Prereq = !IsPrereqVC8();
    NeedMSXMLPrereq = !IsPrereqMSXML();
}
