// The program's own network utilities: WinSock kept started for the whole
// run, and the steps the LAN host search takes for every computer.
#pragma once

namespace WSockUtils {

// Unit start: runs before the main window exists. Unit end: after it is gone.
void Initialize();
void Finalize();

} // namespace WSockUtils
