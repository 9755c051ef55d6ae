"""Checks of the built files themselves, read with outside tools: the executable's format and
imports, and every resource it carries (texts, bitmaps, sounds, the library copy, icon, cursor)."""

import re
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

BUILD = Path(sys.argv[1] if len(sys.argv) > 1 else "build").resolve()
SETUP = BUILD / "setup.exe"
REPO = Path(__file__).resolve().parents[2]



def defines(path):
    """The #define NAME VALUE lines of a header, by name."""
    return dict(re.findall(r"^#define (\w+)[ \t]+(.+?)[ \t]*$", path.read_text(), re.M))


IDS = {name: int(value) for name, value in defines(REPO / "resources" / "resource_ids.h").items() if value.isdigit()}
VERSION_DEFINES = defines(REPO / "base" / "version.h")
VERSION = (int(VERSION_DEFINES["MARVOLEN_VERSION_MAJOR"]), int(VERSION_DEFINES["MARVOLEN_VERSION_MINOR"]))
VERSION_TEXT = f"{VERSION[0]}.{VERSION[1]}"


def rc_string_table(path=REPO / "resources" / "setup.rc"):
    """The string table as a resource script writes it (resources/setup.rc, or a language's of
    resources/lang/), by id: each text unescaped as windres reads it, the version's macro as
    base/version.h makes it."""
    rc = path.read_text(encoding="utf-8")
    body = re.search(r"^STRINGTABLE\s*\nBEGIN\n(.*?)^END", rc, re.S | re.M).group(1)
    escapes = {"n": "\n", "t": "\t", "\\": "\\", '"': '"'}
    texts = {}
    for name, quoted, macro in re.findall(r'^\s*(IDS_\w+)\s+(?:"((?:[^"\\]|\\.|"")*)"|(\w+))\s*$', body, re.M):
        texts[IDS[name]] = (VERSION_TEXT if macro == "MARVOLEN_VERSION_TEXT" else
                            re.sub(r'\\(.)|""', lambda m: escapes[m.group(1)] if m.group(1) else '"', quoted))
    return texts


TEXTS = rc_string_table()
IDS_BY_NUMBER = {number: name for name, number in IDS.items() if name.startswith("IDS_")}
# The other languages, by code: the string table's language id, and its script.
LANGUAGES = {"de": 0x0407, "fr": 0x040C, "es": 0x0C0A, "it": 0x0410, "pl": 0x0415, "ru": 0x0419}
# What no language translates: names, addresses, the version, the window's class and title.
UNTRANSLATED = {IDS[name] for name in ("IDS_WINDOW_TITLE", "IDS_WINDOW_CLASS", "IDS_GAME_SITE", "IDS_MAKER_SITE",
                                       "IDS_PUBLISHER_SITE", "IDS_REGISTRATION_PAGE", "IDS_VERSION")}
# Fictional host names of our own choosing.
HOSTS = tuple(IDS[name] for name in ("IDS_GAME_SITE", "IDS_MAKER_SITE", "IDS_PUBLISHER_SITE", "IDS_REGISTRATION_PAGE"))

BITMAPS = {IDS[name]: size for name, size in {
    "IDB_MAIN_MENU": (640, 480, 8), "IDB_DESTINATION": (640, 480, 8), "IDB_FINISH": (640, 480, 8),
    "IDB_PROGRESS": (640, 480, 8), "IDB_STATUS_MASK": (338, 73, 1), "IDB_STATUS_PANEL": (338, 73, 8),
    "IDB_TICK": (38, 40, 8), "IDB_PROMPT_MASK": (527, 183, 1), "IDB_PROMPT_PANEL": (527, 183, 8)}.items()}
BITMAPS.update({IDS["IDB_MAP_FIRST"] + n: (332, 271, 8) for n in range(IDS["PROGRESS_FRAMES"])})
BITMAPS.update({IDS["IDB_STRIP_FIRST"] + n: (559, 77, 8) for n in range(IDS["PROGRESS_FRAMES"])})
# Each again at twice the size, for 200 % screens.
BITMAPS.update({id_ + IDS["IDB_DOUBLE"]: (2 * w, 2 * h, bits) for id_, (w, h, bits) in list(BITMAPS.items())})

SOUNDS = {IDS["IDW_HOVER"]: 12701, IDS["IDW_CLICK"]: 9622}
LIBRARY_ENTRY_POINTS = ["RAROpenArchive", "RARCloseArchive", "RARReadHeader", "RARProcessFile",
                        "RARSetChangeVolProc", "RARSetProcessDataProc", "RARSetPassword"]
