#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A dialog template built in memory: the window, then its controls, laid out as the dialog
// manager reads them (DLGTEMPLATE, each DLGITEMTEMPLATE on a DWORD boundary counted from the
// start of the template). Geometry in dialog units of "MS Sans Serif" 8 pt.
class DialogTemplate {
 public:
  // At (x, y); windows with DS_CENTER are centred when shown whatever x and y say.
  DialogTemplate(const std::wstring& title, DWORD style, DWORD exStyle, short width, short height, short x = 0,
                 short y = 0);

  // A control of a predefined class (0x0080 button, 0x0081 edit, 0x0082 static, 0x0085 combo box).
  void Add(WORD id, WORD classAtom, const std::wstring& text, DWORD style, DWORD exStyle, short x, short y, short cx,
           short cy);
  // A control of a registered class by name, such as the list view.
  void Add(WORD id, const std::wstring& className, const std::wstring& text, DWORD style, DWORD exStyle, short x,
           short y, short cx, short cy);

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }
  size_t Size() const { return bytes_.size(); }

 private:
  void AlignToDword();
  void Word(WORD value);
  void Dword(DWORD value);
  void Text(const std::wstring& text);
  void Item(WORD id, DWORD style, DWORD exStyle, short x, short y, short cx, short cy);

  std::vector<uint8_t> bytes_;
};

enum ControlClass : WORD { kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082, kComboBox = 0x0085 };
