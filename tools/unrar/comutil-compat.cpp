// UnRAR's isnt.cpp builds WMI query strings with _bstr_t("..."), which calls
// _com_util::ConvertStringToBSTR. MSVC ships that function in comsuppw.lib;
// MinGW-w64 declares it in <comutil.h> but provides no body, so we do.
#include <windows.h>
#include <comutil.h>

namespace _com_util {

BSTR WINAPI ConvertStringToBSTR(const char *src)
{
  if (src == NULL)
    return NULL;
  int len = MultiByteToWideChar(CP_ACP, 0, src, -1, NULL, 0); // counts the terminator
  if (len <= 0)
    return NULL;
  BSTR result = SysAllocStringLen(NULL, len - 1);
  if (result != NULL)
    MultiByteToWideChar(CP_ACP, 0, src, -1, result, len);
  return result;
}

} // namespace _com_util
