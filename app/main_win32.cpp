// Datapond: downloads the logged readings of a Brevanta portable meter on a serial port.
#include <windows.h>

#include "Program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  Program program;
  return RunProgram(program);
}
