// <windows.h> as every Windows source file includes it, before any other header. The Files
// interface has members named like Win32's DeleteFile, SetCurrentDirectory and ReplaceFile macros;
// those macros are dropped here so the members keep their names everywhere, and the backend calls
// the ...A functions by their full names. Winsock 2 comes first, as it must precede <windows.h>.
#pragma once

#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601  // Windows 7
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#undef DeleteFile
#undef SetCurrentDirectory
#undef ReplaceFile
