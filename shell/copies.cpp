#include "shell/copies.h"

#include <shlobj.h>

#include <vector>

#include "base/names.h"
#include "base/state.h"
#include "resources/resource_ids.h"
#include "system/bounded_text.h"
#include "system/file_copy.h"

namespace {

// The library the program carries, or nothing. It lies among the sounds, as type "WAVE" and id
// 204, where the program's resources have always carried it: tools that take it out of setup.exe
// look for it there.
bool CarriedLibrary(const void*& bytes, DWORD& size)
{
    HRSRC resource = FindResourceA(Setup.Process.Instance, MAKEINTRESOURCEA(IDW_UNRAR_LIBRARY), "WAVE");
    HGLOBAL loaded = resource ? LoadResource(Setup.Process.Instance, resource) : nullptr;
    bytes = loaded ? LockResource(loaded) : nullptr;
    size = bytes ? SizeofResource(Setup.Process.Instance, resource) : 0;
    return bytes != nullptr;
}

}  // namespace

void RefreshUninstallerCopy()
{
    // Written only when missing or different: at most starts the copy is the same already.
    if (SameContents(Setup.Paths.ExePath, Setup.Paths.UninstallerPath)) return;
    std::vector<char> program;
    if (!ReadWhole(Setup.Paths.ExePath, program)) return;
    const DWORD size = static_cast<DWORD>(program.size());
    PlaceWhole(Setup.Paths.UninstallerPath, program.data(), size, true);   // a failure keeps the old copy
}

void WriteLibraryCopy(const char* path)
{
    const void* bytes;
    DWORD size;
    if (!CarriedLibrary(bytes, size) || GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return;
    PlaceWhole(path, bytes, size, false);   // one that appears meanwhile stays too
}

bool ChooseLibrary(const char* systemCopy, char (&chosen)[PathSize])
{
    const void* bytes;
    DWORD size;
    chosen[0] = '\0';
    if (!CarriedLibrary(bytes, size)) return false;
    WriteLibraryCopy(systemCopy);
    if (HoldsBytes(systemCopy, bytes, size)) return CopyText(chosen, systemCopy);
    // Another program's library stays where it is, for that program; this one runs its own,
    // from a folder of the user's that others cannot write into.
    char local[MAX_PATH], folder[PathSize], copy[PathSize];
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, local)) ||
        !JoinText(folder, local, PrivateLibraryFolder) || !JoinText(copy, folder, LibrarySuffix))
        return false;
    CreateDirectoryA(folder, nullptr);   // there already, or the write below says it cannot be
    if (!HoldsBytes(copy, bytes, size) && !PlaceWhole(copy, bytes, size, true)) return false;
    return CopyText(chosen, copy);
}
