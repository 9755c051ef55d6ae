// What a screen reader asks of an accessible object, shared by the out-of-process probe and the
// in-process tests.
#ifndef MARVOLEN_TESTS_READING_H
#define MARVOLEN_TESTS_READING_H

#include <windows.h>
#include <oleacc.h>

#include <string>

inline VARIANT Child(LONG id)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

inline std::string Narrow(const wchar_t* text, UINT codePage)
{
    if (!text) return "";
    char bytes[1024];
    const int n = WideCharToMultiByte(codePage, 0, text, -1, bytes, sizeof bytes, nullptr, nullptr);
    return n > 0 ? std::string(bytes, n - 1) : std::string("?");
}

// A text property in the given code page, "" when there is none.
inline std::string ReadText(IAccessible* object, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), LONG id,
                            UINT codePage)
{
    BSTR text = nullptr;
    if ((object->*get)(Child(id), &text) != S_OK || !text) return "";
    std::string result = Narrow(text, codePage);
    SysFreeString(text);
    return result;
}

// A number property, -1 when there is none.
inline LONG ReadNumber(IAccessible* object, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*), LONG id)
{
    VARIANT v;
    VariantInit(&v);
    return (object->*get)(Child(id), &v) == S_OK && v.vt == VT_I4 ? v.lVal : -1;
}

#endif
