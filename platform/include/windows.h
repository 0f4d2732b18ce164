// The Win32 subset this project calls: base types, error codes, computer and
// user names, the module path, private-profile (INI) files, lstrcmpA, code
// page conversion and local memory. On Windows the system's own <windows.h>
// is used instead of this one.
// Out of memory, every call here and in the other headers fails as it
// documents, with ERROR_NOT_ENOUGH_MEMORY as the last error
// (WSA_NOT_ENOUGH_MEMORY in WSAGetLastError for the WinSock calls; a call that
// returns its error code returns it too); lstrcmpA then compares bytes.
#pragma once

#ifdef _WIN32
#error "Use the system's windows.h on Windows"
#endif

#include <stddef.h>
#include <stdint.h>

#define WINAPI
#define VELPLATFORM_API __attribute__((visibility("default")))

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef uint32_t ULONG;
typedef uint32_t UINT;
typedef int32_t LONG;
typedef int INT;
typedef char CHAR;
typedef CHAR *LPSTR;
typedef const CHAR *LPCSTR;
// UTF-16 code units, as on Windows.
#ifdef __cplusplus
typedef char16_t WCHAR;
#else
typedef uint16_t WCHAR;
#endif
typedef WCHAR *LPWSTR;
typedef const WCHAR *LPCWSTR;
typedef void *LPVOID;
typedef void *PVOID;
typedef DWORD *LPDWORD;
typedef ULONG *PULONG;
typedef void *HANDLE;
typedef void *HWND;
typedef void *HMODULE;
typedef void *HLOCAL;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef size_t SIZE_T;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define MAKEWORD(low, high) ((WORD)(((BYTE)(low)) | ((WORD)((BYTE)(high))) << 8))
#define LOBYTE(w) ((BYTE)((w)&0xff))
#define HIBYTE(w) ((BYTE)(((w) >> 8) & 0xff))

#define NO_ERROR 0L
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_BAD_NETPATH 53L
#define ERROR_BAD_NET_NAME 67L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_BUFFER_OVERFLOW 111L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_BAD_PROVIDER 1204L
#define ERROR_NOT_CONTAINER 1207L
#define ERROR_NO_NETWORK 1222L
#define ERROR_NOT_SUPPORTED 50L
#define ERROR_GEN_FAILURE 31L
#define ERROR_NOT_FOUND 1168L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_DISK_FULL 112L
#define ERROR_FILENAME_EXCED_RANGE 206L
#define ERROR_CANT_RESOLVE_FILENAME 1921L

#define MAX_COMPUTERNAME_LENGTH 15
#define UNLEN 256
#define MAX_PATH 260

#define WM_USER 0x0400

#define CP_ACP 0
#define CP_UTF8 65001

#define LMEM_FIXED 0x0000
#define LMEM_MOVEABLE 0x0002
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

#ifdef __cplusplus
extern "C" {
#endif

VELPLATFORM_API DWORD WINAPI GetLastError(void);
VELPLATFORM_API void WINAPI SetLastError(DWORD dwErrCode);

// NetBIOS form of the host name: first label, upper case, at most 15 chars.
VELPLATFORM_API BOOL WINAPI GetComputerNameA(LPSTR lpBuffer, LPDWORD nSize);
// Login name of the effective user.
VELPLATFORM_API BOOL WINAPI GetUserNameA(LPSTR lpBuffer, LPDWORD pcbBuffer);

// Only hModule == NULL (the running executable) is supported.
VELPLATFORM_API DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);

VELPLATFORM_API DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName,
                                                      LPCSTR lpDefault, LPSTR lpReturnedString,
                                                      DWORD nSize, LPCSTR lpFileName);
VELPLATFORM_API UINT WINAPI GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault,
                                                  LPCSTR lpFileName);
VELPLATFORM_API BOOL WINAPI WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName,
                                                       LPCSTR lpString, LPCSTR lpFileName);

// Locale-aware, case-sensitive comparison in the user's locale.
VELPLATFORM_API int WINAPI lstrcmpA(LPCSTR lpString1, LPCSTR lpString2);

// ANSI (CP_ACP: the user's locale's character set) or UTF-8 to UTF-16 and
// back. dwFlags must be 0; lpDefaultChar and lpUsedDefaultChar must be NULL:
// a character the code page cannot represent always becomes '?'.
VELPLATFORM_API int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr,
                                               int cbMultiByte, LPWSTR lpWideCharStr,
                                               int cchWideChar);
VELPLATFORM_API int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr,
                                               int cchWideChar, LPSTR lpMultiByteStr,
                                               int cbMultiByte, LPCSTR lpDefaultChar,
                                               BOOL *lpUsedDefaultChar);

VELPLATFORM_API HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes);
VELPLATFORM_API HLOCAL WINAPI LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT uFlags);
VELPLATFORM_API HLOCAL WINAPI LocalFree(HLOCAL hMem);

#ifdef __cplusplus
}
#endif