# The libraries Windows always takes from the system folder, its "known DLLs" (named under
# HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs): the only ones the setup may
# import at load time. Any other name (winmm, oleacc, version, ...) is looked for beside the
# program first, where a copy left in a download folder would run inside the setup.
KNOWN_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll", "oleaut32.dll",
              "msvcrt.dll", "comdlg32.dll", "shlwapi.dll", "imm32.dll", "rpcrt4.dll", "setupapi.dll", "ws2_32.dll"}

failures = []
passed = 0


def check(condition, message):
    global passed
    if condition:
        passed += 1
    else:
        failures.append(message)
    return condition


def run(*args):
    return subprocess.run(args, check=True, capture_output=True).stdout


def resource(type_, name, raw=False, language=None):
    return run("wrestool", "-x", f"--type={type_}", f"--name={name}", *([f"--language={language}"] if language else []),
               *(["--raw"] if raw else []), str(SETUP))


def objdump(path):
    return run("i686-w64-mingw32-objdump", "-p", str(path)).decode()


def check_executable():
    info = objdump(SETUP)
    check("Magic\t\t\t010b\t(PE32)" in info, "setup.exe is PE32")
    check("(Windows GUI)" in info, "setup.exe uses the GUI subsystem")
    check("i386" in run("file", str(SETUP)).decode() or "80386" in run("file", str(SETUP)).decode(),
          "setup.exe is for i386")
    imports = {name.lower() for name in re.findall(r"DLL Name: (\S+)", info)}
    check(imports <= KNOWN_DLLS, f"setup.exe imports at load time only libraries Windows protects by name, "
          f"not {sorted(imports - KNOWN_DLLS)}")


def string_table(language=0x0409):
    """Every string resource of the file in one language, by id, decoded from the table's blocks."""
    listing = run("wrestool", "-l", "--type=6", f"--language={language}", str(SETUP)).decode()
    texts = {}
    for block in sorted(set(re.findall(r"--name=(\d+)", listing))):
        data = resource(6, block, raw=True, language=language)
        offset = 0
        for index in range(16):
            (length,) = struct.unpack_from("<H", data, offset)
            offset += 2
            if length:
                texts[(int(block) - 1) * 16 + index] = data[offset:offset + 2 * length].decode("utf-16-le")
            offset += 2 * length
    return texts


def check_texts():
    texts = string_table()
    check(len(TEXTS) >= 40 and set(texts) == set(TEXTS),
          f"the file carries setup.rc's texts, no more, no fewer: {sorted(set(texts) ^ set(TEXTS))}")
    for id_, expected in TEXTS.items():
        check(texts.get(id_) == expected, f"text {id_} is {expected!r}, got {texts.get(id_)!r}")
    # The screen states the required space in millions of bytes, as the test measures it.
    required = int(re.search(r"RequiredFreeBytes = (\d+);", (REPO / "system" / "destination.h").read_text()).group(1))
    check(texts.get(IDS["IDS_SPACE_REQUIRED"], "").endswith(f" {required // 1000000}MB") and required % 1000000 == 0,
          f"text {IDS['IDS_SPACE_REQUIRED']} names the {required} bytes the install test asks for")
    for id_ in HOSTS:
        host = texts.get(id_, "")
        check(re.fullmatch(r"[a-z0-9.-]+\.example(/register)?", host) is not None, f"text {id_} is a .example host")
    page = texts.get(IDS["IDS_REGISTRATION_PAGE"], "")
    check(page.endswith("/register"), "the registration page ends in /register")
    check(page.split("/")[0] in {texts.get(i) for i in HOSTS[:3]},
          "the registration page lies on one of the three sites")
    check(all(len(t.encode("utf-8")) <= 1022 for t in texts.values()), "every text fits its 1023-byte buffer")


