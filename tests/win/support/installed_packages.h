// Test packages and folders handed over by the test scripts, and packages installed for real.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

// Runs msiexec quietly with the action ("/i", "/x") on the package file; its exit code.
unsigned long RunMsiexec(const wchar_t* action, const std::wstring& package);

// A property of a package of CHECKS_PACKAGES_DIR ("ProductCode", "ProductVersion"), read from
// the package file itself; empty when it cannot be read.
std::wstring PackageProperty(const std::wstring& name, const wchar_t* property);

// Installs the packages of CHECKS_PACKAGES_DIR with msiexec for the life of the object.
class Installed {
  public:
    explicit Installed(std::initializer_list<std::wstring> names);
    ~Installed();
    Installed(const Installed&) = delete;
    Installed& operator=(const Installed&) = delete;

  private:
    std::vector<std::wstring> _paths;
};
