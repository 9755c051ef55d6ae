#include "shell/command_line.h"

#include <windows.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "base/exit_codes.h"
#include "base/names.h"
#include "base/texts.h"

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Words separated by blanks; a pair of quotes keeps blanks inside a word and is dropped. False
// for a quote left open, which would swallow every switch after it.
bool Words(const std::wstring& text, std::vector<std::wstring>& words)
{
    std::wstring word;
    bool quoted = false, inWord = false;
    for (const wchar_t c : text) {
        if (c == L'"') {
            quoted = !quoted;
            inWord = true;
        } else if (IsBlank(c) && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return !quoted;
}

// Switch names are ASCII: compared ignoring case, character by character.
bool SameName(const std::wstring& a, const wchar_t* b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

// Every switch: a flag it sets, or a text it takes after "=", or neither (accepted and harmless).
struct Switch {
    const wchar_t* name;
    bool Options::*flag;
    std::wstring Options::*text;
};
const Switch Switches[] = {
    {L"silent", &Options::silent, nullptr},
    {L"verysilent", &Options::silent, nullptr},   // what package managers pass to the two common
    {L"s", &Options::silent, nullptr},            // installer families
    {L"passive", &Options::passive, nullptr},
    {L"uninstall", &Options::uninstall, nullptr},
    {L"desktopicon", &Options::desktopIcon, nullptr},
    {L"allowdowngrade", &Options::allowDowngrade, nullptr},
    {L"?", &Options::help, nullptr},
    {L"dir", nullptr, &Options::dir},
    {L"d", nullptr, &Options::dir},               // only as the last switch: see RestAsFolder
    {L"log", nullptr, &Options::log},
    {L"lang", nullptr, &Options::lang},
    // Nothing unattended asks a question and nothing ever needs a restart.
    {L"suppressmsgboxes", nullptr, nullptr},
    {L"norestart", nullptr, nullptr},
    {L"sp-", nullptr, nullptr},
};

// "/D=" at the start of a word outside quotes takes the rest of the line, unquoted, as the
// folder. Returns where it starts, or the end of the text.
std::size_t RestAsFolder(const std::wstring& text)
{
    bool quoted = false;
    for (std::size_t i = 0; i + 3 <= text.size(); ++i) {
        if (text[i] == L'"') quoted = !quoted;
        const bool wordStart = i == 0 || IsBlank(text[i - 1]);
        if (!quoted && wordStart && (text[i] == L'/' || text[i] == L'-') && (text[i + 1] == L'D' || text[i + 1] == L'd') &&
            text[i + 2] == L'=')
            return i;
    }
    return text.size();
}

bool Apply(const std::wstring& word, Options& options)
{
    if (word.size() < 2 || (word[0] != L'/' && word[0] != L'-')) return false;
    const std::size_t equals = word.find(L'=');
    const std::wstring name = word.substr(1, equals == std::wstring::npos ? std::wstring::npos : equals - 1);
    const bool hasValue = equals != std::wstring::npos;
    const std::wstring value = hasValue ? word.substr(equals + 1) : std::wstring();
    for (const Switch& entry : Switches) {
        if (!SameName(name, entry.name) || hasValue != (entry.text != nullptr)) continue;
        if (entry.flag) options.*(entry.flag) = true;
        if (!entry.text) return true;
        // As long as a path may be, and never cut.
        if (value.empty() || value.size() >= PathSize) return false;
        options.*(entry.text) = value;
        return true;
    }
    return false;
}

}  // namespace

const wchar_t* ArgumentsOf(const wchar_t* line)
{
    // The program's name ends at its closing quote, or unquoted at the first blank.
    if (*line == L'"') {
        for (++line; *line && *line != L'"'; ++line) {}
        if (*line) ++line;
    } else {
        while (*line && !IsBlank(*line)) ++line;
    }
    while (IsBlank(*line)) ++line;
    return line;
}

bool ParseCommandLine(const wchar_t* arguments, Options& options)
{
    std::wstring line = arguments;
    const std::size_t folder = RestAsFolder(line);
    if (folder < line.size()) {
        std::wstring rest = line.substr(folder);
        rest.erase(rest.find_last_not_of(L" \t") + 1);
        if (rest.size() > 4 && rest[3] == L'"' && rest.back() == L'"') rest = rest.substr(0, 3) + rest.substr(4, rest.size() - 5);
        line.erase(folder);
        if (!Apply(rest, options)) return false;
    }
    std::vector<std::wstring> words;
    if (!Words(line, words)) return false;
    for (const std::wstring& word : words)
        if (!Apply(word, options)) return false;
    return true;
}

std::string UsageText(int language)
{
    // Each text in that language, where it has it, else in English.
    const auto said = [language](UINT id) {
        std::wstring text;
        if (!TextIn(language, id, text)) TextIn(English, id, text);
        return Utf8FromWide(text);
    };
    std::string usage = std::string(Text(IDS_WINDOW_TITLE)) + "\n\n"
        "setup.exe  [/silent | /passive] [/dir=<folder>] [/desktopicon]\n"
        "           [/allowdowngrade] [/lang=<code>] [/log=<file>]\n"
        "setup.exe  /uninstall /silent  [/log=<file>]\n" +
        std::string(UninstallerSuffix + 1) + "  /silent  [/log=<file>]\n\n"
        "/silent\t" + said(IDS_USAGE_SILENT) + "\n"
        "/passive\t" + said(IDS_USAGE_PASSIVE) + "\n"
        "/dir\t" + said(IDS_USAGE_DIR) + "\n"
        "/desktopicon\t" + said(IDS_USAGE_DESKTOPICON) + "\n"
        "/allowdowngrade\t" + said(IDS_USAGE_ALLOWDOWNGRADE) + "\n"
        "/lang\t" + said(IDS_USAGE_LANG) + "\n"
        "/log\t" + said(IDS_USAGE_LOG) + "\n\n";
    // "Exit codes: 0 done, 2 failed, ..." from the table, broken after a comma before a line
    // grows past the width of the lines above (counted in letters, not bytes).
    constexpr std::size_t Width = 72;
    const auto letters = [](const std::string& text) { return WideFromUtf8(text.c_str()).size(); };
    std::string line = said(IDS_EXIT_CODES);
    const std::size_t count = std::size(ExitCodeMeanings);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string item = std::to_string(ExitCodeMeanings[i].code) + " " + said(ExitCodeMeanings[i].briefText) +
                                 (i + 1 < count ? "," : ".");
        if (letters(line) + 1 + letters(item) > Width) {
            usage += line + "\n";
            line = item;
        } else {
            line += " " + item;
        }
    }
    return usage + line;
}