def check_languages():
    """Every language carries every text a player sees, each as its own resource script writes it,
    with the English one's placeholders in their order and its line breaks; every letter of every
    language is in the carried face."""
    from fontTools.ttLib import TTFont
    face = set(TTFont(REPO / "resources" / "font" / "MarvolenLabel-Bold.ttf").getBestCmap())
    translated = set(TEXTS) - UNTRANSLATED
    for code, language in LANGUAGES.items():
        script = rc_string_table(REPO / "resources" / "lang" / f"{code}.rc")
        carried = string_table(language)
        check(set(script) == translated, f"{code}: every text but names and addresses, no other: "
              f"{sorted(IDS_BY_NUMBER.get(i, i) for i in set(script) ^ translated)}")
        check(carried == script, f"{code}: the file carries resources/lang/{code}.rc's texts as written")
        for id_, text in script.items():
            english = TEXTS[id_]
            check(re.findall(r"%\w+", text) == re.findall(r"%\w+", english) and text.count("\n") == english.count("\n"),
                  f"{code}: text {IDS_BY_NUMBER[id_]} has the English one's placeholders and line breaks: {text!r}")
            missing = sorted({c for c in text if ord(c) not in face and c != "\n"})
            check(not missing, f"{code}: the carried face lacks {missing} of {IDS_BY_NUMBER[id_]}")
            check(len(text.encode("utf-8")) <= 1022, f"{code}: text {IDS_BY_NUMBER[id_]} fits its buffer")
    names = [rc_string_table(REPO / "resources" / "lang" / f"{code}.rc")[IDS["IDS_LANGUAGE"]] for code in LANGUAGES]
    check(len(set(names + [TEXTS[IDS["IDS_LANGUAGE"]]])) == len(LANGUAGES) + 1, f"each language has a name of its own: {names}")


def check_bitmaps(scratch):
    for id_, (width, height, bits) in BITMAPS.items():
        path = scratch / f"{id_}.bmp"
        path.write_bytes(resource(2, id_))
        header = path.read_bytes()[14:54]
        _, w, h, _, bit_count, compression, _, _, _, colours_used, _ = struct.unpack("<IiiHHIIiiII", header)
        shown = run("identify", "-format", "%w %h", str(path)).decode()
        check(shown == f"{width} {height}", f"bitmap {id_} is {width}x{height}, identify says {shown}")
        check((abs(h), bit_count, compression) == (height, bits, 0),
              f"bitmap {id_} is an uncompressed {bits}-bit DIB, got {bit_count}-bit, compression {compression}")
        palette = path.read_bytes()[54:54 + 4 * (colours_used or 2 ** bits)]
        if bits == 8:
            check(colours_used in (0, 256), f"bitmap {id_} carries 256 colours")
            check(palette[:3] == b"\0\0\0", f"bitmap {id_}: palette index 0 is black")
        else:
            check(palette[:3] == b"\0\0\0" and palette[4:7] == b"\xff\xff\xff", f"mask {id_}: 0 black, 1 white")


def check_sounds(scratch):
    for id_, data_bytes in SOUNDS.items():
        path = scratch / f"{id_}.wav"
        path.write_bytes(resource("WAVE", id_, raw=True))
        info = run("sox", "--i", str(path)).decode()
        check(re.search(r"Channels\s*: 1\n", info) and re.search(r"Sample Rate\s*: 22050\n", info)
              and re.search(r"Precision\s*: 8-bit", info) and "Unsigned Integer PCM" in info,
              f"sound {id_} is 8-bit mono PCM at 22050 Hz: {info}")
        data = path.read_bytes()
        at = data.find(b"data")
        check(data[:4] == b"RIFF" and at > 0 and struct.unpack_from("<I", data, at + 4)[0] == data_bytes,
              f"sound {id_} has exactly {data_bytes} bytes of samples")


def check_library(scratch):
    path = scratch / "unrar.dll"
    path.write_bytes(resource("WAVE", 204, raw=True))
    info = objdump(path)
    exports = set(re.findall(r"\[\s*\d+\]\s+(\w+)", info))
    for name in LIBRARY_ENTRY_POINTS:
        check(name in exports, f"the library copy exports {name} undecorated")
    check(path.read_bytes() == (BUILD / "unrar" / "unrar.dll").read_bytes(), "resource 204 is the built unrar.dll")
    font = REPO / "resources" / "font" / "MarvolenLabel-Bold.ttf"
    check(resource(10, 205, raw=True) == font.read_bytes(), "resource 205 is the committed label typeface")


def check_icon_and_cursor(scratch):
    """The icon and the pointer at 32, 48 and 64 pixels (100 %, 150 %, 200 %), the pointer's hot spot
    at its tip at each size."""
    def entries(data):
        (count,) = struct.unpack_from("<H", data, 4)
        return [struct.unpack_from("<BBBBHHII", data, 6 + 16 * i) for i in range(count)]

    icon = scratch / "setup.ico"
    icon.write_bytes(resource(14, 107))
    sizes = [(e[0] or 256, e[1] or 256) for e in entries(icon.read_bytes())]
    check(sizes == [(32, 32), (48, 48), (64, 64)], f"icon 107 holds 32, 48 and 64 pixels, got {sizes}")
    check(run("identify", "-format", "%w %h ", str(icon)).decode().split() == ["32", "32", "48", "48", "64", "64"],
          "identify reads the icon's three sizes")

    cursor = resource(12, 138)
    found = [(e[0], e[1], e[4], e[5]) for e in entries(cursor)]
    expected = [(n, n, int(5.5 * n / 32), int(5.5 * n / 32)) for n in (32, 48, 64)]
    check(found == expected, f"cursor 138 holds {expected} (size, size, hot spot), got {found}")


