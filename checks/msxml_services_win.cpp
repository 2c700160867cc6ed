#include <windows.h>
#include <msxml2.h>

#include "base/fresh_file_win.h"
#include "checks/msxml_checker.h"

namespace {

// MinGW's headers declare these interfaces but its import libraries lack their ids.
const IID kIidXmlDomDocument2 = {
    0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kIidSaxXmlReader = {
    0xA4F96ED0, 0xF829, 0x476E, {0x81, 0xC0, 0xCD, 0xC7, 0xBD, 0x2A, 0x08, 0x02}};

using Creation = MsxmlServices::Creation;

template <typename T>
void Release(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

template <typename T>
Creation Create(const wchar_t* progId, REFIID iid, T** object) {
    CLSID clsid{};
    if (FAILED(CLSIDFromProgID(progId, &clsid))) return Creation::kNotResolved;
    const HRESULT created =
        CoCreateInstance(clsid, nullptr, CLSCTX_ALL, iid, reinterpret_cast<void**>(object));
    return SUCCEEDED(created) && *object ? Creation::kCreated : Creation::kNotCreated;
}

// A BSTR that frees itself.
struct Bstr {
    explicit Bstr(const wchar_t* text) : value(SysAllocString(text)) {}
    ~Bstr() { SysFreeString(value); }
    BSTR value;
};

class ComMsxml : public MsxmlServices {
  public:
    ~ComMsxml() override {
        Release(_document);
        Release(_reader);
    }

    bool InitializeOle() override { return SUCCEEDED(OleInitialize(nullptr)); }
    void UninitializeOle() override { OleUninitialize(); }

    Creation ProbeClass(const wchar_t* progId) override {
        IUnknown* object = nullptr;
        const Creation created = Create(progId, IID_IUnknown, &object);
        Release(object);
        return created;
    }

    Creation OpenDocument() override {
        Release(_document);
        return Create(L"Msxml2.DOMDocument.6.0", kIidXmlDomDocument2, &_document);
    }
    void CloseDocument() override { Release(_document); }

    bool SetDocumentProperty(const wchar_t* name, bool value) override {
        VARIANT flag;
        VariantInit(&flag);
        flag.vt = VT_BOOL;
        flag.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        Bstr property(name);
        return SUCCEEDED(_document->setProperty(property.value, flag));
    }

    bool LoadXml(const wchar_t* text) override {
        Bstr xml(text);
        VARIANT_BOOL loaded = VARIANT_FALSE;
        return SUCCEEDED(_document->loadXML(xml.value, &loaded)) && loaded == VARIANT_TRUE;
    }

    AttributeRead ReadRootAttribute(const wchar_t* name, std::wstring& value) override {
        IXMLDOMElement* element = nullptr;
        if (FAILED(_document->get_documentElement(&element)) || !element) {
            return AttributeRead::kNoElement;
        }
        VARIANT attribute;
        VariantInit(&attribute);
        Bstr attributeName(name);
        const HRESULT read = element->getAttribute(attributeName.value, &attribute);
        element->Release();
        AttributeRead result = AttributeRead::kNotString;
        if (SUCCEEDED(read) && attribute.vt == VT_BSTR) {
            value.assign(attribute.bstrVal, SysStringLen(attribute.bstrVal));
            result = AttributeRead::kRead;
        }
        VariantClear(&attribute);
        return result;
    }

    bool SetResolveExternals(bool value) override {
        return SUCCEEDED(_document->put_resolveExternals(value ? VARIANT_TRUE : VARIANT_FALSE));
    }
    bool SetAsync(bool value) override {
        return SUCCEEDED(_document->put_async(value ? VARIANT_TRUE : VARIANT_FALSE));
    }

    bool LoadFile(const std::wstring& path) override {
        VARIANT source;
        VariantInit(&source);
        source.vt = VT_BSTR;
        source.bstrVal = SysAllocString(path.c_str());
        VARIANT_BOOL loaded = VARIANT_FALSE;
        const HRESULT result = _document->load(source, &loaded);
        VariantClear(&source);
        return SUCCEEDED(result) && loaded == VARIANT_TRUE;
    }

    Creation OpenSaxReader() override {
        Release(_reader);
        return Create(L"Msxml2.SAXXMLReader.6.0", kIidSaxXmlReader, &_reader);
    }
    void CloseSaxReader() override { Release(_reader); }

    bool PutSaxFeature(const wchar_t* name, bool value) override {
        return SUCCEEDED(_reader->putFeature(name, value ? VARIANT_TRUE : VARIANT_FALSE));
    }

    bool TempFolder(std::wstring& path) override {
        wchar_t folder[MAX_PATH + 1] = {};
        const DWORD length = GetTempPathW(MAX_PATH, folder);
        if (length == 0 || length > MAX_PATH) return false;
        path.assign(folder, length);
        return true;
    }

    FileWrite WriteNewFile(const std::wstring& path, std::string_view text) override {
        // In the user's temporary folder: a link planted at the name is removed, not followed.
        const HANDLE file = CreateFreshFile(path, GENERIC_WRITE, FILE_SHARE_READ);
        if (file == INVALID_HANDLE_VALUE) return FileWrite::kNotCreated;
        DWORD written = 0;
        const bool wrote =
            WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
            written == text.size();
        const bool closed = CloseHandle(file) != FALSE;
        if (!wrote) return FileWrite::kWriteFailed;
        return closed ? FileWrite::kWritten : FileWrite::kCloseFailed;
    }

  private:
    IXMLDOMDocument2* _document = nullptr;
    ISAXXMLReader* _reader = nullptr;
};

}  // namespace

int QELMSXMLChecker::Check(const char** resultName, int32_t* detail) {
    ComMsxml services;
    return Check(services, resultName, detail);
}
