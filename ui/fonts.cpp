#include "ui/fonts.h"

#include <iterator>

#include "base/state.h"
#include "resources/resource_ids.h"
#include "ui/scale.h"

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
    // A frame kept from before the scale changed may still hold the face of its scale: none is
    // deleted. A machine shows a few scales at most.
    static struct { int dpi; HFONT font; } made[16];
    static int count;
    for (int i = 0; i < count; ++i)
        if (made[i].dpi == Setup.Shown.Dpi) return made[i].font;
    const HFONT font = CreateLabelFont(Scaled(LabelHeight));
    if (font && count < static_cast<int>(std::size(made))) made[count++] = {Setup.Shown.Dpi, font};
    return font;   // past the table's size a leak, not a failure
}

HFONT CreateFallbackFont(int height) { return CreateBoldFont(L"MS Shell Dlg 2", height); }