def check_version():
    """base/version.h's version wherever the file and the package manager's manifest state it."""
    record = resource(16, 1, raw=True)
    fixed = record.find(struct.pack("<I", 0xFEEF04BD))
    numbers = struct.unpack_from("<IIII", record, fixed + 8) if fixed >= 0 else ()
    packed = ((VERSION[0] << 16) | VERSION[1], 0)
    check(numbers == packed * 2, f"the version record's file and product versions are {VERSION_TEXT}.0.0: {numbers}")
    strings = record.decode("utf-16-le", "replace")
    for name in ("FileVersion", "ProductVersion"):
        found = re.search(name + r"\0+([^\0]*)\0", strings)
        check(found is not None and found.group(1) == VERSION_TEXT, f"the version record's {name} is {VERSION_TEXT}")
    check(string_table().get(IDS["IDS_VERSION"]) == VERSION_TEXT, f"text {IDS['IDS_VERSION']} is {VERSION_TEXT}")
    identity = re.search(r'<assemblyIdentity type="win32" name="Quellmark\.Marvolen\.Setup" version="([\d.]+)"',
                         resource(24, 1, raw=True).decode("utf-8"))
    check(identity is not None and identity.group(1) == f"{VERSION_TEXT}.0.0", "the manifest's identity has the version")
    winget = "".join(path.read_text() for path in sorted((REPO / "docs" / "winget").glob("*.yaml")))
    stated = re.findall(r'(?:PackageVersion|DisplayVersion): "([^"]*)"|marvolen-([\d.]+)\.zip', winget)
    stated = [version or zipped for version, zipped in stated]
    check(len(stated) == 5 and set(stated) == {VERSION_TEXT}, f"docs/winget states {VERSION_TEXT}: {stated}")


def check_manifest():
    """The application manifest, as Windows reads it: resource type 24, id 1."""
    text = resource(24, 1, raw=True).decode("utf-8")
    check(re.search(r'<requestedExecutionLevel level="requireAdministrator" uiAccess="false"\s*/>', text) is not None,
          "the manifest asks for administrator rights")
    check(re.search(r'name="Microsoft\.Windows\.Common-Controls" version="6\.0\.0\.0"', text) is not None
          and 'publicKeyToken="6595b64144ccf1df"' in text, "the manifest depends on common controls 6")
    supported = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                 "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                 "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}
    found = set(re.findall(r'<supportedOS Id="(\{[^}]+\})"', text))
    check(found == supported, f"the manifest names Vista to 11 as supported, got {sorted(found)}")
    check(re.search(r"<dpiAware[^>]*>\s*true/pm\s*</dpiAware>", text) is not None
          and re.search(r"<dpiAwareness[^>]*>\s*PerMonitorV2, PerMonitor\s*</dpiAwareness>", text) is not None,
          "the manifest asks for per-monitor awareness (v2, then v1; system awareness before Windows 8.1)")


def check_reproducible_headers():
    """What would make two builds differ: link time stamps and the paths of the build."""
    for path in (SETUP, BUILD / "unrar" / "unrar.dll"):
        data = path.read_bytes()
        (pe,) = struct.unpack_from("<I", data, 0x3C)
        (stamp,) = struct.unpack_from("<I", data, pe + 8)
        check(stamp == 0, f"{path.name} carries no link time stamp")
        for folder in {str(BUILD), str(Path(__file__).resolve().parents[2])}:
            check(folder.encode() not in data, f"{path.name} names no build folder ({folder})")


def main():
    with tempfile.TemporaryDirectory() as scratch:
        scratch = Path(scratch)
        for step in (check_executable, check_texts, check_languages, lambda: check_bitmaps(scratch), lambda: check_sounds(scratch),
                     lambda: check_library(scratch), lambda: check_icon_and_cursor(scratch), check_version, check_manifest,
                     check_reproducible_headers):
            step()
    for failure in failures:
        print("FAIL", failure)
    print(f"{passed} passed, {len(failures)} failed")
    sys.exit(1 if failures else 0)


main()
