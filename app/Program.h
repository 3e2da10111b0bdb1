#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Calendar.h"
#include "Clock.h"
#include "DefaultsFile.h"
#include "FileSystem.h"
#include "MeterLink.h"
#include "Ports.h"
#include "ReadingGrid.h"
#include "ReadingTable.h"
#include "SaveFrame.h"

// The wall clock, whose sleeps let every window repaint: the download runs on the
// user-interface thread, and the start window is disabled meanwhile.
class PumpingClock final : public Clock {
 public:
  double SecondsOfDay() override;
  void Sleep(int32_t milliseconds) override;
};

// What the program keeps for its whole run, all on the one user-interface thread. It is made
// at start-up and handed to each window that needs it as the dialog's init parameter.
struct Program {
  ReadingTable table;
  PumpingClock clock;  // the link's
  MeterLink link;
  FileSystem files = LocalFileSystem();
  Defaults defaults;
  std::vector<std::string> usablePorts;
  std::string ChosenPort;
  Calendar calendar;
  GridTexts grid;           // what the data window's grid shows now, for saving and printing
  bool downloaded = false;  // a download has read every record: the data window follows
};

// A window keeps the program's state from WM_INITDIALOG on, in its user data.
inline void KeepProgram(HWND window, LPARAM program) { SetWindowLongPtrW(window, GWLP_USERDATA, program); }
inline Program& ProgramOf(HWND window) { return *reinterpret_cast<Program*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

// The whole run of the program, from the "Wait!" window to the end of the data window.
int RunProgram(Program& program);

// The windows of the program. Each is a dialog built in memory.
HWND ShowWaitWindow();
void RunGetDataDialog(Program& program);
void RunDataWindow(Program& program);
// The two questions answered with one of two buttons: 1 for the left, 2 for the right.
int32_t RunUnitsPrompt(HWND owner);
int32_t RunSaveScopePrompt(HWND dataWindow);  // 0 when closed without an answer

// The data window's commands and what they share with it.
int DataWindowCommand(HWND dataWindow, Program& program, WPARAM wParam);
void RefillGrid(HWND dataWindow, Program& program);
std::vector<int32_t> SelectedRows(HWND dataWindow);  // 1-based, top to bottom
int32_t RunSortDialog(HWND dataWindow, const ReadingTable& table);
void SaveReadings(HWND dataWindow, Program& program, SaveFormat format);
void PrintReadings(HWND dataWindow, const Program& program);
DWORD WINAPI HelpThread(LPVOID);

// The modeless "Wait!" window of a download.
struct ProgressWindow {
  HWND window = nullptr;
  HWND bar = nullptr;
};
ProgressWindow CreateProgressWindow(HWND owner, const std::wstring& status);
void SetProgressStatus(ProgressWindow& progress, const std::wstring& status);
void ShowProgressBar(ProgressWindow& progress, int first, int last);
void CloseProgressWindow(ProgressWindow& progress);

// Lets every window repaint and the bar move while the download waits on the meter.
void PumpMessages();

// Every window carries the program's icon.
void SetProgramIcon(HWND window);

// The message box the whole program uses for a failure: title "ERROR!", the error icon.
void ShowError(HWND owner, const std::string& message);

// The user's short-date form, as the grid and the text files show dates.
Calendar UserCalendar();
