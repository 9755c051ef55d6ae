#include <doctest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "shell/command_line.h"
#include "shell/startup.h"
#include "system/bounded_text.h"
#include "support.h"

TEST_SUITE("paths") {

TEST_CASE("a text that does not fit is refused and the buffer keeps what it held")
{
    char buffer[8] = "abc";
    CHECK_FALSE(CopyText(buffer, "12345678"));
    CHECK(std::strcmp(buffer, "abc") == 0);
    CHECK(CopyText(buffer, "1234567"));
    CHECK(std::strcmp(buffer, "1234567") == 0);

    char folder[12] = "C:\\Games";
    const std::string tooMuch = "\\Marv";
    CHECK_FALSE(AppendText(folder, tooMuch.c_str()));
    CHECK(std::strcmp(folder, "C:\\Games") == 0);
    CHECK(AppendText(folder, "\\Ma"));
    CHECK(std::strcmp(folder, "C:\\Games\\Ma") == 0);

    char joined[6] = "old";
    CHECK_FALSE(JoinText(joined, "abc", "def"));
    CHECK(std::strcmp(joined, "old") == 0);
    CHECK(JoinText(joined, "ab", "cde"));
    CHECK(std::strcmp(joined, "abcde") == 0);
}

TEST_CASE("the program's folder decides its paths and whether it is the uninstaller")
{
    struct Case { const char* exe; const char* windows; const char* setupDir; const char* package; int uninstaller; };
    const Case cases[] = {
        {"D:\\setup.exe", "C:\\windows", "D:\\", "D:\\tsetup.pkg", 0},
        {"D:\\Marvolen CD\\setup.exe", "C:\\windows", "D:\\Marvolen CD\\", "D:\\Marvolen CD\\tsetup.pkg", 0},
        {"C:\\WINDOWS\\untsetup.exe", "C:\\windows", "C:\\WINDOWS\\", "C:\\WINDOWS\\tsetup.pkg", 1},
        {"c:\\Windows\\setup.exe", "C:\\WINDOWS", "c:\\Windows\\", "c:\\Windows\\tsetup.pkg", 1},
        {"C:\\windows\\system32\\setup.exe", "C:\\windows", "C:\\windows\\system32\\",
         "C:\\windows\\system32\\tsetup.pkg", 0},
    };
    for (const Case& c : cases) {
        CAPTURE(c.exe);
        Setup = SetupState{};
        CHECK(DeriveProgramPaths(c.exe, c.windows));
        CHECK(std::string(Setup.Paths.SetupDir) == c.setupDir);
        CHECK(std::string(Setup.Paths.PackagePath) == c.package);
        CHECK(Setup.Run.UninstallerMode == c.uninstaller);
        CHECK(std::string(Setup.Paths.UninstallerPath) == std::string(c.windows) + "\\untsetup.exe");
    }
}

TEST_CASE("a program folder too long for the package path is refused, not cut")
{
    Setup = SetupState{};
    // The program's full name just fits in 255 characters; its package's does not.
    const std::string folder = "D:\\" + std::string(242, 'x');
    CHECK_FALSE(DeriveProgramPaths((folder + "\\setup.exe").c_str(), "C:\\windows"));
    CHECK(Setup.Paths.PackagePath[0] == '\0');
}

// A wide text for the report of a failed check.
std::string Printed(const std::wstring& text) { return std::string(text.begin(), text.end()); }

TEST_CASE("the command line: switches in either form and any case, values with blanks, nothing unknown")
{
    struct Case {
        const wchar_t* line;
        bool ok, silent = false, uninstall = false, icon = false, help = false;
        const wchar_t* dir = L"";
        const wchar_t* log = L"";
        bool passive = false, downgrade = false;
    };
    const Case cases[] = {
        {L"", true, false, false, false, false, L"", L""},
        {L"/silent", true, true, false, false, false, L"", L""},
        {L"-SILENT /DesktopIcon", true, true, false, true, false, L"", L""},
        {L"/silent /AllowDowngrade", true, true, false, false, false, L"", L"", false, true},
        {L"/silent \"/dir=C:\\My Games\\Marvolen\" /log=C:\\setup.log", true, true, false, false, false,
         L"C:\\My Games\\Marvolen", L"C:\\setup.log"},
        {L"/silent /dir=\"C:\\My Games\\Marvolen\"", true, true, false, false, false, L"C:\\My Games\\Marvolen", L""},
        {L"/uninstall -silent", true, true, true, false, false, L"", L""},
        {L"/?", true, false, false, false, true, L"", L""},
        // The spellings package managers use for the two common installer families.
        {L"/VERYSILENT /SUPPRESSMSGBOXES /NORESTART /SP- /DIR=\"C:\\My Games\\Marvolen\"", true, true, false, false, false,
         L"C:\\My Games\\Marvolen", L""},
        {L"/S /log=C:\\a.log /D=C:\\My Games\\Marvolen ", true, true, false, false, false, L"C:\\My Games\\Marvolen",
         L"C:\\a.log"},
        {L"/S /D=C:\\A B /log=C:\\a.log", true, true, false, false, false, L"C:\\A B /log=C:\\a.log", L""},   // the rest is the folder
        {L"/S /D=\"C:\\A B\"", true, true, false, false, false, L"C:\\A B", L""},
        {L"\"/log=C:\\x /D=y\" /passive", true, false, false, false, false, L"", L"C:\\x /D=y", true},
        {L"/passive /dir=C:\\Games", true, false, false, false, false, L"C:\\Games", L"", true},
        {L"/quiet", false}, {L"silent", false}, {L"/dir", false}, {L"/dir=", false}, {L"/silent=yes", false},
        {L"/log=", false}, {L"\"/dir=C:\\x /silent", false}, {L"/silent /dir=\"C:\\x", false},
        {L"/log=", false}, {L"/S /D=", false}, {L"/D", false}, {L"/norestart=1", false}, {L"/SP", false},
        {L"/allowdowngrade=1", false},
    };
    for (const Case& c : cases) {
        CAPTURE(Printed(c.line));
        Options options;
        REQUIRE(ParseCommandLine(c.line, options) == c.ok);
        if (!c.ok) continue;
        CHECK(options.silent == c.silent);
        CHECK(options.uninstall == c.uninstall);
        CHECK(options.desktopIcon == c.icon);
        CHECK(options.help == c.help);
        CHECK(options.dir == c.dir);
        CHECK(options.log == c.log);
        CHECK(options.passive == c.passive);
        CHECK(options.allowDowngrade == c.downgrade);
    }
    Options options;
    CHECK_FALSE(ParseCommandLine((L"/dir=C:\\" + std::wstring(300, L'x')).c_str(), options));   // too long: refused
    // Look-alikes are what they are: a fullwidth quote is no quote, a set-minus no backslash; and the
    // program's own name is skipped as Windows writes it, quoted or not.
    const wchar_t* spoof = L"/silent \"/dir=C:\\Games\\Mine\uFF02 /uninstall /log=\uFF02C:\\l.log\"";
    REQUIRE(ParseCommandLine(spoof, options));
    CHECK_FALSE(options.uninstall);
    CHECK(options.dir == L"C:\\Games\\Mine\uFF02 /uninstall /log=\uFF02C:\\l.log");
    CHECK(options.log.empty());
    CHECK(std::wstring(ArgumentsOf(L"\"C:\\My Setup\\setup.exe\"  /silent")) == L"/silent");
    CHECK(std::wstring(ArgumentsOf(L"D:\\setup.exe /S /D=C:\\A B")) == L"/S /D=C:\\A B");
    CHECK(std::wstring(ArgumentsOf(L"setup.exe")).empty());
}

TEST_CASE("the language: /lang= by its code, else the player's interface language, its own country first, "
          "else English; an installation's by its own name")
{
    struct Code { const wchar_t* line; bool parsed; int language; };
    const Code codes[] = {{L"/lang=de", true, 1},  {L"/LANG=RU /silent", true, 6}, {L"-lang=Pl", true, 5},
                          {L"/lang=en", true, 0},  {L"/lang=xx", true, -1},        {L"/lang=de-DE", true, -1},
                          {L"/lang=\uFF44\uFF45", true, -1},   // fullwidth "de": no code of ours
                          {L"/lang=", false, -1},  {L"/lang", false, -1}};
    for (const Code& c : codes) {
        CAPTURE(Printed(c.line));
        Options options;
        REQUIRE(ParseCommandLine(c.line, options) == c.parsed);
        if (c.parsed) CHECK(LanguageOfCode(options.lang) == c.language);
    }
    struct Interface { LANGID ui; const wchar_t* code; };
    const Interface interfaces[] = {
        {0x0409, L"en"}, {0x0809, L"en"}, {0x0407, L"de"}, {0x0807, L"de"}, {0x0C07, L"de"}, {0x040C, L"fr"},
        {0x0C0C, L"fr"}, {0x0C0A, L"es"}, {0x040A, L"es"}, {0x080A, L"es"}, {0x0410, L"it"}, {0x0810, L"it"},
        {0x0415, L"pl"}, {0x0419, L"ru"}, {0x0819, L"ru"}, {0x0416, L"en"}, {0x0411, L"en"}, {0x0422, L"en"},
        {0x0000, L"en"},
    };
    for (const Interface& i : interfaces) {
        CAPTURE(i.ui);
        CHECK(std::wstring(Languages[LanguageForInterface(i.ui)].code) == i.code);
    }
    // Each language knows itself by the name the install record keeps, and lacks nothing the
    // player reads: where it has no text of its own (a name, an address) it speaks English.
    std::wstring name, text;
    for (int language = 0; language < LanguageCount; ++language) {
        CAPTURE(language);
        REQUIRE(TextIn(language, IDS_LANGUAGE, name));
        CHECK(LanguageNamed(name) == language);
        CHECK(TextIn(language, IDS_INSTALL, text) == true);
        CHECK(TextIn(language, IDS_GAME_SITE, text) == (language == English));
        LoadTexts(language);
        CHECK(std::string(Text(IDS_WINDOW_TITLE)) == "Marvolen Setup");
        CHECK(std::string(Text(IDS_GAME_SITE)) == "www.marvolen.example");
    }
    CHECK(std::string(Text(IDS_CANCEL)) == "\xD0\x9E\xD1\x82\xD0\xBC\xD0\xB5\xD0\xBD\xD0\xB0");   // "Отмена", in UTF-8
    CHECK(LanguageNamed(L"Klingon") == -1);
    CHECK(LanguageNamed(L"") == -1);
    LoadTexts(English);
}

TEST_CASE("the usage ends with every exit code, in lines no wider than the rest")
{
    std::string usage = UsageText(1);   // in German, letters counted, not bytes
    for (std::size_t start = 0, end; start < usage.size(); start = end + 1) {
        end = std::min(usage.find('\n', start), usage.size());
        CHECK(WideFromUtf8(usage.substr(start, end - start).c_str()).size() <= 72);
    }
    CHECK(usage.find("/lang") != std::string::npos);
    usage = UsageText();
    CHECK(usage.substr(usage.find("Exit codes:")) ==
          "Exit codes: 0 done, 2 failed, 3 not enough free space, 4 unknown switch,\n"
          "5 nothing to uninstall, 6 already running, 7 a file of the game in use,\n"
          "8 cancelled by the player, 9 a newer version installed.");
}

}
