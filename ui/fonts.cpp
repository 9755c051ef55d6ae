#include "ui/fonts.h"

#include "base/state.h"
#include "resources/resource_ids.h"

namespace {

constexpr wchar_t CarriedFace[] = L"Marvolen Label";

// Loads the carried typeface into this process once. Private to the process: nothing is
// installed, and the fonts go with the process. Without it the font mapper picks the nearest
// face, which still draws every text (only its widths may differ).
void LoadCarriedFace()
{
    static bool tried = false;
    if (tried) return;
    tried = true;
    HRSRC resource = FindResourceA(Setup.Process.Instance, MAKEINTRESOURCEA(IDF_LABEL_FONT), RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(Setup.Process.Instance, resource) : nullptr;
    void* bytes = loaded ? LockResource(loaded) : nullptr;
    DWORD faces = 0;
    if (bytes) AddFontMemResourceEx(bytes, SizeofResource(Setup.Process.Instance, resource), nullptr, &faces);
}

HFONT CreateBoldFont(const wchar_t* face, int height)
{
    return CreateFontW(-height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
                       CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, VARIABLE_PITCH | FF_SWISS, face);
}

}  // namespace

HFONT CreateLabelFont(int height)
{
    LoadCarriedFace();
    return CreateBoldFont(CarriedFace, height);
}

HFONT SharedLabelFont()
{
    static const HFONT font = CreateLabelFont();
    return font;
}

HFONT CreateFallbackFont(int height) { return CreateBoldFont(L"MS Shell Dlg 2", height); }
