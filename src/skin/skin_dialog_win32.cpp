// The skin dialog: every selection becomes BRAND and CHARA at once and asks the clock thread to
// reload the skin; Cancel puts back and reloads the skin that was showing when it opened. The
// voice list shows the selected skin's voice; voice choices are kept per skin until OK stores
// them, and Cancel drops them.
#include "skin/skin_dialog_win32.h"

#include "base/app_state.h"
#include "base/dialog_win32.h"
#include "base/resource_ids.h"
#include "base/test_hooks_win32.h"
#include "base/window_handles_win32.h"
#include "settings/settings.h"
#include "settings/skin_voice.h"
#include "settings/voice_names_win32.h"
#include "skin/catalogue.h"

namespace {

int8_t brandBefore = 0;
int8_t charaBefore = 0;

// The voice list: the voice sets in order, then silence.
const char* const kVoiceEntries[] = {VOICE_SET_NAME_A, VOICE_SET_NAME_B, VOICE_SET_NAME_C,
                                     VOICE_SET_NAME_D, "なし"};
constexpr int kSilentEntry = kVoicedBrandCount;
// A voice entry chosen in this opening of the dialog, per skin; kUnchanged where none was.
constexpr int8_t kUnchanged = -2;
int8_t chosenVoices[kVoicedBrandCount][kSkinsPerBrand];

bool ValidBrand(int brand) { return brand >= 0 && brand < kBrandCount && BrandTable[brand].title[0] != '\0'; }

bool ValidSkin(int brand, int chara) {
  return ValidBrand(brand) && chara >= 0 && chara < BrandTable[brand].skinCount;
}

// The brand record behind the brand list's selection (entries list only titled brands), or -1.
int SelectedBrand(HWND dialog) {
  const LRESULT entry = SendDlgItemMessageA(dialog, IDC_SKIN_BRAND, CB_GETCURSEL, 0, 0);
  if (entry == CB_ERR) return -1;
  const LRESULT brand = SendDlgItemMessageA(dialog, IDC_SKIN_BRAND, CB_GETITEMDATA, entry, 0);
  return (brand != CB_ERR && ValidBrand(static_cast<int>(brand))) ? static_cast<int>(brand) : -1;
}

void FillBrands(HWND dialog) {
  for (int brand = 0; brand < kBrandCount; ++brand) {
    if (BrandTable[brand].title[0] == '\0') continue;
    const LRESULT entry = SendDlgItemMessageA(dialog, IDC_SKIN_BRAND, CB_ADDSTRING, 0,
                                              reinterpret_cast<LPARAM>(BrandTable[brand].title));
    if (entry < 0) continue;
    SendDlgItemMessageA(dialog, IDC_SKIN_BRAND, CB_SETITEMDATA, entry, brand);
    if (brand == BRAND) SendDlgItemMessageA(dialog, IDC_SKIN_BRAND, CB_SETCURSEL, entry, 0);
  }
}

void FillSkins(HWND dialog, int brand) {
  SendDlgItemMessageA(dialog, IDC_SKIN_LIST, CB_RESETCONTENT, 0, 0);
  if (!ValidBrand(brand)) return;
  for (int k = 0; k < BrandTable[brand].skinCount; ++k) {
    SendDlgItemMessageA(dialog, IDC_SKIN_LIST, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(BrandTable[brand].skins[k].name));
  }
}

// The voice list's entry for a skin: the one chosen while the dialog is open, else the stored one.
int VoiceEntryOf(int brand, int chara) {
  if (chosenVoices[brand][chara] != kUnchanged) return chosenVoices[brand][chara];
  SkinVoice stored;
  if (!StoredSkinVoice(brand, chara, &stored)) return kSilentEntry;
  const int choice = VoiceChoiceOf(stored);
  return choice < 0 ? kSilentEntry : choice;
}

// The voice list follows the selected skin; a skin that cannot speak shows silence, unchangeable.
void ShowVoice(HWND dialog, int brand, int chara) {
  const bool speaks = BrandSpeaks(brand) && ValidSkin(brand, chara) && chara < kSkinsPerBrand;
  SendDlgItemMessageA(dialog, IDC_SKIN_VOICE, CB_SETCURSEL, speaks ? VoiceEntryOf(brand, chara) : kSilentEntry,
                      0);
  EnableWindow(GetDlgItem(dialog, IDC_SKIN_VOICE), speaks);
}

// Selects CHARA in the skin list and shows its comment and voice (nothing for a skin that is not
// there).
void ShowChosenSkin(HWND dialog) {
  const bool valid = ValidSkin(BRAND, CHARA);
  SendDlgItemMessageA(dialog, IDC_SKIN_LIST, CB_SETCURSEL, valid ? CHARA.load() : -1, 0);
  SetDlgItemTextA(dialog, IDC_SKIN_COMMENT, valid ? BrandTable[BRAND].skins[CHARA].comment : "");
  ShowVoice(dialog, BRAND, CHARA);
}

void FillVoices(HWND dialog) {
  for (int8_t(&brand)[kSkinsPerBrand] : chosenVoices) {
    for (int8_t& entry : brand) entry = kUnchanged;
  }
  for (const char* entry : kVoiceEntries) {
    SendDlgItemMessageA(dialog, IDC_SKIN_VOICE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
  }
}

// The voice list changed: remembered for the skin the lists select, stored only by OK.
void VoiceChanged(HWND dialog) {
  const int brand = SelectedBrand(dialog);
  const LRESULT chara = SendDlgItemMessageA(dialog, IDC_SKIN_LIST, CB_GETCURSEL, 0, 0);
  const LRESULT entry = SendDlgItemMessageA(dialog, IDC_SKIN_VOICE, CB_GETCURSEL, 0, 0);
  if (!BrandSpeaks(brand) || chara == CB_ERR || chara >= kSkinsPerBrand ||
      !ValidSkin(brand, static_cast<int>(chara)) || entry < 0 || entry > kSilentEntry) {
    return;
  }
  chosenVoices[brand][chara] = static_cast<int8_t>(entry);
  TraceEvent("SKIN voice %d/%d entry %d", brand, static_cast<int>(chara), static_cast<int>(entry));
}

// OK: every skin whose voice entry now differs from what its stored voice shows gets the voice
// of that entry. A skin left alone keeps its stored digits, hand-edited or not.
void StoreChosenVoices() {
  for (int brand = 0; brand < kVoicedBrandCount; ++brand) {
    for (int chara = 0; chara < kSkinsPerBrand; ++chara) {
      const int entry = chosenVoices[brand][chara];
      SkinVoice stored;
      if (entry == kUnchanged || !StoredSkinVoice(brand, chara, &stored)) continue;
      const int choice = entry == kSilentEntry ? -1 : entry;
      if (choice == VoiceChoiceOf(stored)) continue;
      StoreSkinVoice(brand, chara, VoiceOfChoice(choice, stored));
      TraceEvent("SKIN voice stored %d/%d choice %d", brand, chara, choice);
    }
  }
}

// BRAND and CHARA are written before the request, so the clock thread loads the values just
// chosen.
void RequestReload() {
  TraceEvent("SKIN choose BRAND=%d CHARA=%d", BRAND.load(), CHARA.load());
  ClockState = kClockReload;
}

void BrandChanged(HWND dialog) {
  const int brand = SelectedBrand(dialog);
  if (brand < 0) return;
  FillSkins(dialog, brand);
  if (BrandTable[brand].skinCount == 0) {
    // A brand without skins has nothing to load: a reload would fail and close the clock, so
    // the skin that is showing stays chosen until a skin is picked.
    SetDlgItemTextA(dialog, IDC_SKIN_COMMENT, "");
    ShowVoice(dialog, brand, -1);
    return;
  }
  BRAND = static_cast<int8_t>(brand);
  if (CHARA < 0 || CHARA >= BrandTable[brand].skinCount) CHARA = 0;
  ShowChosenSkin(dialog);
  RequestReload();
}

void SkinChanged(HWND dialog) {
  const int brand = SelectedBrand(dialog);
  const LRESULT chara = SendDlgItemMessageA(dialog, IDC_SKIN_LIST, CB_GETCURSEL, 0, 0);
  if (brand < 0 || chara == CB_ERR || !ValidSkin(brand, static_cast<int>(chara))) return;
  BRAND = static_cast<int8_t>(brand);
  CHARA = static_cast<int8_t>(chara);
  ShowChosenSkin(dialog);
  RequestReload();
}

}  // namespace

INT_PTR CALLBACK SkinDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      brandBefore = BRAND;
      charaBefore = CHARA;
      FillBrands(dialog);
      FillSkins(dialog, BRAND);
      FillVoices(dialog);
      ShowChosenSkin(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_SKIN_BRAND:
          if (HIWORD(wParam) == CBN_SELCHANGE) BrandChanged(dialog);
          return TRUE;
        case IDC_SKIN_LIST:
          if (HIWORD(wParam) == CBN_SELCHANGE) SkinChanged(dialog);
          return TRUE;
        case IDC_SKIN_VOICE:
          if (HIWORD(wParam) == CBN_SELCHANGE) VoiceChanged(dialog);
          return TRUE;
        case IDOK:
          StoreChosenVoices();
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:
          BRAND = brandBefore;
          CHARA = charaBefore;
          RequestReload();
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

void ShowSkinDialog(HWND owner) {
  RunDialog("SKIN", owner, SkinDialogProc, 0, DialogPlace::kBesideClock);
  TraceEvent("SKIN dialog closed BRAND=%d CHARA=%d", BRAND.load(), CHARA.load());
}
