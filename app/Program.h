#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Calendar.h"
#include "DefaultsFile.h"
#include "FileSystem.h"
#include "MeterLink.h"
#include "Ports.h"
#include "ReadingGrid.h"
#include "ReadingTable.h"
#include "SaveFrame.h"

// What the program keeps for its whole run, all on the one user-interface thread.
struct Program {
  ReadingTable table;
  MeterLink link;
  FileSystem files = LocalFileSystem();
  Defaults defaults;
  std::vector<std::string> usablePorts;
  std::string ChosenPort;
  Calendar calendar;
  GridTexts grid;  // what the data window's grid shows now, for saving and printing
  bool downloaded = false;  // a download has read every record: the data window follows
};

Program& TheProgram();

// The whole run of the program, from the "Wait!" window to the end of the data window.
int RunProgram();

// The windows of the program. Each is a dialog built in memory.
HWND ShowWaitWindow();
void RunGetDataDialog(const std::vector<std::string>& usablePorts, const std::string& lastPort);
int32_t RunUnitsPrompt(HWND owner);
void RunDataWindow();

// The data window's commands and what they share with it.
int DataWindowCommand(HWND dataWindow, WPARAM wParam);
void RefillGrid(HWND dataWindow);
std::vector<int32_t> SelectedRows(HWND dataWindow);  // 1-based, top to bottom
int32_t RunSortDialog(HWND dataWindow);
void SaveReadings(HWND dataWindow, SaveFormat format);
void PrintReadings(HWND dataWindow);
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
// The wall clock, whose sleeps pump messages.
Clock& PumpingSystemClock();

// Every window carries the program's icon, #10001.
void SetProgramIcon(HWND window);

// The message box the whole program uses for a failure: title "ERROR!", the error icon.
void ShowError(HWND owner, const std::string& message);

// The user's short-date form, as the grid and the text files show dates.
Calendar UserCalendar();
