# On Windows the Win32 services the code calls come from the system itself:
# nothing of platform/ is built and none of its headers is on the include
# path. velplatform stands for the system DLLs there (WinSock, IP Helper, WNet,
# the account names), so every target links "the platform" the same way on
# both systems.
add_library(velplatform INTERFACE)
target_link_libraries(velplatform INTERFACE ws2_32 iphlpapi mpr advapi32)

# The C and C++ runtimes go into each binary, so a DLL or program built here
# needs nothing but the system's own DLLs.
add_link_options(-static -static-libgcc -static-libstdc++)
