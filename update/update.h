// The update procedure: result codes, buffer sizes and the steps of one run.
// Text that a step reads is NUL-terminated, as Win32 takes it; text that a
// step writes goes into a buffer of fixed size that the caller owns.
#pragma once

#include <cstddef>
#include <span>

#include "win32.h"

// Every step returns one of these; a run ORs them together and reports the
// sum, so each failure owns a bit (2 marks "the key did not open").
using ResultCode = int;
enum : ResultCode {
  kResultSuccess = 0,
  kResultNoWindowsDirectory = 1,
  kResultValueNotRead = 4,
  kResultKeyNotOpenedForReading = 6,
  kResultValueNotSet = 8,
  kResultKeyNotOpenedForWriting = 10,
  kResultInfNotInstalled = 16,
};

// A path list, terminator included.
inline constexpr std::size_t kPathListSize = 4000;
inline constexpr std::size_t kReportSize = 100;

using PathBuffer = std::span<char, MAX_PATH>;
using PathListBuffer = std::span<char, kPathListSize>;

inline constexpr char kCaption[] = "Zavo USB Driver Update";
inline constexpr char kRefusalText[] = "This program cannot run under this version of Windows.";
inline constexpr char kSuccessText[] = "Update finished successfully.";

// The INF files of the driver package, installed in this order.
inline constexpr const char* kInfFileNames[] = {
    "ZavoKQ2KDisk.inf",
    "ZavoKQAudio2K.inf",
    "ZavoKQUSB2K.inf",
};

// Version gate: true only on Windows 2000 and XP (NT 5.0 and 5.1).
bool IsSupportedWindows();

// Forms "<drive>:\Drivers\ZavoUSB" from the drive that holds Windows.
ResultCode GetDriverFolder(PathBuffer driverFolder);

// Copies oldList into newList without the entries equal to driverFolder
// (ASCII case ignored) and without one trailing ';'. The output is never
// longer than oldList; text that would not fit newList is not read.
ResultCode RemoveFolderFromPathList(PathListBuffer newList, const char* driverFolder,
                                    const char* oldList);

// Appends one dated record of the old and the new list to update.log in the
// driver folder. A log that cannot be opened is skipped without a word.
void WriteUpdateLog(const char* driverFolder, const char* oldList, const char* newList);

// The DevicePath registry value. oldList must come zero-filled.
ResultCode ReadDevicePath(PathListBuffer oldList);
ResultCode WriteDevicePath(const char* newList);

// The Setup API's SetupCopyOEMInfA, loaded at run time.
using SetupCopyOemInfFunction = decltype(&SetupCopyOEMInfA);

// Hands every INF file of the package to the Setup API, loaded once for all.
ResultCode InstallOemInfFiles(const char* driverFolder);

// Hands driverFolder\infFileName to Windows' store of OEM INF files through
// copyOemInf, which is null when the Setup API could not be loaded.
ResultCode InstallOemInf(SetupCopyOemInfFunction copyOemInf, const char* driverFolder,
                         const char* infFileName);
