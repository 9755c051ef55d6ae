#include "shell/command_line.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "system/bounded_text.h"

namespace {

// Words separated by blanks; a pair of quotes keeps blanks inside a word and is dropped. False
// for a quote left open, which would swallow every switch after it.
bool Words(const char* text, std::vector<std::string>& words)
{
    std::string word;
    bool quoted = false, inWord = false;
    for (const char* c = text; *c; ++c) {
        if (*c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((*c == ' ' || *c == '\t') && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += *c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return !quoted;
}

bool SameName(const std::string& a, const char* b) { return lstrcmpiA(a.c_str(), b) == 0; }

}  // namespace

bool ParseCommandLine(const char* arguments, Options& options)
{
    std::vector<std::string> words;
    if (!Words(arguments, words)) return false;
    for (const std::string& word : words) {
        if (word.size() < 2 || (word[0] != '/' && word[0] != '-')) return false;
        const std::size_t equals = word.find('=');
        const std::string name = word.substr(1, equals == std::string::npos ? std::string::npos : equals - 1);
        const bool hasValue = equals != std::string::npos;
        const std::string value = hasValue ? word.substr(equals + 1) : std::string();
        if (!hasValue && SameName(name, "silent")) options.silent = true;
        else if (!hasValue && SameName(name, "uninstall")) options.uninstall = true;
        else if (!hasValue && SameName(name, "desktopicon")) options.desktopIcon = true;
        else if (!hasValue && name == "?") options.help = true;
        else if (hasValue && SameName(name, "dir")) {
            if (value.empty() || !CopyText(options.dir, value.c_str())) return false;
        } else if (hasValue && SameName(name, "log")) {
            if (value.empty() || !CopyText(options.log, value.c_str())) return false;
        } else {
            return false;
        }
    }
    return true;
}
