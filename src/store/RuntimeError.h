#pragma once

#include <QString>

namespace orvelan {

// The runtime error numbers the messages are keyed on. Operating-system failures map onto them.
namespace RuntimeError {
inline constexpr int None = 0;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int BadFileNameOrNumber = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int BadFileMode = 54;
inline constexpr int DeviceIoError = 57;
inline constexpr int BadRecordLength = 59;
inline constexpr int DiskFull = 61;
inline constexpr int BadRecordNumber = 63;
inline constexpr int DeviceUnavailable = 68;
inline constexpr int PermissionDenied = 70;
inline constexpr int DiskNotReady = 71;
inline constexpr int PathFileAccessError = 75;
inline constexpr int PathNotFound = 76;
// An encrypted book's page that fails its authentication: damaged, or moved from another place.
inline constexpr int PageDamaged = 1001;
// An encrypted book read or written before its key is at hand.
inline constexpr int BookLocked = 1002;
} // namespace RuntimeError

// A short plain description of a runtime error number, for messages of our own.
QString describeRuntimeError(int error);

// Maps the errno of a failed file operation on `path` onto a runtime error number.
int runtimeErrorFromErrno(int error, const QString& path);
// PathFileAccessError for a path that is there but is no regular file (a folder, a named pipe,
// a device): files read by position and more than once, which opening a pipe would also stall;
// 0 otherwise.
int notARegularFileError(const QString& path);

} // namespace orvelan
