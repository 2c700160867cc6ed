// The run's download folder in the user's temporary folder, which every process of the user may
// write to. It is made new, never taken over: Administrators and SYSTEM have full control, the
// user may only read, and nothing is inherited from the temporary folder. It is held open
// without sharing deletion, so that nobody can rename it and put a link in its place.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Owner Administrators; full control for Administrators and SYSTEM, reading for the user the
// setup runs for, handed down to the packages; nothing inherited from above.
class PrivateSecurity {
  public:
    struct Sid {
        BYTE bytes[SECURITY_MAX_SID_SIZE] = {};
        PSID get() { return bytes; }
    };

    bool Build();
    // 0, or the system error when the object cannot be given this owner and access.
    uint32_t ApplyTo(HANDLE object);
    SECURITY_ATTRIBUTES* Attributes();
    SECURITY_DESCRIPTOR* Descriptor() { return &_descriptor; }

  private:
    PACL Acl() { return reinterpret_cast<PACL>(_acl); }

    Sid _administrators, _system, _user;
    alignas(DWORD) BYTE _acl[512] = {};
    SECURITY_DESCRIPTOR _descriptor{};
    SECURITY_ATTRIBUTES _attributes{};
};

// The folder's name, with its final backslash, or empty with the system error when no new
// folder could be made.
std::wstring CreateDownloadFolder(const std::wstring& tempPath, uint32_t processId,
                                  uint32_t& error);
// Lets the folder go and removes it; the packages in it are deleted before.
void RemoveDownloadFolder(const std::wstring& folder);
