// Finds out by behaviour whether MSXML 6.0 and the three hot fixes the product needs are there.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The COM and file operations the probes are made of.
class MsxmlServices {
  public:
    enum class Creation { kNotResolved, kNotCreated, kCreated };
    enum class AttributeRead { kNoElement, kNotString, kRead };
    enum class FileWrite { kNotCreated, kWriteFailed, kCloseFailed, kWritten };

    virtual ~MsxmlServices() = default;
    virtual bool InitializeOle() = 0;
    virtual void UninitializeOle() = 0;
    // Resolves the ProgID and creates the object for IUnknown, then releases it.
    virtual Creation ProbeClass(const wchar_t* progId) = 0;
    // A DOMDocument 6.0 that the document calls below act on until CloseDocument.
    virtual Creation OpenDocument() = 0;
    virtual void CloseDocument() = 0;
    virtual bool SetDocumentProperty(const wchar_t* name, bool value) = 0;
    // True when the call succeeds and reports a loaded document.
    virtual bool LoadXml(const wchar_t* text) = 0;
    virtual AttributeRead ReadRootAttribute(const wchar_t* name, std::wstring& value) = 0;
    virtual bool SetResolveExternals(bool value) = 0;
    virtual bool SetAsync(bool value) = 0;
    virtual bool LoadFile(const std::wstring& path) = 0;
    // A SAX reader 6.0 that PutSaxFeature acts on until CloseSaxReader.
    virtual Creation OpenSaxReader() = 0;
    virtual void CloseSaxReader() = 0;
    virtual bool PutSaxFeature(const wchar_t* name, bool value) = 0;
    // The temporary folder with its final backslash.
    virtual bool TempFolder(std::wstring& path) = 0;
    virtual FileWrite WriteNewFile(const std::wstring& path, std::string_view text) = 0;
};

class QELMSXMLChecker {
  public:
    enum Result {
        kPassed = 0,
        kMissingMsxml6 = 1,
        kMissingKB941179 = 2,
        kMissingKB941180 = 3,
        kMissingKB953661 = 4,
        kCheckFailure = 5,
    };

    // Ends a probe; caught in Check, never leaves the checker.
    struct CheckException {
        int32_t code;
        int32_t detail;
    };

    // resultName (null for 0) and detail (only when a probe failed) are optional outputs. Skipped
    // for the life of the process, outputs untouched, when "ReplayPurify" or "ReplayPurcov" is
    // set at the first call.
    static int Check(MsxmlServices& services, const char** resultName, int32_t* detail);
    // The same on the machine's own MSXML (Windows only).
    static int Check(const char** resultName, int32_t* detail);

    static const char* ResultName(int code);

  private:
    explicit QELMSXMLChecker(MsxmlServices& services) : _services(services) {}

    void CheckMSXML6Classes();
    void CheckAttributeNormalization();
    void CheckProhibitDTD();
    void CheckSAXFeature();
    void WriteTempFile(std::wstring& pathBuffer, const wchar_t* fileName, std::string_view text);

    MsxmlServices& _services;
};
