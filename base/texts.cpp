#include "base/texts.h"

#include "base/state.h"

char TextBuffers[LoadedTextCount][TextLimit + 1];

namespace {

int Spoken = English;

}  // namespace

int LanguageForInterface(LANGID interfaceLanguage)
{
    for (int i = 0; i < LanguageCount; ++i)
        if (MAKELANGID(Languages[i].primary, Languages[i].sub) == interfaceLanguage) return i;
    for (int i = 0; i < LanguageCount; ++i)
        if (Languages[i].primary == PRIMARYLANGID(interfaceLanguage)) return i;
    return English;
}

int LanguageOfCode(const std::wstring& code)
{
    for (int i = 0; i < LanguageCount; ++i)
        if (CompareStringOrdinal(code.c_str(), static_cast<int>(code.size()), Languages[i].code, -1, TRUE) == CSTR_EQUAL)
            return i;
    return -1;
}

int LanguageNamed(const std::wstring& name)
{
    std::wstring own;
    for (int i = 0; i < LanguageCount; ++i)
        if (TextIn(i, IDS_LANGUAGE, own) && own == name) return i;
    return -1;
}

bool TextIn(int language, UINT id, std::wstring& text)
{
    if (language < 0 || language >= LanguageCount) return false;
    // A string table's block holds sixteen texts, each its length and its UTF-16 letters; a text
    // the language lacks has length 0 there, or its block is missing.
    const LANGID tableLanguage = MAKELANGID(Languages[language].primary, Languages[language].sub);
    const HRSRC block = FindResourceExW(Setup.Process.Instance, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(id / 16 + 1), tableLanguage);
    const HGLOBAL loaded = block ? LoadResource(Setup.Process.Instance, block) : nullptr;
    const auto* entry = static_cast<const WCHAR*>(loaded ? LockResource(loaded) : nullptr);
    if (!entry) return false;
    const WCHAR* end = entry + SizeofResource(Setup.Process.Instance, block) / sizeof(WCHAR);
    for (UINT i = 0; i < id % 16 && entry < end; ++i) entry += 1 + *entry;
    if (entry >= end || *entry == 0 || entry + 1 + *entry > end) return false;
    text.assign(entry + 1, *entry);
    return true;
}

void LoadTexts(int language)
{
    if (language >= 0 && language < LanguageCount) Spoken = language;
    std::wstring text;
    for (int i = 0; i < LoadedTextCount; ++i) {
        if (!TextIn(Spoken, LoadedTextIds[i], text) && !TextIn(English, LoadedTextIds[i], text)) text.clear();
        const std::string utf8 = Utf8FromWide(text);
        // Never cut inside a letter: a text too long for its buffer (none of ours) is left out.
        lstrcpynA(TextBuffers[i], utf8.size() <= TextLimit ? utf8.c_str() : "", TextLimit + 1);
    }
}

int SpokenLanguage() { return Spoken; }

std::wstring WideFromUtf8(const char* text)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (length <= 1) return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length) - 1);
    return wide;
}

std::string Utf8FromWide(const std::wstring& text)
{
    if (text.empty()) return std::string();
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &utf8[0], length, nullptr, nullptr);
    return utf8;
}
