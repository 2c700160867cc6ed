#include "checks/os_rules.h"

#include "base/setup_state.h"
#include "framework/format_string.h"
#include "resources/resource_ids.h"

namespace {

OsDecision Refused(const wchar_t* name, unsigned messageId) { return {false, name, messageId}; }

OsDecision NeedsServicePack(const wchar_t* name, uint16_t servicePack, unsigned messageId,
                            const std::function<bool(uint16_t)>& servicePackAtLeast) {
    if (servicePackAtLeast(servicePack)) return {true, name};
    return Refused(name, messageId);
}

}  // namespace

OsDecision DecideOs(const OsFacts& facts, const std::function<uint16_t()>& nativeArchitecture,
                    const std::function<bool(uint16_t)>& servicePackAtLeast) {
    if (facts.platformId != kPlatformWin32Nt) return {true};
    if (facts.major <= 4) return Refused(L"Microsoft Windows NT ", IDS_OS_TOO_OLD);
    if (facts.major == 5) {
        switch (facts.minor) {
            case 0:
                return Refused(L"Microsoft Windows 2000 ", IDS_OS_TOO_OLD);
            case 1:
                return NeedsServicePack(L"Microsoft Windows XP ", 2, IDS_XP_SERVICE_PACK,
                                        servicePackAtLeast);
            case 2:
                if (facts.productType == kWorkstationProduct &&
                    nativeArchitecture() == kArchitectureAmd64) {
                    return NeedsServicePack(L"Microsoft Windows XP Professional x64 Edition ", 2,
                                            IDS_XP64_SERVICE_PACK, servicePackAtLeast);
                }
                return NeedsServicePack(L"Microsoft Windows Server 2003", 1,
                                        IDS_SERVER2003_SERVICE_PACK, servicePackAtLeast);
            default:
                return {true};
        }
    }
    if (facts.major == 6 && facts.minor == 0) {
        if (facts.productType == kWorkstationProduct) {
            return {true, L"Microsoft Windows Vista ", 0, true};
        }
        return {false, L"Microsoft Windows Server 2008 ", IDS_OS_FORBIDDEN, true};
    }
    return {true};
}

OsCheck CheckOs(const OsFacts* facts, const std::function<uint16_t()>& nativeArchitecture,
                const std::function<bool(uint16_t)>& servicePackAtLeast,
                const CatalogLookup& catalog) {
    OsCheck check;
    {
        CheckStep step(check.outcome, L"IN-> IsOSAuthorized()", L"OUT-> IsOSAuthorized() - KO ");
        if (!facts) {
            check.outcome.log.push_back(L"");
        } else {
            const OsDecision decision = DecideOs(*facts, nativeArchitecture, servicePackAtLeast);
            check.isVersion60 = decision.isVersion60;
            check.outcome.passed = decision.accepted;
            if (decision.osName) check.outcome.log.push_back(decision.osName);
            if (decision.accepted) {
                step.ExitWith(L"OUT-> IsOSAuthorized() - OK ");
            } else {
                const std::wstring text = catalog(decision.messageId);
                check.outcome.message =
                    decision.messageId == IDS_OS_FORBIDDEN
                        ? ReplacePlaceholders(text, kProductName, decision.osName)
                        : text;
            }
        }
    }
    return check;
}
