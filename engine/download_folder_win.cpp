#include "engine/download_folder_win.h"

#include <aclapi.h>

#include "engine/package_table.h"

namespace {

HANDLE heldFolder = INVALID_HANDLE_VALUE;

using Sid = PrivateSecurity::Sid;

Sid WellKnown(WELL_KNOWN_SID_TYPE type) {
    Sid sid;
    DWORD size = sizeof(sid.bytes);
    CreateWellKnownSid(type, nullptr, sid.get(), &size);
    return sid;
}

// The user the process runs for, who may look at the downloads but not change them.
bool ProcessUser(Sid& sid) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
    DWORD size = 0;
    const bool read = GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size) &&
                      CopySid(sizeof(sid.bytes), sid.get(),
                              reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
    CloseHandle(token);
    return read;
}

// The folder just made, held, and made the administrators' once more through the held handle:
// should another process have put a folder of its own at the name meanwhile, that one is
// taken over (a link is refused), so every package is written where only administrators can.
HANDLE HoldFolder(const std::wstring& folder, PrivateSecurity& security) {
    const HANDLE held = CreateFileW(
        folder.c_str(), GENERIC_READ | WRITE_DAC | WRITE_OWNER, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (held == INVALID_HANDLE_VALUE) return held;
    BY_HANDLE_FILE_INFORMATION info{};
    DWORD error = ERROR_ACCESS_DENIED;
    if (GetFileInformationByHandle(held, &info) &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        error = security.ApplyTo(held);
        if (error == ERROR_SUCCESS) return held;
    }
    CloseHandle(held);
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

}  // namespace

bool PrivateSecurity::Build() {
    _administrators = WellKnown(WinBuiltinAdministratorsSid);
    _system = WellKnown(WinLocalSystemSid);
    if (!ProcessUser(_user)) return false;
    const DWORD inherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    return InitializeAcl(Acl(), sizeof(_acl), ACL_REVISION) &&
           AddAccessAllowedAceEx(Acl(), ACL_REVISION, inherit, FILE_ALL_ACCESS,
                                 _administrators.get()) &&
           AddAccessAllowedAceEx(Acl(), ACL_REVISION, inherit, FILE_ALL_ACCESS, _system.get()) &&
           AddAccessAllowedAceEx(Acl(), ACL_REVISION, inherit,
                                 FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, _user.get()) &&
           InitializeSecurityDescriptor(&_descriptor, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorOwner(&_descriptor, _administrators.get(), FALSE) &&
           SetSecurityDescriptorDacl(&_descriptor, TRUE, Acl(), FALSE) &&
           SetSecurityDescriptorControl(&_descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
}

uint32_t PrivateSecurity::ApplyTo(HANDLE object) {
    return SetSecurityInfo(object, SE_FILE_OBJECT,
                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                               PROTECTED_DACL_SECURITY_INFORMATION,
                           _administrators.get(), nullptr, Acl(), nullptr);
}

SECURITY_ATTRIBUTES* PrivateSecurity::Attributes() {
    _attributes = {sizeof(_attributes), &_descriptor, FALSE};
    return &_attributes;
}

std::wstring CreateDownloadFolder(const std::wstring& tempPath, uint32_t processId,
                                  uint32_t& error) {
    PrivateSecurity security;
    if (!security.Build()) {
        error = GetLastError();
        return {};
    }
    error = ERROR_ALREADY_EXISTS;
    // A name that exists already, whatever stands there, is never used.
    for (int attempt = 0; attempt < kDownloadFolderAttempts; ++attempt) {
        const std::wstring folder = DownloadFolderFor(tempPath, processId, attempt);
        if (!CreateDirectoryW(folder.c_str(), security.Attributes())) {
            error = GetLastError();
            if (error == ERROR_ALREADY_EXISTS) continue;
            return {};
        }
        heldFolder = HoldFolder(folder, security);
        if (heldFolder != INVALID_HANDLE_VALUE) return folder;
        error = GetLastError();
        return {};
    }
    return {};
}

void RemoveDownloadFolder(const std::wstring& folder) {
    if (heldFolder == INVALID_HANDLE_VALUE) return;
    CloseHandle(heldFolder);
    heldFolder = INVALID_HANDLE_VALUE;
    // RemoveDirectoryW removes an empty folder, or a link itself, never what a link points to.
    RemoveDirectoryW(folder.c_str());
}
