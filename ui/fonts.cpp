#include "ui/fonts.h"

#include "base/state.h"
#include "resources/resource_ids.h"

const FaceChoice CarriedFace = {L"Marvolen Label", 0};
FaceChoice LabelFace = CarriedFace;

namespace {

// Loads the carried typeface into this process once. Private to the process: nothing is
// installed, and the fonts go with the process. Without it the font mapper picks the nearest
// face, which still draws every text (only its widths may differ).
void LoadCarriedFace()
{
    static bool tried = false;
    if (tried) return;
    tried = true;
    HRSRC resource = FindResourceA(Setup.Instance, MAKEINTRESOURCEA(IDF_LABEL_FONT), RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(Setup.Instance, resource) : nullptr;
    void* bytes = loaded ? LockResource(loaded) : nullptr;
    DWORD faces = 0;
    if (bytes) AddFontMemResourceEx(bytes, SizeofResource(Setup.Instance, resource), nullptr, &faces);
}

HFONT CreateBoldFont(const wchar_t* face, int height, int width)
{
    return CreateFontW(-height, width, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
                       CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, VARIABLE_PITCH | FF_SWISS, face);
}

}  // namespace

HFONT CreateLabelFont(int height)
{
    LoadCarriedFace();
    // The width scales with the height, so a shrunk text keeps the face's proportions.
    return CreateBoldFont(LabelFace.name, height, LabelFace.width * height / LabelHeight);
}

HFONT SharedLabelFont()
{
    static FaceChoice made = {nullptr, 0};
    static HFONT font = nullptr;
    if (!font || made.name != LabelFace.name || made.width != LabelFace.width) {
        if (font) DeleteObject(font);
        font = CreateLabelFont();
        made = LabelFace;
    }
    return font;
}

HFONT CreateFallbackFont(int height)
{
    return CreateBoldFont(L"MS Shell Dlg 2", height, 0);
}
