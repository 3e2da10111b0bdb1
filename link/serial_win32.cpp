#include <windows.h>

#include <string>

#include "ErrorText.h"
#include "SerialPort.h"
#include "SerialWin32.h"
#include "WideText.h"

namespace {

// The system's number for a Windows error, in the error-number space of the link.
int32_t SystemErrorCode(DWORD err) {
  switch (err) {
    case ERROR_ACCESS_DENIED: return PermissionDenied;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return FileNotFound;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return OutOfMemory;
    case ERROR_INVALID_HANDLE: return PortNotOpen;
    case ERROR_GEN_FAILURE:
    case ERROR_DEVICE_REMOVED:
    case ERROR_OPERATION_ABORTED: return DeviceIoError;
    default: return UnknownPortError;
  }
}

constexpr DWORD kLineErrors = CE_RXOVER | CE_OVERRUN | CE_FRAME | CE_TXFULL | CE_IOE;

class Win32SerialPort final : public SerialPort {
 public:
  explicit Win32SerialPort(HANDLE handle) : handle_(handle) {}
  ~Win32SerialPort() override { CloseHandle(handle_); }
  Win32SerialPort(const Win32SerialPort&) = delete;
  Win32SerialPort& operator=(const Win32SerialPort&) = delete;

  // Parity and break indications are not failures; the errors that lose characters are.
  int32_t CharactersWaiting(int32_t& count) override {
    count = 0;
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handle_, &errors, &status)) return DeviceIoError;
    if (errors & kLineErrors) return DeviceIoError;
    count = static_cast<int32_t>(status.cbInQue);
    return 0;
  }

  int32_t Receive(uint8_t* into, int32_t n) override {
    int32_t got = 0;
    while (got < n) {
      DWORD read = 0;
      if (!ReadFile(handle_, into + got, static_cast<DWORD>(n - got), &read, nullptr) || read == 0) {
        return DeviceIoError;  // the characters said to be waiting are not there
      }
      got += static_cast<int32_t>(read);
    }
    return 0;
  }

  int32_t Send(const uint8_t* bytes, int32_t n) override {
    DWORD written = 0;
    if (!WriteFile(handle_, bytes, static_cast<DWORD>(n), &written, nullptr) || written != static_cast<DWORD>(n)) {
      return WriteIncomplete;
    }
    return 0;
  }

 private:
  HANDLE handle_;
};

// Each setting is its own read-modify-write of the device control block, in the order the
// meters were qualified with; a refused setting is 5, an unreadable state the system's number.
template <typename Change>
int32_t ChangeState(HANDLE handle, Change change) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(handle, &dcb)) return SystemErrorCode(GetLastError());
  change(dcb);
  return SetCommState(handle, &dcb) ? 0 : IllegalFunctionCall;
}

// SetupComm sizes both queues at once; the queue not being set keeps its current size.
int32_t SetQueueSizes(HANDLE handle, DWORD receive, DWORD transmit) {
  COMMPROP props{};
  if (!GetCommProperties(handle, &props)) return SystemErrorCode(GetLastError());
  const DWORD in = receive != 0 ? receive : props.dwCurrentRxQueue;
  const DWORD out = transmit != 0 ? transmit : props.dwCurrentTxQueue;
  return SetupComm(handle, in, out) ? 0 : IllegalFunctionCall;
}

using Setting = int32_t (*)(HANDLE);

// Every setting the meter's line needs, in the order they are applied.
constexpr Setting kLineSettings[] = {
    [](HANDLE h) { return ChangeState(h, [](DCB& d) { d.BaudRate = CBR_9600; }); },
    [](HANDLE h) {
      return ChangeState(h, [](DCB& d) {
        d.ByteSize = 8;
        d.Parity = NOPARITY;
        d.StopBits = ONESTOPBIT;
      });
    },
    [](HANDLE h) { return ChangeState(h, [](DCB& d) { d.fParity = FALSE; }); },
    [](HANDLE h) { return ChangeState(h, [](DCB& d) { d.StopBits = ONESTOPBIT; }); },
    [](HANDLE h) { return SetQueueSizes(h, 0, 1024); },
    [](HANDLE h) { return SetQueueSizes(h, 2048, 0); },
    [](HANDLE h) {
      return ChangeState(h, [](DCB& d) {
        d.fOutxCtsFlow = FALSE;
        d.fOutxDsrFlow = FALSE;
        d.fDtrControl = DTR_CONTROL_DISABLE;
        d.fDsrSensitivity = FALSE;
        d.fOutX = FALSE;
        d.fInX = FALSE;
        d.fTXContinueOnXoff = FALSE;
        d.fRtsControl = RTS_CONTROL_DISABLE;
      });
    },
    // Reads return at once with what is queued; the exchange only reads what is waiting anyway.
    // The write time-outs stay as the driver has them.
    [](HANDLE h) {
      COMMTIMEOUTS timeouts{};
      if (!GetCommTimeouts(h, &timeouts)) return SystemErrorCode(GetLastError());
      timeouts.ReadIntervalTimeout = MAXDWORD;
      timeouts.ReadTotalTimeoutMultiplier = 0;
      timeouts.ReadTotalTimeoutConstant = 0;
      return SetCommTimeouts(h, &timeouts) ? 0 : IllegalFunctionCall;
    },
};

}  // namespace

int32_t ApplyLineSettings(HANDLE port) {
  for (Setting apply : kLineSettings) {
    if (int32_t code = apply(port); code != 0) return code;
  }
  return 0;
}

int32_t OpenSerialDevice(const std::string& name, std::unique_ptr<SerialPort>& port, std::string& why) {
  port.reset();
  why.clear();
  // "\\.\" reaches the device namespace directly; without it COM10 and above do not open.
  const std::wstring path = Widen(WindowsDevicePath(name));
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    why = SystemReason(GetLastError());
    return PortNotAvailable;
  }
  if (GetFileType(handle) == FILE_TYPE_DISK) {
    CloseHandle(handle);
    why = "a disk file, not a serial port";
    return PortNotAvailable;
  }
  if (int32_t code = ApplyLineSettings(handle); code != 0) {
    CloseHandle(handle);
    why = ErrorText(code);
    return code;
  }
  port = std::make_unique<Win32SerialPort>(handle);
  return 0;
}
