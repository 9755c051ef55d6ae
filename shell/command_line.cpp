#include "shell/command_line.h"

#include <windows.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "base/exit_codes.h"
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

// Every switch: a flag it sets, or a text it takes after "=", or neither (accepted and harmless).
struct Switch {
    const char* name;
    bool Options::*flag;
    char (Options::*text)[PathSize];
};
constexpr Switch Switches[] = {
    {"silent", &Options::silent, nullptr},
    {"verysilent", &Options::silent, nullptr},   // what package managers pass to the two common
    {"s", &Options::silent, nullptr},            // installer families
    {"passive", &Options::passive, nullptr},
    {"uninstall", &Options::uninstall, nullptr},
    {"desktopicon", &Options::desktopIcon, nullptr},
    {"?", &Options::help, nullptr},
    {"dir", nullptr, &Options::dir},
    {"d", nullptr, &Options::dir},               // only as the last switch: see RestAsFolder
    {"log", nullptr, &Options::log},
    // Nothing unattended asks a question and nothing ever needs a restart.
    {"suppressmsgboxes", nullptr, nullptr},
    {"norestart", nullptr, nullptr},
    {"sp-", nullptr, nullptr},
};

// "/D=" at the start of a word outside quotes takes the rest of the line, unquoted, as the
// folder. Returns where it starts, or the end of the text.
std::size_t RestAsFolder(const std::string& text)
{
    bool quoted = false;
    for (std::size_t i = 0; i + 3 <= text.size(); ++i) {
        if (text[i] == '"') quoted = !quoted;
        const bool wordStart = i == 0 || text[i - 1] == ' ' || text[i - 1] == '\t';
        if (!quoted && wordStart && (text[i] == '/' || text[i] == '-') && (text[i + 1] == 'D' || text[i + 1] == 'd') &&
            text[i + 2] == '=')
            return i;
    }
    return text.size();
}

bool Apply(const std::string& word, Options& options)
{
    if (word.size() < 2 || (word[0] != '/' && word[0] != '-')) return false;
    const std::size_t equals = word.find('=');
    const std::string name = word.substr(1, equals == std::string::npos ? std::string::npos : equals - 1);
    const bool hasValue = equals != std::string::npos;
    const std::string value = hasValue ? word.substr(equals + 1) : std::string();
    for (const Switch& entry : Switches) {
        if (!SameName(name, entry.name) || hasValue != (entry.text != nullptr)) continue;
        if (entry.flag) options.*(entry.flag) = true;
        return !entry.text || (!value.empty() && CopyText(options.*(entry.text), value.c_str()));
    }
    return false;
}

}  // namespace

bool ParseCommandLine(const char* arguments, Options& options)
{
    std::string line = arguments;
    const std::size_t folder = RestAsFolder(line);
    if (folder < line.size()) {
        std::string rest = line.substr(folder);
        rest.erase(rest.find_last_not_of(" \t") + 1);
        if (rest.size() > 4 && rest[3] == '"' && rest.back() == '"') rest = rest.substr(0, 3) + rest.substr(4, rest.size() - 5);
        line.erase(folder);
        if (!Apply(rest, options)) return false;
    }
    std::vector<std::string> words;
    if (!Words(line.c_str(), words)) return false;
    for (const std::string& word : words)
        if (!Apply(word, options)) return false;
    return true;
}

std::string UsageText()
{
    std::string usage =
        "Marvolen Setup\n\n"
        "setup.exe  [/silent | /passive] [/dir=<folder>] [/desktopicon]  [/log=<file>]\n"
        "setup.exe  /uninstall /silent  [/log=<file>]\n"
        "untsetup.exe  /silent  [/log=<file>]\n\n"
        "/silent\tinstall (or uninstall) without a window or a question\n"
        "/passive\tthe same with the window's progress, closing by itself\n"
        "/dir\tthe game's folder, taken as given\n"
        "/desktopicon\ta link on the desktop too\n"
        "/log\ta plain-text log of every step\n\n";
    // "Exit codes: 0 done, 2 failed, ..." from the table, broken after a comma before a line
    // grows past the width of the lines above.
    constexpr std::size_t Width = 72;
    std::string line = "Exit codes:";
    const std::size_t count = std::size(ExitCodeMeanings);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string item = std::to_string(ExitCodeMeanings[i].code) + " " + ExitCodeMeanings[i].brief +
                                 (i + 1 < count ? "," : ".");
        if (line.size() + 1 + item.size() > Width) {
            usage += line + "\n";
            line = item;
        } else {
            line += " " + item;
        }
    }
    return usage + line;
}
