#include "foundation/StoredFonts.h"

#include "foundation/ConfigFiles.h"
#include "foundation/Settings.h"
#include "foundation/mvini.h"

#include <cwchar>

namespace {

constexpr wchar_t kFontKey[] = L"Font";

// The section an ini object's own keys live in.
std::wstring_view DefaultSectionOf(const mvini& ini) {
    return ini.DefaultSection().empty() ? std::wstring_view(L"global")
                                        : ini.DefaultSection().view();
}

mvstring FontText(const LOGFONTW& font) {
    mvstring text;
    return HexEncode(text, &font, sizeof font);
}

// The four modes shared by both fonts: with an ini the stored font is read
// from it or written to it; without one, save stores a copy of `font` and
// writes key Font alone to `file`, load hands the stored font out.
void LoadSaveFont(LOGFONTW& stored, LOGFONTW& font, bool save, mvini* ini, int32_t file,
                  bool fixedPitch) {
    if (ini != nullptr) {
        if (save) {
            if (fixedPitch)
                EnsureFixedFont(stored);
            WriteStoredFont(*ini, stored);
        } else {
            // Made fixed-pitch when handed out: the default's height comes
            // from the screen, which a run without windows never asks.
            ReadStoredFont(*ini, stored);
        }
        return;
    }
    if (save) {
        stored = font;
        if (fixedPitch)
            EnsureFixedFont(stored);
        SaveSettingText(file, kFontKey, FontText(stored));
    } else {
        if (fixedPitch)
            EnsureFixedFont(stored);
        font = stored;
    }
}

} // namespace

void EnsureFixedFont(LOGFONTW& font) {
    if ((font.lfPitchAndFamily & 0x0F) == FIXED_PITCH)
        return;
    font = LOGFONTW{};
    wcscpy_s(font.lfFaceName, L"Courier New");
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    // The system's pixels per inch, which the screen's device context also
    // reports, read without one.
    const int pixelsPerInch = static_cast<int>(GetDpiForSystem());
    font.lfHeight = -MulDiv(10, pixelsPerInch, 72);
}

void ReadStoredFont(const mvini& ini, LOGFONTW& font) {
    const mvstring text = ini.GetString(DefaultSectionOf(ini), kFontKey);
    if (text.HexToBytes(&font, sizeof font) != sizeof font)
        font = LOGFONTW{};
    // An edited value may fill the face name without its terminating zero.
    font.lfFaceName[LF_FACESIZE - 1] = L'\0';
}

void WriteStoredFont(mvini& ini, const LOGFONTW& font) {
    ini.SetString(DefaultSectionOf(ini), kFontKey, FontText(font));
}

void VQSettings::LoadSaveListFont(LOGFONTW& font, bool save, mvini* ini) {
    LoadSaveFont(ListFont, font, save, ini, SettingFileConfig, false);
}

void VQSettings::LoadSaveHexviewFont(LOGFONTW& font, bool save, mvini* ini) {
    LoadSaveFont(HexviewFont, font, save, ini, SettingFileHexview, true);
}
