#include <doctest.h>

#include <string>

#include "resources/resource_ids.h"
#include "shell/startup.h"
#include "support.h"

namespace {

std::string LibraryResource()
{
    HRSRC resource = FindResourceA(Setup.Instance, MAKEINTRESOURCEA(IDW_UNRAR_LIBRARY), "WAVE");
    REQUIRE(resource);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(Setup.Instance, resource)));
    return std::string(bytes, SizeofResource(Setup.Instance, resource));
}

}  // namespace

TEST_SUITE("startup") {

TEST_CASE("the carried library is written where none exists and never replaces one")
{
    const std::string folder = ScratchFolder("library");
    const std::string missing = folder + "\\unrar.dll";
    DeleteFileA(missing.c_str());
    WriteLibraryCopy(missing.c_str());
    const std::string written = ReadFile(missing);
    CHECK(written == LibraryResource());
    CHECK(written.compare(0, 2, "MZ") == 0);

    const std::string existing = folder + "\\present.dll";
    WriteFile(existing, "an older library");
    WriteLibraryCopy(existing.c_str());
    CHECK(ReadFile(existing) == "an older library");

    // Nothing else is left beside them, and a folder that cannot be written gets nothing.
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA((folder + "\\*.tmp").c_str(), &entry);
    CHECK(listing == INVALID_HANDLE_VALUE);
    if (listing != INVALID_HANDLE_VALUE) FindClose(listing);
    WriteLibraryCopy((folder + "\\no such folder\\unrar.dll").c_str());
    CHECK(GetFileAttributesA((folder + "\\no such folder").c_str()) == INVALID_FILE_ATTRIBUTES);
}

TEST_CASE("the uninstaller copy replaces an older one, even a read-only one")
{
    Setup = SetupState{};
    Setup.Instance = GetModuleHandleA(nullptr);
    GetModuleFileNameA(nullptr, Setup.ExePath, sizeof Setup.ExePath);
    const std::string target = ScratchFolder("uninstaller") + "\\untsetup.exe";
    strcpy(Setup.UninstallerPath, target.c_str());
    WriteFile(target, "an older setup");
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);

    RefreshUninstallerCopy();
    CHECK(ReadFile(target) == ReadFile(Setup.ExePath));
}

}
