// MSXML services whose every step can be made to fail, recording what was asked.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "checks/msxml_checker.h"

class FakeMsxml : public MsxmlServices {
  public:
    bool oleOk = true;
    std::map<std::wstring, Creation> classes;  // missing: created
    Creation document = Creation::kCreated;
    Creation secondDocument = Creation::kCreated;
    Creation reader = Creation::kCreated;
    std::map<std::wstring, bool> refusedProperties;
    bool loadXmlOk = true;
    AttributeRead attribute = AttributeRead::kRead;
    std::wstring attributeValue = L"x   x";
    bool resolveOk = true, asyncOk = true, loadFileOk = true, featureOk = true;
    bool tempOk = true;
    std::map<std::wstring, FileWrite> writes;  // by file name; missing: written

    std::vector<std::wstring> calls;
    std::map<std::wstring, std::string> written;
    std::wstring loadedPath;
    int openDocuments = 0;

    bool InitializeOle() override { return Note(L"ole"), oleOk; }
    void UninitializeOle() override { Note(L"unole"); }
    Creation ProbeClass(const wchar_t* progId) override {
        Note(progId);
        auto found = classes.find(progId);
        return found == classes.end() ? Creation::kCreated : found->second;
    }
    Creation OpenDocument() override {
        Note(L"document");
        const Creation result = ++documentCount == 1 ? document : secondDocument;
        if (result == Creation::kCreated) ++openDocuments;
        return result;
    }
    void CloseDocument() override { --openDocuments; }
    bool SetDocumentProperty(const wchar_t* name, bool) override {
        Note(name);
        return !refusedProperties.count(name);
    }
    bool LoadXml(const wchar_t* text) override {
        loadedXml = text;
        return loadXmlOk;
    }
    AttributeRead ReadRootAttribute(const wchar_t*, std::wstring& value) override {
        value = attributeValue;
        return attribute;
    }
    bool SetResolveExternals(bool) override { return resolveOk; }
    bool SetAsync(bool) override { return asyncOk; }
    bool LoadFile(const std::wstring& path) override {
        loadedPath = path;
        return loadFileOk && written.count(path);
    }
    Creation OpenSaxReader() override { return Note(L"reader"), reader; }
    void CloseSaxReader() override {}
    bool PutSaxFeature(const wchar_t* name, bool) override { return Note(name), featureOk; }
    bool TempFolder(std::wstring& path) override {
        path = L"T:\\tmp\\";
        return tempOk;
    }
    FileWrite WriteNewFile(const std::wstring& path, std::string_view text) override {
        const std::wstring name = path.substr(path.rfind(L'\\') + 1);
        auto found = writes.find(name);
        const FileWrite result = found == writes.end() ? FileWrite::kWritten : found->second;
        if (result != FileWrite::kNotCreated) written[path] = std::string(text);
        return result;
    }

    std::wstring loadedXml;

  private:
    void Note(const std::wstring& what) { calls.push_back(what); }
    int documentCount = 0;
};
