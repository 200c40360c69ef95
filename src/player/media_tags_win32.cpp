// The five Windows Media tags of a file, read through the platform's metadata editor.
#include <windows.h>
#include <wmsdkidl.h>

#include <cstring>

#include "player/media_engine_win32.h"
#include "player/media_rules.h"

// The editor interface with OpenEx, which the MinGW headers lack. Its objects come from the
// platform, so it must not sit in an unnamed namespace: the compiler would then know every class
// derived from it (none) and treat a call of OpenEx as unreachable.
struct MetadataEditor2 : public IWMMetadataEditor {
  virtual HRESULT STDMETHODCALLTYPE OpenEx(const WCHAR* fileName, DWORD access,
                                           DWORD share) = 0;
};

namespace {

const IID kIidMetadataEditor2 = {
    0x203cffe3, 0x2e18, 0x4fdf, {0xb5, 0x9d, 0x6e, 0x71, 0x53, 0x05, 0x34, 0xcf}};

const IID kIidHeaderInfo = {
    0x96406bda, 0x2b2b, 0x11d3, {0xb3, 0x6b, 0x00, 0xc0, 0x4f, 0x61, 0x08, 0xff}};

// WMCreateEditor lives in wmvcore.dll, for which MinGW has no import library; it is also
// missing on systems without the Windows Media runtime, which then show no tags.
HRESULT STDMETHODCALLTYPE CreateSystemEditor(IUnknown** editor) {
  using Create = HRESULT(WINAPI*)(IWMMetadataEditor**);
  static HMODULE module = LoadLibraryA("wmvcore.dll");
  if (module == nullptr) return E_NOTIMPL;
  const Create create = reinterpret_cast<Create>(
      reinterpret_cast<void*>(GetProcAddress(module, "WMCreateEditor")));
  if (create == nullptr) return E_NOTIMPL;
  IWMMetadataEditor* made = nullptr;
  const HRESULT hr = create(&made);
  if (SUCCEEDED(hr)) *editor = made;
  return hr;
}

CreateEditorFunction editorFactory = CreateSystemEditor;

// One attribute into a tag field. The length goes back to the whole buffer before every call
// (the call shrinks it to what it returned), only text counts, and a value that does not
// convert whole leaves the field empty rather than half-written.
void ReadAttribute(IWMHeaderInfo* header, const wchar_t* name, char* field) {
  alignas(4) BYTE value[kTagValueBytes];
  WORD length = kTagValueBytes;
  WORD stream = 0;
  WMT_ATTR_DATATYPE type = WMT_TYPE_DWORD;
  field[0] = '\0';
  if (FAILED(header->GetAttributeByName(&stream, name, &type, value, &length))) return;
  const uint16_t* text = reinterpret_cast<const uint16_t*>(value);
  size_t characters = 0;
  if (!TagTextLength(static_cast<int>(type), text, length, &characters)) return;
  if (characters == 0) return;
  const int n = WideCharToMultiByte(CP_THREAD_ACP, 0, reinterpret_cast<const wchar_t*>(value),
                                    static_cast<int>(characters), field,
                                    static_cast<int>(kTagValueBytes - 1), nullptr, nullptr);
  if (n <= 0) {
    field[0] = '\0';
    return;
  }
  field[n] = '\0';
}

}  // namespace

void SetMetadataEditorFactory(CreateEditorFunction factory) {
  editorFactory = factory != nullptr ? factory : CreateSystemEditor;
}

void ReadTags(MediaPlayer* player, const wchar_t* widePath) {
  char* const fields[] = {player->TagTitle, player->TagAuthor, player->TagDescription,
                          player->TagRating, player->TagCopyright};
  const wchar_t* const names[] = {L"Title", L"Author", L"Description", L"Rating", L"Copyright"};
  for (char* field : fields) field[0] = '\0';
  IUnknown* editor = nullptr;
  if (FAILED(editorFactory(&editor)) || editor == nullptr) return;
  MetadataEditor2* editor2 = nullptr;
  IWMHeaderInfo* header = nullptr;
  if (SUCCEEDED(editor->QueryInterface(kIidMetadataEditor2, reinterpret_cast<void**>(&editor2))) &&
      SUCCEEDED(editor2->OpenEx(widePath, GENERIC_READ, FILE_SHARE_READ))) {
    if (SUCCEEDED(editor2->QueryInterface(kIidHeaderInfo, reinterpret_cast<void**>(&header)))) {
      for (int i = 0; i < 5; ++i) ReadAttribute(header, names[i], fields[i]);
    }
    editor2->Close();
  }
  if (header != nullptr) header->Release();
  if (editor2 != nullptr) editor2->Release();
  editor->Release();
}
