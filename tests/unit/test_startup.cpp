#include <doctest.h>

#include <string>

#include "resources/resource_ids.h"
#include "shell/copies.h"
#include "shell/startup.h"
#include "support.h"

namespace {

std::string LibraryResource()
{
    HRSRC resource = FindResourceA(Setup.Process.Instance, MAKEINTRESOURCEA(IDW_UNRAR_LIBRARY), "WAVE");
    REQUIRE(resource);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(Setup.Process.Instance, resource)));
    return std::string(bytes, SizeofResource(Setup.Process.Instance, resource));
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
    Setup.Process.Instance = GetModuleHandleA(nullptr);
    GetModuleFileNameA(nullptr, Setup.Paths.ExePath, sizeof Setup.Paths.ExePath);
    const std::string target = ScratchFolder("uninstaller") + "\\untsetup.exe";
    strcpy(Setup.Paths.UninstallerPath, target.c_str());
    WriteFile(target, "an older setup");
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);

    RefreshUninstallerCopy();
    CHECK(ReadFile(target) == ReadFile(Setup.Paths.ExePath));
    // The same copy again is not written again.
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
    RefreshUninstallerCopy();
    CHECK((GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_READONLY) != 0);
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    // One of the same size that differs in a single byte near its end (past the first piece read)
    // is replaced.
    std::string tampered = ReadFile(target);
    REQUIRE(tampered.size() > (2u << 20));
    tampered[tampered.size() - 10] ^= 1;
    WriteFile(target, tampered);
    RefreshUninstallerCopy();
    CHECK(ReadFile(target) == ReadFile(Setup.Paths.ExePath));
    // A copy that cannot be made leaves the old one in place, and nothing beside it.
    const std::string exe = Setup.Paths.ExePath;
    strcpy(Setup.Paths.ExePath, (ScratchFolder("uninstaller") + "\\vanished.exe").c_str());
    RefreshUninstallerCopy();
    CHECK(ReadFile(target) == ReadFile(exe));
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA((ScratchFolder("uninstaller") + "\\*.tmp").c_str(), &entry);
    CHECK(listing == INVALID_HANDLE_VALUE);
    if (listing != INVALID_HANDLE_VALUE) FindClose(listing);
}

TEST_CASE("the program loads its own library: the system's copy when it is that, else a private copy")
{
    Setup.Process.Instance = GetModuleHandleA(nullptr);
    const std::string folder = ScratchFolder("library-choice");
    char chosen[PathSize];
    const std::string missing = folder + "\\missing.dll";
    DeleteFileA(missing.c_str());
    CHECK(ChooseLibrary(missing.c_str(), chosen));
    CHECK(std::string(chosen) == missing);
    CHECK(ReadFile(missing) == LibraryResource());

    const std::string foreign = folder + "\\foreign.dll";
    WriteFile(foreign, "another vendor's library");
    for (int start = 0; start < 2; ++start) {   // the private copy is made once, then used as it is
        CHECK(ChooseLibrary(foreign.c_str(), chosen));
        CHECK(ReadFile(foreign) == "another vendor's library");
        CHECK(std::string(chosen).find("\\Marvolen Setup\\unrar.dll") != std::string::npos);
        CHECK(ReadFile(chosen) == LibraryResource());
    }
    WriteFile(chosen, "tampered");   // a private copy that differs is written again
    CHECK(ChooseLibrary(foreign.c_str(), chosen));
    CHECK(ReadFile(chosen) == LibraryResource());
}

}
