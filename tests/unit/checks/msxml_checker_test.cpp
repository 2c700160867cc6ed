#include "checks/msxml_checker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>

#include "fake_msxml.h"

namespace {

using Creation = MsxmlServices::Creation;

struct Outcome {
    int code;
    std::string name;
    int32_t detail;
};

Outcome RunCheck(FakeMsxml& fake) {
    const char* name = "untouched";
    int32_t detail = -1;
    const int code = QELMSXMLChecker::Check(fake, &name, &detail);
    return {code, name ? name : "<null>", detail};
}

TEST(MsxmlChecker, AllProbesPassInOrder) {
    FakeMsxml fake;
    const Outcome outcome = RunCheck(fake);
    EXPECT_EQ(outcome.code, 0);
    EXPECT_EQ(outcome.name, "<null>");
    EXPECT_EQ(outcome.detail, -1);  // only a failure sets it
    const std::vector<std::wstring> expected = {L"ole",
                                                L"Msxml2.DOMDocument.6.0",
                                                L"Msxml2.XMLSchemaCache.6.0",
                                                L"Msxml2.SAXXMLReader.6.0",
                                                L"document",
                                                L"NormalizeAttributeValues",
                                                L"document",
                                                L"ProhibitDTD",
                                                L"reader",
                                                L"suppress-validation-fatalError",
                                                L"unole"};
    EXPECT_EQ(fake.calls, expected);
    EXPECT_EQ(fake.openDocuments, 0);
    EXPECT_EQ(fake.loadedXml, std::wstring(L"<foo attr=\"x\r\t\nx\"/>"));
    EXPECT_EQ(fake.loadedXml.size(), 19u);
    EXPECT_EQ(fake.loadedPath, L"T:\\tmp\\KB941180.xml");
    EXPECT_EQ(fake.written[L"T:\\tmp\\KB941180.xml"],
              "<?xml version=\"1.0\"?>\n<!DOCTYPE a SYSTEM \"KB941180.dtd\">\n<a foo=\"foo\"/>\n");
    const std::string& dtd = fake.written[L"T:\\tmp\\KB941180.dtd"];
    EXPECT_EQ(std::count(dtd.begin(), dtd.end(), '\n'), 10);
    EXPECT_NE(dtd.find("\n  foo CDATA #IMPLIED>\n]]>\n<![%optional;[\n%bar;\n]]>\n"),
              std::string::npos);
    EXPECT_EQ(dtd.rfind("<!ENTITY % mandatory 'INCLUDE' >\n", 0), 0u);
}

TEST(MsxmlChecker, EveryFailingStepHasItsCodeAndDetail) {
    struct Row {
        const char* label;
        std::function<void(FakeMsxml&)> breakIt;
        int code;
        int32_t detail;
    };
    const Row rows[] = {
        {"ole", [](FakeMsxml& f) { f.oleOk = false; }, 5, 38},
        {"dom progid",
         [](FakeMsxml& f) { f.classes[L"Msxml2.DOMDocument.6.0"] = Creation::kNotResolved; }, 1,
         65},
        {"dom create",
         [](FakeMsxml& f) { f.classes[L"Msxml2.DOMDocument.6.0"] = Creation::kNotCreated; }, 1, 69},
        {"cache progid",
         [](FakeMsxml& f) { f.classes[L"Msxml2.XMLSchemaCache.6.0"] = Creation::kNotResolved; }, 1,
         76},
        {"cache create",
         [](FakeMsxml& f) { f.classes[L"Msxml2.XMLSchemaCache.6.0"] = Creation::kNotCreated; }, 1,
         80},
        {"sax progid",
         [](FakeMsxml& f) { f.classes[L"Msxml2.SAXXMLReader.6.0"] = Creation::kNotResolved; }, 1,
         87},
        {"sax create",
         [](FakeMsxml& f) { f.classes[L"Msxml2.SAXXMLReader.6.0"] = Creation::kNotCreated; }, 1,
         91},
        {"norm progid", [](FakeMsxml& f) { f.document = Creation::kNotResolved; }, 5, 101},
        {"norm create", [](FakeMsxml& f) { f.document = Creation::kNotCreated; }, 5, 112},
        {"norm property",
         [](FakeMsxml& f) { f.refusedProperties[L"NormalizeAttributeValues"] = true; }, 2, 124},
        {"norm load", [](FakeMsxml& f) { f.loadXmlOk = false; }, 5, 131},
        {"norm element",
         [](FakeMsxml& f) { f.attribute = MsxmlServices::AttributeRead::kNoElement; }, 5, 138},
        {"norm attribute",
         [](FakeMsxml& f) { f.attribute = MsxmlServices::AttributeRead::kNotString; }, 5, 146},
        {"norm value", [](FakeMsxml& f) { f.attributeValue = L"x\r\t\nx"; }, 2, 150},
        {"temp folder", [](FakeMsxml& f) { f.tempOk = false; }, 5, 164},
        {"write",
         [](FakeMsxml& f) { f.writes[L"KB941180.dtd"] = MsxmlServices::FileWrite::kWriteFailed; },
         5, 173},
        {"close",
         [](FakeMsxml& f) { f.writes[L"KB941180.xml"] = MsxmlServices::FileWrite::kCloseFailed; },
         5, 176},
        {"unwritable temp",
         [](FakeMsxml& f) { f.writes[L"KB941180.xml"] = MsxmlServices::FileWrite::kNotCreated; }, 3,
         248},
        {"dtd progid", [](FakeMsxml& f) { f.secondDocument = Creation::kNotResolved; }, 5, 205},
        {"dtd create", [](FakeMsxml& f) { f.secondDocument = Creation::kNotCreated; }, 5, 216},
        {"prohibit", [](FakeMsxml& f) { f.refusedProperties[L"ProhibitDTD"] = true; }, 5, 228},
        {"resolve", [](FakeMsxml& f) { f.resolveOk = false; }, 5, 233},
        {"async", [](FakeMsxml& f) { f.asyncOk = false; }, 5, 238},
        {"load", [](FakeMsxml& f) { f.loadFileOk = false; }, 3, 248},
        {"reader progid", [](FakeMsxml& f) { f.reader = Creation::kNotResolved; }, 5, 263},
        {"reader create", [](FakeMsxml& f) { f.reader = Creation::kNotCreated; }, 5, 274},
        {"feature", [](FakeMsxml& f) { f.featureOk = false; }, 4, 280},
    };
    const char* names[] = {nullptr,
                           "ERR_MISSING_MSXML6",
                           "ERR_MISSING_KB941179",
                           "ERR_MISSING_KB941180",
                           "ERR_MISSING_KB953661",
                           "ERR_CHECK_FAILURE"};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        FakeMsxml fake;
        row.breakIt(fake);
        const Outcome outcome = RunCheck(fake);
        EXPECT_EQ(outcome.code, row.code);
        EXPECT_EQ(outcome.detail, row.detail);
        EXPECT_EQ(outcome.name, names[row.code]);
        EXPECT_EQ(fake.openDocuments, 0);
        // OLE is released exactly when it was taken.
        const bool released = !fake.calls.empty() && fake.calls.back() == L"unole";
        EXPECT_EQ(released, row.detail != 38);
    }
}

TEST(MsxmlChecker, OutputsAreOptional) {
    FakeMsxml fake;
    fake.featureOk = false;
    EXPECT_EQ(QELMSXMLChecker::Check(fake, nullptr, nullptr), 4);
}

}  // namespace
