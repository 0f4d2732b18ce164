// inet_addr records a WinSock error only when its guard catches an
// exception. The target links the conversions alone, without WinSock's
// per-thread state, so the error goes nowhere here.
#include <winsock.h>

void WINAPI WSASetLastError(int) {}
