#include "DialogTemplate.h"

namespace {

constexpr size_t kItemCountOffset = 8;  // DLGTEMPLATE: style, exStyle, then cdit

}  // namespace

DialogTemplate::DialogTemplate(const std::wstring& title, DWORD style, DWORD exStyle, short width, short height,
                               short x, short y) {
  Dword(style | DS_SETFONT);
  Dword(exStyle);
  Word(0);  // controls, counted as they are added
  Word(static_cast<WORD>(x));
  Word(static_cast<WORD>(y));
  Word(static_cast<WORD>(width));
  Word(static_cast<WORD>(height));
  Word(0);  // no menu
  Word(0);  // the predefined dialog class
  Text(title);
  Word(8);
  Text(L"MS Sans Serif");
}

void DialogTemplate::Add(WORD id, WORD classAtom, const std::wstring& text, DWORD style, DWORD exStyle, short x,
                         short y, short cx, short cy) {
  Item(id, style, exStyle, x, y, cx, cy);
  Word(0xFFFF);
  Word(classAtom);
  Text(text);
  Word(0);  // no creation data
}

void DialogTemplate::Add(WORD id, const std::wstring& className, const std::wstring& text, DWORD style, DWORD exStyle,
                         short x, short y, short cx, short cy) {
  Item(id, style, exStyle, x, y, cx, cy);
  Text(className);
  Text(text);
  Word(0);
}

void DialogTemplate::Item(WORD id, DWORD style, DWORD exStyle, short x, short y, short cx, short cy) {
  AlignToDword();
  Dword(style | WS_CHILD | WS_VISIBLE);
  Dword(exStyle);
  Word(static_cast<WORD>(x));
  Word(static_cast<WORD>(y));
  Word(static_cast<WORD>(cx));
  Word(static_cast<WORD>(cy));
  Word(id);
  const WORD count = static_cast<WORD>(bytes_[kItemCountOffset] | bytes_[kItemCountOffset + 1] << 8) + 1;
  bytes_[kItemCountOffset] = static_cast<uint8_t>(count);
  bytes_[kItemCountOffset + 1] = static_cast<uint8_t>(count >> 8);
}

void DialogTemplate::AlignToDword() {
  while (bytes_.size() % 4 != 0) bytes_.push_back(0);
}

void DialogTemplate::Word(WORD value) {
  bytes_.push_back(static_cast<uint8_t>(value));
  bytes_.push_back(static_cast<uint8_t>(value >> 8));
}

void DialogTemplate::Dword(DWORD value) {
  Word(static_cast<WORD>(value));
  Word(static_cast<WORD>(value >> 16));
}

void DialogTemplate::Text(const std::wstring& text) {
  for (wchar_t c : text) Word(static_cast<WORD>(c));
  Word(0);
}
