# Cross-compiling for Windows with Debian's MinGW-w64 (g++-mingw-w64-*).
# Included by the per-architecture toolchain files, which set
# VELNOR_MINGW_TRIPLET and CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${VELNOR_MINGW_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${VELNOR_MINGW_TRIPLET}-g++)
set(CMAKE_RC_COMPILER ${VELNOR_MINGW_TRIPLET}-windres)
set(CMAKE_OBJDUMP ${VELNOR_MINGW_TRIPLET}-objdump CACHE FILEPATH "")

# Headers and libraries come from the MinGW sysroot only, so nothing of the
# Linux system (nor the Linux stand-in headers of platform/) can be picked up.
# Packages such as a Qt for Windows are looked for in CMAKE_PREFIX_PATH too.
set(CMAKE_FIND_ROOT_PATH /usr/${VELNOR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
