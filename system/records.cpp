#include "system/records.h"

#include "system/bounded_text.h"

bool ReadRegistryText(HKEY root, const char* key, const char* value, char (&out)[PathSize])
{
    HKEY handle;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return false;
    char data[PathSize] = {};
    DWORD length = PathSize - 1;   // leaves room for a NUL the stored data may lack
    const LONG result = RegQueryValueExA(handle, value, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &length);
    RegCloseKey(handle);
    if (result != ERROR_SUCCESS) return false;
    data[length < PathSize ? length : PathSize - 1] = '\0';
    return CopyText(out, data);
}

bool ReadInstallDir(char (&folder)[PathSize])
{
    return ReadRegistryText(HKEY_CURRENT_USER, InstallRecordKey, "InstallDir", folder);
}
