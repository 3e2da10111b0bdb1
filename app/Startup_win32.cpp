// Start-up: the ports, then the start window, then the data window.
#include <windows.h>

#include <commctrl.h>

#include "DialogTemplate.h"
#include "Program.h"
#include "resource.h"

namespace {

const wchar_t* const kNoPortTitle = L"Problem!";
const wchar_t* const kNoPortText[] = {
    L"This application could not find any working unused serial (COM) ports on this computer.  ",
    L"A serial port is required for communication with an Brevanta portable meter.  ",
    L"Please install a serial port adapter (such as a USB-to-serial adapter) ",
    L"before retrying.",
};

INT_PTR CALLBACK WaitHandler(HWND, UINT, WPARAM, LPARAM) { return 0; }

}  // namespace

HWND ShowWaitWindow() {
  DialogTemplate t(L"Wait!", WS_POPUP | WS_CAPTION | DS_CENTER | DS_MODALFRAME | WS_VISIBLE, 0, 125, 50);
  t.Add(IDC_WAIT_TEXT, kStatic, L"Detecting COM ports...", SS_CENTER | SS_CENTERIMAGE, WS_EX_STATICEDGE, 0, 0, 125, 50);
  HWND wait = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), t.Get(), nullptr, WaitHandler, 0);
  SetProgramIcon(wait);  // unowned, so its taskbar button shows it
  RECT client{};
  GetClientRect(wait, &client);
  MoveWindow(GetDlgItem(wait, IDC_WAIT_TEXT), 0, 0, client.right, client.bottom, FALSE);
  UpdateWindow(wait);
  return wait;
}

int RunProgram(Program& program) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  program.calendar = UserCalendar();
  program.link.clock = &program.clock;

  HWND wait = ShowWaitWindow();
  program.defaults = LoadDefaults(program.files);
  program.usablePorts = PortDiscovery();
  DestroyWindow(wait);

  if (program.usablePorts.empty()) {
    std::wstring text;
    for (const wchar_t* piece : kNoPortText) text += piece;
    MessageBoxW(nullptr, text.c_str(), kNoPortTitle, MB_OK | MB_ICONHAND);
    return 0;
  }
  RunGetDataDialog(program);
  if (program.downloaded) RunDataWindow(program);
  return 0;
}
