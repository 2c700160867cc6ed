#include "checks/msxml_checker.h"

#include <cstdlib>

namespace {

using Creation = MsxmlServices::Creation;

[[noreturn]] void Fail(int32_t code, int32_t detail) {
    throw QELMSXMLChecker::CheckException{code, detail};
}

void RequireCreated(Creation created, int32_t code, int32_t notResolved, int32_t notCreated) {
    if (created == Creation::kNotResolved) Fail(code, notResolved);
    if (created == Creation::kNotCreated) Fail(code, notCreated);
}

// Releases the document or reader when a probe ends, passed or not.
struct DocumentScope {
    MsxmlServices& services;
    ~DocumentScope() { services.CloseDocument(); }
};
struct ReaderScope {
    MsxmlServices& services;
    ~ReaderScope() { services.CloseSaxReader(); }
};

// Twelve characters opening the element, CR TAB LF, then the rest: normalised, they are blanks.
constexpr wchar_t kNormalizationInput[] = L"<foo attr=\"x\r\t\nx\"/>";

constexpr char kConditionalDtd[] =
    "<!ENTITY % mandatory 'INCLUDE' >\n"
    "<!ENTITY % optional 'IGNORE' >\n"
    "<![%mandatory;[\n"
    "<!ELEMENT a EMPTY>\n"
    "<!ATTLIST a\n"
    "  foo CDATA #IMPLIED>\n"
    "]]>\n"
    "<![%optional;[\n"
    "%bar;\n"
    "]]>\n";

constexpr char kConditionalXml[] =
    "<?xml version=\"1.0\"?>\n"
    "<!DOCTYPE a SYSTEM \"KB941180.dtd\">\n"
    "<a foo=\"foo\"/>\n";

bool skipDecided = false;
bool skipped = false;

}  // namespace

const char* QELMSXMLChecker::ResultName(int code) {
    switch (code) {
        case kMissingMsxml6:
            return "ERR_MISSING_MSXML6";
        case kMissingKB941179:
            return "ERR_MISSING_KB941179";
        case kMissingKB941180:
            return "ERR_MISSING_KB941180";
        case kMissingKB953661:
            return "ERR_MISSING_KB953661";
        case kCheckFailure:
            return "ERR_CHECK_FAILURE";
        default:
            return nullptr;
    }
}

int QELMSXMLChecker::Check(MsxmlServices& services, const char** resultName, int32_t* detail) {
    if (!skipDecided) {
        skipped = std::getenv("ReplayPurify") || std::getenv("ReplayPurcov");
        skipDecided = true;
    }
    if (skipped) return kPassed;

    int code = kPassed;
    int32_t failedStep = 0;
    if (!services.InitializeOle()) {
        code = kCheckFailure;
        failedStep = 38;
    } else {
        QELMSXMLChecker checker(services);
        try {
            checker.CheckMSXML6Classes();
            checker.CheckAttributeNormalization();
            checker.CheckProhibitDTD();
            checker.CheckSAXFeature();
        } catch (const CheckException& failure) {
            code = failure.code;
            failedStep = failure.detail;
        }
        services.UninitializeOle();
    }
    if (detail && code != kPassed) *detail = failedStep;
    if (resultName) *resultName = ResultName(code);
    return code;
}

void QELMSXMLChecker::CheckMSXML6Classes() {
    struct ClassProbe {
        const wchar_t* progId;
        int32_t notResolved;
        int32_t notCreated;
    };
    static constexpr ClassProbe kClasses[] = {
        {L"Msxml2.DOMDocument.6.0", 65, 69},
        {L"Msxml2.XMLSchemaCache.6.0", 76, 80},
        {L"Msxml2.SAXXMLReader.6.0", 87, 91},
    };
    for (const ClassProbe& probe : kClasses) {
        RequireCreated(_services.ProbeClass(probe.progId), kMissingMsxml6, probe.notResolved,
                       probe.notCreated);
    }
}

void QELMSXMLChecker::CheckAttributeNormalization() {
    RequireCreated(_services.OpenDocument(), kCheckFailure, 101, 112);
    DocumentScope scope{_services};
    if (!_services.SetDocumentProperty(L"NormalizeAttributeValues", true)) {
        Fail(kMissingKB941179, 124);
    }
    if (!_services.LoadXml(kNormalizationInput)) Fail(kCheckFailure, 131);
    std::wstring value;
    switch (_services.ReadRootAttribute(L"attr", value)) {
        case MsxmlServices::AttributeRead::kNoElement:
            Fail(kCheckFailure, 138);
        case MsxmlServices::AttributeRead::kNotString:
            Fail(kCheckFailure, 146);
        case MsxmlServices::AttributeRead::kRead:
            break;
    }
    if (value != L"x   x") Fail(kMissingKB941179, 150);
}

void QELMSXMLChecker::CheckProhibitDTD() {
    std::wstring path;
    WriteTempFile(path, L"KB941180.dtd", kConditionalDtd);
    WriteTempFile(path, L"KB941180.xml", kConditionalXml);
    RequireCreated(_services.OpenDocument(), kCheckFailure, 205, 216);
    DocumentScope scope{_services};
    if (!_services.SetDocumentProperty(L"ProhibitDTD", false)) Fail(kCheckFailure, 228);
    if (!_services.SetResolveExternals(true)) Fail(kCheckFailure, 233);
    if (!_services.SetAsync(false)) Fail(kCheckFailure, 238);
    if (!_services.LoadFile(path)) Fail(kMissingKB941180, 248);
}

void QELMSXMLChecker::WriteTempFile(std::wstring& pathBuffer, const wchar_t* fileName,
                                    std::string_view text) {
    if (!_services.TempFolder(pathBuffer)) Fail(kCheckFailure, 164);
    pathBuffer += fileName;
    switch (_services.WriteNewFile(pathBuffer, text)) {
        case MsxmlServices::FileWrite::kWriteFailed:
            Fail(kCheckFailure, 173);
        case MsxmlServices::FileWrite::kCloseFailed:
            Fail(kCheckFailure, 176);
        case MsxmlServices::FileWrite::kNotCreated:  // the load that follows fails instead
        case MsxmlServices::FileWrite::kWritten:
            break;
    }
}

void QELMSXMLChecker::CheckSAXFeature() {
    RequireCreated(_services.OpenSaxReader(), kCheckFailure, 263, 274);
    ReaderScope scope{_services};
    if (!_services.PutSaxFeature(L"suppress-validation-fatalError", true)) {
        Fail(kMissingKB953661, 280);
    }
}
