#include <windows.h>

#include <commctrl.h>
#include <richedit.h>

#include <string>

#include "DialogTemplate.h"
#include "Program.h"
#include "resource.h"

namespace {

std::string HelpDocument() {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_HELP_DOCUMENT), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(nullptr, found);
  const char* bytes = static_cast<const char*>(LockResource(loaded));
  return bytes != nullptr ? std::string(bytes, SizeofResource(nullptr, found)) : std::string();
}

// The document's own keys, but Escape, which closes its window.
LRESULT CALLBACK DocumentKeys(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
    PostMessageW(GetParent(control), WM_CLOSE, 0, 0);
    return 0;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(control, DocumentKeys, 0);
  return DefSubclassProc(control, message, wParam, lParam);
}

// Every help window keeps its own document control filling its own client area.
INT_PTR CALLBACK HelpWindowHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetProgramIcon(window);
      const std::string document = HelpDocument();
      LoadLibraryA("riched32.dll");  // registers the "RichEdit" class; it stays loaded
      InitCommonControls();
      RECT client{};
      GetClientRect(window, &client);
      HWND control = CreateWindowExW(
          WS_EX_CLIENTEDGE, L"RichEdit", L"Waiting...\r\n",
          WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | ES_WANTRETURN, 0, 0,
          client.right, client.bottom, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_HELP_DOCUMENT)),
          GetModuleHandleW(nullptr), nullptr);
      // The control takes the bytes as Rich Text Format because they begin with "{\rtf".
      SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(document.c_str()));
      // The keyboard starts in the document, so that Page Down reads on at once.
      SetWindowSubclass(control, DocumentKeys, 0, 0);
      SetFocus(control);
      return 0;
    }
    case WM_COMMAND:  // Escape, where the hidden button has the keyboard
      if (LOWORD(wParam) == IDCANCEL) EndDialog(window, 0);
      return 0;
    case WM_SIZE:
      if (HWND control = GetDlgItem(window, IDC_HELP_DOCUMENT)) {
        MoveWindow(control, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      }
      return 0;
    case WM_CLOSE: EndDialog(window, 0); return 0;  // a modal window closes only through EndDialog
    default: return 0;
  }
}

}  // namespace

DWORD WINAPI HelpThread(LPVOID) {
  DialogTemplate t(L"Datapond Help", WS_POPUP | WS_OVERLAPPEDWINDOW, 0, 400, 280, 1, 1);
  t.Add(IDC_HELP_HIDDEN_BUTTON, kButton, L"", BS_PUSHBUTTON | WS_TABSTOP, 0, 0, 0, 1, 1);
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), nullptr, HelpWindowHandler, 0);
  return 0;
}
