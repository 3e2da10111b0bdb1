#include <windows.h>

#include <commctrl.h>

#include "Archive.h"
#include "DialogTemplate.h"
#include "Download.h"
#include "DownloadSession.h"
#include "Program.h"
#include "WideText.h"
#include "resource.h"

namespace {

const wchar_t* const kTitle = L"Brevanta - Portable Instrument Logged Data";
const wchar_t* const kOnePortLine1 = L"1. Be sure that the portable unit is connected to the serial port.";
const wchar_t* const kSeveralPortsLine1 = L"1. Select a serial port and connect the portable unit to that port.";
const wchar_t* const kLine2Text = L"2. Press the MENU button on the portable unit and select the PC Extract option.";
const wchar_t* const kLine3Text = L"3. The portable display should read: Waiting for Request from PC...";
const wchar_t* const kLine4Text = L"4. Click button below when ready.";

// Get Data: the core runs the download; this window and the progress window show it.
void GetData(HWND dialog, Program& program) {
  // No second download can start, and the window cannot be closed, while this one runs.
  EnableWindow(dialog, FALSE);
  // The window appears with the first status, after the port has been remembered.
  ProgressWindow progress;
  DownloadFrontEnd frontEnd;
  frontEnd.rememberPort = [&](const std::string& port) {
    program.defaults.LastPort = port;
    SaveDefaults(program.defaults, program.files);
  };
  frontEnd.status = [&](const std::string& text) {
    if (progress.window == nullptr) {
      progress = CreateProgressWindow(dialog, Widen(text));
    } else {
      SetProgressStatus(progress, Widen(text));
    }
  };
  frontEnd.showProgress = [&](int32_t first, int32_t last) { ShowProgressBar(progress, first, last); };
  frontEnd.progress = [&](int32_t position) {
    SendMessageW(progress.bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    PumpMessages();
  };
  frontEnd.closeStartWindow = [&] {
    ShowWindow(dialog, SW_HIDE);
    EndDialog(dialog, 1);
  };
  frontEnd.closeProgress = [&] { CloseProgressWindow(progress); };
  program.link.unitsPrompt = [&] {
    const int32_t answer = RunUnitsPrompt(dialog);
    // Ending the prompt enabled and activated its owner; the download goes on in front.
    EnableWindow(dialog, FALSE);
    SetWindowPos(progress.window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(progress.window);
    return answer;
  };

  const DownloadResult result = RunDownload(program.link, program.table, program.ChosenPort, frontEnd);
  // Every record was read: the meter's records are kept before anything is shown.
  if (result.outcome != DownloadOutcome::Failed) {
    // In Datapond\Downloads of the documents, the report beside it in Datapond.
    const std::string folder = DefaultArchiveFolder(program.files);
    const KeepOutcome kept = KeepAndReport(KeptFromLink(program.link, program.ChosenPort), folder, program.files,
                                           ReportBeside(folder), program.calendar);
    if (!kept.kept) MessageBoxW(nullptr, Widen(kept.message).c_str(), L"Warning!", MB_OK | MB_ICONWARNING);
    // Readings past the plant's limits are said at once, in one box; none, no box.
    const std::string past = result.outcome == DownloadOutcome::Done
                                 ? PastLimitsMessage(program.table, folder, program.files)
                                 : std::string();
    if (!past.empty()) MessageBoxW(nullptr, Widen(past).c_str(), L"Past the limits", MB_OK | MB_ICONWARNING);
  }
  switch (result.outcome) {
    case DownloadOutcome::Done: program.downloaded = true; break;
    case DownloadOutcome::Failed:
      EnableWindow(dialog, TRUE);
      ShowError(dialog, result.message);
      SetForegroundWindow(dialog);
      break;
    case DownloadOutcome::NoValidData: ShowError(nullptr, result.message); break;
  }
}

std::wstring ListText(HWND list, LRESULT index) {
  const LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

INT_PTR CALLBACK GetDataHandler(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      KeepProgram(dialog, lParam);
      Program& program = ProgramOf(dialog);
      SetProgramIcon(dialog);
      if (HWND list = GetDlgItem(dialog, IDC_PORT_LIST)) {
        int shown = 0;
        for (size_t i = 0; i < program.usablePorts.size(); ++i) {
          SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(program.usablePorts[i]).c_str()));
          if (program.usablePorts[i] == program.defaults.LastPort) shown = static_cast<int>(i);
        }
        SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(shown), 0);
        program.ChosenPort = program.usablePorts[static_cast<size_t>(shown)];
      } else {
        program.ChosenPort = program.usablePorts.front();
      }
      return 1;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_GET_DATA && HIWORD(wParam) == BN_CLICKED) {
        GetData(dialog, ProgramOf(dialog));
        return 1;
      }
      if (LOWORD(wParam) == IDC_PORT_LIST && HIWORD(wParam) == CBN_SELENDOK) {
        HWND list = GetDlgItem(dialog, IDC_PORT_LIST);
        ProgramOf(dialog).ChosenPort = Narrow(ListText(list, SendMessageW(list, CB_GETCURSEL, 0, 0)));
        return 1;
      }
      return 0;  // Escape's IDCANCEL closes nothing
    case WM_CLOSE: EndDialog(dialog, 0); return 1;
    default: return 0;
  }
}

}  // namespace

void RunGetDataDialog(Program& program) {
  const std::vector<std::string>& usablePorts = program.usablePorts;
  const bool onePort = usablePorts.size() == 1;
  DialogTemplate t(kTitle, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 0, 285, 121);
  // The default button: Enter presses it wherever the keyboard is in the window.
  t.Add(IDC_GET_DATA, kButton, L"Get Data", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 95, 95, 85, 15);
  t.Add(IDC_PORT_CAPTION, kStatic, L"Serial Port", SS_RIGHT, 0, 65, 10, 50, 10);
  t.Add(IDC_STEP2, kStatic, kLine2Text, SS_LEFT, 0, 15, 45, 260, 10);
  t.Add(IDC_STEP3, kStatic, kLine3Text, SS_LEFT, 0, 15, 60, 260, 10);
  t.Add(IDC_STEP4, kStatic, kLine4Text, SS_LEFT, 0, 15, 75, 230, 10);
  t.Add(IDC_STEP1, kStatic, onePort ? kOnePortLine1 : kSeveralPortsLine1, SS_LEFT, 0, 15, 30, 255, 10);
  if (onePort) {
    // Two dialog units taller than the caption beside it, and centred on it: the two edges
    // would otherwise cut the bottom off the port's name.
    t.Add(IDC_PORT_SHOWN, kEdit, Widen(usablePorts.front()), WS_BORDER | ES_READONLY | ES_CENTER, WS_EX_STATICEDGE, 120,
          9, 45, 12);
  } else {
    // A tab stop, so that the keyboard reaches the choice too.
    t.Add(IDC_PORT_LIST, kComboBox, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 125, 10, 75,
          110);
  }
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), nullptr, GetDataHandler,
                          reinterpret_cast<LPARAM>(&program));
}
